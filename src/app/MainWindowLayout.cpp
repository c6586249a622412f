// The main window's controls and their layout.
#include "app/Pictures.h"
#include "app/MainWindow.h"
#include "app/Widgets.h"

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int RowHeight = 16;
constexpr int LabelColumnWidth = 48;
constexpr int RecipientBandHeight = 82;
constexpr int EntryBandHeight = 25;

QAction* Row(QMenu* menu, const char* name)
{
    auto* action = menu->addAction(QString());
    action->setObjectName(name);
    return action;
}

QMenu* TopMenu(QMenuBar* bar, const char* name)
{
    auto* menu = bar->addMenu(QString());
    menu->setObjectName(name);
    return menu;
}

QToolButton* PictureButton(QToolBar* bar, const char* name, const char* picture)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFixedSize(60, 51);
    button->setIconSize(QSize(50, 45));
    button->setIcon(PictureIcon(picture));
    bar->addWidget(button);
    return button;
}

QToolButton* TextButton(QToolBar* bar, const char* name, QMenu* menu)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    if (menu) {
        button->setMenu(menu);
        button->setPopupMode(QToolButton::InstantPopup);
        button->setStyleSheet("QToolButton::menu-indicator { image: none; }");
    }
    bar->addWidget(button);
    return button;
}

void Gap(QToolBar* bar, int width)
{
    auto* gap = new QWidget(bar);
    gap->setFixedWidth(width);
    bar->addWidget(gap);
}

QWidget* Band(QWidget* parent, const char* name, QBoxLayout*& layout)
{
    auto* band = new QWidget(parent);
    band->setObjectName(name);
    layout = new QHBoxLayout(band);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    return band;
}

QPushButton* Button(QWidget* parent, const char* name, int width)
{
    auto* button = new QPushButton(parent);
    button->setObjectName(name);
    button->setFixedWidth(width);
    button->setAutoDefault(false);
    return button;
}

}

void TForm1::BuildMenus()
{
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    M1 = TopMenu(bar, "M1");
    M11 = Row(M1, "M11");
    M12 = Row(M1, "M12");
    M1->addSeparator();
    M18 = Row(M1, "M18");
    M1->addSeparator();
    M17 = Row(M1, "M17");
    M1->addSeparator();
    M15 = Row(M1, "M15");
    M16 = Row(M1, "M16");
    M1->addSeparator();
    M14 = Row(M1, "M14");
    M1->addSeparator();
    M13 = Row(M1, "M13");
    M13->setIcon(PictureIcon("send"));
    M1->addSeparator();
    M19 = Row(M1, "M19");

    M2 = TopMenu(bar, "M2");
    M21 = Row(M2, "M21");
    M22 = Row(M2, "M22");

    M3 = bar->addAction(QString());
    M3->setObjectName("M3");

    M4 = TopMenu(bar, "M4");
    M41 = Row(M4, "M41");
    M42 = Row(M4, "M42");
    M43 = Row(M4, "M43");
    M4->addSeparator();
    M49 = Row(M4, "M49");

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName("PopupMenu1");
    P1 = Row(PopupMenu1, "P1");
}

void TForm1::BuildToolBars()
{
    ToolBar2 = addToolBar(QString());
    ToolBar2->setObjectName("ToolBar2");
    ToolButton7 = TextButton(ToolBar2, "ToolButton7", M1);
    ToolButton8 = TextButton(ToolBar2, "ToolButton8", M2);
    ToolButton9 = TextButton(ToolBar2, "ToolButton9", nullptr);
    ToolButton10 = TextButton(ToolBar2, "ToolButton10", M4);
    addToolBarBreak();

    ToolBar1 = addToolBar(QString());
    ToolBar1->setObjectName("ToolBar1");
    ToolBar1->setIconSize(QSize(50, 45));
    ToolButton1 = PictureButton(ToolBar1, "ToolButton1", "send");
    ToolBar1->addSeparator();
    ToolButton2 = PictureButton(ToolBar1, "ToolButton2", "message");
    ToolButton3 = PictureButton(ToolBar1, "ToolButton3", "recipients");
    ToolBar1->addSeparator();
    ToolButton4 = PictureButton(ToolBar1, "ToolButton4", "slovenian");
    ToolButton5 = PictureButton(ToolBar1, "ToolButton5", "english");
    ToolBar1->addSeparator();
    ToolButton6 = PictureButton(ToolBar1, "ToolButton6", "settings");
    Gap(ToolBar1, 45);
    ToolButton12 = PictureButton(ToolBar1, "ToolButton12", "web");
    ToolButton12->setCursor(Qt::PointingHandCursor);
}

