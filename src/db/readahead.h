#pragma once

#include "db/provider.h"

#include <QString>
#include <any>
#include <functional>
#include <memory>
#include <vector>

namespace db
{

// Reads a program is about to make, made beforehand on a thread of their own while the
// program's own thread does other work (the launcher reads its base list while its windows
// are built). Only on the embedded engine, and only for statements that change nothing.
//
// A result is handed over once: to a caller asking for the same statement on the same
// connection string, and only while no statement of this process has changed a database
// since the reading began. Otherwise the caller gets nothing and reads as usual, with the
// usual messages; a failed reading is simply dropped.
class ReadAhead
{
public:
    // A statement and what the caller keeps of it: row takes its rows one at a time and
    // result gives what they made once all are read. Both run on the reading thread, so
    // they may only work on what they are given and on their own state.
    struct Read {
        QString sql;
        std::function<void(const std::vector<FieldValue>& row)> row;
        std::function<std::any()> result;
    };

    ReadAhead();
    ~ReadAhead(); // waits for the reading thread
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Starts reading; the engine and the database file are found here, on the caller's
    // thread. False, with nothing started, when another engine is chosen, the connection
    // string names no database file, or a reading is already under way or held.
    bool start(const QString& connectionString, std::vector<Read> reads);

    // What the reading of sql made, waiting for the reading to end; empty when there is
    // none to hand over (see above).
    std::any take(const QString& connectionString, const QString& sql);

    // Waits for the reading and drops whatever it read.
    void clear();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
};

// The program's one.
ReadAhead& readAhead();

} // namespace db
