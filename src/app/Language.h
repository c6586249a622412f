// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>
#include <vector>

class QObject;
class QWidget;

// One text of a control in both languages. A control name starting with "SettingsDialog."
// belongs to the settings dialog ("SettingsDialog" alone is its caption); every other to
// the main window.
struct TLanguageText {
    enum TKind { Caption, ToolTip };
    TKind Kind;
    const char* Control;
    const char* Slovenian;
    const char* English;
};

// The texts ApplyLanguage writes, in the order it writes them.
const std::vector<TLanguageText>& LanguageTable();
// The texts the windows hold before the language is first applied (Slovenian column).
const std::vector<TLanguageText>& InitialTexts();

// The settings dialog's note under the fields marked as needed, for count of them.
QString NeededFieldsNote(int count);

// Writes every text of the current language into the main window and the settings dialog.
void ApplyLanguage(QWidget& mainWindow, QWidget& settingsDialog);
void ApplyInitialMainWindowTexts(QWidget& mainWindow);
void ApplyInitialSettingsTexts(QWidget& settingsDialog);

// The control a table row names, and its text of the given kind.
QObject* FindControl(QWidget& mainWindow, QWidget& settingsDialog, const char* control);
QString ControlText(QObject* control, TLanguageText::TKind kind);
void SetControlText(QObject* control, TLanguageText::TKind kind, const QString& text);
