// SPDX-License-Identifier: GPL-3.0-or-later
// Messages in Slovenian (and worse) sent to a real server, then read by Python's
// email package with policy.default, a parser that is not ours: what comes out must
// be what went in.
#include "mail/HtmlToText.h"
#include "mail/MessageIdentity.h"
#include "mail/SmtpClient.h"

#include "support/RealSmtpServer.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>
#include <set>

namespace {

QJsonObject ParseWithPolicyDefault(const QString& path)
{
    static const char* script = R"(
import email, email.policy, email.utils, hashlib, json, sys
raw = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(raw, policy=email.policy.default)
head = raw[:raw.index(b'\r\n\r\n')]
def content(part):
    return part.get_content().replace('\r\n', '\n') if part else None
attachments = [{'name': p.get_filename(), 'type': p.get_content_type(),
                'sha256': hashlib.sha256(p.get_payload(decode=True)).hexdigest()} for p in msg.iter_attachments()]
body_plain = msg.get_body(('plain',))
body_html = msg.get_body(('html',))
print(json.dumps({
    'subject': str(msg['Subject']),
    'from': [[a.display_name, a.addr_spec] for a in msg['From'].addresses],
    'to': [[a.display_name, a.addr_spec] for a in msg['To'].addresses],
    'date': email.utils.parsedate_to_datetime(str(msg['Date'])).isoformat(),
    'id': str(msg['Message-ID']),
    'plain': content(body_plain), 'html': content(body_html),
    'plainCharset': body_plain.get_content_charset() if body_plain else None,
    'attachments': attachments,
    'defects': sum(len(p.defects) for p in msg.walk()),
    'headerHighByte': any(b > 127 for b in head),
    'longestHeaderLine': max(len(l) for l in head.split(b'\r\n')),
    'longestLine': max(len(l) for l in raw.split(b'\r\n')),
}))
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, path});
    python.waitForFinished(30000);
    const QByteArray errors = python.readAllStandardError();
    EXPECT_TRUE(errors.isEmpty()) << errors.toStdString();
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

std::string Str(const QJsonValue& value)
{
    return value.toString().toStdString();
}

struct TCase {
    std::string name;
    std::string fromName;
    std::string toName;
    std::string subject;
    std::vector<std::string> body;
    TSubType subType = mtPlain;
    std::string charset = "utf-8";
    std::string attachmentName; // none when empty
};

std::string LongParagraph()
{
    std::string text;
    for (int i = 1; text.size() < 1400; ++i)
        text += "Odstavek " + std::to_string(i) + ": čšž ČŠŽ – „narekovaji“ … ";
    return text;
}

std::vector<TCase> Cases()
{
    return {
        {"Slovenian",
         "Ana Černe",
         "Špela Žagar",
         "Pozdravljeni – čšž",
         {"Pozdravljeni – čšž", "", LongParagraph(), ".", ".začne s piko", "konec s presledkom ", "tab\tv vrstici"},
         mtPlain,
         "utf-8",
         "Poročilo o delu za leto 2024 – končna različica.pdf"},
        {"HtmlInWindows1250",
         "Ana Černe",
         "Špela Žagar",
         "Vabilo na srečanje – četrtek, 12. junija, ob 18.00 v dvorani",
         {"<p>Draga <b>Špela</b>,</p>", "<p>vabimo te &ndash; pridi!</p>",
          "<ul><li>ura: 18.00</li><li>kraj: šola</li></ul>"},
         mtHtml,
         "windows-1250",
         "vabilo.pdf"},
        {"Latin2WithoutEnDashFallsBack",
         "Ana",
         "Bojan Žnidaršič",
         "čšž – ČŠŽ",
         {"čšž – ČŠŽ"},
         mtPlain,
         "iso-8859-2",
         ""},
        {"Latin2", "Ana", "Bojan", "Šola", {"Šola v naravi, čšž"}, mtPlain, "iso-8859-2", ""},
        {"OldDefaultUsAscii",
         "Ana Černe",
         "Špela Žagar",
         "Žalostno",
         {"Pozdravljeni – čšž"},
         mtPlain,
         "us-ascii",
         "ščž.txt"},
        {"PlainAscii", "Ana Novak", "Bob", "Report", {"Hello Bob", ".", "See you"}, mtPlain, "us-ascii", "a.txt"},
        {"Awkward",
         "Novak, Ana",
         "\"Žagar, Špela\"",
         "=?UTF-8?Q?not_encoded?= " + std::string(100, 'x'),
         {"--====================54535aavfgq====", std::string(2000, 'y'), "=3D", "From the start"},
         mtPlain,
         "utf-8",
         "name with \"quotes\" and ž.bin"},
    };
}

