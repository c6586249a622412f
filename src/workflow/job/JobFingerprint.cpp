// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/job/JobFingerprint.h"

#include "base/Exception.h"
#include "base/StringList.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace {

void AddPart(QCryptographicHash& hash, const std::string& bytes)
{
    const std::string length = std::to_string(bytes.size()) + ":";
    hash.addData(QByteArrayView(length.data(), static_cast<qsizetype>(length.size())));
    hash.addData(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

void AddLines(QCryptographicHash& hash, const std::vector<std::string>& lines)
{
    AddPart(hash, std::to_string(lines.size()));
    for (const std::string& line : lines)
        AddPart(hash, line);
}

void AddAttachment(QCryptographicHash& hash, const std::string& path)
{
    const QString name = QString::fromStdString(path);
    const QFileInfo info(name);
    if (path.empty() || !info.isFile()) {
        AddPart(hash, "no attachment");
        return;
    }
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        throw EFOpenError(path);
    AddPart(hash, info.fileName().toStdString());
    AddPart(hash, std::to_string(file.size()));
    if (!hash.addData(&file))
        throw EFOpenError(path);
}

std::string Hex(const QCryptographicHash& hash)
{
    return hash.result().toHex().toStdString();
}

}

std::string ListHash(const std::vector<std::string>& entries)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    AddLines(hash, entries);
    return Hex(hash);
}

std::string MessageHash(const std::string& subject, const TStringList& body, bool html,
                        const std::string& attachmentPath)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    AddPart(hash, subject);
    AddLines(hash, body.Lines());
    AddPart(hash, html ? "html" : "plain");
    AddAttachment(hash, attachmentPath);
    return Hex(hash);
}
