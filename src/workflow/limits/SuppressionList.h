// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDateTime>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

class TSqliteDatabase;

// Addresses an account never sends to again: mailboxes that do not exist (the server said
// so) and people who asked not to be mailed. Kept per account (the sender's address) in an
// SQLite database "suppressions.sqlite" beside the delivery history. Addresses compare
// without regard to case. Failures raise EHistoryError with the file and the reason.
struct TSuppression {
    std::string Address;
    std::string Reason; // "no such user", "by hand", "imported", "from the history"
    std::string Reply;  // the server's reply that put it here; empty when added by hand
    QDateTime Added;    // UTC
};

class TSuppressionList {
public:
    // The database in the folder (the per-user data folder when empty), opened or started
    // at the first call that needs it.
    explicit TSuppressionList(const std::string& folder = {});
    ~TSuppressionList();
    TSuppressionList(const TSuppressionList&) = delete;
    TSuppressionList& operator=(const TSuppressionList&) = delete;

    const std::string& FileName() const { return FFileName; }

    // Adds the address (the bare address of an entry such as "Ana <ana@x.org>"); one already
    // there keeps its first reason. Returns false when it was there.
    bool Add(const std::string& account, const std::string& entry, const std::string& reason,
             const std::string& reply = {});
    // Adds every address of the lines (a recipients file); returns how many were new.
    int AddAll(const std::string& account, const std::vector<std::string>& entries, const std::string& reason);
    void Remove(const std::string& account, const std::string& address);
    // The account's suppressions whose address holds the search text, by address.
    std::vector<TSuppression> Find(const std::string& account, const std::string& search = {});
    // The account's addresses, in lower case, for a job to look up.
    std::unordered_set<std::string> Addresses(const std::string& account);

    // The form an address is kept and looked up in: the entry's bare address, lower case.
    static std::string Key(const std::string& entry);

private:
    template <class Action>
    auto Guarded(bool writing, Action action);
    TSqliteDatabase& Db();

    std::string FFolder;
    std::string FFileName;
    std::unique_ptr<TSqliteDatabase> FDb;
};
