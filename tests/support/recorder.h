#pragma once

#include <QString>
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
    ~StatementRecorder();
    StatementRecorder(const StatementRecorder&) = delete;
    StatementRecorder& operator=(const StatementRecorder&) = delete;

    QStringList statements() const;
    void clear();
    // Makes every statement that contains the text fail (until cleared with failNothing).
    void failWhenContains(const QString& text);
    void failNothing();
    // Runs before each statement reaches the engine (statements it sends itself included).
    void beforeStatement(std::function<void(const QString&)> hook);

    struct Shared;

private:
    std::shared_ptr<Shared> shared_;
};
