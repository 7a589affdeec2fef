#include "recorder.h"

#include "db/provider.h"

namespace
{

using db::ProviderError;

} // namespace

struct StatementRecorder::Shared {
    QStringList statements;
    QStringList failing;
    std::function<void(const QString&)> before;

    // True when the statement is to fail; the error record is then appended.
    bool refuse(const QString& sql, std::vector<ProviderError>& errors)
    {
        statements << sql;
        if (before)
            before(sql);
        for (const QString& text : failing) {
            if (sql.contains(text)) {
                errors.push_back({db::kStatementError, QStringLiteral("試験で失敗させた文です。"),
                                  db::kProviderSource, QStringLiteral("42000"), 0});
                return true;
            }
        }
        return false;
    }
};

namespace
{

class RecordingConnection : public db::ProviderConnection
{
public:
    RecordingConnection(std::unique_ptr<db::ProviderConnection> inner,
                        std::shared_ptr<StatementRecorder::Shared> shared)
        : inner_(std::move(inner)), shared_(std::move(shared))
    {
    }
    bool query(const QString& sql, db::ResultSet* result, std::vector<ProviderError>& errors) override
    {
        return !shared_->refuse(sql, errors) && inner_->query(sql, result, errors);
    }
    bool execute(const QString& sql, long* affected, std::vector<ProviderError>& errors) override
    {
        return !shared_->refuse(sql, errors) && inner_->execute(sql, affected, errors);
    }
    bool beginTransaction(std::vector<ProviderError>& errors) override
    {
        return inner_->beginTransaction(errors);
    }
    bool commit(std::vector<ProviderError>& errors) override { return inner_->commit(errors); }
    bool rollback(std::vector<ProviderError>& errors) override { return inner_->rollback(errors); }
    void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }

private:
    std::unique_ptr<db::ProviderConnection> inner_;
    std::shared_ptr<StatementRecorder::Shared> shared_;
};

} // namespace

StatementRecorder::StatementRecorder() : shared_(std::make_shared<Shared>())
{
    std::weak_ptr<Shared> weak = shared_;
    db::setProviderFactory(
        [weak](const QString& connectionString,
               std::vector<ProviderError>& errors) -> std::unique_ptr<db::ProviderConnection> {
            auto inner = db::openEmbedded(db::ConnectionString::parse(connectionString), errors);
            std::shared_ptr<Shared> shared = weak.lock();
            if (!inner || !shared)
                return inner;
            return std::make_unique<RecordingConnection>(std::move(inner), shared);
        });
}

StatementRecorder::~StatementRecorder()
{
    db::setProviderFactory({});
}

QStringList StatementRecorder::statements() const
{
    return shared_->statements;
}

void StatementRecorder::clear()
{
    shared_->statements.clear();
}

void StatementRecorder::failWhenContains(const QString& text)
{
    shared_->failing << text;
}

void StatementRecorder::failNothing()
{
    shared_->failing.clear();
}

void StatementRecorder::beforeStatement(std::function<void(const QString&)> hook)
{
    shared_->before = std::move(hook);
}
