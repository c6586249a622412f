// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/history/DeliveryHistory.h"

#include <QAbstractTableModel>
#include <vector>

// The delivery history as tables for the History window. Each model keeps the records it
// was given and makes a cell's text only when the view asks for it (the rows on screen),
// so a job of 100,000 entries shows as fast as one of ten. Texts follow the language in
// force when they are drawn; LanguageChanged redraws them.

// The jobs, in the order given (newest first).
class THistoryJobsModel : public QAbstractTableModel {
public:
    enum TColumn {
        Started,
        Ended,
        ListFile,
        Subject,
        Format,
        Attachment,
        Delivered,
        Refused,
        Deferred,
        NotSent,
        Suppressed, // kept from the job by the account's suppression list
        State,
        ColumnCount
    };

    explicit THistoryJobsModel(QObject* parent = nullptr) : QAbstractTableModel(parent) { }
    void SetJobs(std::vector<TJobSummary> jobs);
    const TJobSummary& Job(int row) const { return FJobs.at(static_cast<size_t>(row)); }
    // The row of the job with this id, or -1.
    int RowOf(std::int64_t id) const;
    void LanguageChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TJobSummary> FJobs;
};

// One job's entries, in list order.
class THistoryEntriesModel : public QAbstractTableModel {
public:
    enum TColumn { Line, Entry, Outcome, Reply, MessageId, Time, Note, ColumnCount };

    explicit THistoryEntriesModel(QObject* parent = nullptr) : QAbstractTableModel(parent) { }
    void SetEntries(std::vector<TEntryRecord> entries);
    const TEntryRecord& Record(int row) const { return FEntries.at(static_cast<size_t>(row)); }
    void LanguageChanged();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<TEntryRecord> FEntries;
};

// A job's state in words: finished, not all delivered, or interrupted (or still running).
QString JobStateText(const TJobSummary& job);
// An outcome in words, in the language in force.
QString OutcomeText(TOutcome outcome);
// A time of the history (UTC) as local time, "2024-06-14 18:02:11"; empty when invalid.
QString HistoryTimeText(const QDateTime& time);
