// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/lists/FieldKey.h"

#include <QString>

std::string FieldKey(std::string_view name)
{
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    QString key;
    key.reserve(text.size());
    for (const QChar c : text)
        if (!c.isSpace())
            key += c;
    return key.toCaseFolded().toStdString();
}
