// SPDX-License-Identifier: GPL-3.0-or-later
#include "RealServerFixture.h"
#include "app/SendLogWindow.h"
#include "app/SendProgressView.h"
#include "support/LoopbackPeers.h"
#include "workflow/job/SendJob.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/Messages.h"

#include <QCryptographicHash>
#include <QDir>
#include <QJsonArray>
#include <QJsonObject>
#include <QRegularExpression>
#include <random>
#include <set>

namespace {

// Reads a received message with Python's own MIME parser, independent of ours, and lists
// every address that appears anywhere in its bytes.
QJsonObject ParseMessage(const std::string& path)
{
    static const char* script = R"(
import email, email.policy, hashlib, json, re, sys
raw = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(raw, policy=email.policy.compat32)
text, attachment = (msg.get_payload() + [None])[:2] if msg.is_multipart() else (msg, None)
text = text.get_payload()[-1] if text.is_multipart() else text  # the HTML of an alternative
print(json.dumps({
    'to': msg['To'], 'subject': msg['Subject'], 'mailer': msg['X-Mailer'],
    'type': text.get_content_type(), 'defects': len(msg.defects),
    'text': text.get_payload(decode=True).decode('utf-8'),
    'sha256': hashlib.sha256(attachment.get_payload(decode=True)).hexdigest() if attachment else '',
    'addresses': sorted(set(a.decode() for a in re.findall(rb'[\w.+-]+@[\w-]+(?:\.[\w-]+)+',
                                                            raw.replace(msg['Message-ID'].encode(), b'')))),
}))
)";
    return ReadWithPython(script, path);
}

std::vector<std::string> Lines(const QString& text)
{
    std::vector<std::string> lines;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts))
        lines.push_back(line.toStdString());
    return lines;
}

class SendCommand : public RealServerAppTest {
protected:
    int ReceivedCount() const { return static_cast<int>(QDir(Received.path()).entryList({"*.eml"}).size()); }
    std::string Envelope(int number) const
    {
        return ReadFileBytes(Received.filePath(QString("%1.env").arg(number)).toStdString());
    }
    std::vector<std::string> LogFileLines() const
    {
        TStringList lines;
        lines.LoadFromFile(Sandbox.ProgramFolder() + "log.txt");
        return lines.Lines();
    }
    std::vector<std::string> LogWindowLines() { return Lines(Program->SendLogWindow().logText->toPlainText()); }
    std::string Panel(int index) { return Str(Window().sendStatusBar->PanelText(index)); }
};

