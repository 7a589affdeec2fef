#include "db/readahead.h"

#include <thread>

namespace db
{

namespace
{

// A wait for another terminal's lock ends the reading after this long; the program's own
// reading then waits as usual, with the note the user sees.
constexpr int kReadTimeoutSeconds = 2;

struct Result {
    QString sql;
    std::any value;
};

} // namespace

struct ReadAhead::Shared {
    std::thread thread;
    QString connectionString;
    QString file; // the database file it named when the reading began
    quint64 generation = 0;
    std::vector<Result> results; // written by the thread alone until it is joined

    void join()
    {
        if (thread.joinable())
            thread.join();
    }
};

ReadAhead::ReadAhead() : shared_(std::make_shared<Shared>()) {}

ReadAhead::~ReadAhead()
{
    clear();
}

bool ReadAhead::start(const QString& connectionString, std::vector<Read> reads)
{
    Shared& s = *shared_;
    if (s.thread.joinable() || !s.results.empty() || !embeddedEngineChosen())
        return false;
    const QString file = embeddedFileOf(ConnectionString::parse(connectionString));
    if (file.isEmpty())
        return false;
    s.connectionString = connectionString;
    s.file = file;
    s.generation = writeGeneration();
    s.thread = std::thread([&s, file, reads = std::move(reads)] {
        std::vector<ProviderError> errors;
        std::unique_ptr<ProviderConnection> conn = openEmbeddedFileQuietly(file, errors);
        if (!conn)
            return;
        conn->setCommandTimeout(kReadTimeoutSeconds);
        const ProviderConnection::RowSink skip = [](const std::vector<FieldValue>&) {};
        for (const Read& read : reads) {
            if (!conn->queryRows(read.sql, read.row ? read.row : skip, errors))
                return;
            s.results.push_back({read.sql, read.result ? read.result() : std::any()});
        }
    });
    return true;
}

std::any ReadAhead::take(const QString& connectionString, const QString& sql)
{
    Shared& s = *shared_;
    s.join();
    if (s.results.empty())
        return {};
    if (connectionString != s.connectionString || writeGeneration() != s.generation ||
        embeddedFileOf(ConnectionString::parse(connectionString)) != s.file) {
        s.results.clear();
        return {};
    }
    for (auto it = s.results.begin(); it != s.results.end(); ++it) {
        if (it->sql != sql)
            continue;
        std::any value = std::move(it->value);
        s.results.erase(it);
        return value;
    }
    return {};
}

void ReadAhead::clear()
{
    shared_->join();
    shared_->results.clear();
}

ReadAhead& readAhead()
{
    // The pool of kept handles is made first, so that it outlives the reading thread.
    (void)embeddedPoolStats();
    static ReadAhead one;
    return one;
}

} // namespace db
