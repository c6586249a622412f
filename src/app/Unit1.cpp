#include "app/Unit1.h"

#include "app/DisplayedLines.h"
#include "app/Guard.h"
#include "app/Language.h"
#include "app/Pelmar.h"
#include "app/SendBinding.h"
#include "app/SettingsStore.h"
#include "app/Unit3.h"
#include "app/Unit5.h"
#include "app/Unit6.h"
#include "app/Widgets.h"
#include "app/about.h"
#include "mail/SmtpClient.h"
#include "workflow/MessageText.h"
#include "workflow/Messages.h"
#include "workflow/ProgramFolder.h"
#include "workflow/ProgramState.h"
#include "workflow/SendJob.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace {

const char* const FileFilter = "*.txt|*.txt|*.*|*.*";

std::string Text(const QLineEdit* edit)
{
    return edit->text().toStdString();
}

QString QText(const std::string& text)
{
    return QString::fromStdString(text);
}

bool IsFile(const QString& path)
{
    return QFileInfo(path).isFile();
}

}

TForm1::TForm1(TPelmar& program) : FProgram(program)
{
    BuildWindow();
    BuildSmtp();
    Open.Title = "Varnolt Pelmar - Open file";
    Open.Filter = FileFilter;
    Save.Title = "Varnolt Pelmar - Save file";
    Save.Filter = FileFilter;
    Save.DefaultExt = "txt";
    StatusBar1->SetPanelText(0, MakerLine);
    ApplyInitialTexts(*this);
    WireEvents();
    Guard([this] { FormCreate(); });
}

TForm1::~TForm1()
{
    // The component goes before the job its events call into.
    delete SMTP;
}

void TForm1::BuildSmtp()
{
    SMTP = new TSmtpClient(this);
    SMTP->setObjectName("SMTP");
    SMTP->SetPort(25);
    SMTP->SetReportLevel(0);
    SMTP->SetEncodeType(emBase64);
    SMTP->SetClearParams(true);
    SMTP->SetSubType(mtHtml);
    SMTP->SetCharset("us-ascii");
    FSendBinding = std::make_unique<TSendBinding>(FProgram);
    FSendJob = std::make_unique<TSendJob>(*SMTP, *ListBox1, *FSendBinding, *FSendBinding, *FSendBinding);
    WireSmtpEvents();
}

void TForm1::WireSmtpEvents()
{
    SMTP->OnDisconnect = [this](QObject* sender) { SMTPDisconnect(sender); };
    SMTP->OnConnect = [this](QObject* sender) { SMTPConnect(sender); };
    SMTP->OnInvalidHost = [this](bool& handled) { SMTPInvalidHost(handled); };
    SMTP->OnHostResolved = [this](QObject* sender) { SMTPHostResolved(sender); };
    SMTP->OnStatus = [this](QObject* sender, const std::string& status) { SMTPStatus(sender, status); };
    SMTP->OnConnectionFailed = [this](QObject* sender) { SMTPConnectionFailed(sender); };
    SMTP->OnRecipientNotFound = [this](const std::string& recipient) { SMTPRecipientNotFound(recipient); };
    SMTP->OnSendStart = [this](QObject* sender) { SMTPSendStart(sender); };
    SMTP->OnSuccess = [this](QObject* sender) { SMTPSuccess(sender); };
    SMTP->OnFailure = [this](QObject* sender) { SMTPFailure(sender); };
    SMTP->OnAuthenticationFailed = [this](bool& handled) { SMTPAuthenticationFailed(handled); };
}

template <typename Handler>
static auto Guarded(TForm1* form, Handler handler)
{
    return [form, handler] { Guard([form, handler] { (form->*handler)(); }); };
}

