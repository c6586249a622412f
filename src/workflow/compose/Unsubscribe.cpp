// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/compose/Unsubscribe.h"

#include <QString>
#include <QUrl>

namespace {

// RFC 2369 section 2: the address in angle brackets, so nothing in it may end them early.
std::string Bracketed(const QUrl& url)
{
    return "<" + url.toEncoded(QUrl::FullyEncoded).toStdString() + ">";
}

}

std::vector<std::string> UnsubscribeHeaders(const std::string& setting, const std::string& sender)
{
    const QString choice = QString::fromStdString(setting).trimmed();
    if (choice.isEmpty() || sender.empty())
        return {};
    const std::string mailto = Bracketed(QUrl("mailto:" + QString::fromStdString(sender) + "?subject=unsubscribe"));
    if (choice.compare("mailto", Qt::CaseInsensitive) == 0)
        return {"List-Unsubscribe: " + mailto};
    const QUrl web(choice);
    if (!web.isValid() || web.scheme() != "https" || web.host().isEmpty())
        return {};
    return {"List-Unsubscribe: " + mailto + ", " + Bracketed(web), "List-Unsubscribe-Post: List-Unsubscribe=One-Click"};
}
