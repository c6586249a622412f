// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/program/Draft.h"

#include "base/Exception.h"
#include "platform/PrivateFiles.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/program/ProgramFolder.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr int DraftVersion = 1;

QString Q(const std::string& text)
{
    return QString::fromStdString(text);
}

// A name no earlier save used, also when two copies of the program save at once.
std::string FreshStem()
{
    return std::to_string(QDateTime::currentMSecsSinceEpoch()) + "-"
        + std::to_string(QCoreApplication::applicationPid());
}

std::string Field(const QJsonObject& json, const char* name)
{
    return json.value(name).toString().toStdString();
}

// Only a bare file name of the draft's own kinds is taken from the file: "../x" or an
// absolute path would make a restore read, and a later save delete, a file elsewhere.
bool IsListFileName(const std::string& name)
{
    const QString file = Q(name);
    const bool ownKind = ((file.startsWith("recipients-") || file.startsWith("labels-")) && file.endsWith(".txt"))
        || (file.startsWith("fields-") && file.endsWith(".csv"));
    return ownKind && !file.contains('/');
}

}

std::string DraftFolder()
{
    return UserDataFolder() + "draft/";
}

TDraftStore::TDraftStore(std::string folder) : FFolder(std::move(folder))
{
    if (!FFolder.empty() && FFolder.back() != '/')
        FFolder += '/';
}

void TDraftStore::Save(const TDraftMessage& message, const TRecipientList* list)
{
    if (!MakePrivateFolder(FFolder))
        throw EFCreateError(FileName());
    std::string recipients = FRecipientsFile;
    std::string labels = FLabelsFile;
    std::string fields = FFieldsFile;
    if (list) {
        const std::string stem = FreshStem();
        recipients = "recipients-" + stem + ".txt";
        labels = "labels-" + stem + ".txt";
        fields = list->HasColumns() ? "fields-" + stem + ".csv" : "";
        list->SaveToFile(FFolder + recipients);
        list->SaveLabelsToFile(FFolder + labels);
        if (!fields.empty())
            list->SaveFieldsToFile(FFolder + fields);
    }
    QJsonObject json{{"version", DraftVersion},
                     {"subject", Q(message.subject)},
                     {"body", Q(message.body)},
                     {"attachment", Q(message.attachment)},
                     {"format", message.format}};
    if (!recipients.empty()) {
        json["recipients"] = Q(recipients);
        json["labels"] = Q(labels);
    }
    if (!fields.empty())
        json["fields"] = Q(fields);
    QSaveFile file(Q(FileName()));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(json).toJson()) < 0 || !file.commit())
        throw EFCreateError(FileName());
    MakePrivateFile(FileName());
    for (const std::string& name : {recipients, labels, fields})
        if (!name.empty())
            MakePrivateFile(FFolder + name);
    FRecipientsFile = recipients;
    FLabelsFile = labels;
    FFieldsFile = fields;
    RemoveListFilesBut({recipients, labels, fields});
}

// List files of earlier saves, and of a save that died before it named its files.
void TDraftStore::RemoveListFilesBut(const std::vector<std::string>& kept) const
{
    QDir folder(Q(FFolder));
    for (const QString& name : folder.entryList({"recipients-*.txt", "labels-*.txt", "fields-*.csv"}, QDir::Files))
        if (std::find(kept.begin(), kept.end(), name.toStdString()) == kept.end())
            folder.remove(name);
}

std::optional<TDraftMessage> TDraftStore::Restore(TRecipientList& list, const std::string& label)
{
    QFile file(Q(FileName()));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return std::nullopt;
    const QJsonObject json = document.object();
    TDraftMessage message{Field(json, "subject"), Field(json, "body"), Field(json, "attachment"),
                          json.value("format").toInt(0)};
    const std::string recipients = Field(json, "recipients");
    const std::string labels = Field(json, "labels");
    const std::string fields = Field(json, "fields");
    if (IsListFileName(recipients) && QFile::exists(Q(FFolder + recipients))) {
        list.LoadLinesFromFile(FFolder + recipients, label);
        FRecipientsFile = recipients;
        if (IsListFileName(labels) && QFile::exists(Q(FFolder + labels))) {
            list.LoadLabelsFromFile(FFolder + labels);
            FLabelsFile = labels;
        }
        if (IsListFileName(fields) && QFile::exists(Q(FFolder + fields))) {
            list.LoadFieldsFromFile(FFolder + fields);
            FFieldsFile = fields;
        }
    }
    return message;
}
