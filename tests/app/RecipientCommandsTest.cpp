#include "AppFixture.h"

#include "app/ImportHelpWindow.h"

#include <QScrollBar>

namespace {

class RecipientCommands : public AppTest {
protected:
    void SetUp() override
    {
        Sandbox.WriteSettings(CompleteSettings);
        Start();
        ASSERT_EQ(QApplication::focusWidget(), Form1().Edit2);
    }

    QStringList Entries() { return Form1().ListBox1->Items(); }
    QStringList Labels() { return Form1().ListBox2->Items(); }
};

TEST_F(RecipientCommands, EnterAddsOnceEmptiesTheFieldAndKeepsTheFocus)
{
    Type(Form1().Edit2, "ana@x.org");
    SendKey(Form1().Edit2, QEvent::KeyPress, Qt::Key_Return, "\r");
    SendKey(Form1().Edit2, QEvent::KeyPress, Qt::Key_Return, "\r");
    EXPECT_EQ(Entries(), QStringList{"ana@x.org"});
    EXPECT_EQ(Labels(), QStringList{"To:"});
    EXPECT_TRUE(Form1().Edit2->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), Form1().Edit2);
}

TEST_F(RecipientCommands, LeavingTheFieldAddsOnceWhereverTheFocusGoes)
{
    const std::pair<QWidget*, Qt::FocusReason> targets[] = {{Form1().Button1, Qt::MouseFocusReason},
        {Form1().Memo1, Qt::TabFocusReason}, {Form1().ListBox1, Qt::MouseFocusReason}};
    int expected = 0;
    for (const auto& [target, reason] : targets) {
        Form1().Edit2->setFocus(Qt::OtherFocusReason);
        Type(Form1().Edit2, "bo@x.org");
        target->setFocus(reason);
        if (target == Form1().Button1)
            Form1().Button1->click();  // the click comes after the focus moved
        EXPECT_EQ(Entries().size(), ++expected) << target->objectName().toStdString();
    }
    EXPECT_EQ(Labels().size(), expected);
}

TEST_F(RecipientCommands, LosingTheWindowDoesNotAddTheTypedAddress)
{
    Type(Form1().Edit2, "half@x");
    Activate(*Program->OutlookForm);
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_EQ(Str(Form1().Edit2->text()), "half@x");
}

TEST_F(RecipientCommands, DoubleClickInTheFieldAddsWhatItHolds)
{
    Form1().Edit2->setText("dbl@x.org");
    QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form1().Edit2, &click);
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

class DeleteKey : public RecipientCommands, public ::testing::WithParamInterface<DeleteKeyCase> {};

TEST_P(DeleteKey, RemovesTheSelectedEntryWithItsLabel)
{
    for (const char* address : {"a", "b", "c"}) {
        Form1().Edit2->setText(address);
        Form1().Button3Click();
    }
    Form1().ListBox1->SetItemIndex(GetParam().selected);
    SendKey(Form1().ListBox1, QEvent::KeyRelease, GetParam().key);
    EXPECT_EQ(Entries(), GetParam().entries);
    EXPECT_EQ(Labels().size(), Entries().size());
    EXPECT_EQ(Form1().ListBox1->ItemIndex(), GetParam().selectedAfter);
}

INSTANTIATE_TEST_SUITE_P(Keys, DeleteKey, ::testing::Values(
    DeleteKeyCase{"Last", 2, Qt::Key_Delete, {"a", "b"}, 1},
    DeleteKeyCase{"First", 0, Qt::Key_Delete, {"b", "c"}, 0},
    DeleteKeyCase{"NoneSelected", -1, Qt::Key_Delete, {"a", "b", "c"}, -1},
    DeleteKeyCase{"OtherKey", 1, Qt::Key_Backspace, {"a", "b", "c"}, 1}),
    [](const auto& info) { return info.param.name; });

TEST_F(RecipientCommands, LoadSaveAndClearGoThroughTheSharedDialogs)
{
    const std::string file = Sandbox.MakeFile("in/list.txt", "E-mail Address\na@x.org\n\nb@x.org\n");
    Ui.OpenAnswers = {file, ""};
    Form1().M11->trigger();
    EXPECT_EQ(Entries(), (QStringList{"E-mail Address", "a@x.org", "", "b@x.org"}));
    EXPECT_EQ(Labels(), QStringList(4, "To:"));
    Form1().ToolButton3->click();  // cancelled: nothing changes
    EXPECT_EQ(Entries().size(), 4);

    Ui.SaveAnswers = {Sandbox.Path("out.txt")};
    Form1().M15->trigger();
    EXPECT_EQ(ReadFileBytes(Sandbox.Path("out.txt")), "E-mail Address\r\na@x.org\r\n\r\nb@x.org\r\n");
    ASSERT_EQ(Ui.FileRequests.size(), 3u);
    EXPECT_EQ(Ui.FileRequests[0].Title, "Varnolt Pelmar - Open file");
    EXPECT_EQ(Ui.FileRequests[0].Filter, "*.txt|*.txt|*.*|*.*");
    EXPECT_EQ(Ui.FileRequests[0].DefaultExt, "");
    EXPECT_EQ(Ui.FileRequests[2].Title, "Varnolt Pelmar - Save file");
    EXPECT_EQ(Ui.FileRequests[2].DefaultExt, "txt");

    Form1().P1->trigger();
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(Labels().isEmpty());
    Ui.OpenAnswers = {file};
    Form1().M11->trigger();
    Form1().M17->trigger();
    EXPECT_TRUE(Entries().isEmpty());
    EXPECT_TRUE(Labels().isEmpty());
}

TEST_F(RecipientCommands, UnreadableFileIsReportedAndChangesNothing)
{
    Form1().Edit2->setText("keep@x.org");
    Form1().Button3Click();
    Ui.OpenAnswers = {Sandbox.Path("gone.txt")};
    Form1().M11->trigger();
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
    Form1().M11->trigger();
    for (int row : {59, 30, 0, 45}) {
        Form1().ListBox1->ScrollToRow(row);
        Pump();
        const int entryTop = Form1().ListBox1->indexAt(QPoint(2, 2)).row();
        const int labelTop = Form1().ListBox2->indexAt(QPoint(2, 2)).row();
        EXPECT_EQ(labelTop, entryTop) << "scrolled to " << row;
        EXPECT_EQ(Form1().ListBox2->verticalScrollBar()->value(), Form1().ListBox1->verticalScrollBar()->value());
    }
}

}
