#include "app/Language.h"

#include "app/MainWindow.h"
#include "app/SettingsDialog.h"
#include "app/Widgets.h"
#include "workflow/ProgramState.h"

#include <QAbstractButton>
#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>

namespace {

using T = TLanguageText;

const std::vector<TLanguageText> Table = {
    {T::ToolTip, "ToolButton1", "Pošlji sporočilo naslovnikom", "Send the message to the recipients"},
    {T::ToolTip, "ToolButton2", "Odpri datoteko s sporočilom", "Open the file with message body"},
    {T::ToolTip, "ToolButton3", "Odpri datoteko z naslovniki", "Open the file with a list of addresses"},
    {T::ToolTip, "ToolButton6", "Spremeni nastavitve", "Change user settings"},
    {T::ToolTip, "ToolButton12", "Poglej na internet za novo verzijo",
     "Check the internet for a new version of the program"},
    {T::Caption, "Button1", "Za:", "To:"},
    {T::Caption, "Button20", "Izberi prilogo", "Add attachment"},
    {T::Caption, "Label1", "Naslov sporočila:", "Subject:"},
    {T::Caption, "RadioGroup1", "Pošlji sporočilo kot", "Send message as"},
    {T::Caption, "RadioGroup1.Items[0]", "tekst", "text"},
    {T::Caption, "RadioGroup1.Items[1]", "HTML", "HTML"},
    {T::Caption, "M1", "Datoteka", "File"},
    {T::Caption, "M11", "Odpri datoteko prejemnikov", "Open recipients file"},
    {T::Caption, "M12", "Odpri datoteko s sporočilom", "Open message file"},
    {T::Caption, "M13", "Pošlji sporočilo", "Send message"},
    {T::Caption, "M14", "Kako pretvorimo Outlookov imenik?", "How to import address book from Outlook?"},
    {T::Caption, "M15", "Shrani seznam prejemnikov", "Save recipient list"},
    {T::Caption, "M16", "Shrani besedilo", "Save message"},
    {T::Caption, "M17", "Zbriši seznam prejemnikov", "Clear recipient list"},
    {T::Caption, "M18", "Predogled HTML sporočila", "Preview HTML messsage"},
    {T::Caption, "M19", "Izhod", "Exit"},
    {T::Caption, "M2", "Jezik", "Language"},
    {T::Caption, "M3", "Nastavitve", "Settings"},
    {T::Caption, "M4", "O programu", "About"},
    {T::Caption, "M41", "Pomoč", "Help"},
    {T::Caption, "M42", "Spletna stran na internetu", "Program web site on the internet"},
    {T::Caption, "M43", "Forum na internetu", "Forum on the internet"},
    {T::Caption, "M49", "O programu", "About"},
    {T::Caption, "P1", "Izbriši vse naslove", "Remove all addresses"},
    {T::Caption, "Form3", "Varnolt Pelmar - nastavitve", "Varnolt Pelmar - Settings"},
    {T::Caption, "Form3.Label1", "Vaše ime", "Your Name"},
    {T::Caption, "Form3.Label2", "Elektronski naslov", "E-mail Address"},
    {T::Caption, "Form3.Label3", "Naslov poštnega strežnika", "Outgoing mail Server"},
    {T::Caption, "Form3.Label4", "Uporabniško ime", "User Name"},
    {T::Caption, "Form3.Label5", "Nastavitve", "User settings"},
    {T::Caption, "Form3.Label6", "Kodiranje znakov", "Character set"},
    {T::Caption, "Form3.Label7", "sekund", "seconds"},
    {T::Caption, "Form3.Label8", "Razmak med sporočili", "Delay between mails"},
};

// Before the first activation: the main window mostly Slovenian, the dialog English.
// Only the Slovenian column is used.
const std::vector<TLanguageText> Initial = {
    {T::ToolTip, "ToolButton1", "", ""},
    {T::ToolTip, "ToolButton2", "", ""},
    {T::ToolTip, "ToolButton3", "", ""},
    {T::ToolTip, "ToolButton6", "", ""},
    {T::ToolTip, "ToolButton12", "", ""},
    {T::ToolTip, "ToolButton4", "Spremeni jezik v Slovenščino", ""},
    {T::ToolTip, "ToolButton5", "Change the language to English", ""},
    {T::Caption, "Button1", "Za:", ""},
    {T::Caption, "Button20", "Izberi prilogo", ""},
    {T::Caption, "Button22", "x", ""},
    {T::Caption, "Label1", "Naslov sporočila:", ""},
    {T::Caption, "RadioGroup1", "Pošlji sporočilo kot", ""},
    {T::Caption, "RadioGroup1.Items[0]", "text", ""},
    {T::Caption, "RadioGroup1.Items[1]", "HTML", ""},
    {T::Caption, "M1", "Datoteka", ""},
    {T::Caption, "M11", "Odpri datoteko prejemnikov", ""},
    {T::Caption, "M12", "Odpri datoteko s sporočilom", ""},
    {T::Caption, "M13", "Pošlji", ""},
    {T::Caption, "M14", "Kako pretvorimo Outlookov imenik?", ""},
    {T::Caption, "M15", "Shrani seznam prejemnikov", ""},
    {T::Caption, "M16", "Shrani besedilo", ""},
    {T::Caption, "M17", "Zbriši seznam prejemnikov", ""},
    {T::Caption, "M18", "Predogled HTML sporočila", ""},
    {T::Caption, "M19", "Izhod", ""},
    {T::Caption, "M2", "Jezik", ""},
    {T::Caption, "M21", "Slovenski", ""},
    {T::Caption, "M22", "English", ""},
    {T::Caption, "M3", "Nastavitve", ""},
    {T::Caption, "M4", "O programu", ""},
    {T::Caption, "M41", "Pomoč", ""},
    {T::Caption, "M42", "Spletna stran na internetu", ""},
    {T::Caption, "M43", "Forum na internetu", ""},
    {T::Caption, "M49", "O programu", ""},
    {T::Caption, "P1", "Izbriši vse naslove", ""},
    {T::Caption, "ToolButton7", "Datoteka", ""},
    {T::Caption, "ToolButton8", "Jezik", ""},
    {T::Caption, "ToolButton9", "Nastavitve", ""},
    {T::Caption, "ToolButton10", "O programu", ""},
    {T::Caption, "Form3", "Varnolt Pelmar", ""},
    {T::Caption, "Form3.Label1", "Name", ""},
    {T::Caption, "Form3.Label2", "E-mail", ""},
    {T::Caption, "Form3.Label3", "Hostname", ""},
    {T::Caption, "Form3.Label4", "User ID", ""},
    {T::Caption, "Form3.Label5", "User settings", ""},
    {T::Caption, "Form3.Label6", "Character set", ""},
    {T::Caption, "Form3.Label7", "seconds", ""},
    {T::Caption, "Form3.Label8", "Delay between mails", ""},
    {T::Caption, "Form3.Label10", "Port", ""},
};

// The toolbar's text buttons follow the four top entries of the main menu.
const char* const MenuButtons[][2] = {
    {"M1", "ToolButton7"}, {"M2", "ToolButton8"}, {"M3", "ToolButton9"}, {"M4", "ToolButton10"}};

}

