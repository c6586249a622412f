#include "AppFixture.h"
#include "app/Language.h"
#include "workflow/ProgramState.h"

#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QToolButton>

namespace {

class Language : public AppTest {
protected:
    void ExpectTable(bool slovenian)
    {
        for (const auto& row : LanguageTable()) {
            QObject* control = FindControl(Form1(), Form3(), row.Control);
            ASSERT_NE(control, nullptr) << row.Control;
            EXPECT_EQ(Str(ControlText(control, row.Kind)), slovenian ? row.Slovenian : row.English)
                << row.Control << (row.Kind == TLanguageText::ToolTip ? " tool tip" : "");
        }
        const std::pair<QMenu*, QToolButton*> buttons[] = {{Form1().M1, Form1().ToolButton7},
            {Form1().M2, Form1().ToolButton8}, {Form1().M4, Form1().ToolButton10}};
        for (const auto& [menu, button] : buttons)
            EXPECT_EQ(button->text(), menu->title());
        EXPECT_EQ(Form1().ToolButton9->text(), Form1().M3->text());
        ExpectFixedTexts();
    }

    void ExpectFixedTexts()
    {
        EXPECT_EQ(Str(Form1().windowTitle()), "Varnolt Pelmar");
        EXPECT_EQ(Str(Form1().M21->text()), "Slovenski");
        EXPECT_EQ(Str(Form1().M22->text()), "English");
        EXPECT_EQ(Str(Form1().ToolButton4->toolTip()), "Spremeni jezik v Slovenščino");
        EXPECT_EQ(Str(Form1().ToolButton5->toolTip()), "Change the language to English");
        EXPECT_EQ(Str(Form1().Button22->text()), "x");
        EXPECT_EQ(Str(Form3().Label10->text()), "Port");
    }
};

TEST_F(Language, EveryTextFollowsTheSwitchBothWays)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    ExpectTable(false);
    Form1().ToolButton4->click();
    EXPECT_EQ(CurrentLanguage, 1);
    ExpectTable(true);
    Form1().M22->trigger();
    EXPECT_EQ(CurrentLanguage, 2);
    ExpectTable(false);
    Form1().M21->trigger();
    ExpectTable(true);
    Form1().ToolButton5->click();
    ExpectTable(false);
    EXPECT_EQ(Str(Form1().M18->text()), "Preview HTML messsage");
    EXPECT_EQ(Str(Form1().StatusBar1->PanelText(1)), WebSiteAddress);
    EXPECT_EQ(WebSiteAddress, ProgramSiteUrl);
}

TEST_F(Language, WindowsHoldTheirInitialTextsBeforeTheFirstActivation)
{
    Create();
    for (const auto& row : InitialTexts()) {
        QObject* control = FindControl(Form1(), Form3(), row.Control);
        ASSERT_NE(control, nullptr) << row.Control;
        EXPECT_EQ(Str(ControlText(control, row.Kind)), row.Slovenian) << row.Control;
    }
}

TEST_F(Language, SwitchKeepsTheChosenMessageFormat)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Form1().RadioGroup1->SetItemIndex(1);
    Form1().M21->trigger();
    EXPECT_EQ(Form1().RadioGroup1->ItemIndex(), 1);
    EXPECT_EQ(Str(Form1().RadioGroup1->Item(0)->text()), "tekst");
}

TEST_F(Language, LabelsKeepTheLanguageInWhichTheyWereAdded)
{
    Sandbox.WriteSettings(CompleteSettings);
    Start();
    Form1().Edit2->setText("before@x.org");
    Form1().Button3Click();
    Form1().M21->trigger();
    Form1().Edit2->setText("after@x.org");
    Form1().Button3Click();
    EXPECT_EQ(Form1().ListBox2->Items(), (QStringList{"To:", "Za:"}));
    Form1().M22->trigger();
    EXPECT_EQ(Form1().ListBox2->Items(), (QStringList{"To:", "Za:"}));
}

TEST_F(Language, ControlsOfBothWindowsAreFoundByTheirOwnNames)
{
    Create();
    EXPECT_EQ(FindControl(Form1(), Form3(), "Label1"), Form1().Label1);
    EXPECT_EQ(FindControl(Form1(), Form3(), "Form3.Label1"), Form3().Label1);
    EXPECT_EQ(FindControl(Form1(), Form3(), "Form3"), &Form3());
}

}
