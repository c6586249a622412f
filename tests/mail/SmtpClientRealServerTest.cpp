// SPDX-License-Identifier: GPL-3.0-or-later
#include "mail/SmtpClient.h"

#include "support/RealSmtpServer.h"

#include <QCryptographicHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

// Parses a received message with Python's standard MIME parser, independent of ours.
QJsonObject ParseWithPythonEmail(const QString& path)
{
    static const char* script = R"(
import email, email.policy, hashlib, json, sys
msg = email.message_from_binary_file(open(sys.argv[1], 'rb'), policy=email.policy.compat32)
parts = msg.get_payload()
text, attachment = parts[0], parts[1]
print(json.dumps({
    'from': msg['From'], 'to': msg['To'], 'subject': msg['Subject'], 'mailer': msg['X-Mailer'],
    'multipart': msg.get_content_type(), 'defects': len(msg.defects),
    'text': text.get_payload(decode=True).decode('latin-1'),
    'filename': attachment.get_filename(),
    'sha256': hashlib.sha256(attachment.get_payload(decode=True)).hexdigest(),
}))
)";
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, path});
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

TEST(SmtpClientOnRealServer, MessageWithAttachmentArrivesWhole)
{
    QTemporaryDir dir;
    RealSmtpServer server(RealSmtpServer::TKind::Aiosmtpd, dir.path().toStdString());
    ASSERT_TRUE(server.Ready()) << server.Problem();

    std::string bytes(100000, '\0');
    std::mt19937 random(7);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    const std::string path = dir.filePath("data.bin").toStdString();
    WriteWholeFile(path, bytes);

    TSmtpClient smtp;
    smtp.SetHost("127.0.0.1");
    smtp.SetPort(server.Port());
    smtp.SetUserID("pc1");
    smtp.SetTimeOut(10000);
    TOutgoingMessage& m = smtp.PostMessage();
    m.SetFromName("Ana Novak");
    m.SetFromAddress("ana@example.org");
    m.ToAddress().Add("Bob <bob@example.org>");
    m.SetSubject("Report");
    m.SetLocalProgram("Varnolt Pelmar 0.8");
    m.SetBody(TStringList{"Hello Bob", ".", "..x", "", "See you"});
    m.Attachments().Add(path);
    int successes = 0;
    smtp.OnSuccess = [&](QObject*) { ++successes; };

    smtp.Connect();
    smtp.Send();
    smtp.Disconnect();
    EXPECT_EQ(successes, 1);

    const QJsonObject parsed = ParseWithPythonEmail(dir.filePath("1.eml"));
    EXPECT_EQ(parsed["from"].toString().toStdString(), "Ana Novak<ana@example.org>");
    EXPECT_EQ(parsed["to"].toString().toStdString(), "Bob <bob@example.org>");
    EXPECT_EQ(parsed["subject"].toString().toStdString(), "Report");
    EXPECT_EQ(parsed["mailer"].toString().toStdString(), "Varnolt Pelmar 0.8");
    EXPECT_EQ(parsed["multipart"].toString().toStdString(), "multipart/mixed");
    EXPECT_EQ(parsed["defects"].toInt(), 0);
    // The parser ends lines with LF and gives the line end before the boundary to it
    // (RFC 2046 section 5.1.1).
    EXPECT_EQ(parsed["text"].toString().toStdString(), "Hello Bob\n.\n..x\n\nSee you");
    EXPECT_EQ(parsed["filename"].toString().toStdString(), "data.bin");
    EXPECT_EQ(
        parsed["sha256"].toString().toStdString(),
        QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex().toStdString());
    EXPECT_EQ(ReadWholeFile(dir.filePath("1.env").toStdString()), "ana@example.org\nbob@example.org\n");
}

} // namespace
