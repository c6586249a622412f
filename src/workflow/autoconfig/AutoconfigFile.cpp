// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/autoconfig/AutoconfigFile.h"

#include "workflow/program/ProgramState.h"

#include <QByteArray>
#include <QXmlStreamReader>

#include <map>

namespace {

// The placeholders the format defines for the address typed.
std::string WithPlaceholders(std::string text, const std::string& email)
{
    const std::size_t at = email.rfind('@');
    const std::map<std::string, std::string> values = {
        {"%EMAILADDRESS%", email},
        {"%EMAILLOCALPART%", at == std::string::npos ? email : email.substr(0, at)},
        {"%EMAILDOMAIN%", at == std::string::npos ? std::string() : email.substr(at + 1)},
    };
    for (const auto& [placeholder, value] : values)
        for (std::size_t found = text.find(placeholder); found != std::string::npos;
             found = text.find(placeholder, found + value.size()))
            text.replace(found, placeholder.size(), value);
    return text;
}

std::optional<int> SecurityOf(const std::string& socketType)
{
    if (socketType == "SSL")
        return 2;
    if (socketType == "STARTTLS")
        return 1;
    if (socketType == "plain")
        return 0;
    return std::nullopt;
}

// The children of the first smtp outgoingServer, by element name (the first of each).
struct TServerElements {
    bool Found = false;
    std::map<std::string, std::string> Values;
};

TServerElements ReadFirstSmtpServer(QXmlStreamReader& reader)
{
    TServerElements server;
    int depthInServer = 0;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement()) {
            if (depthInServer > 0) {
                ++depthInServer;
                const std::string name = reader.name().toString().toStdString();
                const std::string text =
                    reader.readElementText(QXmlStreamReader::SkipChildElements).trimmed().toStdString();
                --depthInServer;
                server.Values.emplace(name, text);
            } else if (!server.Found && reader.name() == u"outgoingServer"
                       && reader.attributes().value("type") == u"smtp") {
                server.Found = true;
                depthInServer = 1;
            }
        } else if (reader.isEndElement() && depthInServer == 1 && reader.name() == u"outgoingServer") {
            depthInServer = 0;
        }
    }
    return server;
}

} // namespace

TAutoconfigReading ReadAutoconfig(const QByteArray& file, const std::string& email)
{
    QXmlStreamReader reader(file);
    const TServerElements server = ReadFirstSmtpServer(reader);
    if (reader.hasError())
        return {std::nullopt,
                Lang("ni pravilna datoteka XML (vrstica ", "not well-formed XML (line ")
                    + std::to_string(reader.lineNumber()) + ": " + reader.errorString().toStdString() + ")"};
    if (!server.Found)
        return {std::nullopt, Lang("ne navaja strežnika SMTP", "names no SMTP server")};
    const auto value = [&](const std::string& name) {
        const auto found = server.Values.find(name);
        return found == server.Values.end() ? std::string() : found->second;
    };
    const std::string host = WithPlaceholders(value("hostname"), email);
    bool portRead = false;
    const int port = QString::fromStdString(value("port")).toInt(&portRead);
    const std::optional<int> security = SecurityOf(value("socketType"));
    if (host.empty() || !portRead || port <= 0 || port > 65535 || !security)
        return {std::nullopt, Lang("strežnik SMTP je opisan nepopolno", "describes the SMTP server incompletely")};
    TFoundAccount account;
    account.Host = host;
    account.Port = port;
    account.Security = *security;
    account.UserName = WithPlaceholders(value("username"), email);
    if (value("authentication") == "OAuth2") {
        account.SignIn = "oauth2";
        account.OAuthProvider = "other";
    }
    return {account, {}};
}
