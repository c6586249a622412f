// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppFixture.h"

#include "app/ImportHelpWindow.h"
#include "app/ListStatusBar.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <QScrollBar>

namespace {

class RecipientCommands : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
        ASSERT_EQ(QApplication::focusWidget(), Window().addressEdit);
    }

    QStringList Entries() { return Window().recipientList->Items(); }
    QStringList Labels() { return Window().labelColumn->Items(); }
};

TEST_F(RecipientCommands, EnterAddsOnceEmptiesTheFieldAndKeepsTheFocus)
{
    Type(Window().addressEdit, "ana@x.org");
    SendKey(Window().addressEdit, QEvent::KeyPress, Qt::Key_Return, "\r");
    SendKey(Window().addressEdit, QEvent::KeyPress, Qt::Key_Return, "\r");
    EXPECT_EQ(Entries(), QStringList{"ana@x.org"});
    EXPECT_EQ(Labels(), QStringList{"To:"});
    EXPECT_TRUE(Window().addressEdit->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), Window().addressEdit);
}

TEST_F(RecipientCommands, LeavingTheFieldAddsOnceWhereverTheFocusGoes)
{
    const std::pair<QWidget*, Qt::FocusReason> targets[] = {{Window().addRecipientButton, Qt::MouseFocusReason},
                                                            {Window().bodyEdit, Qt::TabFocusReason},
                                                            {Window().recipientList, Qt::MouseFocusReason}};
    int expected = 0;
    for (const auto& [target, reason] : targets) {
        Window().addressEdit->setFocus(Qt::OtherFocusReason);
        Type(Window().addressEdit, "bo@x.org");
        target->setFocus(reason);
        if (target == Window().addRecipientButton)
            Window().addRecipientButton->click(); // the click comes after the focus moved
        EXPECT_EQ(Entries().size(), ++expected) << target->objectName().toStdString();
    }
    EXPECT_EQ(Labels().size(), expected);
}

TEST_F(RecipientCommands, LosingTheWindowDoesNotAddTheTypedAddress)
{
    Type(Window().addressEdit, "half@x");
    Activate(Program->ImportHelpWindow());
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_EQ(Str(Window().addressEdit->text()), "half@x");
}

TEST_F(RecipientCommands, DoubleClickInTheFieldAddsWhatItHolds)
{
    Window().addressEdit->setText("dbl@x.org");
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(Window().addressEdit, &click);
    EXPECT_EQ(Entries(), QStringList{"dbl@x.org"});
}

struct DeleteKeyCase {
    const char* name;
    int selected;
    int key;
    QStringList entries;
    int selectedAfter;
};

void PrintTo(const DeleteKeyCase& c, std::ostream* os)
{
    *os << c.name;
}

class DeleteKey : public RecipientCommands, public ::testing::WithParamInterface<DeleteKeyCase> { };

TEST_P(DeleteKey, RemovesTheSelectedEntryWithItsLabel)
{
    for (const char* address : {"a", "b", "c"}) {
        Window().addressEdit->setText(address);
        Window().addRecipient();
    }
    Window().recipientList->SetItemIndex(GetParam().selected);
    SendKey(Window().recipientList, QEvent::KeyRelease, GetParam().key);
    EXPECT_EQ(Entries(), GetParam().entries);
    EXPECT_EQ(Labels().size(), Entries().size());
    EXPECT_EQ(Window().recipientList->ItemIndex(), GetParam().selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(Keys, DeleteKey,
                         ::testing::Values(DeleteKeyCase{"Last", 2, Qt::Key_Delete, {"a", "b"}, 1},
                                           DeleteKeyCase{"First", 0, Qt::Key_Delete, {"b", "c"}, 0},
                                           DeleteKeyCase{"NoneSelected", -1, Qt::Key_Delete, {"a", "b", "c"}, -1},
                                           DeleteKeyCase{"OtherKey", 1, Qt::Key_Backspace, {"a", "b", "c"}, 1}),
                         [](const auto& info) { return info.param.name; });

TEST_F(RecipientCommands, Windows1250ListLoadsAsWrittenSavesAsUtf8AndALossyOneIsReported)
{
    Ui.OpenAnswers = {Sandbox.MakeFile("old.txt",
                                       "\x8Apela \x8E"
                                       "agar <spela@example.org>\r\n")};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Entries(), QStringList{"Špela Žagar <spela@example.org>"});
    EXPECT_TRUE(Ui.Messages.empty());
    Ui.SaveAnswers = {Sandbox.Path("new.txt")};
    Window().saveRecipientFileAction->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("new.txt")), "Špela Žagar <spela@example.org>\r\n");

    const std::string lossy = Sandbox.MakeFile("lossy.txt",
                                               "\x98"
                                               "a@x.org\n");
    Ui.OpenAnswers = {lossy};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Entries(), QStringList{"\uFFFDa@x.org"});
    ASSERT_EQ(Ui.Messages.size(), 1u);
    EXPECT_NE(Ui.Messages[0].find("The file " + lossy + " could not be read in full"), std::string::npos);
}

