// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Language.h"

#include "workflow/program/ProgramState.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace {

using T = TLanguageText;

const std::vector<TLanguageText> Table = {
    {T::ToolTip, "sendButton", "Pošlji sporočilo naslovnikom", "Send the message to the recipients"},
    {T::ToolTip, "stopButton", "Ustavi pošiljanje po sporočilu, ki je na poti",
     "Stop sending after the message on its way"},
    {T::ToolTip, "previewButton", "Poglej sporočilo, kot ga bo dobil izbrani prejemnik",
     "See the message as the selected recipient will get it"},
    {T::ToolTip, "openMessageButton", "Odpri datoteko s sporočilom", "Open the file with message body"},
    {T::ToolTip, "openRecipientsButton", "Odpri datoteko z naslovniki", "Open the file with a list of addresses"},
    {T::ToolTip, "settingsButton", "Spremeni nastavitve", "Change user settings"},
    {T::ToolTip, "webSiteButton", "Poglej na internet za novo verzijo",
     "Check the internet for a new version of the program"},
    {T::ToolTip, "fileMenuButton", "Odpri, shrani ali pošlji", "Open, save or send"},
    {T::ToolTip, "languageMenuButton", "Izberi jezik programa", "Choose the program's language"},
    {T::ToolTip, "settingsMenuButton", "Spremeni nastavitve", "Change user settings"},
    {T::ToolTip, "aboutMenuButton", "Pomoč, spletna stran in podatki o programu",
     "Help, web site and information about the program"},
    {T::Caption, "addRecipientButton", "Za:", "To:"},
    {T::Caption, "pickAttachmentButton", "Izberi prilogo", "Add attachment"},
    {T::Caption, "subjectLabel", "Naslov sporočila:", "Subject:"},
    {T::Caption, "formatChoice", "Pošlji sporočilo kot", "Send message as"},
    {T::Caption, "formatChoice.Items[0]", "tekst", "text"},
    {T::Caption, "formatChoice.Items[1]", "HTML", "HTML"},
    {T::Caption, "fileMenu", "Datoteka", "File"},
    {T::Caption, "openRecipientFileAction", "Odpri datoteko prejemnikov", "Open recipients file"},
    {T::Caption, "openMessageFileAction", "Odpri datoteko s sporočilom", "Open message file"},
    {T::Caption, "sendToListAction", "Pošlji sporočilo", "Send message"},
    {T::Caption, "stopSendingAction", "Ustavi pošiljanje", "Stop sending"},
    {T::Caption, "showHistoryAction", "Zgodovina pošiljanja …", "Delivery history…"},
    {T::Caption, "sendLaterAction", "Pošlji pozneje …", "Send later…"},
    {T::Caption, "showSuppressionsAction", "Izločeni naslovi …", "Suppression list…"},
    {T::Caption, "showImportHelpAction", "Kako pretvorimo Outlookov imenik?",
     "How to import address book from Outlook?"},
    {T::Caption, "saveRecipientFileAction", "Shrani seznam prejemnikov", "Save recipient list"},
    {T::Caption, "saveMessageFileAction", "Shrani besedilo", "Save message"},
    {T::Caption, "clearRecipientsAction", "Zbriši seznam prejemnikov", "Clear recipient list"},
    {T::Caption, "previewHtmlAction", "Predogled HTML sporočila", "Preview HTML messsage"},
    {T::Caption, "previewMessageAction", "Predogled sporočila za izbranega prejemnika",
     "Preview message for the selected recipient"},
    {T::Caption, "exitProgramAction", "Izhod", "Exit"},
    {T::Caption, "languageMenu", "Jezik", "Language"},
    {T::Caption, "showSettingsAction", "Nastavitve", "Settings"},
    {T::Caption, "aboutMenu", "O programu", "About"},
    {T::Caption, "showHelpAction", "Pomoč", "Help"},
    {T::Caption, "openWebSiteAction", "Spletna stran na internetu", "Program web site on the internet"},
    {T::Caption, "openForumAction", "Forum na internetu", "Forum on the internet"},
    {T::Caption, "showAboutAction", "O programu", "About"},
    {T::Caption, "clearRecipientsPopupRow", "Izbriši vse naslove", "Remove all addresses"},
    {T::Caption, "SettingsDialog", "Varnolt Pelmar - nastavitve", "Varnolt Pelmar - Settings"},
    {T::Caption, "SettingsDialog.nameLabel", "Vaše ime", "Your Name"},
    {T::Caption, "SettingsDialog.emailLabel", "Elektronski naslov", "E-mail Address"},
    {T::Caption, "SettingsDialog.hostLabel", "Naslov poštnega strežnika", "Outgoing mail Server"},
    {T::Caption, "SettingsDialog.userIdLabel", "Uporabniško ime", "User Name"},
    {T::Caption, "SettingsDialog.headingLabel", "Nastavitve", "User settings"},
    {T::Caption, "SettingsDialog.charsetLabel", "Kodiranje znakov", "Character set"},
    {T::Caption, "SettingsDialog.delayUnitLabel", "sekund", "seconds"},
    {T::Caption, "SettingsDialog.delayLabel", "Razmak med sporočili", "Delay between mails"},
    // The secured connection: security choice, password, time-out.
    {T::Caption, "SettingsDialog.securityLabel", "Varnost povezave", "Connection security"},
    {T::Caption, "SettingsDialog.securityNone", "Brez", "None"},
    {T::Caption, "SettingsDialog.securityStartTls", "STARTTLS", "STARTTLS"},
    {T::Caption, "SettingsDialog.securityTls", "SSL/TLS", "SSL/TLS"},
    {T::Caption, "SettingsDialog.passwordLabel", "Geslo", "Password"},
    {T::Caption, "SettingsDialog.timeOutLabel", "Čakanje na strežnik", "Server time-out"},
    {T::Caption, "SettingsDialog.timeOutUnitLabel", "sekund", "seconds"},
    {T::Caption, "SettingsDialog.retryWaitLabel", "Odložene znova čez", "Retry deferred after"},
    {T::Caption, "SettingsDialog.retryWaitUnitLabel", "sekund", "seconds"},
    {T::Caption, "SettingsDialog.limitsLabel", "Največ sporočil", "At most"},
    {T::Caption, "SettingsDialog.perMinuteUnitLabel", "na minuto", "a minute"},
    {T::Caption, "SettingsDialog.perHourUnitLabel", "na uro", "an hour"},
    {T::Caption, "SettingsDialog.perDayUnitLabel", "na dan", "a day"},
    {T::Caption, "SettingsDialog.unsubscribeLabel", "Odjava (mailto ali https)", "Unsubscribe (mailto or https)"},
    {T::Caption, "SettingsDialog.signInLabel", "Prijava", "Sign-in"},
    {T::Caption, "SettingsDialog.signInPassword", "Geslo", "Password"},
    {T::Caption, "SettingsDialog.signInOAuth", "OAuth 2.0", "OAuth 2.0"},
    {T::Caption, "SettingsDialog.signInCommand", "Ukaz za žeton", "Token command"},
    {T::Caption, "SettingsDialog.providerLabel", "Ponudnik", "Provider"},
    {T::Caption, "SettingsDialog.providerGoogle", "Google", "Google"},
    {T::Caption, "SettingsDialog.providerMicrosoft", "Microsoft", "Microsoft"},
    {T::Caption, "SettingsDialog.providerOther", "Drug", "Other"},
    {T::Caption, "SettingsDialog.clientIdLabel", "ID odjemalca", "Client ID"},
    {T::Caption, "SettingsDialog.clientSecretLabel", "Skrivnost odjemalca", "Client secret"},
    {T::Caption, "SettingsDialog.authUrlLabel", "Naslov za prijavo", "Authorization URL"},
    {T::Caption, "SettingsDialog.tokenUrlLabel", "Naslov za žetone", "Token URL"},
    {T::Caption, "SettingsDialog.scopeLabel", "Obseg", "Scope"},
    {T::Caption, "SettingsDialog.tokenCommandLabel", "Ukaz, ki izpiše žeton", "Command printing the token"},
    {T::Caption, "SettingsDialog.findSettingsButton", "Poišči nastavitve", "Find settings"},
    {T::Caption, "SettingsDialog.testButton", "Preizkusi", "Test"},
};

