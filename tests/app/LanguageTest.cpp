// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Language.h"
#include "AppFixture.h"
#include "app/ListStatusBar.h"
#include "workflow/program/ProgramState.h"

#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

namespace {

class Language : public AppTest {
protected:
    void ExpectTable(bool slovenian)
    {
        for (const auto& row : LanguageTable()) {
            QObject* control = FindControl(Window(), Settings(), row.Control);
            ASSERT_NE(control, nullptr) << row.Control;
            EXPECT_EQ(Str(ControlText(control, row.Kind)), slovenian ? row.Slovenian : row.English)
                << row.Control << (row.Kind == TLanguageText::ToolTip ? " tool tip" : "");
        }
        const std::pair<QMenu*, QToolButton*> buttons[] = {{Window().fileMenu, Window().fileMenuButton},
                                                           {Window().languageMenu, Window().languageMenuButton},
                                                           {Window().aboutMenu, Window().aboutMenuButton}};
        for (const auto& [menu, button] : buttons)
            EXPECT_EQ(button->text(), menu->title());
        EXPECT_EQ(Window().settingsMenuButton->text(), Window().showSettingsAction->text());
        ExpectFixedTexts();
    }

    void ExpectFixedTexts()
    {
        EXPECT_EQ(Str(Window().windowTitle()), "Varnolt Pelmar");
        EXPECT_EQ(Str(Window().useSlovenianAction->text()), "Slovenski");
        EXPECT_EQ(Str(Window().useEnglishAction->text()), "English");
        EXPECT_EQ(Str(Window().slovenianButton->toolTip()), "Spremeni jezik v Slovenščino");
        EXPECT_EQ(Str(Window().englishButton->toolTip()), "Change the language to English");
        EXPECT_EQ(Str(Window().clearAttachmentButton->text()), "x");
        EXPECT_EQ(Str(Settings().portLabel->text()), "Port");
    }
};

TEST_F(Language, EveryTextFollowsTheSwitchBothWays)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    ExpectTable(false);
    Window().slovenianButton->click();
    EXPECT_EQ(CurrentLanguage, 1);
    ExpectTable(true);
    Window().useEnglishAction->trigger();
    EXPECT_EQ(CurrentLanguage, 2);
    ExpectTable(false);
    Window().useSlovenianAction->trigger();
    ExpectTable(true);
    Window().englishButton->click();
    ExpectTable(false);
    EXPECT_EQ(Str(Window().previewHtmlAction->text()), "Preview HTML messsage");
    EXPECT_EQ(Str(Window().siteStatusBar->PanelText(1)), WebSiteAddress);
    EXPECT_EQ(WebSiteAddress, ProgramSiteUrl);
}

TEST_F(Language, WindowsHoldTheirInitialTextsBeforeTheFirstActivation)
{
    Create();
    for (const auto& row : InitialTexts()) {
        QObject* control = FindControl(Window(), Settings(), row.Control);
        ASSERT_NE(control, nullptr) << row.Control;
        EXPECT_EQ(Str(ControlText(control, row.Kind)), row.Slovenian) << row.Control;
    }
}

TEST_F(Language, SwitchKeepsTheChosenMessageFormat)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Window().formatChoice->SetItemIndex(1);
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(Window().formatChoice->ItemIndex(), 1);
    EXPECT_EQ(Str(Window().formatChoice->Item(0)->text()), "tekst");
}

TEST_F(Language, LabelsKeepTheLanguageInWhichTheyWereAdded)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Window().addressEdit->setText("before@x.org");
    Window().addRecipient();
    Window().useSlovenianAction->trigger();
    Window().addressEdit->setText("after@x.org");
    Window().addRecipient();
    EXPECT_EQ(Window().labelColumn->Items(), (QStringList{"To:", "Za:"}));
    Window().useEnglishAction->trigger();
    EXPECT_EQ(Window().labelColumn->Items(), (QStringList{"To:", "Za:"}));
}

TEST_F(Language, ControlsOfBothWindowsAreFoundByTheirOwnNames)
{
    Create();
    EXPECT_EQ(FindControl(Window(), Settings(), "subjectLabel"), Window().subjectLabel);
    EXPECT_EQ(FindControl(Window(), Settings(), "SettingsDialog.nameLabel"), Settings().nameLabel);
    EXPECT_EQ(FindControl(Window(), Settings(), "SettingsDialog"), &Settings());
}

// The texts added to the windows count in either language: Slovenian has a dual, and a
// plural that changes again at five.
struct CountedText {
    int language;
    int count;
    const char* note;
    const char* listCount;
};

TEST(CountedTexts, FollowTheLanguageSingularDualAndPlural)
{
    const CountedText cases[] = {
        {2, 1, "The marked field is needed to send.", "1 recipient · 1 not an address"},
        {2, 4, "The marked fields are needed to send.", "4 recipients · 4 not addresses"},
        {1, 1, "Označeno polje je potrebno za pošiljanje.", "1 prejemnik · 1 ni naslov"},
        {1, 2, "Označeni polji sta potrebni za pošiljanje.", "2 prejemnika · 2 niso naslovi"},
        {1, 4, "Označena polja so potrebna za pošiljanje.", "4 prejemniki · 4 niso naslovi"},
        {1, 5, "Označena polja so potrebna za pošiljanje.", "5 prejemnikov · 5 niso naslovi"},
        {1, 1001, "Označena polja so potrebna za pošiljanje.", "1.001 prejemnik · 1.001 niso naslovi"},
    };
    const std::int32_t kept = CurrentLanguage;
    for (const CountedText& c : cases) {
        CurrentLanguage = c.language;
        EXPECT_EQ(Str(NeededFieldsNote(c.count)), c.note) << c.count;
        EXPECT_EQ(Str(ListCountText(c.count, c.count)), c.listCount);
    }
    CurrentLanguage = kept;
}

TEST_F(Language, UndoAndNeededNoteFollowTheLanguage)
{
    Create();
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(Str(Window().listStatusBar->undoButton->text()), "Razveljavi");
    EXPECT_EQ(Str(Settings().neededLabel->text()), "Označena polja so potrebna za pošiljanje.");
    Window().useEnglishAction->trigger();
    EXPECT_EQ(Str(Window().listStatusBar->undoButton->text()), "Undo");
    EXPECT_EQ(Str(Settings().neededLabel->text()), "The marked fields are needed to send.");
}

}
