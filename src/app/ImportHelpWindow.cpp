#include "app/ImportHelpWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList& HelpLines()
{
    static const QStringList lines = {
        "1. Open Outlook.",
        "2. Open Address book (Tools->Address Book)",
        "3. Select File->Export->Address Book on the mail menu",
        "4. Click on Text file (comma separated values) and then on the Export button",
        "5. Click on the 'browse' button where you will see in which folder you will save ",
        "the file.",
        "6. Enter a filename, for example 'emails.txt' - remember in which folder you ",
        "saved it!!!",
        "7.  Under a file name there should be an option to select File type - select Text ",
        "file (*.txt)!",
        "7a. If the program asks you (or gives you an option) select something like 'one ",
        "contact per line' or 'each contact in separate line'",
        "8. Select only the field e-mail. Other fields must be unchecked for proper export ",
        "(even field Name!).",
        "9. Click on the finish button.",
        "",
        "Now the address book should be properly exported. Now you run Varnolt Pelmar and ",
        "1. Click on the icon with a folder and '@' sign (Or 'File->Open recipient file' from ",
        "the main menu).",
        "2. Select the file that you saved before (email.txt)",
        "3. The addresses should be listed above the To: filed.",
        "4. Move to the first address by scrolling up - if it is not an address but ",
        "something like the text 'e-mail address' then click on it once (to select it) and ",
        "press 'Del' on your keyboard.",
        "",
    };
    return lines;
}

}

TImportHelpWindow::TImportHelpWindow(QWidget* owner) : QDialog(owner)
{
    setObjectName("OutlookForm");
    setWindowTitle("Import");
    setFixedSize(519, 498);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 10, 15, 10);
    headingLabel = new QLabel("How to import address book from MS Outlook?", this);
    headingLabel->setObjectName("headingLabel");
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    instructionsEdit = new QPlainTextEdit(this);
    instructionsEdit->setObjectName("instructionsEdit");
    instructionsEdit->setFixedSize(488, 418);
    instructionsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // The lines are broken for this width; a slightly smaller type keeps them whole.
    QFont small = instructionsEdit->font();
    small.setPointSizeF(small.pointSizeF() - 1);
    instructionsEdit->setFont(small);
    instructionsEdit->document()->setDocumentMargin(2);
    instructionsEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instructionsEdit->setPlainText(HelpLines().join('\n'));
    okButton = new QPushButton("OK", this);
    okButton->setObjectName("okButton");
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(okButton);
    buttons->addStretch(1);
    layout->addWidget(headingLabel);
    layout->addWidget(instructionsEdit);
    layout->addLayout(buttons);
    connect(okButton, &QPushButton::clicked, this, &QWidget::close);
}