void TForm1::WireEvents()
{
    const std::pair<QAction*, void (TForm1::*)()> menuRows[] = {
        {M11, &TForm1::Button2Click}, {M12, &TForm1::M12Click}, {M18, &TForm1::M18Click},
        {M17, &TForm1::M17Click},     {M15, &TForm1::M15Click}, {M16, &TForm1::M16Click},
        {M14, &TForm1::M14Click},     {M13, &TForm1::Button1Click}, {M19, &TForm1::M19Click},
        {M21, &TForm1::M21Click},     {M22, &TForm1::M22Click}, {M3, &TForm1::M3Click},
        {M41, &TForm1::M41Click},     {M42, &TForm1::M42Click}, {M43, &TForm1::M43Click},
        {M49, &TForm1::M49Click},     {P1, &TForm1::P1Click}};
    for (const auto& [row, handler] : menuRows)
        connect(row, &QAction::triggered, this, Guarded(this, handler));

    const std::pair<QAbstractButton*, void (TForm1::*)()> buttons[] = {
        {ToolButton1, &TForm1::Button1Click}, {ToolButton2, &TForm1::M12Click},
        {ToolButton3, &TForm1::Button2Click}, {ToolButton4, &TForm1::M21Click},
        {ToolButton5, &TForm1::M22Click},     {ToolButton6, &TForm1::M3Click},
        {ToolButton9, &TForm1::M3Click},      {ToolButton12, &TForm1::ToolButton12Click},
        {Button1, &TForm1::Button3Click},     {Button20, &TForm1::Button20Click},
        {Button22, &TForm1::Button22Click}};
    for (const auto& [button, handler] : buttons)
        connect(button, &QAbstractButton::clicked, this, Guarded(this, handler));

    StatusBar1->OnClick = Guarded(this, &TForm1::StatusBar1Click);
    OnDoubleClick(ListBox1->viewport(), Guarded(this, &TForm1::Button2Click));
    OnDoubleClick(Edit2, Guarded(this, &TForm1::Button3Click));
    OnDoubleClick(Memo1->viewport(), Guarded(this, &TForm1::M12Click));
    OnClick(Edit3, Guarded(this, &TForm1::Button20Click));
    connect(Edit2, &QLineEdit::returnPressed, this, [this] { Guard([this] { Edit2KeyPress('\r'); }); });
    HookEvents(Edit2, [this](QEvent* event) {
        // Only a move to another control of this window counts as leaving the field,
        // not the window losing the focus or a menu opening.
        if (event->type() == QEvent::FocusOut) {
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                Guard([this] { Edit2Exit(); });
        }
        return false;
    });
    HookEvents(ListBox1, [this](QEvent* event) {
        if (event->type() == QEvent::KeyRelease)
            Guard([this, event] { ListBox1KeyUp(static_cast<QKeyEvent*>(event)->key()); });
        return false;
    });
    connect(ListBox1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { PopupMenu1->popup(ListBox1->viewport()->mapToGlobal(at)); });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TForm1::FocusWindowChanged);
}

// ---- Life cycle -------------------------------------------------------------------------

void TForm1::FormCreate()
{
    WebSiteAddress = ProgramSiteUrl;
    MakerSiteAddress = MakerSiteUrl;
    const int left = RegReadInteger(SettingsKey, "left", 10);
    const int top = RegReadInteger(SettingsKey, "top", 20);
    move(left, top);
    const int width = RegReadInteger(SettingsKey, "width", 750);
    const int height = RegReadInteger(SettingsKey, "height", 550);
    resize(width, height);
    CurrentLanguage = RegReadInteger(SettingsKey, "jezik", 2);
}

void TForm1::FormShow()
{
    const QStringList& arguments = FProgram.Arguments();
    if (arguments.size() < 2)
        return;
    if (IsFile(arguments[0]))
        Recipients().LoadFromFile(arguments[0].toStdString(), Button1->text().toStdString());
    if (IsFile(arguments[1]))
        SetBodyText(LoadMessageText(arguments[1].toStdString()));
    if (arguments.size() > 2 && arguments[2] == "send") {
        LoadSettings();
        Button1Click();
    }
}

void TForm1::LoadSettings()
{
    TForm3& form3 = *FProgram.Form3;
    form3.Edit1->setText(QText(RegReadString(SettingsKey, "ime", "")));
    form3.Edit2->setText(QText(RegReadString(SettingsKey, "email", "")));
    form3.Edit3->setText(QText(RegReadString(SettingsKey, "host", "")));
    form3.Edit4->setText(QText(RegReadString(SettingsKey, "username", "")));
    form3.Edit5->setText(QText(RegReadString(SettingsKey, "charset", "us-ascii")));
    form3.Edit6->setText(QString::number(RegReadInteger(SettingsKey, "pavza", 0)));
    form3.Edit7->setText(QString::number(RegReadInteger(SettingsKey, "port", 25)));
}