TEST(InternationalMessagesOnRealServer, ArriveAsWrittenForAStandardParser)
{
    QTemporaryDir dir;
    RealSmtpServer server(RealSmtpServer::TKind::Aiosmtpd, dir.path().toStdString());
    ASSERT_TRUE(server.Ready()) << server.Problem();

    TSmtpClient smtp;
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(server.Port());
    smtp.SetUserID("pc1");
    smtp.SetTimeOut(10000);
    smtp.Connect();

    const std::vector<TCase> cases = Cases();
    std::vector<std::string> attachmentHashes;
    std::mt19937 random(11);
    for (const TCase& c : cases) {
        TOutgoingMessage& m = smtp.PostMessage();
        m.SetFromName(c.fromName);
        m.SetFromAddress("ana@example.org");
        m.ToAddress().Add(c.toName + " <spela@example.org>");
        m.SetSubject(c.subject);
        m.SetBody(TStringList());
        for (const auto& line : c.body)
            m.Body().Add(line);
        m.SetDate(MailDate(QDateTime::currentDateTime()));
        m.SetMessageId(MessageId(NewMessageIdUniquePart(), m.FromAddress()));
        smtp.SetSubType(c.subType);
        smtp.SetCharset(c.charset);
        std::string bytes(3000, '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(random());
        attachmentHashes.push_back(
            QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256)
                .toHex()
                .toStdString());
        if (!c.attachmentName.empty()) {
            const std::string path = dir.filePath(QString::fromStdString(c.attachmentName)).toStdString();
            WriteWholeFile(path, bytes);
            m.Attachments().Add(path);
        }
        smtp.Send();
    }
    smtp.Disconnect();

    std::set<std::string> ids;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TCase& c = cases[i];
        SCOPED_TRACE(c.name);
        const QJsonObject parsed = ParseWithPolicyDefault(dir.filePath(QString("%1.eml").arg(i + 1)));
        ASSERT_FALSE(parsed.isEmpty());
        EXPECT_EQ(Str(parsed["subject"]), c.subject);
        EXPECT_EQ(parsed["from"].toArray(),
                  (QJsonArray{QJsonArray{QString::fromStdString(c.fromName), "ana@example.org"}}));
        const std::string toName = c.toName.front() == '"' ? c.toName.substr(1, c.toName.size() - 2) : c.toName;
        EXPECT_EQ(parsed["to"].toArray(),
                  (QJsonArray{QJsonArray{QString::fromStdString(toName), "spela@example.org"}}));
        EXPECT_FALSE(Str(parsed["date"]).empty());
        EXPECT_TRUE(ids.insert(Str(parsed["id"])).second) << "Message-IDs are unique";
        EXPECT_EQ(parsed["defects"].toInt(), 0);
        EXPECT_FALSE(parsed["headerHighByte"].toBool()) << "header lines stay 7-bit";
        EXPECT_LE(parsed["longestHeaderLine"].toInt(), 78);
        EXPECT_LE(parsed["longestLine"].toInt(), 998);

        std::string text;
        for (const auto& line : c.body)
            text += line + "\n";
        const bool multipart = c.subType == mtHtml || !c.attachmentName.empty();
        if (!multipart)
            text = "\n" + text; // the empty line that opens a single-part body
        else
            text.pop_back(); // the last line end belongs to the boundary after it
        if (c.subType == mtHtml) {
            EXPECT_EQ(Str(parsed["html"]), text);
            EXPECT_EQ(Str(parsed["plain"]), HtmlToText(text));
        } else {
            EXPECT_EQ(Str(parsed["plain"]), text);
            EXPECT_TRUE(parsed["html"].isNull());
        }
        const QJsonArray attachments = parsed["attachments"].toArray();
        if (c.attachmentName.empty()) {
            EXPECT_TRUE(attachments.isEmpty());
            continue;
        }
        ASSERT_EQ(attachments.size(), 1);
        EXPECT_EQ(Str(attachments[0].toObject()["name"]), c.attachmentName);
        EXPECT_EQ(Str(attachments[0].toObject()["sha256"]), attachmentHashes[i]);
    }
}

} // namespace
