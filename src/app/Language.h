#pragma once
#include <QString>
#include <vector>

class QObject;
class TForm1;
class TForm3;

// One text of a control in both languages. A control name starting with "Form3." belongs
// to the settings dialog ("Form3" alone is its caption); every other to the main window.
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

// Writes every text of the current language into the main window and the settings dialog.
void ApplyLanguage(TForm1& form1, TForm3& form3);
void ApplyInitialTexts(TForm1& form1);
void ApplyInitialTexts(TForm3& form3);

// The control a table row names, and its text of the given kind.
QObject* FindControl(TForm1& form1, TForm3& form3, const char* control);
QString ControlText(QObject* control, TLanguageText::TKind kind);
void SetControlText(QObject* control, TLanguageText::TKind kind, const QString& text);
