// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "AppFixture.h"
#include "mail/SmtpClient.h"
#include "support/RealSmtpServer.h"
#include "support/RecordedPause.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <memory>
#include <string>
#include <vector>

// The whole program sending to aiosmtpd on 127.0.0.1, which keeps message N as N.eml.
class RealServerAppTest : public AppTest {
protected:
    QTemporaryDir Received;
    std::unique_ptr<RealSmtpServer> Server;
    TRecordedPause Pause;

    void SetUp() override
    {
        Server = std::make_unique<RealSmtpServer>(RealSmtpServer::TKind::Aiosmtpd, Received.path().toStdString());
        ASSERT_TRUE(Server->Ready()) << Server->Problem();
        Sandbox.WriteSettings(SettingsFor(Server->Port()));
        Start();
        Program->Smtp().SetTimeOut(10000);
    }

    std::string Eml(int number) const { return Received.filePath(QString("%1.eml").arg(number)).toStdString(); }

    // The list as if loaded from a file: an entry and its label per line.
    void SetRecipients(const std::vector<std::string>& entries)
    {
        TStringList lines;
        for (const auto& entry : entries)
            lines.Add(entry);
        Window().recipientList->Assign(lines);
        Window().labelColumn->Assign(lines);
    }
};

// A received message as Python's email package reads it (not our own parser): script is
// given the file's path and prints one JSON object.
inline QJsonObject ReadWithPython(const char* script, const std::string& path)
{
    QProcess python;
    python.start("/usr/bin/python3", {"-c", script, QString::fromStdString(path)});
    python.waitForFinished(30000);
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
