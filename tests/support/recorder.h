#pragma once

#include "db/provider.h"

#include <QStringList>
#include <functional>
#include <memory>

// Records every statement sent to the database, as cT_ADODB hands it to the engine, while
// it lives; the statements themselves run on the embedded engine. A statement containing
// one of the texts in `failing` fails instead, with the error record an engine gives a
// statement it cannot run. Installed for the life of the object; one at a time.
class StatementRecorder
{
public:
    StatementRecorder();
    ~StatementRecorder() { db::setProviderFactory({}); }
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;

    QStringList statements() const { return shared_->statements; }
    void clear() { shared_->statements.clear(); }
    // Makes every statement that contains the text fail (until cleared with failNothing).
    void failWhenContains(const QString& text) { shared_->failing << text; }
    void failNothing() { shared_->failing.clear(); }
    // Runs before each statement reaches the engine (statements it sends itself included).
    void beforeStatement(std::function<void(const QString&)> hook) { shared_->before = std::move(hook); }

    struct Shared {
        QStringList statements;
        QStringList failing;
        std::function<void(const QString&)> before;
        // True when the statement is to fail; the error record is then appended.
        bool refuse(const QString& sql, std::vector<db::ProviderError>& errors);
    };

private:
    std::shared_ptr<Shared> shared_ = std::make_shared<Shared>();
};
