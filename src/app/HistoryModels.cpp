// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryModels.h"

#include "workflow/program/ProgramState.h"

#include <QColor>
#include <QFileInfo>

namespace {

QString Text(const std::string& text)
{
    return QString::fromStdString(text);
}

QString Tr(const char* slovenian, const char* english)
{
    return QString::fromUtf8(Lang(slovenian, english));
}

bool Valid(const QModelIndex& index, int rows, int columns)
{
    return index.isValid() && index.row() < rows && index.column() < columns;
}

// A server's reply may run over several lines; a cell shows them on one.
QString OneLine(const std::string& text)
{
    QString line = Text(text);
    line.replace("\r\n", " ").replace('\r', ' ').replace('\n', ' ');
    return line;
}

QString ListFileText(const std::string& file)
{
    if (file.empty())
        return Tr("(vnesen ročno)", "(typed in)");
    return QFileInfo(Text(file)).fileName();
}

QVariant OutcomeColour(TOutcome outcome)
{
    switch (outcome) {
    case TOutcome::Refused: return QColor(0xb0, 0x00, 0x20);
    case TOutcome::Deferred: return QColor(0x9a, 0x5b, 0x00);
    case TOutcome::NotSent:
    case TOutcome::Suppressed: return QColor(0x6e, 0x6e, 0x6e);
    case TOutcome::Delivered: break;
    }
    return {};
}

}

QString JobStateText(const TJobSummary& job)
{
    if (!job.failure.empty())
        return OneLine(job.failure);
    if (!job.Unfinished())
        return Tr("končano", "finished");
    if (job.ended.isValid())
        return Tr("ni vse dostavljeno", "not all delivered");
    return Tr("prekinjeno ali teče", "interrupted or running");
}

QString OutcomeText(TOutcome outcome)
{
    switch (outcome) {
    case TOutcome::Delivered: return Tr("dostavljeno", "delivered");
    case TOutcome::Refused: return Tr("zavrnjeno", "refused");
    case TOutcome::Deferred: return Tr("odloženo", "deferred");
    case TOutcome::Suppressed: return Tr("izločeno", "suppressed");
    case TOutcome::NotSent: break;
    }
    return Tr("ni poslano", "not sent");
}

QString HistoryTimeText(const QDateTime& time)
{
    return time.isValid() ? time.toLocalTime().toString("yyyy-MM-dd HH:mm:ss") : QString();
}

// ---- Jobs --------------------------------------------------------------------------------

void THistoryJobsModel::SetJobs(std::vector<TJobSummary> jobs)
{
    beginResetModel();
    FJobs = std::move(jobs);
    endResetModel();
}

int THistoryJobsModel::RowOf(std::int64_t id) const
{
    for (size_t row = 0; row < FJobs.size(); ++row)
        if (FJobs[row].id == id)
            return static_cast<int>(row);
    return -1;
}

void THistoryJobsModel::LanguageChanged()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!FJobs.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, ColumnCount - 1));
}

int THistoryJobsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FJobs.size());
}

int THistoryJobsModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant THistoryJobsModel::data(const QModelIndex& index, int role) const
{
    if (!Valid(index, rowCount(), ColumnCount))
        return {};
    const TJobSummary& job = Job(index.row());
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column >= Delivered && column <= Suppressed)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole && column == ListFile && !job.listFile.empty())
        return Text(job.listFile);
    if (role == Qt::ToolTipRole && column == Subject)
        return Text(job.subject);
    if (role == Qt::ToolTipRole && column == State && !job.failure.empty())
        return Text(job.failure);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Started: return HistoryTimeText(job.started);
    case Ended: return HistoryTimeText(job.ended);
    case ListFile: return ListFileText(job.listFile);
    case Subject: return OneLine(job.subject);
    case Format:
        return job.format == "HTML" ? QStringLiteral("HTML") : job.format.empty() ? QString() : Tr("tekst", "text");
    case Attachment: return Text(job.attachment);
    case Delivered: return job.delivered;
    case Refused: return job.refused;
    case Deferred: return job.deferred;
    case NotSent: return job.notSent;
    case Suppressed: return job.suppressed;
    default: return JobStateText(job);
    }
}

QVariant THistoryJobsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Started: return Tr("Začetek", "Started");
    case Ended: return Tr("Konec", "Ended");
    case ListFile: return Tr("Seznam", "List file");
    case Subject: return Tr("Naslov sporočila", "Subject");
    case Format: return Tr("Oblika", "Format");
    case Attachment: return Tr("Priloga", "Attachment");
    case Delivered: return Tr("Dostavljeno", "Delivered");
    case Refused: return Tr("Zavrnjeno", "Refused");
    case Deferred: return Tr("Odloženo", "Deferred");
    case NotSent: return Tr("Ni poslano", "Not sent");
    case Suppressed: return Tr("Izločeno", "Suppressed");
    default: return Tr("Stanje", "State");
    }
}

// ---- Entries -----------------------------------------------------------------------------

void THistoryEntriesModel::SetEntries(std::vector<TEntryRecord> entries)
{
    beginResetModel();
    FEntries = std::move(entries);
    endResetModel();
}

void THistoryEntriesModel::LanguageChanged()
{
    emit headerDataChanged(Qt::Horizontal, 0, ColumnCount - 1);
    if (!FEntries.empty())
        emit dataChanged(index(0, Outcome), index(rowCount() - 1, Outcome));
}

int THistoryEntriesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(FEntries.size());
}

int THistoryEntriesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant THistoryEntriesModel::data(const QModelIndex& index, int role) const
{
    if (!Valid(index, rowCount(), ColumnCount))
        return {};
    const TEntryRecord& record = Record(index.row());
    const int column = index.column();
    if (role == Qt::TextAlignmentRole && column == Line)
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ForegroundRole && column == Outcome)
        return OutcomeColour(record.outcome);
    if (role == Qt::ToolTipRole && column == Reply && !record.reply.empty())
        return Text(record.reply);
    if (role != Qt::DisplayRole)
        return {};
    switch (column) {
    case Line: return record.position + 1;
    case Entry: return Text(record.entry);
    case Outcome: return OutcomeText(record.outcome);
    case Reply: return OneLine(record.reply);
    case MessageId: return Text(record.messageId);
    case Time: return HistoryTimeText(record.time);
    default: return OneLine(record.note);
    }
}

QVariant THistoryEntriesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case Line: return Tr("Vrstica", "Line");
    case Entry: return Tr("Prejemnik", "Recipient");
    case Outcome: return Tr("Izid", "Outcome");
    case Reply: return Tr("Odgovor strežnika", "Server reply");
    case MessageId: return QStringLiteral("Message-ID");
    case Time: return Tr("Čas", "Time");
    default: return Tr("Opomba", "Note");
    }
}