void TForm1::FormActivate()
{
    ++FActivations;
    Edit2->setFocus(Qt::OtherFocusReason);
    ApplyLanguage(*this, *FProgram.Form3);
    LoadSettings();
    Open.InitialDir = RegReadString(SettingsKey, "imenik", "");
    RadioGroup1->SetItemIndex(RegReadInteger(SettingsKey, "HTML", 0));
    TForm3& form3 = *FProgram.Form3;
    if (form3.Edit1->text().isEmpty() || form3.Edit2->text().isEmpty() || form3.Edit3->text().isEmpty()
        || form3.Edit4->text().isEmpty()) {
        UserInterface().ShowMessage(Messages::Welcome());
        UserInterface().ExecModal(form3);
    }
}

void TForm1::FormClose()
{
    CancelSmtp();
    RegWriteString(SettingsKey, "prisoten", "ja");
    RegWriteInteger(SettingsKey, "jezik", CurrentLanguage);
    RegWriteInteger(SettingsKey, "left", x());
    RegWriteInteger(SettingsKey, "top", y());
    RegWriteInteger(SettingsKey, "width", width());
    RegWriteInteger(SettingsKey, "height", height());
    RegWriteString(SettingsKey, "verzija", ProgramVersion);
    if (!Open.FileName.empty())
        RegWriteString(SettingsKey, "imenik", ExtractFilePath(Open.FileName));
    RegWriteInteger(SettingsKey, "HTML", RadioGroup1->ItemIndex());
}

void TForm1::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    Guard([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // The state is saved and the preview file removed even when saving fails part way:
    // the program must still be able to end.
    Guard([this] { FormClose(); });
    Guard([] { RemovePreviewFile(); });
    event->accept();
    if (OnClosed)
        OnClosed();
}

// The activation handler runs when the window first becomes active and whenever the user
// comes back to it from the log window or the import help; not after a modal dialog or a
// message box, and not when coming back from another program.
void TForm1::FocusWindowChanged(QWindow* window)
{
    if (!window)
        return;
    QWindow* previous = FLastFocusWindow;
    FLastFocusWindow = window;
    if (window != windowHandle())
        return;
    const auto handleOf = [](QWidget* widget) { return widget ? widget->windowHandle() : nullptr; };
    const bool fromAuxiliary = previous && (previous == handleOf(FProgram.Form6)
                                            || previous == handleOf(FProgram.OutlookForm));
    if (FActivated && !fromAuxiliary)
        return;
    FActivated = true;
    // Run after the activation has been delivered, not inside the focus notification.
    QTimer::singleShot(0, this, [this] { Guard([this] { FormActivate(); }); });
}

// ---- Send --------------------------------------------------------------------------------

void TForm1::CancelSmtp()
{
    SMTP->Cancel();
}

void TForm1::Button1Click()
{
    FSendJob->Run();
}

void TForm1::SMTPDisconnect(QObject* Sender) { FSendJob->SMTPDisconnect(Sender); }
void TForm1::SMTPConnect(QObject* Sender) { FSendJob->SMTPConnect(Sender); }
void TForm1::SMTPInvalidHost(bool& Handled) { FSendJob->SMTPInvalidHost(Handled); }
void TForm1::SMTPHostResolved(QObject* Sender) { FSendJob->SMTPHostResolved(Sender); }
void TForm1::SMTPStatus(QObject* Sender, const std::string& Status) { FSendJob->SMTPStatus(Sender, Status); }
void TForm1::SMTPConnectionFailed(QObject* Sender) { FSendJob->SMTPConnectionFailed(Sender); }
void TForm1::SMTPRecipientNotFound(const std::string& Recipient) { FSendJob->SMTPRecipientNotFound(Recipient); }
void TForm1::SMTPSendStart(QObject* Sender) { FSendJob->SMTPSendStart(Sender); }
void TForm1::SMTPSuccess(QObject* Sender) { FSendJob->SMTPSuccess(Sender); }
void TForm1::SMTPFailure(QObject* Sender) { FSendJob->SMTPFailure(Sender); }
void TForm1::SMTPAuthenticationFailed(bool& Handled) { FSendJob->SMTPAuthenticationFailed(Handled); }

// ---- Recipient list ----------------------------------------------------------------------

TRecipientList TForm1::Recipients()
{
    return TRecipientList(*ListBox1, *ListBox2);
}

void TForm1::Button2Click()
{
    if (Open.Execute())
        Recipients().LoadFromFile(Open.FileName, Button1->text().toStdString());
}

void TForm1::AddTypedAddress()
{
    Recipients().Add(Text(Edit2), Button1->text().toStdString());
    Edit2->clear();
}

void TForm1::Button3Click()
{
    AddTypedAddress();
    Edit2->setFocus(Qt::OtherFocusReason);
}

void TForm1::Edit2KeyPress(char key)
{
    if (key == '\r')
        Button3Click();
}

void TForm1::Edit2Exit()
{
    AddTypedAddress();
}

void TForm1::ListBox1KeyUp(int key)
{
    if (key == Qt::Key_Delete)
        Recipients().DeleteSelected();
}

void TForm1::M17Click()
{
    Recipients().Clear();
}

void TForm1::P1Click()
{
    Recipients().Clear();
}

void TForm1::M15Click()
{
    if (Save.Execute())
        Recipients().SaveToFile(Save.FileName);
}

// ---- Message and attachment --------------------------------------------------------------

std::string TForm1::BodyText() const
{
    QString text = Memo1->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, "\r\n").replace(QChar::LineSeparator, "\r\n");
    return text.toStdString();
}