const std::vector<TLanguageText>& LanguageTable()
{
    return Table;
}

const std::vector<TLanguageText>& InitialTexts()
{
    return Initial;
}

// Searches root's own controls, not those of the windows it owns (the settings dialog
// has labels of the same names as the main window's); pop-up menus count as controls.
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

QObject* FindControl(TForm1& form1, TForm3& form3, const char* control)
{
    const QString name = QString::fromUtf8(control);
    if (name == "Form3")
        return &form3;
    if (name.startsWith("Form3."))
        return FindOwnControl(&form3, name.mid(6));
    return FindOwnControl(&form1, name);
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

void ApplyLanguage(TForm1& form1, TForm3& form3)
{
    WebSiteAddress = ProgramSiteUrl;
    const bool slovenian = CurrentLanguage == 1;
    for (const auto& row : Table)
        SetControlText(FindControl(form1, form3, row.Control), row.Kind,
                       QString::fromUtf8(slovenian ? row.Slovenian : row.English));
    for (const auto& [menu, button] : MenuButtons)
        SetControlText(FindControl(form1, form3, button), TLanguageText::Caption,
                       ControlText(FindControl(form1, form3, menu), TLanguageText::Caption));
    form1.StatusBar1->SetPanelText(1, QString::fromStdString(WebSiteAddress));
}

static bool OfDialog(const TLanguageText& row)
{
    return QString::fromUtf8(row.Control).startsWith("Form3");
}

void ApplyInitialTexts(TForm1& form1)
{
    for (const auto& row : Initial)
        if (!OfDialog(row))
            SetControlText(FindOwnControl(&form1, QString::fromUtf8(row.Control)), row.Kind,
                           QString::fromUtf8(row.Slovenian));
}

void ApplyInitialTexts(TForm3& form3)
{
    for (const auto& row : Initial)
        if (OfDialog(row))
            SetControlText(row.Control == QStringLiteral("Form3") ? &form3
                                                                   : FindOwnControl(&form3, QString::fromUtf8(row.Control).mid(6)),
                           row.Kind, QString::fromUtf8(row.Slovenian));
}
