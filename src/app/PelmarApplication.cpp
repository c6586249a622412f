#include "app/PelmarApplication.h"

#include "app/QtUserInterface.h"
#include "app/ScreenFit.h"
#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "app/ImportHelpWindow.h"
#include "app/SendLogWindow.h"
#include "app/AboutBox.h"
#include "workflow/ProgramState.h"

#include <QApplication>

namespace {

TForm1* mainWindow = nullptr;

void ShowTitle(const std::string& title)
{
    // The desktop shows a program by its main window's title.
    if (mainWindow)
        mainWindow->setWindowTitle(QString::fromStdString(title));
}

}

TPelmar::TPelmar(QStringList arguments) : FArguments(std::move(arguments))
{
    SetApplicationTitle(ApplicationTitle);
    FMainWindow = std::make_unique<TForm1>(*this);
    Form1 = FMainWindow.get();
    FitOnScreen(*Form1);
    FCreationOrder.push_back("Form1");
    Form3 = new TForm3(Form1);
    FCreationOrder.push_back("Form3");
    VarnoltAbout = new TVarnoltAbout(Form1);
    FCreationOrder.push_back("VarnoltAbout");
    OutlookForm = new TOutlookForm(Form1);
    FCreationOrder.push_back("OutlookForm");
    Form6 = new TForm6(Form1);
    FCreationOrder.push_back("Form6");
    mainWindow = Form1;
    SetApplicationTitleObserver(ShowTitle);
}

TPelmar::~TPelmar()
{
    SetApplicationTitleObserver(nullptr);
    mainWindow = nullptr;
}

int RunPelmar(const QStringList& arguments)
{
    TQtUserInterface ui;
    SetUserInterface(&ui);
    int status = 0;
    {
        TPelmar program(arguments);
        program.Form1->OnClosed = [] { QCoreApplication::quit(); };
        program.Form1->show();
        program.Form1->activateWindow();
        status = QApplication::exec();
    }
    SetUserInterface(nullptr);
    return status;
}