TEST_F(SendCommand, EveryRecipientGetsAnOwnCopyThatNamesOnlyThem)
{
    const std::vector<std::string> entries = {"amy@example.org", "Bert Brown <bert@example.org>", "cleo@example.net",
                                              "dave.d@example.com", "eve+news@example.org"};
    const std::vector<std::string> mailboxes = {"amy@example.org", "bert@example.org", "cleo@example.net",
                                                "dave.d@example.com", "eve+news@example.org"};
    SetRecipients(entries);
    std::string bytes(5000, '\0');
    std::mt19937 random(3);
    for (char& byte : bytes)
        byte = static_cast<char>(random());
    Window().attachmentEdit->setText(QString::fromStdString(Sandbox.MakeFile("prices.bin", bytes)));
    Window().subjectEdit->setText("Spring news");
    Window().SetBodyText("Dear friend,\r\n<b>see you</b> soon.");
    Window().formatChoice->SetItemIndex(1);
    Settings().delayEdit->setText("2");

    Ui.Answers = {0}; // send
    Window().sendButton->click();
    EXPECT_EQ(Ui.Questions, std::vector<std::string>{"Send this message to 5 recipients?\nSend|Send later…|Cancel"});

    ASSERT_EQ(ReceivedCount(), 5);
    const std::string sha =
        QCryptographicHash::hash(QByteArray::fromStdString(bytes), QCryptographicHash::Sha256).toHex().toStdString();
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(entries[i]);
        EXPECT_EQ(Envelope(i + 1), "ana@example.org\n" + mailboxes[i] + "\n") << "exactly one recipient";
        const QJsonObject m = ParseMessage(Eml(i + 1));
        EXPECT_EQ(Str(m["to"].toString()), entries[i]);
        EXPECT_EQ(Str(m["subject"].toString()), "Spring news");
        EXPECT_EQ(Str(m["mailer"].toString()), "Varnolt Pelmar 0.8");
        EXPECT_EQ(Str(m["type"].toString()), "text/html");
        EXPECT_EQ(Str(m["text"].toString()), "Dear friend,\r\n<b>see you</b> soon.");
        EXPECT_EQ(Str(m["sha256"].toString()), sha);
        EXPECT_EQ(m["defects"].toInt(), 0);
        QStringList expected = {"ana@example.org", QString::fromStdString(mailboxes[i])};
        expected.sort();
        EXPECT_EQ(m["addresses"].toArray().toVariantList(), QVariant(expected).toList()) << "no other address anywhere";
    }

    const std::vector<std::string> log = LogFileLines();
    ASSERT_EQ(log.size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const QRegularExpression format("^\\d{1,2}:\\d\\d:\\d\\d.*: "
                                        + QRegularExpression::escape(QString::fromStdString(entries[i]))
                                        + "\\.\\.\\.   OK\\.$");
        EXPECT_TRUE(format.match(QString::fromStdString(log[i])).hasMatch()) << log[i];
    }
    EXPECT_EQ(LogWindowLines(), log);
    EXPECT_TRUE(Program->SendLogWindow().isVisible());
    EXPECT_EQ(Panel(2), "5 messages sent.");
    EXPECT_EQ(Panel(1), "Disconnected");
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
    EXPECT_EQ(Ui.Beeps, 1);
    EXPECT_TRUE(Ui.Messages.empty());
    EXPECT_EQ(Pause.Pauses, std::vector<std::int32_t>(5, 2000));
    EXPECT_FALSE(Program->Smtp().Connected());
}

// Read with Python's policy.default, which decodes encoded-words, RFC 2231 names and
// quoted-printable text.
QJsonObject ParseDecoded(const std::string& path)
{
    static const char* script = R"(
import email, email.policy, email.utils, json, sys
raw = open(sys.argv[1], 'rb').read()
msg = email.message_from_bytes(raw, policy=email.policy.default)
attachment = next(msg.iter_attachments())
print(json.dumps({
    'subject': msg['Subject'], 'from': msg['From'].addresses[0].display_name,
    'to': msg['To'].addresses[0].display_name, 'toAddress': msg['To'].addresses[0].addr_spec,
    'html': msg.get_body(('html',)).get_content().replace('\r\n', '\n'),
    'plain': msg.get_body(('plain',)).get_content().replace('\r\n', '\n'),
    'name': attachment.get_filename(), 'bytes': attachment.get_payload(decode=True).decode('latin-1'),
    'dated': email.utils.parsedate_to_datetime(msg['Date']) is not None, 'id': msg['Message-ID'],
    'sevenBitHeader': all(b < 128 for b in raw[:raw.index(b'\r\n\r\n')]),
}))
)";
    return ReadWithPython(script, path);
}

TEST_F(SendCommand, SlovenianMessageTypedInTheWindowArrivesAsWritten)
{
    Settings().nameEdit->setText("Ana Černe");
    SetRecipients({"Špela Žagar <spela@example.org>", "Črt Kovač <crt@example.org>"});
    Window().subjectEdit->setText("Vabilo – srečanje članov v četrtek");
    std::string paragraph;
    for (int i = 1; paragraph.size() < 1200; ++i)
        paragraph += "To je " + std::to_string(i) + ". stavek, čšž – ČŠŽ. ";
    Window().SetBodyText("<p>Pozdravljeni – čšž</p>\r\n<p>" + paragraph + "</p>");
    Window().formatChoice->SetItemIndex(1);
    Window().attachmentEdit->setText(QString::fromStdString(Sandbox.MakeFile("Poročilo.pdf", "%PDF-1.4 čšž")));
    Ui.Answers = {0};
    Window().sendToList();

    ASSERT_EQ(ReceivedCount(), 2);
    const std::string names[] = {"Špela Žagar", "Črt Kovač"};
    std::set<std::string> ids;
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(names[i]);
        const QJsonObject m = ParseDecoded(Eml(i + 1));
        EXPECT_EQ(Str(m["subject"].toString()), "Vabilo – srečanje članov v četrtek");
        EXPECT_EQ(Str(m["from"].toString()), "Ana Černe");
        EXPECT_EQ(Str(m["to"].toString()), names[i]);
        EXPECT_EQ(Str(m["html"].toString()), "<p>Pozdravljeni – čšž</p>\n<p>" + paragraph + "</p>");
        EXPECT_EQ(Str(m["plain"].toString()), "Pozdravljeni – čšž\n\n" + paragraph.substr(0, paragraph.size() - 1));
        EXPECT_EQ(Str(m["name"].toString()), "Poročilo.pdf");
        EXPECT_EQ(m["bytes"].toString().toLatin1().toStdString(), "%PDF-1.4 čšž");
        EXPECT_TRUE(m["dated"].toBool());
        EXPECT_TRUE(m["sevenBitHeader"].toBool());
        ids.insert(Str(m["id"].toString()));
    }
    EXPECT_EQ(ids.size(), 2u) << "every message has its own Message-ID";
}