QWidget* TForm1::BuildRecipientBands()
{
    auto* bands = new QWidget(this);
    auto* column = new QVBoxLayout(bands);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    QBoxLayout* row = nullptr;
    Panel2 = Band(bands, "Panel2", row);
    Panel2->setMinimumHeight(RecipientBandHeight);
    ListBox2 = new TListBox("ListBox2", RowHeight, Panel2);
    ListBox2->setFixedWidth(LabelColumnWidth);
    ListBox2->setEnabled(false);
    ListBox2->setFocusPolicy(Qt::NoFocus);
    ListBox2->setBackgroundRole(QPalette::Button);
    ListBox2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox2->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1 = new TListBox("ListBox1", RowHeight, Panel2);
    ListBox1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ListBox1->setContextMenuPolicy(Qt::CustomContextMenu);
    row->addWidget(ListBox2);
    row->addWidget(ListBox1, 1);
    column->addWidget(Panel2, 1);

    Panel7 = Band(bands, "Panel7", row);
    Panel7->setFixedHeight(EntryBandHeight);
    Button1 = Button(Panel7, "Button1", 43);
    Button1->setFocusPolicy(Qt::ClickFocus);
    Edit2 = new QLineEdit(Panel7);
    Edit2->setObjectName("Edit2");
    row->addWidget(Button1);
    row->addWidget(Edit2, 1);
    column->addWidget(Panel7);

    Panel4 = Band(bands, "Panel4", row);
    Panel4->setFixedHeight(EntryBandHeight);
    Button20 = Button(Panel4, "Button20", 145);
    Edit3 = new QLineEdit(Panel4);
    Edit3->setObjectName("Edit3");
    Edit3->setReadOnly(true);
    Button22 = Button(Panel4, "Button22", 25);
    QFont bold = Button22->font();
    bold.setBold(true);
    Button22->setFont(bold);
    row->addWidget(Button20);
    row->addWidget(Edit3, 1);
    row->addWidget(Button22);
    column->addWidget(Panel4);
    return bands;
}

QWidget* TForm1::BuildMessageArea()
{
    auto* area = new QWidget(this);
    auto* column = new QVBoxLayout(area);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);

    QBoxLayout* row = nullptr;
    Panel5 = Band(area, "Panel5", row);
    row->setContentsMargins(4, 0, 0, 0);
    row->setSpacing(6);
    Label1 = new QLabel(Panel5);
    Label1->setObjectName("Label1");
    Edit1 = new QLineEdit(Panel5);
    Edit1->setObjectName("Edit1");
    RadioGroup1 = new TRadioGroup("RadioGroup1", 2, Panel5);
    RadioGroup1->setMinimumWidth(220);
    RadioGroup1->SetItemIndex(0);
    Label1->setBuddy(Edit1);
    row->addWidget(Label1);
    row->addWidget(Edit1, 1, Qt::AlignVCenter);
    row->addWidget(RadioGroup1);
    column->addWidget(Panel5);

    Panel6 = new QWidget(area);
    Panel6->setObjectName("Panel6");
    auto* body = new QVBoxLayout(Panel6);
    body->setContentsMargins(0, 0, 0, 0);
    body->setSpacing(0);
    Memo1 = new QPlainTextEdit(Panel6);
    Memo1->setObjectName("Memo1");
    Memo1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    StatusBar2 = new TStatusBar("StatusBar2", {300, 250, 50}, Panel6);
    body->addWidget(Memo1, 1);
    body->addWidget(StatusBar2);
    column->addWidget(Panel6, 1);
    return area;
}

void TForm1::BuildWindow()
{
    setObjectName("Form1");
    setWindowTitle("Varnolt Pelmar");
    resize(747, 580);
    BuildMenus();
    BuildToolBars();

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(2, 2, 2, 0);
    column->setSpacing(2);
    // The recipient bands and the message share the height; the user moves the border.
    auto* splitter = new QSplitter(Qt::Vertical, central);
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(BuildRecipientBands());
    splitter->addWidget(BuildMessageArea());
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({RecipientBandHeight + 2 * (EntryBandHeight + 2), 400});
    column->addWidget(splitter, 1);
    StatusBar1 = new TStatusBar("StatusBar1", {200, 200, 50}, central);
    StatusBar1->setCursor(Qt::PointingHandCursor);
    column->addWidget(StatusBar1);
    setCentralWidget(central);

    // The label column has no scroll bar of its own: it follows the entries row for row.
    connect(ListBox1->verticalScrollBar(), &QScrollBar::valueChanged, ListBox2->verticalScrollBar(),
            &QScrollBar::setValue);
    const auto level = [this] { ListBox2->verticalScrollBar()->setValue(ListBox1->verticalScrollBar()->value()); };
    connect(ListBox1->verticalScrollBar(), &QScrollBar::rangeChanged, this, level);
    connect(ListBox2->verticalScrollBar(), &QScrollBar::rangeChanged, this, level);
}
