// SPDX-License-Identifier: GPL-3.0-or-later
// An address book's export sent from the window to a real server: every person gets a
// subject and a greeting of their own, read back with Python's email package.
#include "RealServerFixture.h"
#include "support/Encodings.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonObject>

namespace {

// Subject, To and body as a mail program shows them, decoded by Python, not by us.
QJsonObject ReadBack(const std::string& path)
{
    static const char* script = R"(
import email, email.policy, json, sys
msg = email.message_from_bytes(open(sys.argv[1], 'rb').read(), policy=email.policy.default)
part = msg.get_body(preferencelist=('html', 'plain'))
print(json.dumps({'subject': str(msg['Subject']), 'to': [a.display_name + ' / ' + a.addr_spec for a in msg['To'].addresses],
                  'type': part.get_content_type(), 'text': part.get_content().replace('\r\n', '\n'),
                  'defects': len(msg.defects)}))
)";
    return ReadWithPython(script, path);
}

using PersonalMessages = RealServerAppTest;

TEST_F(PersonalMessages, EveryPersonOfAnOutlookExportGetsTheirOwnSubjectAndGreeting)
{
    Ui.OpenAnswers = {
        Sandbox.MakeFile("contacts.csv",
                         Windows1250("\"First Name\",\"Last Name\",\"E-mail Address\",\"Company\"\r\n"
                                     "\"Špela\",\"Žagar\",\"spela@example.org\",\"Kos & Sinovi <d.o.o.>\"\r\n"
                                     "\"Črt\",\"\",\"crt@example.org\",\"\"\r\n"))};
    Window().openRecipientFileAction->trigger();
    Window().addressEdit->setText("Marko Horvat <marko@example.org>");
    Window().addRecipient();
    Window().subjectEdit->setText("Novice za {{name}}");
    for (const int format : {0, 1}) {
        SCOPED_TRACE(format);
        Window().formatChoice->SetItemIndex(format);
        Window().SetBodyText(format == 0 ? "Dear {{first}},\r\nfrom {{Company}}."
                                         : "<p>Dear {{first}},</p><p>from {{Company}}.</p>");
        const int before = static_cast<int>(QDir(Received.path()).entryList({"*.eml"}).size());
        Ui.Answers = {0}; // send
        Window().sendButton->click();
        ASSERT_EQ(Ui.Events.back(), "beep");
        const std::tuple<const char*, const char*, const char*, const char*> people[] = {
            {"Novice za Špela Žagar", "Špela Žagar / spela@example.org", "Dear Špela,", "from Kos & Sinovi <d.o.o.>."},
            {"Novice za Črt", "Črt / crt@example.org", "Dear Črt,", "from ."},
            {"Novice za Marko Horvat", "Marko Horvat / marko@example.org", "Dear Marko,", "from ."}};
        int number = before;
        for (const auto& [subject, to, greeting, from] : people) {
            const QJsonObject message = ReadBack(Eml(++number));
            EXPECT_EQ(Str(message["subject"].toString()), subject);
            EXPECT_EQ(Str(message["to"].toArray().first().toString()), to);
            EXPECT_EQ(message["defects"].toInt(), 0);
            const std::string text = Str(message["text"].toString());
            if (format == 0) {
                EXPECT_EQ(text, "\n" + std::string(greeting) + "\n" + from + "\n");
            } else {
                EXPECT_EQ(Str(message["type"].toString()), "text/html");
                EXPECT_NE(text.find(std::string("<p>") + greeting + "</p>"), std::string::npos) << text;
                EXPECT_EQ(text.find("<d.o.o.>"), std::string::npos) << "the value is escaped: " << text;
            }
        }
    }
}

}
