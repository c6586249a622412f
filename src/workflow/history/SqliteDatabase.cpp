// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/SqliteDatabase.h"

#include <sqlite3.h>

namespace {

[[noreturn]] void Fail(sqlite3* db, int code)
{
    throw TSqliteFailure(code & 0xff, db ? sqlite3_errmsg(db) : sqlite3_errstr(code));
}

void Check(sqlite3* db, int code)
{
    if (code != SQLITE_OK)
        Fail(db, code);
}

}

TSqliteFailure TSqliteFailure::Corrupt(const std::string& text)
{
    return TSqliteFailure(SQLITE_CORRUPT, text);
}

bool TSqliteFailure::Damaged() const
{
    return FCode == SQLITE_CORRUPT || FCode == SQLITE_NOTADB;
}

TSqliteStatement::TSqliteStatement(sqlite3* db, const char* sql) : FDb(db)
{
    Check(FDb, sqlite3_prepare_v3(FDb, sql, -1, SQLITE_PREPARE_PERSISTENT, &FStatement, nullptr));
}

TSqliteStatement::~TSqliteStatement()
{
    sqlite3_finalize(FStatement);
}

TSqliteStatement& TSqliteStatement::Bind(int index, std::int64_t value)
{
    StopRows();
    Check(FDb, sqlite3_bind_int64(FStatement, index, value));
    return *this;
}

TSqliteStatement& TSqliteStatement::Bind(int index, const std::string& text)
{
    StopRows();
    Check(FDb, sqlite3_bind_text(FStatement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT));
    return *this;
}

void TSqliteStatement::StopRows()
{
    if (FInRows)
        sqlite3_reset(FStatement);
    FInRows = false;
}

bool TSqliteStatement::Step()
{
    const int code = sqlite3_step(FStatement);
    FInRows = code == SQLITE_ROW;
    if (FInRows)
        return true;
    // Resetting ends the statement's hold on the database (and its read transaction)
    // at once, rather than at its next use.
    if (code == SQLITE_DONE) {
        sqlite3_reset(FStatement);
        return false;
    }
    const TSqliteFailure failure(code & 0xff, sqlite3_errmsg(FDb));
    sqlite3_reset(FStatement);
    throw failure;
}

void TSqliteStatement::Run()
{
    while (Step()) { }
}

std::int64_t TSqliteStatement::Integer(int column) const
{
    return sqlite3_column_int64(FStatement, column);
}

std::string TSqliteStatement::Text(int column) const
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStatement, column));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(FStatement, column))) : std::string();
}

bool TSqliteStatement::IsNull(int column) const
{
    return sqlite3_column_type(FStatement, column) == SQLITE_NULL;
}

TSqliteDatabase::TSqliteDatabase(const std::string& path)
{
    const int code =
        sqlite3_open_v2(path.c_str(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const TSqliteFailure failure(code & 0xff, FDb ? sqlite3_errmsg(FDb) : sqlite3_errstr(code));
        sqlite3_close(FDb);
        throw failure;
    }
    sqlite3_extended_result_codes(FDb, 0);
}

TSqliteDatabase::~TSqliteDatabase()
{
    // Every statement is finalized by its owner first; close_v2 would keep the
    // connection alive for a forgotten one rather than fail.
    sqlite3_close_v2(FDb);
}

void TSqliteDatabase::Execute(const char* sql)
{
    Check(FDb, sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr));
}

std::string TSqliteDatabase::QueryText(const char* sql)
{
    TSqliteStatement query(FDb, sql);
    return query.Step() ? query.Text(0) : std::string();
}

std::int64_t TSqliteDatabase::LastInsertId() const
{
    return sqlite3_last_insert_rowid(FDb);
}

int TSqliteDatabase::Changes() const
{
    return sqlite3_changes(FDb);
}

TSqliteTransaction::TSqliteTransaction(TSqliteDatabase& db) : FDb(db)
{
    FDb.Execute("BEGIN IMMEDIATE");
}

TSqliteTransaction::~TSqliteTransaction()
{
    if (FOpen)
        sqlite3_exec(FDb.Handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void TSqliteTransaction::Commit()
{
    FDb.Execute("COMMIT");
    FOpen = false;
}