TEST_F(SendCommand, DelayOfTwoPausesAfterEachMessageWithTheWindowShowingWhatTheFileHolds)
{
    SetRecipients({"a@example.org", "b@example.org", "c@example.org"});
    Settings().delayEdit->setText("2");
    std::vector<std::string> counters;
    Pause.OnPause = [&] {
        EXPECT_EQ(LogWindowLines(), LogFileLines());
        counters.push_back(Panel(2));
    };
    Ui.Answers = {0};
    Window().sendToList();
    EXPECT_EQ(Pause.Pauses, (std::vector<std::int32_t>{2000, 2000, 2000}));
    EXPECT_EQ(counters, (std::vector<std::string>{"1/3", "2/3", "3/3"}))
        << "the last pause comes before the final text";
    EXPECT_EQ(Panel(2), "3 messages sent.");
}

TEST_F(SendCommand, ProgressHeldBackWithinAFrameReachesTheScreenWithoutAFlush)
{
    TSendProgressView& progress = Program->SendProgress();
    progress.ShowCounter("1/3");
    progress.ShowCounter("2/3");
    progress.AppendLogLine("first");
    progress.AppendLogLine("second");
    EXPECT_TRUE(PumpUntil([&] { return Panel(2) == "2/3" && LogWindowLines().size() == 2; }));
    EXPECT_EQ(LogWindowLines(), (std::vector<std::string>{"first", "second"}));
}

// A refused entry does not end the job; the same list again offers to continue, and
// continuing sends only to the entry not yet delivered.
TEST_F(SendCommand, RefusalAtTheFifthOfTenLetsTheJobGoOnAndTheSameListContinues)
{
    std::vector<std::string> entries;
    for (int i = 1; i <= 10; ++i)
        entries.push_back((i == 5 ? "refused" : "r") + std::to_string(i) + "@example.org");
    SetRecipients(entries);
    WriteWholeFile(Sandbox.ProgramFolder() + "log.txt", "from an earlier job\r\n");

    Ui.Answers = {0};
    Window().sendToListAction->trigger();

    EXPECT_EQ(ReceivedCount(), 9);
    const std::vector<std::string> lines = LogFileLines();
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_TRUE(lines[4].ends_with("refused5@example.org...   554 5.7.1 Refused by the test server")) << lines[4];
    EXPECT_EQ(LogWindowLines(), lines);
    EXPECT_EQ(Panel(2), "Delivered 9 of 10; refused 1");
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"Delivered 9 of 10; refused 1"});
    EXPECT_EQ(Ui.Beeps, 0);

    Ui.Questions.clear();
    Ui.Answers = {0}; // continue
    Window().sendToList();
    ASSERT_EQ(Ui.Questions.size(), 1u) << "choosing to continue is the consent";
    EXPECT_EQ(ReceivedCount(), 9) << "only the refused entry went again";
    EXPECT_EQ(LogFileLines().size(), 1u);
    EXPECT_EQ(Panel(2), "Delivered 9 of 10; refused 1");
}

