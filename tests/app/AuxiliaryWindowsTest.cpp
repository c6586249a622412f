// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"
#include "app/AboutBox.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "workflow/program/ProgramFolder.h"
#include "workflow/program/ProgramState.h"

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

    QStringList AboutLines() { return Program->AboutBox().descriptionText->toPlainText().split('\n'); }
};

TEST_F(AuxiliaryWindows, AboutBoxShowsTheTextOfTheLanguageOnceWithFixedCaption)
{
    TAboutBox& about = Program->AboutBox();
    EXPECT_EQ(Str(about.windowTitle()), "About Varnolt Pelmar");
    EXPECT_EQ(Str(about.titleLabel->text()), "Varnolt Pelmar v 0.8");
    EXPECT_EQ(about.addressesText->toPlainText().split('\n'),
              (QStringList{ProgramSiteUrl, ForumAddress, MakerSiteUrl}));

    Window().showAboutAction->trigger();
    Window().showAboutAction->trigger();
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"VarnoltAbout", "VarnoltAbout"}));
    ASSERT_EQ(AboutLines().size(), 3);
    EXPECT_TRUE(AboutLines()[0].startsWith("Varnolt Pelmar is a program for sending e-mail to more recipents"));
    EXPECT_EQ(AboutLines()[1], "");
    EXPECT_EQ(Str(AboutLines()[2]), "See " + WebSiteAddress + " for more information and new versions.");

    Window().useSlovenianAction->trigger();
    Window().showAboutAction->trigger();
    ASSERT_EQ(AboutLines().size(), 3);
    EXPECT_TRUE(AboutLines()[0].startsWith("Varnolt Pelmar je program za pošiljanje elektronske pošte"));
    EXPECT_EQ(Str(AboutLines()[2]), "Za podrobnosti in nove verzije poglejte na naslov " + WebSiteAddress);
    EXPECT_EQ(Str(about.windowTitle()), "About Varnolt Pelmar");
    EXPECT_EQ(Str(about.okButton->text()), "OK");
}

TEST_F(AuxiliaryWindows, LogoAndAddressesOpenTheirPages)
{
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Program->AboutBox().logo, &release);
    QApplication::sendEvent(Window().siteStatusBar, &release);
    Window().showHelpAction->trigger();
    Window().openWebSiteAction->trigger();
    Window().openForumAction->trigger();
    Window().webSiteButton->click();
    EXPECT_EQ(Ui.ShellOpened,
              (std::vector<std::string>{MakerSiteUrl, ProgramSiteUrl, ExecutableFolder() + "help.htm", ProgramSiteUrl,
                                        ForumAddress, ProgramSiteUrl}));
    for (const std::string address : {MakerSiteUrl, ProgramSiteUrl, ForumAddress})
        EXPECT_NE(address.find(".example.org/"), std::string::npos);
    EXPECT_TRUE(Ui.Messages.empty());
}

// With no browser or handler installed the desktop opens nothing: every command that
// hands something to it says so, naming what it could not open, in the language in force.
TEST_F(AuxiliaryWindows, EveryOpenCommandTellsWhenTheDesktopCannotOpen)
{
    Ui.ShellOpens = false;
    const std::string english = "\r\rNo web browser or other program on this computer is set up to open it.";
    const std::string preview = Sandbox.ProgramFolder() + "msg.html";
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Program->AboutBox().logo, &release);
    Window().showHelpAction->trigger();
    Window().openWebSiteAction->trigger();
    Window().openForumAction->trigger();
    Window().previewHtmlAction->trigger();
    Window().useSlovenianAction->trigger();
    Window().webSiteButton->click();
    EXPECT_EQ(
        Ui.Events,
        (std::vector<std::string>{
            "shell:" + std::string(MakerSiteUrl), "message:Cannot open " + std::string(MakerSiteUrl) + english,
            "shell:" + HelpFile(), "message:Cannot open " + HelpFile() + english,
            "shell:" + std::string(ProgramSiteUrl), "message:Cannot open " + std::string(ProgramSiteUrl) + english,
            "shell:" + std::string(ForumAddress), "message:Cannot open " + std::string(ForumAddress) + english,
            "shell:" + preview, "message:Cannot open " + preview + english, "shell:" + std::string(ProgramSiteUrl),
            "message:Ni mogoče odpreti " + std::string(ProgramSiteUrl)
                + "\r\rNa tem računalniku ni spletnega brskalnika ali drugega programa, ki bi ga odprl."}));
    EXPECT_TRUE(Ui.Errors.empty());
}