// Tab brings the focus into the list and makes its first row Qt's current one without
// selecting it; Delete must then remove nothing.
TEST_F(RecipientCommands, DeleteAfterTabIntoTheListRemovesNothing)
{
    for (const char* address : {"a@x.org", "b@x.org"}) {
        Window().addressEdit->setText(address);
        Window().addRecipient();
    }
    Window().recipientList->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(Window().recipientList->currentIndex().isValid());
    EXPECT_EQ(Window().recipientList->ItemIndex(), -1);
    SendKey(Window().recipientList, QEvent::KeyPress, Qt::Key_Delete);
    SendKey(Window().recipientList, QEvent::KeyRelease, Qt::Key_Delete);
    EXPECT_EQ(Entries(), (QStringList{"a@x.org", "b@x.org"}));
    EXPECT_EQ(Labels().size(), 2);
    // Once the user picks a row, Delete removes that one.
    Window().recipientList->SetItemIndex(1);
    SendKey(Window().recipientList, QEvent::KeyRelease, Qt::Key_Delete);
    EXPECT_EQ(Entries(), QStringList{"a@x.org"});
}

// ---- Entries that are not addresses ------------------------------------------------------

struct MarkCase {
    const char* entry;
    bool marked;
};

TEST_F(RecipientCommands, EntriesThatAreNotAddressesAreMarkedWithTheirLabelsUnchanged)
{
    const MarkCase cases[] = {{"ana@example.org", false},
                              {"bob@", true},
                              {"", false},
                              {"not an address", true},
                              {"Marko <marko@example.org>", false},
                              {" dave@example.org ", false},
                              {"jože@primer.si", false},
                              {"eve@example..org", true},
                              {"  ", true}};
    QStringList lines;
    for (const auto& c : cases)
        lines << QString::fromUtf8(c.entry);
    Ui.OpenAnswers = {Sandbox.MakeFile("marks.txt", lines.join("\r\n").toStdString())};
    Window().openRecipientFileAction->trigger();
    ASSERT_EQ(Entries(), lines);
    EXPECT_EQ(Labels(), QStringList(lines.size(), "To:"));
    QAbstractItemModel* rows = Window().recipientList->model();
    for (int row = 0; row < lines.size(); ++row) {
        const QModelIndex index = rows->index(row, 0);
        const bool marked = cases[row].marked;
        EXPECT_EQ(Str(index.data(Qt::ToolTipRole).toString()), marked ? "This is not a valid e-mail address." : "")
            << cases[row].entry;
        EXPECT_EQ(index.data(Qt::DecorationRole).isValid(), marked) << cases[row].entry;
        EXPECT_EQ(index.data(Qt::ForegroundRole).isValid(), marked) << cases[row].entry;
        EXPECT_FALSE(Window().labelColumn->model()->index(row, 0).data(Qt::ToolTipRole).isValid());
    }
}