// Before the first activation: the main window mostly Slovenian, the dialog English.
// Only the Slovenian column is used.
const std::vector<TLanguageText> Initial = {
    {T::ToolTip, "sendButton", "", ""},
    {T::ToolTip, "stopButton", "", ""},
    {T::ToolTip, "previewButton", "", ""},
    {T::ToolTip, "openMessageButton", "", ""},
    {T::ToolTip, "openRecipientsButton", "", ""},
    {T::ToolTip, "settingsButton", "", ""},
    {T::ToolTip, "webSiteButton", "", ""},
    {T::ToolTip, "slovenianButton", "Spremeni jezik v Slovenščino", ""},
    {T::ToolTip, "englishButton", "Change the language to English", ""},
    {T::Caption, "addRecipientButton", "Za:", ""},
    {T::Caption, "pickAttachmentButton", "Izberi prilogo", ""},
    {T::Caption, "clearAttachmentButton", "x", ""},
    {T::Caption, "subjectLabel", "Naslov sporočila:", ""},
    {T::Caption, "formatChoice", "Pošlji sporočilo kot", ""},
    {T::Caption, "formatChoice.Items[0]", "text", ""},
    {T::Caption, "formatChoice.Items[1]", "HTML", ""},
    {T::Caption, "fileMenu", "Datoteka", ""},
    {T::Caption, "openRecipientFileAction", "Odpri datoteko prejemnikov", ""},
    {T::Caption, "openMessageFileAction", "Odpri datoteko s sporočilom", ""},
    {T::Caption, "sendToListAction", "Pošlji", ""},
    {T::Caption, "stopSendingAction", "Ustavi", ""},
    {T::Caption, "showHistoryAction", "Zgodovina pošiljanja …", ""},
    {T::Caption, "sendLaterAction", "Pošlji pozneje …", ""},
    {T::Caption, "showSuppressionsAction", "Izločeni naslovi …", ""},
    {T::Caption, "showImportHelpAction", "Kako pretvorimo Outlookov imenik?", ""},
    {T::Caption, "saveRecipientFileAction", "Shrani seznam prejemnikov", ""},
    {T::Caption, "saveMessageFileAction", "Shrani besedilo", ""},
    {T::Caption, "clearRecipientsAction", "Zbriši seznam prejemnikov", ""},
    {T::Caption, "previewHtmlAction", "Predogled HTML sporočila", ""},
    {T::Caption, "previewMessageAction", "Predogled sporočila za izbranega prejemnika", ""},
    {T::Caption, "exitProgramAction", "Izhod", ""},
    {T::Caption, "languageMenu", "Jezik", ""},
    {T::Caption, "useSlovenianAction", "Slovenski", ""},
    {T::Caption, "useEnglishAction", "English", ""},
    {T::Caption, "showSettingsAction", "Nastavitve", ""},
    {T::Caption, "aboutMenu", "O programu", ""},
    {T::Caption, "showHelpAction", "Pomoč", ""},
    {T::Caption, "openWebSiteAction", "Spletna stran na internetu", ""},
    {T::Caption, "openForumAction", "Forum na internetu", ""},
    {T::Caption, "showAboutAction", "O programu", ""},
    {T::Caption, "clearRecipientsPopupRow", "Izbriši vse naslove", ""},
    {T::Caption, "fileMenuButton", "Datoteka", ""},
    {T::Caption, "languageMenuButton", "Jezik", ""},
    {T::Caption, "settingsMenuButton", "Nastavitve", ""},
    {T::Caption, "aboutMenuButton", "O programu", ""},
    {T::Caption, "SettingsDialog", "Varnolt Pelmar", ""},
    {T::Caption, "SettingsDialog.nameLabel", "Name", ""},
    {T::Caption, "SettingsDialog.emailLabel", "E-mail", ""},
    {T::Caption, "SettingsDialog.hostLabel", "Hostname", ""},
    {T::Caption, "SettingsDialog.userIdLabel", "User ID", ""},
    {T::Caption, "SettingsDialog.headingLabel", "User settings", ""},
    {T::Caption, "SettingsDialog.charsetLabel", "Character set", ""},
    {T::Caption, "SettingsDialog.delayUnitLabel", "seconds", ""},
    {T::Caption, "SettingsDialog.delayLabel", "Delay between mails", ""},
    {T::Caption, "SettingsDialog.portLabel", "Port", ""},
    // The secured connection.
    {T::Caption, "SettingsDialog.securityLabel", "Security", ""},
    {T::Caption, "SettingsDialog.securityNone", "None", ""},
    {T::Caption, "SettingsDialog.securityStartTls", "STARTTLS", ""},
    {T::Caption, "SettingsDialog.securityTls", "SSL/TLS", ""},
    {T::Caption, "SettingsDialog.passwordLabel", "Password", ""},
    {T::Caption, "SettingsDialog.timeOutLabel", "Time-out", ""},
    {T::Caption, "SettingsDialog.timeOutUnitLabel", "seconds", ""},
    {T::Caption, "SettingsDialog.retryWaitLabel", "Retry after", ""},
    {T::Caption, "SettingsDialog.retryWaitUnitLabel", "seconds", ""},
    {T::Caption, "SettingsDialog.findSettingsButton", "Find settings", ""},
    {T::Caption, "SettingsDialog.testButton", "Test", ""},
    {T::Caption, "SettingsDialog.limitsLabel", "At most", ""},
    {T::Caption, "SettingsDialog.perMinuteUnitLabel", "a minute", ""},
    {T::Caption, "SettingsDialog.perHourUnitLabel", "an hour", ""},
    {T::Caption, "SettingsDialog.perDayUnitLabel", "a day", ""},
    {T::Caption, "SettingsDialog.unsubscribeLabel", "Unsubscribe", ""},
};

