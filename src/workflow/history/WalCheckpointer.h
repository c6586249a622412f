// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

struct sqlite3;

// Copies a database's write-ahead log back into the database on a thread of its own.
// SQLite would otherwise do it inside the commit that fills the log, and that commit
// would then wait for the disk twice (two flushes) while a message could go out: tens
// of milliseconds instead of microseconds. The writing connection only tells the thread
// how long the log is after each commit.
class TWalCheckpointer {
public:
    // Takes over the writer's log hook (which also ends its automatic checkpoints).
    TWalCheckpointer(sqlite3* writer, std::string path);
    // Stops the thread; a checkpoint under way is finished first.
    ~TWalCheckpointer();
    TWalCheckpointer(const TWalCheckpointer&) = delete;
    TWalCheckpointer& operator=(const TWalCheckpointer&) = delete;

    // Log frames after which a checkpoint is started (SQLite's own default), and again
    // after each as many more: the log stays whole until the writer starts it over, and
    // a checkpoint after every commit past the mark would flush the disk twice a message.
    static constexpr int StartAtFrames = 1000;
    // A log that keeps growing because the writer never lets a checkpoint catch up is
    // made to start over, holding the writer up once for a moment.
    static constexpr int RestartAtFrames = 20000;

private:
    static int LogGrew(void* self, sqlite3* db, const char* schema, int frames);
    void Run();

    std::string FPath;
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FWanted = false;
    bool FStopping = false;
    std::atomic<int> FFrames{0};
    int FAskedAtFrames = 0; // the writer's own: the log's length at the last request
    std::thread FThread;    // last: started when everything it uses exists
};
