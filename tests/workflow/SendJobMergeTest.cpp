// SPDX-License-Identifier: GPL-3.0-or-later
// Personal fields through the whole send job: every entry's message on the wire, byte for
// byte, against the scripted server.
#include "mail/MessageAssembly.h"
#include "mail/SmtpClient.h"
#include "support/CrLfLines.h"
#include "support/FakeJobWindow.h"
#include "support/FixedStamps.h"
#include "support/RecordedPause.h"
#include "support/Sandbox.h"
#include "support/ScriptedServer.h"
#include "support/ScriptedUi.h"
#include "workflow/compose/MessageMerge.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/job/SendJob.h"
#include "workflow/lists/ListFields.h"
#include "workflow/lists/RecipientList.h"
#include "workflow/lists/RowsColumn.h"
#include "workflow/program/ProgramState.h"

#include <gtest/gtest.h>

namespace {

using TWindow = TFakeJobWindow;

// What one entry must receive.
struct TExpected {
    std::string entry;
    std::string mailbox;
    std::string subject;
    std::vector<std::string> bodyLines; // as on the wire, dot-stuffed
};

struct MergeCase {
    const char* name;
    std::string listFile;           // the recipients file as loaded
    std::vector<std::string> typed; // entries typed into the list after loading
    std::string subject;
    TStringList body;
    bool html;
    std::vector<TExpected> expected;
};

void PrintTo(const MergeCase& c, std::ostream* os)
{
    *os << c.name;
}

const std::string Export =
    "\"First Name\",\"Last Name\",\"E-mail Address\",\"Company\",\"Notes\"\r\n"
    "\"Ana\",\"Novak\",\"ana@x.org\",\"Kos & Sinovi <d.o.o.>\",\"Met at \"\"Expo\"\"\r\nin May\"\r\n"
    "\"\",\"\",\"info@firm.example\",\"Firm\",\"\"\r\n";

class SendJobMerge : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    TRecordedPause Pause;
    ScriptedServer Server;
    TSmtpClient Smtp;
    TRowsColumn Entries;
    TRowsColumn Labels;
    TListFields Fields;
    TRecipientList List{Entries, Labels, &Fields};
    TWindow Window;
    THistoryAccess History;
    TSendJob Job{Smtp, Entries, Window, Window, Window, &History};

    void SetUp() override
    {
        ResetBoundaryGenerator();
        Job.Stamps = FixedStamps();
        Job.SetListFields(&Fields);
        Smtp.SetTimeOut(10000);
        Window.account.Port = Server.Port();
    }

    void LoadList(const std::string& text, const std::vector<std::string>& typed = {})
    {
        List.LoadFromFile(Sandbox.MakeFile("list.csv", text), "To:");
        for (const std::string& entry : typed)
            List.Add(entry, "To:");
    }

    ScriptedServer& Envelope(const std::string& mailbox) { return Server.AcceptEnvelope("ana@example.org", mailbox); }

    static std::string Head(const std::string& entry, const std::string& subject)
    {
        return CrLfLines({"From: Ana<ana@example.org>", "To: " + entry, "Subject: " + subject,
                          "X-Mailer: Varnolt Pelmar 0.8"})
            + FixedStampLines + CrLfLines({"Mime-Version: 1.0"});
    }

    void ExpectPlain(const TExpected& message)
    {
        std::string bytes =
            Head(message.entry, message.subject) + CrLfLines({"Content-Type: text/plain; charset=us-ascii", "", ""});
        for (const std::string& line : message.bodyLines)
            bytes += line + "\r\n";
        Envelope(message.mailbox).Expect(bytes + ".\r\n").Send("250 queued\r\n");
    }

    void Run()
    {
        Server.Start();
        Job.Run();
        Server.Finish();
    }
};

class MergeTable : public SendJobMerge, public ::testing::WithParamInterface<MergeCase> { };

// Templates by lists: built-in fields with and without a display name, columns matched
// without regard to case and blanks, values with line breaks, a typed entry's empty
// values, the escape, and a message without fields that goes out as typed.
TEST_P(MergeTable, EveryEntryGetsItsOwnValues)
{
    const MergeCase& c = GetParam();
    LoadList(c.listFile, c.typed);
    Window.subject = c.subject;
    Window.body = c.body;
    Server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
    for (const TExpected& message : c.expected)
        ExpectPlain(message);
    Server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
}

INSTANTIATE_TEST_SUITE_P(
    Templates, MergeTable,
    ::testing::Values(
        MergeCase{
            "BuiltInsWithAndWithoutDisplayName",
            "Ana Novak <ana@x.org>\r\nbob@x.org\r\n\"Kos, Cene\" <cene@x.org>\r\n",
            {},
            "News for {{name}}",
            {"Dear {{first}},", "this goes to {{ EMAIL }}."},
            false,
            {{"Ana Novak <ana@x.org>", "ana@x.org", "News for Ana Novak", {"Dear Ana,", "this goes to ana@x.org."}},
             {"bob@x.org", "bob@x.org", "News for bob@x.org", {"Dear ,", "this goes to bob@x.org."}},
             {"\"Kos, Cene\" <cene@x.org>",
              "cene@x.org",
              "News for Kos, Cene",
              {"Dear Kos,,", "this goes to cene@x.org."}}}},
        MergeCase{"ColumnsOfAnExportAndATypedEntry",
                  Export,
                  {"Marko Horvat <marko@x.org>"},
                  "{{Company}}: for {{first name}}",
                  {"Hello {{FirstName}} {{LAST NAME}},", "{{Notes}}", ".{{Company}}"},
                  false,
                  {{"Ana Novak <ana@x.org>",
                    "ana@x.org",
                    "Kos & Sinovi <d.o.o.>: for Ana",
                    {"Hello Ana Novak,", "Met at \"Expo\"", "in May", "..Kos & Sinovi <d.o.o.>"}},
                   {"info@firm.example", "info@firm.example", "Firm: for ", {"Hello  ,", "", "..Firm"}},
                   {"Marko Horvat <marko@x.org>", "marko@x.org", ": for Marko", {"Hello Marko Horvat,", "", ".."}}}},
        MergeCase{"EscapeWritesTheBraces",
                  "a@x.org\r\n",
                  {},
                  "{{{{name}} stays",
                  {"{{{{first}} and }} and {{{{{{email}}"},
                  false,
                  {{"a@x.org", "a@x.org", "{{name}} stays", {"{{first}} and }} and {{a@x.org"}}}},
        MergeCase{"MessageWithoutFieldsGoesAsTyped",
                  Export,
                  {},
                  "Hello",
                  {"Line one", ".", "} {"},
                  false,
                  {{"Ana Novak <ana@x.org>", "ana@x.org", "Hello", {"Line one", "..", "} {"}},
                   {"info@firm.example", "info@firm.example", "Hello", {"Line one", "..", "} {"}}}}),
    [](const auto& info) { return info.param.name; });

