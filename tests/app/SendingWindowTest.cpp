// SPDX-License-Identifier: GPL-3.0-or-later
// What the main window shows and keeps around a job: the title of a job cut short, the
// text/HTML choice across the log window, and the message held while it is being sent.
#include "RealServerFixture.h"
#include "app/SendLogWindow.h"
#include "support/HistorySql.h"
#include "workflow/settings/SettingsStore.h"
#include "workflow/settings/StoredSettings.h"

#include <QDir>
#include <QRadioButton>
#include <functional>

namespace {

class SendingWindow : public RealServerAppTest {
public:
    void ClickStop() { Window().stopButton->click(); }
    void StopServer() { Server.reset(); }
    // Every outcome goes into the history before the next message; from now on none can.
    void BreakHistory()
    {
        RunSql(Sandbox.UserDataFolder() + "history.sqlite",
               "CREATE TRIGGER fail BEFORE UPDATE ON entries BEGIN SELECT RAISE(ABORT, 'disk on fire'); END");
    }

protected:
    // With a pause after every message, for the test to act in.
    void SendToThree()
    {
        Settings().delayEdit->setText("1");
        SetRecipients({"a@example.org", "b@example.org", "c@example.org"});
        Ui.Answers = {0};
        Window().sendToList();
    }

    // Runs action at the job's first pause only (later ones are the reconnection's waits).
    void AtFirstPause(std::function<void()> action)
    {
        Pause.OnPause = [this, action, done = false]() mutable {
            if (!std::exchange(done, true))
                action();
        };
    }

    std::string Panel(int index) { return Str(Window().sendStatusBar->PanelText(index)); }
    std::string ReceivedBytes(int number) const { return ReadFileBytes(Eml(number)); }
};

struct CutShortCase {
    const char* name;
    std::function<void(SendingWindow&)> atPause;
    const char* messageEnd; // the counts, after what ended the job
};

void PrintTo(const CutShortCase& c, std::ostream* os)
{
    *os << c.name;
}

class JobCutShort : public SendingWindow, public ::testing::WithParamInterface<CutShortCase> { };

// Whatever cuts a job short, the title keeps the count of the last delivered message so
// that the user sees how far it got; only a job that had every entry's turn clears it.
TEST_P(JobCutShort, TitleKeepsTheLastCount)
{
    AtFirstPause([this] { GetParam().atPause(*this); });
    SendToThree();
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar 1/3");
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_TRUE(Ui.Messages[0].ends_with(GetParam().messageEnd)) << Ui.Messages[0];
    EXPECT_EQ(Ui.Beeps, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Endings, JobCutShort,
    ::testing::Values(
        CutShortCase{"Stopped", [](SendingWindow& t) { t.ClickStop(); }, "Stopped. Delivered 1 of 3; not sent 2"},
        CutShortCase{"ConnectionLost", [](SendingWindow& t) { t.StopServer(); },
                     "The connection to the server could not be made again. Delivered 1 of 3; not sent 2"},
        CutShortCase{"Failed", [](SendingWindow& t) { t.BreakHistory(); },
                     "Reason: disk on fire\r\rDelivered 1 of 3; not sent 2"}),
    [](const auto& info) { return info.param.name; });

// The log window takes the focus when a job starts; coming back to the main window runs
// its activation, which must find the user's choice in the store.
TEST_F(SendingWindow, HtmlChosenBeforeASendIsStillChosenForTheNext)
{
    Window().formatChoice->Item(1)->click();
    SetRecipients({"a@example.org"});
    Window().SetBodyText("<p>Hello</p>");
    Ui.Answers = {0};
    Window().sendToList();
    const int activations = Window().ActivationCount();
    Activate(Program->SendLogWindow());
    Activate(Window());
    ASSERT_EQ(Window().ActivationCount(), activations + 1);
    EXPECT_EQ(Window().formatChoice->ItemIndex(), 1);
    EXPECT_EQ(RegReadInteger(SettingsKey, "HTML", 0), 1);

    SetRecipients({"b@example.org"});
    Ui.Answers = {0};
    Window().sendToList();
    ASSERT_EQ(QDir(Received.path()).entryList({"*.eml"}).size(), 2);
    for (int number : {1, 2})
        EXPECT_NE(ReceivedBytes(number).find("Content-Type: text/html"), std::string::npos) << number;
}

struct HeldMessageCase {
    const char* name;
    bool switchToSlovenian; // during the job
    const char* note;
};

void PrintTo(const HeldMessageCase& c, std::ostream* os)
{
    *os << c.name;
}

class MessageHeldWhileSending : public SendingWindow, public ::testing::WithParamInterface<HeldMessageCase> { };

// The job sends the subject and text it read at its start; while it runs they cannot be
// edited, and the status bar says when they can.
TEST_P(MessageHeldWhileSending, UntilTheJobEnds)
{
    Window().subjectEdit->setText("News");
    bool checked = false;
    AtFirstPause([&] {
        if (GetParam().switchToSlovenian)
            Window().useSlovenianAction->trigger();
        Type(Window().subjectEdit, "!");
        EXPECT_EQ(Str(Window().subjectEdit->text()), "News");
        EXPECT_TRUE(Window().bodyEdit->isReadOnly());
        EXPECT_FALSE(Window().openMessageButton->isEnabled());
        EXPECT_EQ(Panel(0), GetParam().note);
        checked = true;
    });
    SendToThree();
    ASSERT_TRUE(checked);
    Type(Window().subjectEdit, "!");
    EXPECT_EQ(Str(Window().subjectEdit->text()), "News!");
    EXPECT_FALSE(Window().bodyEdit->isReadOnly());
    EXPECT_TRUE(Window().openMessageButton->isEnabled());
    EXPECT_EQ(Panel(0), "");
}

INSTANTIATE_TEST_SUITE_P(Languages, MessageHeldWhileSending,
                         ::testing::Values(HeldMessageCase{"English", false, "Editing resumes when the job ends"},
                                           HeldMessageCase{"SwitchedToSlovenian", true,
                                                           "Urejanje bo spet mogoče, ko se pošiljanje konča."}),
                         [](const auto& info) { return info.param.name; });

}