// Cancel on the question sends nothing and leaves the log alone.
TEST_F(SendCommand, DecliningTheQuestionSendsNothing)
{
    SetRecipients({"a@example.org"});
    Window().subjectEdit->clear();
    Ui.Answers = {2}; // after "Send" and "Send later…"
    Window().sendToList();
    ASSERT_EQ(Ui.Questions.size(), 1u);
    EXPECT_NE(Ui.Questions[0].find("subject"), std::string::npos) << Ui.Questions[0];
    EXPECT_EQ(ReceivedCount(), 0);
    EXPECT_FALSE(Program->SendLogWindow().isVisible());
}

TEST_F(SendCommand, EmptyEntriesCountButSendNothing)
{
    CurrentLanguage = 1;
    SetRecipients({"a@example.org", "", "c@example.org"});
    Ui.Answers = {0};
    Window().sendToList();
    EXPECT_EQ(ReceivedCount(), 2);
    EXPECT_EQ(Panel(2), "Poslano 2 sporočil.") << "an empty entry is no message";
    EXPECT_EQ(LogFileLines().size(), 2u);
}

TEST_F(SendCommand, EmptyListOpensAndClosesTheSessionOnly)
{
    Program->SendLogWindow().logText->setPlainText("kept");
    Window().sendToList();
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"No recipients specified!"});
    EXPECT_EQ(ReceivedCount(), 0);
    EXPECT_EQ(Str(Program->SendLogWindow().logText->toPlainText()), "kept");
    EXPECT_TRUE(Program->SendLogWindow().isVisible());
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
    EXPECT_EQ(Ui.Beeps, 0);
    EXPECT_EQ(Panel(1), "Disconnected");
}

TEST_F(SendCommand, MissingSettingOpensTheSettingsDialogAndConnectsNowhere)
{
    RefusingPort refusing; // a connection attempt would show as "Connection failed"
    Settings().portEdit->setText(QString::number(refusing.Port()));
    SetRecipients({"a@example.org"});
    Settings().userIdEdit->clear();
    Window().sendButton->click();
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + ::Messages::SettingsMissing(), "modal:Form3"}));
    EXPECT_EQ(Panel(1), "") << "no connection was attempted";
    EXPECT_FALSE(Program->SendLogWindow().isVisible());
}

// Stop (the toolbar button, enabled while a job runs) ends the job after the message in
// flight; the pause before the next message is cut short and counted down meanwhile.
TEST_F(SendCommand, StopButtonEndsTheJobAfterTheMessageInFlight)
{
    SetRecipients({"a@example.org", "b@example.org", "c@example.org"});
    Settings().delayEdit->setText("1");
    EXPECT_FALSE(Window().stopSendingAction->isEnabled());
    EXPECT_FALSE(Window().stopButton->isEnabled());
    Pause.OnPause = [&] {
        EXPECT_TRUE(Window().stopButton->isEnabled());
        EXPECT_TRUE(PumpUntil([&] { return Panel(1) == "Next message in 1 s"; })) << "the countdown shows";
        Window().stopButton->click();
    };
    Ui.Answers = {0};
    Window().sendToList();
    EXPECT_EQ(ReceivedCount(), 1);
    EXPECT_EQ(Panel(2), "Stopped. Delivered 1 of 3; not sent 2");
    EXPECT_EQ(Ui.Messages, std::vector<std::string>{"Stopped. Delivered 1 of 3; not sent 2"});
    EXPECT_FALSE(Window().stopSendingAction->isEnabled());
    EXPECT_FALSE(Window().stopButton->isEnabled());
    EXPECT_EQ(Window().stopSendingAction->shortcut(), QKeySequence(Qt::Key_Escape));
}

TEST_F(SendCommand, ExitCancelsTheSessionAndClosesTheWindow)
{
    SetRecipients({"a@example.org", "b@example.org"});
    Settings().delayEdit->setText("1");
    Pause.OnPause = [this] { Window().exitProgramAction->trigger(); };
    Ui.Answers = {0};
    Window().sendToList();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(ReceivedCount(), 1) << "the next message gave up at once";
    EXPECT_TRUE(Ui.Messages.empty()) << "a job ended by Exit says nothing";
    EXPECT_FALSE(Program->Smtp().Connected());
}

}