// In an HTML body a value is text, never markup: the HTML part carries it escaped, the
// plain reading made from it shows it as written.
TEST_F(SendJobMerge, HtmlBodyGetsItsValuesEscaped)
{
    LoadList(Export);
    Entries.SetItemIndex(1);
    List.DeleteSelected();
    Window.formatIndex = 1;
    Window.subject = "{{Company}}";
    Window.body = {"<p>Dear {{first}} from {{Company}}:</p>", "<p>{{Notes}}</p>"};
    Server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
    const std::string boundary = "====================54535aavfgq====";
    Envelope("ana@x.org")
        .Expect(Head("Ana Novak <ana@x.org>", "Kos & Sinovi <d.o.o.>")
                + CrLfLines({"Content-Type: multipart/alternative;", " boundary=\"" + boundary + "\"", "", "",
                             "--" + boundary, "Content-Type: text/plain; charset=us-ascii", "",
                             "Dear Ana from Kos & Sinovi <d.o.o.>:", "", "Met at \"Expo\"", "in May", "--" + boundary,
                             "Content-Type: text/html; charset=us-ascii", "",
                             "<p>Dear Ana from Kos &amp; Sinovi &lt;d.o.o.&gt;:</p>", "<p>Met at &quot;Expo&quot;<br>",
                             "in May</p>", "--" + boundary + "--", "."}))
        .Send("250 queued\r\n");
    Server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Run();
}

// A field the list does not have stops the job before it connects, naming every such
// field and where it stands, in the language in force; nothing goes out.
TEST_F(SendJobMerge, FieldTheListDoesNotHaveStopsTheJobBeforeItConnects)
{
    const std::pair<int, std::string> languages[] = {
        {2,
         "The message has fields that the recipient list does not have. Nothing was sent.\r\r"
         "{{Compnay}} in the subject\r{{Town}} in line 3 of the body\r{{name without }} in line 4 of the body"},
        {1,
         "Sporočilo vsebuje polja, ki jih seznam prejemnikov nima. Nič ni bilo poslano.\r\r"
         "{{Compnay}} v zadevi\r{{Town}} v vrstici 3 besedila\r{{name brez }} v vrstici 4 besedila"}};
    LoadList(Export);
    Window.subject = "Offer for {{Compnay}}";
    Window.body = {"Dear {{first}},", "", "see you in {{Town}}", "{{name"};
    for (const auto& [language, text] : languages) {
        CurrentLanguage = language;
        Ui.Events.clear();
        Job.Run();
        EXPECT_EQ(Ui.Events, std::vector<std::string>{"message:" + text});
    }
    EXPECT_TRUE(Window.counters.empty());
    EXPECT_EQ(Server.Received(), "") << "no connection was made";
}

// The message is read when the job starts: what was checked is what every entry gets,
// however the window changes meanwhile.
TEST_F(SendJobMerge, MessageIsReadOnceWhenTheJobStarts)
{
    LoadList("a@x.org\r\nb@x.org\r\n");
    Window.subject = "For {{email}}";
    Window.body = {"Hi"};
    Window.onCounter = [this] {
        Window.subject = "Changed {{Nothing}}";
        Window.body = {"Other"};
    };
    Server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
    ExpectPlain({"a@x.org", "a@x.org", "For a@x.org", {"Hi"}});
    ExpectPlain({"b@x.org", "b@x.org", "For b@x.org", {"Hi"}});
    Server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Run();
}

// A list loaded from another file while the job runs changes nothing for the job: it took
// the entries and their values together when it started, and fills in those.
TEST_F(SendJobMerge, ListLoadedUnderARunningJobChangesNothingItSends)
{
    const std::string other = "Email,Company\r\nx@x.org,Other\r\ny@x.org,Other\r\n";
    LoadList(Export);
    Window.subject = "For {{Company}}";
    Window.body = {"Hi"};
    Window.onCounter = [this, &other] {
        Window.onCounter = nullptr;
        LoadList(other);
    };
    Server.Send("220 ready\r\n").ExpectLine("HELO pc1").Send("250 hi\r\n");
    ExpectPlain({"Ana Novak <ana@x.org>", "ana@x.org", "For Kos & Sinovi <d.o.o.>", {"Hi"}});
    ExpectPlain({"info@firm.example", "info@firm.example", "For Firm", {"Hi"}});
    Server.ExpectLine("QUIT").Send("221 bye\r\n").WaitForClose();
    Run();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"beep"});
}

}