void TForm1::SetBodyText(const std::string& text)
{
    Memo1->setPlainText(QText(ToCrLf(text)).replace("\r\n", "\n"));
}

TStringList TForm1::DisplayedBodyLines() const
{
    return FBodyLines.Lines(*Memo1);
}

void TForm1::M12Click()
{
    // The file is read before the body is replaced, so a file that cannot be read
    // leaves the body as it was.
    if (Open.Execute())
        SetBodyText(LoadMessageText(Open.FileName));
}

void TForm1::M16Click()
{
    if (Save.Execute())
        SaveMessageText(Save.FileName, BodyText());
}

void TForm1::Button20Click()
{
    if (Open.Execute())
        Edit3->setText(QText(Open.FileName));
}

void TForm1::Button22Click()
{
    Edit3->clear();
}

void TForm1::M18Click()
{
    UserInterface().ShellOpen(WritePreviewFile(BodyText()));
}

// ---- Routing -----------------------------------------------------------------------------

void TForm1::M19Click()
{
    CancelSmtp();
    close();
}

void TForm1::M3Click()
{
    UserInterface().ExecModal(*FProgram.Form3);
}

void TForm1::M14Click()
{
    FProgram.OutlookForm->show();
    FProgram.OutlookForm->raise();
    FProgram.OutlookForm->activateWindow();
}

void TForm1::M21Click()
{
    CurrentLanguage = 1;
    ApplyLanguage(*this, *FProgram.Form3);
}

void TForm1::M22Click()
{
    CurrentLanguage = 2;
    ApplyLanguage(*this, *FProgram.Form3);
}

void TForm1::M41Click()
{
    UserInterface().ShellOpen(ExecutableFolder() + "help.htm");
}

void TForm1::M42Click()
{
    UserInterface().ShellOpen(WebSiteAddress);
}

void TForm1::M43Click()
{
    UserInterface().ShellOpen(ForumAddress);
}

void TForm1::ToolButton12Click()
{
    UserInterface().ShellOpen(WebSiteAddress);
}

void TForm1::StatusBar1Click()
{
    UserInterface().ShellOpen(WebSiteAddress);
}

void TForm1::M49Click()
{
    TVarnoltAbout& about = *FProgram.VarnoltAbout;
    about.SetLines({QText(Messages::AboutParagraph()), QString(), QText(Messages::AboutSeeAlso())});
    UserInterface().ExecModal(about);
}
