#pragma once
#include "workflow/SendJob.h"

#include <QDialog>

class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;

// The settings dialog: the user's mail account data. Its seven fields are the program's
// working copy of the settings, and what the send job reads; OK writes them to the
// settings store.
class TSettingsDialog : public QDialog, public TSendSettings {
public:
    explicit TSettingsDialog(QWidget* owner);

    QLabel* headingLabel;
    QFrame* fieldPanel;
    QLabel* nameLabel;
    QLineEdit* nameEdit;
    QLabel* emailLabel;
    QLineEdit* emailEdit;
    QLabel* hostLabel;
    QLineEdit* hostEdit;  // outgoing mail server
    QLabel* portLabel;
    QLineEdit* portEdit;
    QLabel* userIdLabel;
    QLineEdit* userIdEdit;
    QLabel* charsetLabel;
    QLineEdit* charsetEdit;
    QLabel* delayLabel;
    QLineEdit* delayEdit;  // seconds after each message
    QLabel* delayUnitLabel;
    QToolButton* cancelButton;
    QToolButton* okButton;

    // The settings store into the fields.
    void LoadStoredSettings();
    // Name, address, host and user ID are all filled in.
    bool AccountComplete() const;

    // The fields into the settings store; the dialog closes once all are written.
    void saveAndClose();

    // The fields as the send job reads them.
    std::string Name() const override;
    std::string Email() const override;
    std::string Host() const override;
    std::string UserID() const override;
    std::string Charset() const override;
    std::string Delay() const override;
    std::string Port() const override;
    void AskForSettings() override;

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
