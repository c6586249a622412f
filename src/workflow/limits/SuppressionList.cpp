// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/limits/SuppressionList.h"

#include "workflow/history/HistoryError.h"
#include "workflow/history/HistoryMessages.h"
#include "workflow/history/SqliteDatabase.h"
#include "workflow/lists/RecipientEntry.h"
#include "workflow/program/ProgramFolder.h"

#include <QDir>
#include <QString>

namespace {

constexpr const char* SuppressionFileName = "suppressions.sqlite";

const char* const Schema = R"sql(
    CREATE TABLE IF NOT EXISTS suppressions (
        account TEXT NOT NULL,
        address TEXT NOT NULL,
        reason TEXT NOT NULL,
        reply TEXT NOT NULL DEFAULT '',
        added INTEGER NOT NULL,
        PRIMARY KEY (account, address)
    ) WITHOUT ROWID;
)sql";

std::string Lower(const std::string& text)
{
    return QString::fromStdString(text).toLower().toStdString();
}

}

TSuppressionList::TSuppressionList(const std::string& folder) : FFolder(folder)
{
}

TSqliteDatabase& TSuppressionList::Db()
{
    if (FDb)
        return *FDb;
    const QString where = QString::fromStdString(FFolder.empty() ? UserDataFolder() : FFolder);
    FFileName = QDir(where).filePath(SuppressionFileName).toStdString();
    if (!QDir().mkpath(where))
        throw EHistoryError(
            EHistoryError::TKind::Open,
            Messages::HistoryCannotOpen(FFileName, Messages::HistoryFolderNotCreated(where.toStdString())));
    try {
        auto db = std::make_unique<TSqliteDatabase>(FFileName);
        db->Execute("PRAGMA busy_timeout = 5000");
        db->Execute("PRAGMA journal_mode = WAL");
        db->Execute(Schema);
        FDb = std::move(db);
    } catch (const TSqliteFailure& failure) {
        throw EHistoryError(EHistoryError::TKind::Open, Messages::HistoryCannotOpen(FFileName, failure.what()));
    }
    return *FDb;
}

TSuppressionList::~TSuppressionList() = default;

template <class Action>
auto TSuppressionList::Guarded(bool writing, Action action)
{
    try {
        return action();
    } catch (const TSqliteFailure& failure) {
        throw EHistoryError(writing ? EHistoryError::TKind::Write : EHistoryError::TKind::Read,
                            writing ? Messages::HistoryCannotWrite(FFileName, failure.what())
                                    : Messages::HistoryCannotRead(FFileName, failure.what()));
    }
}

std::string TSuppressionList::Key(const std::string& entry)
{
    return Lower(SplitEntry(entry).Address);
}

bool TSuppressionList::Add(const std::string& account, const std::string& entry, const std::string& reason,
                           const std::string& reply)
{
    const std::string address = Key(entry);
    if (address.empty())
        return false;
    return Guarded(true, [&] {
        TSqliteStatement insert(Db().Handle(),
                                "INSERT OR IGNORE INTO suppressions (account, address, reason, reply, added)"
                                " VALUES (?, ?, ?, ?, ?)");
        insert.Bind(1, Lower(account))
            .Bind(2, address)
            .Bind(3, reason)
            .Bind(4, reply)
            .Bind(5, QDateTime::currentMSecsSinceEpoch())
            .Run();
        return Db().Changes() > 0;
    });
}

int TSuppressionList::AddAll(const std::string& account, const std::vector<std::string>& entries,
                             const std::string& reason)
{
    return Guarded(true, [&] {
        TSqliteTransaction transaction(Db());
        int added = 0;
        for (const std::string& entry : entries)
            added += Add(account, entry, reason);
        transaction.Commit();
        return added;
    });
}

void TSuppressionList::Remove(const std::string& account, const std::string& address)
{
    Guarded(true, [&] {
        TSqliteStatement remove(Db().Handle(), "DELETE FROM suppressions WHERE account = ? AND address = ?");
        remove.Bind(1, Lower(account)).Bind(2, Key(address)).Run();
    });
}

std::vector<TSuppression> TSuppressionList::Find(const std::string& account, const std::string& search)
{
    return Guarded(false, [&] {
        TSqliteStatement query(Db().Handle(),
                               "SELECT address, reason, reply, added FROM suppressions"
                               " WHERE account = ? AND instr(address, ?) > 0 ORDER BY address");
        query.Bind(1, Lower(account)).Bind(2, Lower(search));
        std::vector<TSuppression> found;
        while (query.Step())
            found.push_back({query.Text(0), query.Text(1), query.Text(2),
                             QDateTime::fromMSecsSinceEpoch(query.Integer(3), Qt::UTC)});
        return found;
    });
}

std::unordered_set<std::string> TSuppressionList::Addresses(const std::string& account)
{
    return Guarded(false, [&] {
        TSqliteStatement query(Db().Handle(), "SELECT address FROM suppressions WHERE account = ?");
        query.Bind(1, Lower(account));
        std::unordered_set<std::string> addresses;
        while (query.Step())
            addresses.insert(query.Text(0));
        return addresses;
    });
}
