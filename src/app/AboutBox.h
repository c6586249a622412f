#pragma once
#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QTextEdit;
class QToolButton;

// The about box: title and version, the maker, the addresses and the program's description.
class TVarnoltAbout : public QDialog {
public:
    explicit TVarnoltAbout(QWidget* owner);

    QLabel* Label1;  // title and version
    QLabel* Label2;  // the maker
    QLabel* Image1;  // the maker's logo; a click opens the maker's site
    QPlainTextEdit* Memo2;  // the three addresses
    QTextEdit* RichEdit1;   // the description, filled before each showing
    QToolButton* SpeedButton1;

    void FormCreate();
    void Image1DblClick();
    void SpeedButton1Click();
    // Empties the description, then shows these lines; long lines wrap at the width.
    void SetLines(const QStringList& lines);

protected:
    void showEvent(QShowEvent* event) override;
};
