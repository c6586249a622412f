// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/WalCheckpointer.h"

#include <sqlite3.h>

TWalCheckpointer::TWalCheckpointer(sqlite3* writer, std::string path)
    : FPath(std::move(path)), FThread([this] { Run(); })
{
    sqlite3_wal_hook(writer, &TWalCheckpointer::LogGrew, this);
}

TWalCheckpointer::~TWalCheckpointer()
{
    {
        std::lock_guard lock(FMutex);
        FStopping = true;
    }
    FWake.notify_one();
    FThread.join();
}

int TWalCheckpointer::LogGrew(void* self, sqlite3*, const char*, int frames)
{
    auto& checkpointer = *static_cast<TWalCheckpointer*>(self);
    checkpointer.FFrames.store(frames, std::memory_order_relaxed);
    if (frames < checkpointer.FAskedAtFrames) // the log started over
        checkpointer.FAskedAtFrames = 0;
    if (frames - checkpointer.FAskedAtFrames >= StartAtFrames) {
        checkpointer.FAskedAtFrames = frames;
        {
            std::lock_guard lock(checkpointer.FMutex);
            checkpointer.FWanted = true;
        }
        checkpointer.FWake.notify_one();
    }
    return SQLITE_OK;
}

void TWalCheckpointer::Run()
{
    sqlite3* db = nullptr;
    // Failures are left alone here: the log then grows, and the writer reports the
    // disk's trouble when its own commits fail.
    const bool opened =
        sqlite3_open_v2(FPath.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) == SQLITE_OK;
    if (opened) {
        sqlite3_busy_timeout(db, 5000);
        sqlite3_exec(db, "PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
    }
    for (;;) {
        std::unique_lock lock(FMutex);
        FWake.wait(lock, [this] { return FWanted || FStopping; });
        if (FStopping)
            break;
        FWanted = false;
        lock.unlock();
        if (!opened)
            continue;
        // PASSIVE never holds the writer up: it copies what is committed and lets
        // commits go on meanwhile.
        sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        if (FFrames.load(std::memory_order_relaxed) >= RestartAtFrames)
            sqlite3_wal_checkpoint_v2(db, nullptr, SQLITE_CHECKPOINT_RESTART, nullptr, nullptr);
    }
    sqlite3_close(db);
}
