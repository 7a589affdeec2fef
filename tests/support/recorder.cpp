#include "recorder.h"

#include <algorithm>

using db::ProviderError;

bool StatementRecorder::Shared::refuse(const QString& sql, std::vector<ProviderError>& errors)
{
    statements << sql;
    if (before)
        before(sql);
    const bool fails =
        std::any_of(failing.begin(), failing.end(), [&](const QString& t) { return sql.contains(t); });
    if (fails)
        errors.push_back({db::kStatementError, "試験で失敗させた文です。", db::kProviderSource, "42000", 0});
    return fails;
}

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

StatementRecorder::StatementRecorder()
{
    db::setProviderFactory([weak = std::weak_ptr<Shared>(shared_)](const QString& connectionString,
                                                                   std::vector<ProviderError>& errors) {
        std::unique_ptr<db::ProviderConnection> inner =
            db::openEmbedded(db::ConnectionString::parse(connectionString), errors);
        if (std::shared_ptr<Shared> shared = weak.lock(); inner && shared)
            return std::unique_ptr<db::ProviderConnection>(new RecordingConnection(std::move(inner), shared));
        return inner;
    });
}
