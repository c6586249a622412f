#include "AppFixture.h"
#include "app/SettingsStore.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "app/Widgets.h"
#include "app/AboutBox.h"
#include "support/LoopbackPeers.h"
#include "workflow/Messages.h"
#include "workflow/ProgramState.h"

#include <QDir>
#include <QPlainTextEdit>
#include <QLabel>
#include <QMenuBar>
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
              (std::vector<std::string>{"Form1", "Form3", "VarnoltAbout", "OutlookForm", "Form6"}));
    EXPECT_EQ(Str(Form1().windowTitle()), "Varnolt Pelmar");
    EXPECT_EQ(ApplicationTitleText(), "Varnolt Pelmar");
}

TEST_F(MainWindow, FirstStartOpensInEnglishAtTheDefaultPlaceThenWelcomesAndAsks)
{
    Start();
    EXPECT_EQ(Form1().pos(), QPoint(10, 20));
    EXPECT_EQ(Form1().size(), QSize(750, 550));
    EXPECT_EQ(CurrentLanguage, 2);
    EXPECT_EQ(Str(Form1().ToolButton1->toolTip()), "Send the message to the recipients");
    EXPECT_EQ(Form1().RadioGroup1->ItemIndex(), 0);
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + EnglishWelcome, "modal:Form3"}));
    EXPECT_EQ(QApplication::focusWidget(), Form1().Edit2);
}

TEST_F(MainWindow, StoredGeometryAndLanguageAreRestored)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "left=30\ntop=40\nwidth=800\nheight=600\njezik=1\n");
    Start();
    EXPECT_EQ(Form1().pos(), QPoint(30, 40));
    EXPECT_EQ(Form1().size(), QSize(800, 600));
    EXPECT_EQ(Str(Form1().ToolButton7->text()), "Datoteka");
    EXPECT_EQ(Str(Form1().Button1->text()), "Za:");
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

class FirstRun : public AppTest, public ::testing::WithParamInterface<FirstRunCase> {};

TEST_P(FirstRun, WelcomesWhenNameAddressHostOrUserIsEmpty)
{
    Sandbox.WriteSettings(std::string("[General]\n") + GetParam().settings);
    Start();
    if (GetParam().welcomed)
        EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:" + EnglishWelcome, "modal:Form3"}));
    else
        EXPECT_TRUE(Ui.Events.empty());
}

INSTANTIATE_TEST_SUITE_P(Settings, FirstRun, ::testing::Values(
    FirstRunCase{"Complete", "ime=A\nemail=a@x\nhost=h\nusername=u\n", false},
    FirstRunCase{"CompleteWithEmptyPortCharsetDelay", "ime=A\nemail=a@x\nhost=h\nusername=u\nport=\ncharset=\npavza=\n", false},
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
    Sandbox.WriteSettings(std::string(CompleteSettings) + "port=587\npavza=3\ncharset=utf-8\nimenik=/srv/lists/\nHTML=1\n");
    Start();
    EXPECT_EQ(Str(Form3().Edit1->text()), "Ana");
    EXPECT_EQ(Str(Form3().Edit2->text()), "ana@example.org");
    EXPECT_EQ(Str(Form3().Edit3->text()), "mail.example.org");
    EXPECT_EQ(Str(Form3().Edit4->text()), "ana");
    EXPECT_EQ(Str(Form3().Edit5->text()), "utf-8");
    EXPECT_EQ(Str(Form3().Edit6->text()), "3");
    EXPECT_EQ(Str(Form3().Edit7->text()), "587");
    EXPECT_EQ(Form1().Open.InitialDir, "/srv/lists/");
    EXPECT_EQ(Form1().RadioGroup1->ItemIndex(), 1);
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
    for (QWidget* auxiliary : {static_cast<QWidget*>(Program->OutlookForm), static_cast<QWidget*>(Program->Form6)}) {
        const int before = Form1().ActivationCount();
        Form1().RadioGroup1->SetItemIndex(1);
        Activate(*auxiliary);
        Activate(Form1());
        EXPECT_EQ(Form1().ActivationCount(), before + 1) << auxiliary->objectName().toStdString();
        EXPECT_EQ(Form1().RadioGroup1->ItemIndex(), 0) << "the stored choice comes back";
    }
}

TEST_F(MainWindow, ReturningFromADialogDoesNotRunTheActivation)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Form1().RadioGroup1->SetItemIndex(1);
    for (QWidget* dialog : {static_cast<QWidget*>(Program->Form3), static_cast<QWidget*>(Program->VarnoltAbout)}) {
        Activate(*dialog);
        dialog->hide();
        Activate(Form1());
    }
    EXPECT_EQ(Form1().ActivationCount(), 1);
    EXPECT_EQ(Form1().RadioGroup1->ItemIndex(), 1);
}

TEST_F(MainWindow, IncompleteSettingsAreAskedForAgainAtEveryReturn)
{
    Start();
    Activate(*Program->OutlookForm);
    Activate(Form1());
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"Form3", "Form3"}));
}

// ---- Command line ------------------------------------------------------------------------

struct CommandLineCase {
    const char* name;
    std::vector<const char*> arguments;  // "LIST" and "MESSAGE" stand for existing files
    std::vector<std::string> entries;
    std::string body;
    bool sends;
};

void PrintTo(const CommandLineCase& c, std::ostream* os)
{
    *os << c.name;
}