TEST_F(RecipientCommands, MarkFollowsTheEntriesAndTheLanguage)
{
    const auto tip = [this](int row) {
        return Str(Window().recipientList->model()->index(row, 0).data(Qt::ToolTipRole).toString());
    };
    for (const char* typed : {"ana@example.org", "bob@", "cene@example.org"}) {
        Type(Window().addressEdit, typed);
        SendKey(Window().addressEdit, QEvent::KeyPress, Qt::Key_Return, "\r");
    }
    EXPECT_EQ(tip(0), "");
    EXPECT_EQ(tip(1), "This is not a valid e-mail address.");
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(tip(1), "To ni veljaven e-poštni naslov.");
    Window().recipientList->SetItemIndex(1);
    SendKey(Window().recipientList, QEvent::KeyRelease, Qt::Key_Delete);
    EXPECT_EQ(Entries(), (QStringList{"ana@example.org", "cene@example.org"}));
    EXPECT_EQ(tip(1), "");
    Window().clearRecipientsAction->trigger();
    Type(Window().addressEdit, "@example.org");
    SendKey(Window().addressEdit, QEvent::KeyPress, Qt::Key_Return, "\r");
    EXPECT_EQ(tip(0), "To ni veljaven e-poštni naslov.");
}

TEST_F(RecipientCommands, LoadSaveAndClearGoThroughTheSharedDialogs)
{
    const std::string file = Sandbox.MakeFile("in/list.txt", "Addresses\na@x.org\n\nb@x.org\n");
    Ui.OpenAnswers = {file, ""};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Entries(), (QStringList{"Addresses", "a@x.org", "", "b@x.org"}));
    EXPECT_EQ(Labels(), QStringList(4, "To:"));
    Window().openRecipientsButton->click(); // cancelled: nothing changes
    EXPECT_EQ(Entries().size(), 4);

    Ui.SaveAnswers = {Sandbox.Path("out.txt")};
    Window().saveRecipientFileAction->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("out.txt")), "Addresses\r\na@x.org\r\n\r\nb@x.org\r\n");
    ASSERT_EQ(Ui.FileRequests.size(), 3u);
    EXPECT_EQ(Ui.FileRequests[0].Title, "Varnolt Pelmar - Open file");
    // A recipients file may be an address book's export: a choice after the usual two.
    EXPECT_EQ(Ui.FileRequests[0].Filter, "*.txt|*.txt|*.*|*.*|Address books|*.csv;*.tsv");
    EXPECT_EQ(Ui.FileRequests[0].DefaultExt, "");
    EXPECT_EQ(Ui.FileRequests[2].Title, "Varnolt Pelmar - Save file");
    EXPECT_EQ(Ui.FileRequests[2].Filter, "*.txt|*.txt|*.*|*.*") << "a plain list saves as it always did";
    EXPECT_EQ(Ui.FileRequests[2].DefaultExt, "txt");

    Window().clearRecipientsPopupRow->trigger();
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(Labels().isEmpty());
    Ui.OpenAnswers = {file};
    Window().openRecipientFileAction->trigger();
    Window().clearRecipientsAction->trigger();
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(Labels().isEmpty());
}

TEST_F(RecipientCommands, StatusBarCountsRecipientsAndNotAddressesInEitherLanguage)
{
    const auto count = [this] {
        Pump();
        return Str(Window().listStatusBar->countLabel->text());
    };
    EXPECT_EQ(count(), "0 recipients");
    Ui.OpenAnswers = {Sandbox.MakeFile("list.txt", "a@x.org\nno address\n\nb@x.org\n")};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(count(), "2 recipients · 1 not an address");
    Window().useSlovenianAction->trigger();
    EXPECT_EQ(count(), "2 prejemnika · 1 ni naslov");
    Window().clearRecipientsAction->trigger();
    EXPECT_EQ(count(), "0 prejemnikov");
}

