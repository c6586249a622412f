#include "AppFixture.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "app/AboutBox.h"
#include "workflow/ProgramFolder.h"
#include "workflow/ProgramState.h"

#include <QLabel>
#include <QMouseEvent>
#include <QTextEdit>
#include <QToolButton>

namespace {

class AuxiliaryWindows : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
    }

    QStringList AboutLines() { return Program->VarnoltAbout->RichEdit1->toPlainText().split('\n'); }
};

TEST_F(AuxiliaryWindows, AboutBoxShowsTheTextOfTheLanguageOnceWithFixedCaption)
{
    TVarnoltAbout& about = *Program->VarnoltAbout;
    EXPECT_EQ(Str(about.windowTitle()), "About Varnolt Pelmar");
    EXPECT_EQ(Str(about.Label1->text()), "Varnolt Pelmar v 0.8");
    EXPECT_EQ(about.Memo2->toPlainText().split('\n'),
              (QStringList{ProgramSiteUrl, ForumAddress, MakerSiteUrl}));

    Form1().M49->trigger();
    Form1().M49->trigger();
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"VarnoltAbout", "VarnoltAbout"}));
    ASSERT_EQ(AboutLines().size(), 3);
    EXPECT_TRUE(AboutLines()[0].startsWith("Varnolt Pelmar is a program for sending e-mail to more recipents"));
    EXPECT_EQ(AboutLines()[1], "");
    EXPECT_EQ(Str(AboutLines()[2]), "See " + WebSiteAddress + " for more information and new versions.");

    Form1().M21->trigger();
    Form1().M49->trigger();
    ASSERT_EQ(AboutLines().size(), 3);
    EXPECT_TRUE(AboutLines()[0].startsWith("Varnolt Pelmar je program za pošiljanje elektronske pošte"));
    EXPECT_EQ(Str(AboutLines()[2]), "Za podrobnosti in nove verzije poglejte na naslov " + WebSiteAddress);
    EXPECT_EQ(Str(about.windowTitle()), "About Varnolt Pelmar");
    EXPECT_EQ(Str(about.SpeedButton1->text()), "OK");
}

TEST_F(AuxiliaryWindows, LogoAndAddressesOpenTheirPages)
{
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Program->VarnoltAbout->Image1, &release);
    QApplication::sendEvent(Form1().StatusBar1, &release);
    Form1().M41->trigger();
    Form1().M42->trigger();
    Form1().M43->trigger();
    Form1().ToolButton12->click();
    EXPECT_EQ(Ui.ShellOpened, (std::vector<std::string>{MakerSiteUrl, ProgramSiteUrl,
        ExecutableFolder() + "help.htm", ProgramSiteUrl, ForumAddress, ProgramSiteUrl}));
    for (const std::string address : {MakerSiteUrl, ProgramSiteUrl, ForumAddress})
        EXPECT_NE(address.find(".example.org/"), std::string::npos);
}

TEST_F(AuxiliaryWindows, SettingsCommandsRunTheDialogModally)
{
    Form1().M3->trigger();
    Form1().ToolButton6->click();
    Form1().ToolButton9->click();
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"Form3", "Form3", "Form3"}));
}

TEST_F(AuxiliaryWindows, ImportHelpIsOneWindowThatKeepsWhatWasTyped)
{
    TOutlookForm& help = *Program->OutlookForm;
    EXPECT_EQ(Str(help.windowTitle()), "Import");
    EXPECT_EQ(help.Memo1->toPlainText().split('\n').size(), 25);
    EXPECT_EQ(Str(help.Memo1->toPlainText().split('\n')[20]), "3. The addresses should be listed above the To: filed.");
    Form1().M14->trigger();
    Form1().M14->trigger();
    EXPECT_TRUE(help.isVisible());
    EXPECT_FALSE(help.isModal());
    EXPECT_EQ(Form1().findChildren<QWidget*>("OutlookForm").size(), 1);
    help.Memo1->appendPlainText("my note");
    help.Button1->click();
    EXPECT_FALSE(help.isVisible());
    Form1().M14->trigger();
    EXPECT_TRUE(help.Memo1->toPlainText().endsWith("my note"));
}

TEST_F(AuxiliaryWindows, LogWindowStaysOnTopWithoutWrapping)
{
    TForm6& log = *Program->Form6;
    EXPECT_EQ(Str(log.windowTitle()), "Varnolt Pelmar");
    EXPECT_TRUE(log.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(log.Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    log.resize(500, 500);
    log.show();
    Pump();
    EXPECT_GT(log.Memo1->width(), 450) << "the text grows with the window";
}

TEST_F(AuxiliaryWindows, ApplicationTitleIsShownAsTheMainWindowsTitle)
{
    SetApplicationTitle("Varnolt Pelmar 3/10");
    EXPECT_EQ(Str(Form1().windowTitle()), "Varnolt Pelmar 3/10");
    SetApplicationTitle(ApplicationTitle);
    EXPECT_EQ(Str(Form1().windowTitle()), "Varnolt Pelmar");
}

}