class CommandLine : public AppTest, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLine, LoadsBothFilesAndSendsOnlyOnTheExactWord)
{
    RefusingPort refusing; // the job shows that it ran by failing to connect
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    const std::string list = Sandbox.MakeFile("list.txt", "a@x.org\r\n\r\nc@x.org\r\n");
    const std::string message = Sandbox.MakeFile("message.txt", "Hello\nthere\n");
    QStringList arguments;
    for (const char* argument : GetParam().arguments)
        arguments << (argument == std::string("LIST") ? QString::fromStdString(list)
                      : argument == std::string("MESSAGE") ? QString::fromStdString(message)
                                                           : QString::fromUtf8(argument));
    Create(arguments);
    Form1().FormShow();
    EXPECT_EQ(Form1().ListBox1->Items().join('|').toStdString(), [&] {
        std::string joined;
        for (size_t i = 0; i < GetParam().entries.size(); ++i)
            joined += (i ? "|" : "") + GetParam().entries[i];
        return joined;
    }());
    EXPECT_EQ(Form1().ListBox2->Items(), QStringList(Form1().ListBox1->count(), "Za:"));
    EXPECT_EQ(Form1().BodyText(), GetParam().body);
    // The send first loads the stored settings into the dialog's fields.
    EXPECT_EQ(Str(Form3().Edit1->text()), GetParam().sends ? "Ana" : "");
    EXPECT_EQ(Ui.Events, GetParam().sends ? std::vector<std::string>{"message:Connect failed"}
                                          : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Arguments, CommandLine, ::testing::Values(
    CommandLineCase{"None", {}, {}, "", false},
    CommandLineCase{"OneOnly", {"LIST"}, {}, "", false},
    CommandLineCase{"ListAndMessage", {"LIST", "MESSAGE"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false},
    CommandLineCase{"Send", {"LIST", "MESSAGE", "send"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", true},
    CommandLineCase{"MissingListStillSends", {"/no/such/list.txt", "MESSAGE", "send"}, {}, "Hello\r\nthere\r\n", true},
    CommandLineCase{"MissingMessage", {"LIST", "/no/such/message.txt"}, {"a@x.org", "", "c@x.org"}, "", false},
    CommandLineCase{"Capitals", {"LIST", "MESSAGE", "SEND"}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false},
    CommandLineCase{"TrailingBlank", {"LIST", "MESSAGE", "send "}, {"a@x.org", "", "c@x.org"}, "Hello\r\nthere\r\n", false}),
    [](const auto& info) { return info.param.name; });

TEST_F(MainWindow, CommandLineLabelsStayZaInEnglish)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "jezik=2\n");
    Start({QString::fromStdString(Sandbox.MakeFile("l.txt", "a\nb\n")), "/no/message"});
    EXPECT_EQ(Str(Form1().Button1->text()), "To:");
    EXPECT_EQ(Form1().ListBox2->Items(), (QStringList{"Za:", "Za:"}));
}

TEST_F(MainWindow, SendButtonAndMenuRowBothStartTheJob)
{
    RefusingPort refusing;
    Sandbox.WriteSettings(SettingsFor(refusing.Port()));
    Start();
    Ui.Events.clear();
    Form1().ToolButton1->click();
    Form1().M13->trigger();
    EXPECT_EQ(Ui.Events, (std::vector<std::string>{"message:Connect failed", "message:Connect failed"}));
    EXPECT_EQ(Str(Form1().StatusBar2->PanelText(1)), "Disconnected");
    EXPECT_EQ(ApplicationTitleText(), "Varnolt Pelmar");
}

// ---- Close -------------------------------------------------------------------------------

TEST_F(MainWindow, CloseStoresTheWindowsStateAndTheChosenFolder)
{
    Sandbox.WriteSettings(std::string(CompleteSettings) + "imenik=/old/\n");
    Start();
    Form1().move(33, 44);
    Form1().resize(801, 602);
    Form1().M21->trigger();
    Form1().RadioGroup1->SetItemIndex(1);
    Ui.OpenAnswers = {Sandbox.MakeFile("files/attach.pdf", "%PDF")};
    Form1().Button20->click();
    Form1().M19->trigger();
    EXPECT_FALSE(Form1().isVisible());
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
    EXPECT_EQ(Str(Form1().Button1->text()), "To:");
    Form1().close();
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
    Form1().M18->trigger();
    ASSERT_TRUE(FileExists(Sandbox.ProgramFolder() + "msg.html"));
    Form1().close();
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
    EXPECT_EQ(Rows(Form1().M1), (std::vector<std::string>{"M11", "M12", "-", "M18", "-", "M17", "-", "M15",
                                                           "M16", "-", "M14", "-", "M13", "-", "M19"}));
    EXPECT_EQ(Rows(Form1().M2), (std::vector<std::string>{"M21", "M22"}));
    EXPECT_EQ(Rows(Form1().M4), (std::vector<std::string>{"M41", "M42", "M43", "-", "M49"}));
    EXPECT_EQ(Rows(Form1().PopupMenu1), std::vector<std::string>{"P1"});
    std::vector<std::string> top;
    for (QAction* action : Form1().menuBar()->actions())
        top.push_back(action->menu() ? action->menu()->objectName().toStdString() : action->objectName().toStdString());
    EXPECT_EQ(top, (std::vector<std::string>{"M1", "M2", "M3", "M4"}));
    EXPECT_FALSE(Form1().M13->icon().isNull());
    EXPECT_EQ(Form1().ToolButton7->menu(), Form1().M1);
    EXPECT_EQ(Form1().ToolButton8->menu(), Form1().M2);
    EXPECT_EQ(Form1().ToolButton10->menu(), Form1().M4);
}

}