// The toolbar's text buttons follow the four top entries of the main menu.
const char* const MenuButtons[][2] = {{"fileMenu", "fileMenuButton"},
                                      {"languageMenu", "languageMenuButton"},
                                      {"showSettingsAction", "settingsMenuButton"},
                                      {"aboutMenu", "aboutMenuButton"}};

}

const std::vector<TLanguageText>& LanguageTable()
{
    return Table;
}

const std::vector<TLanguageText>& InitialTexts()
{
    return Initial;
}

// Searches root's own controls, not those of the windows it owns (the main window owns the
// dialogs, and they share control names such as okButton); pop-up menus count as controls.
static QObject* FindOwnControl(QObject* root, const QString& name)
{
    for (QObject* child : root->children()) {
        if (child->objectName() == name)
            return child;
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && widget->isWindow() && !qobject_cast<QMenu*>(widget))
            continue;
        if (QObject* found = FindOwnControl(child, name))
            return found;
    }
    return nullptr;
}

static const QString DialogKey = QStringLiteral("SettingsDialog");

static bool OfDialog(const TLanguageText& row)
{
    return QString::fromUtf8(row.Control).startsWith(DialogKey);
}

QObject* FindControl(QWidget& mainWindow, QWidget& settingsDialog, const char* control)
{
    const QString name = QString::fromUtf8(control);
    if (name == DialogKey)
        return &settingsDialog;
    if (name.startsWith(DialogKey + '.'))
        return FindOwnControl(&settingsDialog, name.mid(DialogKey.size() + 1));
    return FindOwnControl(&mainWindow, name);
}

