// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of the message as the selected recipient gets it.
#include "app/MessagePreviewWindow.h"
#include "AppFixture.h"

#include <QLabel>
#include <QStackedWidget>
#include <QTest>
#include <QTextBrowser>

namespace {

class MessagePreviewWindow : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
        Ui.OpenAnswers = {Sandbox.MakeFile("contacts.csv",
                                           "First Name,Last Name,E-mail Address,Company\r\n"
                                           "Ana,Novak,ana@x.org,Kos & Sinovi\r\n"
                                           "Bor,Kralj,bor@x.org,\"Firm <Ltd>\"\r\n")};
        Window().openRecipientFileAction->trigger();
        Window().subjectEdit->setText("Offer for {{Company}}");
        Window().SetBodyText("Dear {{first}},\r\n\r\nsee you, {{name}}.");
    }

    TMessagePreviewWindow& Preview() { return *Window().previewWindow; }
    std::string Subject() { return Str(Preview().subjectEdit->text()); }
    std::string To() { return Str(Preview().toEdit->text()); }
    std::string Text() { return Str(Preview().textView->toPlainText()); }
};

TEST_F(MessagePreviewWindow, MenuRowButtonAndShortcutShowTheSelectedEntrysMessage)
{
    Window().recipientList->SetItemIndex(1);
    Window().previewMessageAction->trigger();
    ASSERT_TRUE(Preview().isVisible());
    EXPECT_EQ(To(), "Bor Kralj <bor@x.org>");
    EXPECT_EQ(Subject(), "Offer for Firm <Ltd>");
    EXPECT_EQ(Text(), "Dear Bor,\n\nsee you, Bor Kralj.");
    EXPECT_EQ(Preview().bodyPages->currentWidget(), Preview().textView);
    EXPECT_FALSE(Preview().problemsLabel->isVisible());
    EXPECT_EQ(Str(Preview().positionLabel->text()), "The message as the recipient in row 2 gets it:");

    Preview().close();
    Window().previewButton->click();
    EXPECT_TRUE(Preview().isVisible());
    Preview().close();
    Window().activateWindow();
    PumpUntil([this] { return QGuiApplication::focusWindow() == Window().windowHandle(); });
    QTest::keySequence(&Window(), QKeySequence("Ctrl+P"));
    EXPECT_TRUE(Preview().isVisible());
    EXPECT_EQ(Window().findChildren<QWidget*>("MessagePreviewWindow").size(), 1);
    Activate(Preview());
    QTest::keyClick(&Preview(), Qt::Key_Escape);
    EXPECT_FALSE(Preview().isVisible());
}

// While it is open the preview follows the selection, its own buttons, the subject, the
// body and the list.
TEST_F(MessagePreviewWindow, FollowsTheSelectionAndTheMessage)
{
    Window().previewMessageAction->trigger();
    EXPECT_EQ(To(), "Ana Novak <ana@x.org>") << "no selection: the first entry";
    Preview().nextButton->click();
    EXPECT_EQ(Window().recipientList->ItemIndex(), 1);
    EXPECT_EQ(To(), "Bor Kralj <bor@x.org>");
    Preview().nextButton->click();
    EXPECT_EQ(Window().recipientList->ItemIndex(), 1) << "no entry after the last";
    Preview().previousButton->click();
    EXPECT_EQ(To(), "Ana Novak <ana@x.org>");

    Window().recipientList->SetItemIndex(1);
    EXPECT_TRUE(PumpUntil([this] { return To() == "Bor Kralj <bor@x.org>"; }));
    Window().subjectEdit->setText("Hi {{First Name}}");
    EXPECT_TRUE(PumpUntil([this] { return Subject() == "Hi Bor"; }));
    Window().SetBodyText("Bye {{email}}");
    EXPECT_TRUE(PumpUntil([this] { return Text() == "Bye bor@x.org"; }));
    Window().clearRecipientsAction->trigger();
    EXPECT_TRUE(PumpUntil([this] { return To().empty(); }));
    EXPECT_EQ(Str(Preview().positionLabel->text()), "The recipient list has no entry to send the message to.");
}

// An HTML body is shown as a mail program shows it, the values as text.
TEST_F(MessagePreviewWindow, HtmlBodyIsShownRendered)
{
    Window().formatChoice->SetItemIndex(1);
    Window().SetBodyText("<h1>Dear {{first}}</h1><p>from <b>{{Company}}</b></p>");
    Window().previewMessageAction->trigger();
    EXPECT_EQ(Preview().bodyPages->currentWidget(), Preview().htmlView);
    EXPECT_EQ(Str(Preview().htmlView->toPlainText()), "Dear Ana\nfrom Kos & Sinovi");
}

// What would stop the job stands above the message, in the language in force.
TEST_F(MessagePreviewWindow, FieldsTheListDoesNotHaveAreShownInEitherLanguage)
{
    Window().subjectEdit->setText("For {{Compnay}}");
    Window().previewMessageAction->trigger();
    EXPECT_TRUE(Preview().problemsLabel->isVisible());
    EXPECT_EQ(Str(Preview().problemsLabel->text()),
              "Sending would not start: the recipient list does not have these fields:\n{{Compnay}} in the subject");
    EXPECT_EQ(Subject(), "For {{Compnay}}");
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(Str(Preview().problemsLabel->text()),
              "Pošiljanje se ne bi začelo, ker seznam prejemnikov nima teh polj:\n{{Compnay}} v zadevi");
    EXPECT_EQ(Str(Preview().windowTitle()), "Varnolt Pelmar - predogled sporočila");
    EXPECT_EQ(Str(Preview().subjectLabel->text()), "Zadeva:");
    EXPECT_EQ(Str(Preview().positionLabel->text()), "Sporočilo, kot ga bo dobil prejemnik v vrstici 1:");
    Window().useEnglishAction->trigger();
    EXPECT_EQ(Str(Preview().windowTitle()), "Varnolt Pelmar - Message preview");
    EXPECT_EQ(Str(Preview().closeButton->text()), "Close");
}

}
