// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"
#include "app/AboutBox.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "app/Widgets.h"
#include "support/LoopbackPeers.h"
#include "workflow/program/ProgramState.h"
#include "workflow/settings/SettingsStore.h"
#include "workflow/ui/Messages.h"

#include <QDir>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QToolButton>

namespace {

using MainWindow = AppTest;

const std::string EnglishWelcome =
    "Welcome to Varnolt Pelmar!\r\rPlease enter the information about your e-mail account. You will be able "
    "to change the information later by clicking on the 'Settings' button.\r\r";

TEST_F(MainWindow, WindowsAreCreatedInOrderWithTheMainWindowFirst)
{
    Create();
    EXPECT_EQ(Program->CreationOrder(),
              (std::vector<std::string>{"Form1", "Form3", "VarnoltAbout", "OutlookForm", "Form6", "HistoryWindow"}));
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
    EXPECT_EQ(ApplicationTitleText(), "Varnolt Pelmar");
}

TEST_F(MainWindow, FirstStartOpensInEnglishAtTheDefaultPlaceThenWelcomesAndAsks)
{
    Start();
    EXPECT_EQ(Window().pos(), QPoint(10, 20));
    EXPECT_EQ(Window().size(), QSize(750, 550));
    EXPECT_EQ(CurrentLanguage, 2);
    EXPECT_EQ(Str(Window().sendButton->toolTip()), "Send the message to the recipients");
    EXPECT_EQ(Window().formatChoice->ItemIndex(), 0);
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + EnglishWelcome, "modal:Form3"}));
    EXPECT_EQ(QApplication::focusWidget(), Window().addressEdit);
}

TEST_F(MainWindow, StoredGeometryAndLanguageAreRestored)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "left=30\ntop=40\nwidth=800\nheight=600\njezik=1\n");
    Start();
    EXPECT_EQ(Window().pos(), QPoint(30, 40));
    EXPECT_EQ(Window().size(), QSize(800, 600));
    EXPECT_EQ(Str(Window().fileMenuButton->text()), "Datoteka");
    EXPECT_EQ(Str(Window().addRecipientButton->text()), "Za:");
    EXPECT_TRUE(Ui.Events.empty());
}

struct FirstRunCase {
    const char* name;
    const char* settings;
    bool welcomed;
};

void PrintTo(const FirstRunCase& c, std::ostream* os)
{
    *os << c.name;
}

class FirstRun : public AppTest, public ::testing::WithParamInterface<FirstRunCase> { };

TEST_P(FirstRun, WelcomesWhenNameAddressHostOrUserIsEmpty)
{
    Sandbox.WriteSettings(std::string("[General]\n") + GetParam().settings);
    Start();
    if (GetParam().welcomed)
        EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + EnglishWelcome, "modal:Form3"}));
    else
        EXPECT_TRUE(Ui.Events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Settings, FirstRun,
    ::testing::Values(FirstRunCase{"Complete", "ime=A\nemail=a@x\nhost=h\nusername=u\n", false},
                      FirstRunCase{"CompleteWithEmptyPortCharsetDelay",
                                   "ime=A\nemail=a@x\nhost=h\nusername=u\nport=\ncharset=\npavza=\n", false},
                      FirstRunCase{"NoName", "email=a@x\nhost=h\nusername=u\n", true},
                      FirstRunCase{"NoAddress", "ime=A\nhost=h\nusername=u\n", true},
                      FirstRunCase{"NoHost", "ime=A\nemail=a@x\nusername=u\n", true},
                      FirstRunCase{"NoUser", "ime=A\nemail=a@x\nhost=h\n", true},
                      FirstRunCase{"BlankNameCounts", "ime=\" \"\nemail=a@x\nhost=h\nusername=u\n", false}),
    [](const auto& info) { return info.param.name; });