TEST_F(AuxiliaryWindows, SettingsCommandsRunTheDialogModally)
{
    Window().showSettingsAction->trigger();
    Window().settingsButton->click();
    Window().settingsMenuButton->click();
    EXPECT_EQ(Ui.Modals, (std::vector<std::string>{"Form3", "Form3", "Form3"}));
}

TEST_F(AuxiliaryWindows, ImportHelpIsOneWindowThatKeepsWhatWasTyped)
{
    TImportHelpWindow& help = Program->ImportHelpWindow();
    EXPECT_EQ(Str(help.windowTitle()), "Import");
    Window().showImportHelpAction->trigger();
    Window().showImportHelpAction->trigger();
    EXPECT_TRUE(help.isVisible());
    EXPECT_FALSE(help.isModal());
    EXPECT_EQ(Window().findChildren<QWidget*>("OutlookForm").size(), 1);
    help.instructionsEdit->appendPlainText("my note");
    help.okButton->click();
    EXPECT_FALSE(help.isVisible());
    Window().showImportHelpAction->trigger();
    EXPECT_TRUE(help.instructionsEdit->toPlainText().endsWith("my note"));
    Window().useSlovenian();
    EXPECT_TRUE(help.instructionsEdit->toPlainText().endsWith("my note")) << "typed text outlives a language switch";
}

// The help names the address books people use today, in the language in force, and
// says that their export loads as it is, its columns becoming fields.
TEST_F(AuxiliaryWindows, ImportHelpTellsHowToExportEveryCommonAddressBookInBothLanguages)
{
    TImportHelpWindow& help = Program->ImportHelpWindow();
    const std::pair<void (TMainWindow::*)(), std::vector<const char*>> languages[] = {
        {&TMainWindow::useEnglish,
         {"Outlook", "Google Contacts", "Thunderbird", "Apple Contacts", "CSV", "Open recipients file",
          "{{First Name}}", "{{first}}", ".csv keeps the columns"}},
        {&TMainWindow::useSlovenian,
         {"Outlook", "Google Stiki", "Thunderbird", "Applovi Stiki", "CSV", "Odpri datoteko prejemnikov",
          "{{First Name}}", "{{first}}", ".csv, ohrani stolpce"}}};
    std::vector<std::string> headings;
    for (const auto& [use, phrases] : languages) {
        (Window().*use)();
        const std::string text = Str(help.instructionsEdit->toPlainText());
        for (const char* phrase : phrases)
            EXPECT_NE(text.find(phrase), std::string::npos) << phrase;
        headings.push_back(Str(help.headingLabel->text()));
    }
    EXPECT_EQ(headings,
              (std::vector<std::string>{"How to use an address book as the recipient list?",
                                        "Kako uporabimo imenik kot seznam prejemnikov?"}));
    EXPECT_EQ(Str(help.windowTitle()), "Uvoz");
}

TEST_F(AuxiliaryWindows, LogWindowStaysOnTopWithoutWrapping)
{
    TSendLogWindow& log = Program->SendLogWindow();
    EXPECT_EQ(Str(log.windowTitle()), "Varnolt Pelmar");
    EXPECT_TRUE(log.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(log.logText->lineWrapMode(), QPlainTextEdit::NoWrap);
    log.resize(500, 500);
    log.show();
    Pump();
    EXPECT_GT(log.logText->width(), 450) << "the text grows with the window";
}

TEST_F(AuxiliaryWindows, ApplicationTitleIsShownAsTheMainWindowsTitle)
{
    SetApplicationTitle("Varnolt Pelmar 3/10");
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar 3/10");
    SetApplicationTitle(ApplicationTitle);
    EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
}

}