// Clear and Delete go back with the status bar's Undo or Ctrl+Z in the list, labels and
// columns included; a later change of the list withdraws the offer.
TEST_F(RecipientCommands, ClearAndDeleteCanBeUndone)
{
    Ui.OpenAnswers = {Sandbox.MakeFile("book.csv", "Name,E-mail\nAna,ana@x.org\nBo,bo@x.org\n")};
    Window().openRecipientFileAction->trigger();
    const QStringList loaded = Entries();
    ASSERT_EQ(loaded.size(), 2);
    Window().clearRecipientsAction->trigger();
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(Window().listStatusBar->undoButton->isVisible());
    Window().listStatusBar->undoButton->click();
    EXPECT_EQ(Entries(), loaded);
    EXPECT_EQ(Labels().size(), 2);
    EXPECT_TRUE(Window().recipientFields.HasColumns());
    EXPECT_FALSE(Window().listStatusBar->undoButton->isVisible());

    Window().recipientList->SetItemIndex(0);
    SendKey(Window().recipientList, QEvent::KeyRelease, Qt::Key_Delete);
    EXPECT_EQ(Entries().size(), 1);
    Window().recipientList->setFocus();
    QTest::keyClick(Window().recipientList, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Entries(), loaded);

    Window().clearRecipientsAction->trigger();
    Type(Window().addressEdit, "new@x.org");
    Window().addRecipient();
    EXPECT_FALSE(Window().listStatusBar->undoButton->isVisible());
    Window().undoListAction->trigger();
    EXPECT_EQ(Entries(), QStringList{"new@x.org"});
}

TEST_F(RecipientCommands, AltFOpensTheFileMenuInEitherLanguageAndToolTipsNameKeys)
{
    for (QAction* language : {Window().useSlovenianAction, Window().useEnglishAction}) {
        language->trigger();
        Activate(Window());
        Window().addressEdit->setFocus();
        QTest::keyClick(Window().addressEdit, Qt::Key_F, Qt::AltModifier);
        EXPECT_TRUE(PumpUntil([this] { return Window().fileMenu->isVisible(); })) << Str(Window().fileMenu->title());
        QTest::keyClick(Window().fileMenu, Qt::Key_Escape);
        QTest::keyClick(Window().menuBar(), Qt::Key_Escape);
        Pump();
    }
    Window().useEnglishAction->trigger();
    EXPECT_EQ(Str(ToolTipWithKey(Window().sendButton, Window().sendToListAction)),
              "Send the message to the recipients (Ctrl+Return)");
    EXPECT_EQ(Str(ToolTipWithKey(Window().previewButton, Window().previewMessageAction)),
              "See the message as the selected recipient will get it (Ctrl+P)");
}

TEST_F(RecipientCommands, UnreadableFileIsReportedAndChangesNothing)
{
    Window().addressEdit->setText("keep@x.org");
    Window().addRecipient();
    Ui.OpenAnswers = {Sandbox.Path("gone.txt")};
    Window().openRecipientFileAction->trigger();
    EXPECT_EQ(Ui.Errors, std::vector<std::string>{"Cannot open file " + Sandbox.Path("gone.txt")});
    EXPECT_EQ(Entries(), QStringList{"keep@x.org"});
    EXPECT_EQ(Labels().size(), 1);
}

TEST_F(RecipientCommands, LabelColumnStaysLevelWhenTheListScrolls)
{
    QStringList many;
    for (int i = 0; i < 60; ++i)
        many << QString("r%1@x.org").arg(i);
    Ui.OpenAnswers = {Sandbox.MakeFile("many.txt", many.join("\n").toStdString())};
    Window().openRecipientFileAction->trigger();
    for (int row : {59, 30, 0, 45}) {
        Window().recipientList->ScrollToRow(row);
        Pump();
        const int entryTop = Window().recipientList->indexAt(QPoint(2, 2)).row();
        const int labelTop = Window().labelColumn->indexAt(QPoint(2, 2)).row();
        EXPECT_EQ(labelTop, entryTop) << "scrolled to " << row;
        EXPECT_EQ(Window().labelColumn->verticalScrollBar()->value(),
                  Window().recipientList->verticalScrollBar()->value());
    }
}

}