TEST_F(MainWindow, WelcomeIsSlovenianWhenTheLanguageIs)
{
    Sandbox.WriteSettings("[General]\njezik=1\n");
    Start();
    ASSERT_FALSE(Ui.Messages.empty());
    EXPECT_EQ(Ui.Messages[0].substr(0, 40), "Pozdravljeni v programu Varnolt Pelmar!\r");
}

TEST_F(MainWindow, ActivationLoadsTheStoreIntoTheSettingsDialog)
{
    Sandbox.WriteSettings(std::string(CompleteSettings)
                          + "port=587\npavza=3\ncharset=utf-8\nimenik=/srv/lists/\nHTML=1\n");
    Start();
    EXPECT_EQ(Str(Settings().nameEdit->text()), "Ana");
    EXPECT_EQ(Str(Settings().emailEdit->text()), "ana@example.org");
    EXPECT_EQ(Str(Settings().hostEdit->text()), "mail.example.org");
    EXPECT_EQ(Str(Settings().userIdEdit->text()), "ana");
    EXPECT_EQ(Str(Settings().charsetEdit->text()), "utf-8");
    EXPECT_EQ(Str(Settings().delayEdit->text()), "3");
    EXPECT_EQ(Str(Settings().portEdit->text()), "587");
    EXPECT_EQ(Window().openDialog.InitialDir, "/srv/lists/");
    EXPECT_EQ(Window().formatChoice->ItemIndex(), 1);
    EXPECT_TRUE(Ui.Messages.empty());
}

TEST_F(MainWindow, ValueOfAnotherTypeStopsTheActivationWithTheStoreError)
{
    Sandbox.WriteSettings("[General]\nport=@Variant(\\0\\0\\0\\x2\\0\\0\\x2K)\n");
    Start();
    EXPECT_EQ(Ui.Events, std::vector<std::string>{"error:Invalid data type for 'port'"});
}

TEST_F(MainWindow, ReturningFromTheImportHelpOrTheLogRunsTheActivationAgain)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "HTML=0\n");
    Start();
    int choice = 0;
    for (QWidget* auxiliary :
         {static_cast<QWidget*>(&Program->ImportHelpWindow()), static_cast<QWidget*>(&Program->SendLogWindow())}) {
        const int before = Window().ActivationCount();
        choice = 1 - choice;
        Window().formatChoice->SetItemIndex(choice);
        Activate(*auxiliary);
        Activate(Window());
        EXPECT_EQ(Window().ActivationCount(), before + 1) << auxiliary->objectName().toStdString();
        EXPECT_EQ(Window().formatChoice->ItemIndex(), choice) << "the choice made is the one stored";
    }
}

TEST_F(MainWindow, ReturningFromADialogDoesNotRunTheActivation)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Window().formatChoice->SetItemIndex(1);
    for (QWidget* dialog :
         {static_cast<QWidget*>(&Program->SettingsDialog()), static_cast<QWidget*>(&Program->AboutBox())}) {
        Activate(*dialog);
        dialog->hide();
        Activate(Window());
    }
    EXPECT_EQ(Window().ActivationCount(), 1);
    EXPECT_EQ(Window().formatChoice->ItemIndex(), 1);
}

TEST_F(MainWindow, IncompleteSettingsAreAskedForAgainAtEveryReturn)
{
    Start();
    Activate(Program->ImportHelpWindow());
    Activate(Window());
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"Form3", "Form3"}));
}

// ---- Command line ------------------------------------------------------------------------

struct CommandLineCase {
    const char* name;
    std::vector<const char*> arguments; // "LIST" and "MESSAGE" stand for existing files
    std::vector<std::string> entries;
    std::string body;
    bool sends;
};

