#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

// The settings dialog: the user's mail account data. Its seven fields are the program's
// working copy of the settings; the save button writes them to the settings store.
class TForm3 : public QDialog {
public:
    explicit TForm3(QWidget* owner);

    QLabel* Label5;  // heading
    QFrame* Panel2;
    QLabel* Label1;
    QLineEdit* Edit1;  // name
    QLabel* Label2;
    QLineEdit* Edit2;  // e-mail address
    QLabel* Label3;
    QLineEdit* Edit3;  // mail server host name
    QLabel* Label10;
    QLineEdit* Edit7;  // port
    QLabel* Label4;
    QLineEdit* Edit4;  // user ID
    QLabel* Label6;
    QLineEdit* Edit5;  // character set
    QLabel* Label8;
    QLineEdit* Edit6;  // delay in seconds
    QLabel* Label7;    // delay unit
    QToolButton* SpeedButton2;  // CANCEL
    QToolButton* SpeedButton1;  // OK

    void SpeedButton1Click();
    void SpeedButton2Click();
    void Edit6Change();
    void Edit7Change();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildFields();
    void BuildButtons();
    QLineEdit* AddField(const char* editName, QLabel*& label, const char* labelName, int row);
    // lastGood: what the field held before the edit being checked.
    void CheckNumber(QLineEdit* field, QString& lastGood);

    QString FLastGoodDelay = "0";
    QString FLastGoodPort = "25";
};
