// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/history/NotDeliveredList.h"

#include "workflow/history/DeliveryHistory.h"
#include "workflow/job/JobMessages.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <QDir>
#include <QFileInfo>

namespace {

bool IsTableName(const QString& fileName)
{
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == "csv" || suffix == "tsv";
}

// The job's list as its file holds it now, when that still has the job's entries with
// columns: the values then go with the entries saved.
struct TLoadedList {
    TRowsColumn Entries;
    TRowsColumn Labels;
    TListFields Fields;
};

bool LoadJobList(const TJobSummary& job, TLoadedList& list)
{
    const QString file = QString::fromStdString(job.listFile);
    if (job.listFile.empty() || !IsTableName(file) || !QFileInfo(file).isFile())
        return false;
    try {
        TRecipientList(list.Entries, list.Labels, &list.Fields).LoadFromFile(job.listFile, {});
    } catch (const std::exception&) {
        return false;
    }
    return list.Fields.HasColumns();
}

}

std::string SuggestedNotDeliveredFile(const TJobSummary& job)
{
    const QFileInfo list(QString::fromStdString(job.listFile));
    const bool known = !job.listFile.empty() && list.dir().exists();
    const QString folder = known ? list.absolutePath() : QDir::homePath();
    const QString stem = known ? list.completeBaseName() : QStringLiteral("job-%1").arg(job.id);
    const QString suffix = known && IsTableName(list.fileName()) ? "csv" : "txt";
    return QDir(folder).filePath(stem + "-" + Lang("nedostavljeni", "not-delivered") + "." + suffix).toStdString();
}

int SaveNotDelivered(TDeliveryHistory& history, const TJobSummary& job, const std::string& fileName)
{
    std::vector<TEntryRecord> left;
    for (TEntryRecord& entry : history.Entries(job.id))
        // A suppressed entry was kept from the job on purpose: it is not one to send to again.
        if (entry.outcome != TOutcome::Delivered && entry.outcome != TOutcome::Suppressed)
            left.push_back(std::move(entry));
    TLoadedList loaded;
    const bool withColumns = IsTableName(QString::fromStdString(fileName)) && LoadJobList(job, loaded);
    bool matches = withColumns;
    for (const TEntryRecord& entry : left)
        matches =
            matches && entry.position < loaded.Entries.Count() && loaded.Entries.Item(entry.position) == entry.entry;
    TRowsColumn entries;
    TRowsColumn labels;
    TListFields fields;
    TRecipientList list(entries, labels, &fields);
    if (matches) {
        std::vector<std::vector<std::string>> rows;
        for (const TEntryRecord& entry : left) {
            entries.Append(entry.entry);
            const std::vector<std::string>* values = loaded.Fields.Values(entry.position);
            rows.push_back(values ? *values : std::vector<std::string>());
        }
        fields.Assign(loaded.Fields.Columns(), loaded.Fields.Delimiter(), std::move(rows));
        list.SaveAsTableToFile(fileName);
    } else {
        for (const TEntryRecord& entry : left)
            entries.Append(entry.entry);
        list.SaveToFile(fileName);
    }
    return static_cast<int>(left.size());
}

std::string NotDeliveredSavedText(int count, const std::string& fileName)
{
    const std::string number = Messages::GroupedNumber(count);
    if (CurrentLanguage == 1)
        return "Nedostavljeni naslovi (" + number + ") so shranjeni v " + fileName + ".";
    return number + (count == 1 ? " entry not delivered was saved in " : " entries not delivered were saved in ")
        + fileName + ".";
}