void PrintTo(const CommandLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLine : public AppTest, public ::testing::WithParamInterface<CommandLineCase> { };

TEST_P(CommandLine, LoadsBothFilesAndSendsOnlyOnTheExactWord)
{
    RefusingPort refusing; // the job shows that it ran by failing to connect
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    const std::string list = Sandbox.MakeFile("list.txt", "a@x.org\r\n\r\nc@x.org\r\n");
    const std::string message = Sandbox.MakeFile("message.txt", "Hello\nthere\n");
    QStringList arguments;
    for (const char* argument : GetParam().arguments)
        arguments << (argument == std::string("LIST")          ? QString::fromStdString(list)
                          : argument == std::string("MESSAGE") ? QString::fromStdString(message)
                                                               : QString::fromUtf8(argument));
    Create(arguments);
    Window().RunCommandLine();
    EXPECT_EQ(Window().recipientList->Items().join('|').toStdString(), [&] {
        std::string joined;
        for (size_t i = 0; i < GetParam().entries.size(); ++i)
            joined += (i ? "|" : "") + GetParam().entries[i];
        return joined;
    }());
    EXPECT_EQ(Window().labelColumn->Items(), QStringList(Window().recipientList->count(), "Za:"));
    EXPECT_EQ(Window().BodyText(), GetParam().body);
    // The send first loads the stored settings into the dialog's fields.
    EXPECT_EQ(Str(Settings().nameEdit->text()), GetParam().sends ? "Ana" : "");
    EXPECT_EQ(Ui.Events,
              GetParam().sends ? std::vector<std::string>{"message:Connect failed"} : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLine,
    ::testing::Values(
        CommandLineCase{"None", {}, {}, "", false}, CommandLineCase{"OneOnly", {"LIST"}, {}, "", false},
        CommandLineCase{"ListAndMessage", {"LIST", "MESSAGE"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false},
        CommandLineCase{"Send", {"LIST", "MESSAGE", "send"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", true},
        CommandLineCase{
            "MissingListStillSends", {"/no/such/list.txt", "MESSAGE", "send"}, {}, "Hello\r\nthere\r\n", true},
        CommandLineCase{"MissingMessage", {"LIST", "/no/such/message.txt"}, {"a@x.org", "", "c@x.org"}, "", false},
        CommandLineCase{
            "Capitals", {"LIST", "MESSAGE", "SEND"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false},
        CommandLineCase{
            "TrailingBlank", {"LIST", "MESSAGE", "send "}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false}),
    [](const auto& info) { return info.param.name; });

TEST_F(MainWindow, CommandLineLabelsStayZaInEnglish)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "jezik=2\n");
    Start({QString::fromStdString(Sandbox.MakeFile("l.txt", "a\nb\n")), "/no/message"});
    EXPECT_EQ(Str(Window().addRecipientButton->text()), "To:");
    EXPECT_EQ(Window().labelColumn->Items(), (QStringList{"Za:", "Za:"}));
}

TEST_F(MainWindow, SendButtonAndMenuRowBothStartTheJob)
{
    RefusingPort refusing;
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    Start();
    Ui.Events.clear();
    Window().sendButton->click();
    Window().sendToListAction->trigger();
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:Connect failed", "message:Connect failed"}));
    EXPECT_EQ(Str(Window().sendStatusBar->PanelText(1)), "Disconnected");
    EXPECT_EQ(ApplicationTitleText(), "Varnolt Pelmar");
}

// ---- Close -------------------------------------------------------------------------------

TEST_F(MainWindow, CloseStoresTheWindowsStateAndTheChosenFolder)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "imenik=/old/\n");
    Start();
    Window().move(33, 44);
    Window().resize(801, 602);
    Window().useSlovenianAction->trigger();
    Window().formatChoice->SetItemIndex(1);
    Ui.OpenAnswers = {Sandbox.MakeFile("files/attach.pdf", "%PDF")};
    Window().pickAttachmentButton->click();
    Window().exitProgramAction->trigger();
    EXPECT_FALSE(Window().isVisible());
    EXPECT_EQ(RegReadString(SettingsKey, "prisoten", ""), "ja");
    EXPECT_EQ(RegReadInteger(SettingsKey, "jezik", 0), 1);
    EXPECT_EQ(RegReadInteger(SettingsKey, "left", 0), 33);
    EXPECT_EQ(RegReadInteger(SettingsKey, "top", 0), 44);
    EXPECT_EQ(RegReadInteger(SettingsKey, "width", 0), 801);
    EXPECT_EQ(RegReadInteger(SettingsKey, "height", 0), 602);
    EXPECT_EQ(RegReadString(SettingsKey, "verzija", ""), "0.8");
    EXPECT_EQ(RegReadString(SettingsKey, "imenik", ""), Sandbox.Path("files") + "/");
    EXPECT_EQ(RegReadInteger(SettingsKey, "HTML", 0), 1);
}

TEST_F(MainWindow, CloseWithoutChoosingAFileKeepsTheStoredFolderAndAnOddLanguage)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "imenik=/old/\njezik=7\n");
    Start();
    EXPECT_EQ(Str(Window().addRecipientButton->text()), "To:");
    Window().close();
    EXPECT_EQ(RegReadString(SettingsKey, "imenik", ""), "/old/");
    EXPECT_EQ(RegReadInteger(SettingsKey, "jezik", 0), 7);
}

