#pragma once

#include "db/provider.h"

#include <QStringList>
#include <algorithm>
#include <functional>
#include <memory>

// While it lives (one at a time), records every statement cT_ADODB hands the embedded engine;
// a statement containing one of the texts in `failing` fails instead, with the error record
// an engine gives a statement it cannot run.
class StatementRecorder
{
public:
    using Errors = std::vector<db::ProviderError>;
    struct Shared {
        QStringList statements;
        QStringList failing;
        std::function<void(const QString&)> before;
        // True when the statement is to fail; the error record is then appended.
        bool refuse(const QString& sql, Errors& errors)
        {
            statements << sql;
            if (before)
                before(sql);
            const bool fails =
                std::ranges::any_of(failing, [&](const QString& t) { return sql.contains(t); });
            if (fails)
                errors.push_back(
                    {db::kStatementError, "試験で失敗させた文です。", db::kProviderSource, "42000", 0});
            return fails;
        }
    };

    StatementRecorder()
    {
        db::setProviderFactory(
            [weak = std::weak_ptr<Shared>(shared_)](const QString& connectionString, Errors& errors) {
                std::unique_ptr<db::ProviderConnection> inner =
                    db::openEmbedded(db::ConnectionString::parse(connectionString), errors);
                if (std::shared_ptr<Shared> shared = weak.lock(); inner && shared)
                    return std::unique_ptr<db::ProviderConnection>(new Connection(std::move(inner), shared));
                return inner;
            });
    }
    ~StatementRecorder() { db::setProviderFactory({}); }

    QStringList statements() const { return shared_->statements; }
    void clear() { shared_->statements.clear(); }
    // Makes every statement that contains the text fail (until cleared with failNothing).
    void failWhenContains(const QString& text) { shared_->failing << text; }
    void failNothing() { shared_->failing.clear(); }
    // Runs before each statement reaches the engine (statements it sends itself included).
    void beforeStatement(std::function<void(const QString&)> hook) { shared_->before = std::move(hook); }

private:
    // A connection of the embedded engine whose statements pass the recorder first.
    class Connection : public db::ProviderConnection
    {
    public:
        Connection(std::unique_ptr<db::ProviderConnection> inner, std::shared_ptr<Shared> shared)
            : inner_(std::move(inner)), shared_(std::move(shared))
        {
        }
        bool query(const QString& sql, db::ResultSet* result, Errors& errors) override
        {
            return !shared_->refuse(sql, errors) && inner_->query(sql, result, errors);
        }
        bool execute(const QString& sql, long* affected, Errors& errors) override
        {
            return !shared_->refuse(sql, errors) && inner_->execute(sql, affected, errors);
        }
        bool beginTransaction(Errors& errors) override { return inner_->beginTransaction(errors); }
        bool commit(Errors& errors) override { return inner_->commit(errors); }
        bool rollback(Errors& errors) override { return inner_->rollback(errors); }
        void setCommandTimeout(int seconds) override { inner_->setCommandTimeout(seconds); }

    private:
        std::unique_ptr<db::ProviderConnection> inner_;
        std::shared_ptr<Shared> shared_;
    };

    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};