QString ControlText(QObject* control, TLanguageText::TKind kind)
{
    if (kind == TLanguageText::ToolTip) {
        if (auto* action = qobject_cast<QAction*>(control))
            return action->toolTip();
        return static_cast<QWidget*>(control)->toolTip();
    }
    if (auto* menu = qobject_cast<QMenu*>(control))
        return menu->title();
    if (auto* action = qobject_cast<QAction*>(control))
        return action->text();
    if (auto* button = qobject_cast<QAbstractButton*>(control))
        return button->text();
    if (auto* label = qobject_cast<QLabel*>(control))
        return label->text();
    if (auto* group = qobject_cast<QGroupBox*>(control))
        return group->title();
    return static_cast<QWidget*>(control)->windowTitle();
}

void SetControlText(QObject* control, TLanguageText::TKind kind, const QString& text)
{
    if (kind == TLanguageText::ToolTip) {
        if (auto* action = qobject_cast<QAction*>(control))
            action->setToolTip(text);
        else
            static_cast<QWidget*>(control)->setToolTip(text);
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        action->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        group->setTitle(text);
    } else {
        static_cast<QWidget*>(control)->setWindowTitle(text);
    }
}

// Slovenian has a singular, a dual and a plural; the note counts the marked fields.
QString NeededFieldsNote(int count)
{
    if (CurrentLanguage != 1)
        return count == 1 ? QStringLiteral("The marked field is needed to send.")
                          : QStringLiteral("The marked fields are needed to send.");
    if (count == 1)
        return QStringLiteral("Označeno polje je potrebno za pošiljanje.");
    if (count == 2)
        return QStringLiteral("Označeni polji sta potrebni za pošiljanje.");
    return QStringLiteral("Označena polja so potrebna za pošiljanje.");
}

void ApplyLanguage(QWidget& mainWindow, QWidget& settingsDialog)
{
    WebSiteAddress = ProgramSiteUrl;
    const bool slovenian = CurrentLanguage == 1;
    for (const auto& row : Table)
        SetControlText(FindControl(mainWindow, settingsDialog, row.Control), row.Kind,
                       QString::fromUtf8(slovenian ? row.Slovenian : row.English));
    for (const auto& [menu, button] : MenuButtons)
        SetControlText(FindControl(mainWindow, settingsDialog, button), TLanguageText::Caption,
                       ControlText(FindControl(mainWindow, settingsDialog, menu), TLanguageText::Caption));
}

// Each window is given its own rows only: the other window does not exist yet.
static void ApplyInitialTexts(QWidget& window, bool dialog)
{
    for (const auto& row : Initial)
        if (OfDialog(row) == dialog)
            SetControlText(dialog ? FindControl(window, window, row.Control)
                                  : FindOwnControl(&window, QString::fromUtf8(row.Control)),
                           row.Kind, QString::fromUtf8(row.Slovenian));
}

void ApplyInitialMainWindowTexts(QWidget& mainWindow)
{
    ApplyInitialTexts(mainWindow, false);
}

void ApplyInitialSettingsTexts(QWidget& settingsDialog)
{
    ApplyInitialTexts(settingsDialog, true);
}