TEST_F(MainWindow, CloseRemovesThePreviewOnlyInTheProgramsFolder)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    const std::string here = Sandbox.MakeFile("cwd/msg.html", "keep");
    const QString previousFolder = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(Sandbox.Path("cwd")));
    Window().previewHtmlAction->trigger();
    ASSERT_TRUE(FileExists(Sandbox.ProgramFolder() + "msg.html"));
    Window().close();
    QDir::setCurrent(previousFolder);
    EXPECT_FALSE(FileExists(Sandbox.ProgramFolder() + "msg.html"));
    EXPECT_EQ(ReadFileBytes(here), "keep");
}

}

namespace {

std::vector<std::string> Rows(QMenu* menu)
{
    std::vector<std::string> rows;
    for (QAction* action : menu->actions())
        rows.push_back(action->isSeparator() ? "-" : action->objectName().toStdString());
    return rows;
}

TEST_F(MainWindow, MenusHoldEveryRowAndSeparatorInOrder)
{
    Create();
    EXPECT_EQ(Rows(Window().fileMenu),
              (std::vector<std::string>{"openRecipientFileAction",
                                        "openMessageFileAction",
                                        "-",
                                        "previewHtmlAction",
                                        "previewMessageAction",
                                        "-",
                                        "clearRecipientsAction",
                                        "-",
                                        "saveRecipientFileAction",
                                        "saveMessageFileAction",
                                        "-",
                                        "showImportHelpAction",
                                        "-",
                                        "sendToListAction",
                                        "stopSendingAction",
                                        "sendLaterAction",
                                        "showHistoryAction",
                                        "showSuppressionsAction",
                                        "-",
                                        "exitProgramAction"}));
    EXPECT_EQ(Rows(Window().languageMenu), (std::vector<std::string>{"useSlovenianAction", "useEnglishAction"}));
    EXPECT_EQ(
        Rows(Window().aboutMenu),
        (std::vector<std::string>{"showHelpAction", "openWebSiteAction", "openForumAction", "-", "showAboutAction"}));
    EXPECT_EQ(Rows(Window().recipientListMenu), std::vector<std::string>{"clearRecipientsPopupRow"});
    std::vector<std::string> top;
    for (QAction* action : Window().menuBar()->actions())
        top.push_back(action->menu() ? action->menu()->objectName().toStdString() : action->objectName().toStdString());
    EXPECT_EQ(top, (std::vector<std::string>{"fileMenu", "languageMenu", "showSettingsAction", "aboutMenu"}));
    EXPECT_FALSE(Window().sendToListAction->icon().isNull());
    EXPECT_EQ(Window().fileMenuButton->menu(), Window().fileMenu);
    EXPECT_EQ(Window().languageMenuButton->menu(), Window().languageMenu);
    EXPECT_EQ(Window().aboutMenuButton->menu(), Window().aboutMenu);
}

}
