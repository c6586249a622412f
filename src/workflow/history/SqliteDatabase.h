// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// A thin layer over SQLite's C interface: owns the handles and turns every result
// code that is not a success into one exception, so that callers never test codes.

// What SQLite reported: its primary result code (SQLITE_CORRUPT, SQLITE_FULL, ...)
// and its own English text.
class TSqliteFailure : public std::runtime_error {
public:
    TSqliteFailure(int code, const std::string& text) : std::runtime_error(text), FCode(code) { }
    // What we find wrong in the file's contents ourselves.
    static TSqliteFailure Corrupt(const std::string& text);
    int Code() const { return FCode; }
    // The file is not a database or its pages do not fit together.
    bool Damaged() const;

private:
    int FCode;
};

class TSqliteStatement {
public:
    TSqliteStatement(sqlite3* db, const char* sql);
    ~TSqliteStatement();
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    // Parameters count from 1, as in the SQL text's "?" order. Binding ends a walk
    // through rows that was left unfinished.
    TSqliteStatement& Bind(int index, std::int64_t value);
    TSqliteStatement& Bind(int index, const std::string& text);

    // Runs to the next row; false when there is none. A statement that has returned
    // false, or has failed, starts again with its next Step and keeps its bindings.
    bool Step();
    // Runs a statement that returns no rows to its end and makes it ready for reuse.
    void Run();

    std::int64_t Integer(int column) const;
    std::string Text(int column) const;
    bool IsNull(int column) const;

private:
    void StopRows();

    sqlite3* FDb;
    sqlite3_stmt* FStatement = nullptr;
    bool FInRows = false; // the last Step returned a row
};

class TSqliteDatabase {
public:
    // Opens the file read-write, creating it when missing.
    explicit TSqliteDatabase(const std::string& path);
    ~TSqliteDatabase();
    TSqliteDatabase(const TSqliteDatabase&) = delete;
    TSqliteDatabase& operator=(const TSqliteDatabase&) = delete;

    // Runs one or more statements whose rows, if any, are not wanted.
    void Execute(const char* sql);
    // The first column of the first row of a query, as text (empty when no row).
    std::string QueryText(const char* sql);
    std::int64_t LastInsertId() const;
    // Rows changed by the last statement that ran.
    int Changes() const;
    sqlite3* Handle() const { return FDb; }

private:
    sqlite3* FDb = nullptr;
};

// Runs the statements between Begin and Commit as one transaction; leaving the
// scope without Commit rolls it back.
class TSqliteTransaction {
public:
    explicit TSqliteTransaction(TSqliteDatabase& db);
    ~TSqliteTransaction();
    void Commit();

private:
    TSqliteDatabase& FDb;
    bool FOpen = true;
};
