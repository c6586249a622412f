// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ImportHelpWindow.h"

#include "workflow/program/ProgramState.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QString Tr(const char* slovenian, const char* english)
{
    return QString::fromUtf8(Lang(slovenian, english));
}

const char* const EnglishHelp =
    R"help(You can use the contacts of an address book directly: export them as a CSV file (comma-separated values) and open that file as the recipients file.

Outlook for Windows (classic)
1. File > Open & Export > Import/Export.
2. Choose "Export to a file", then "Comma Separated Values".
3. Choose the Contacts folder and a name for the file, then click Finish.

Outlook.com and the new Outlook
1. Open People (the contacts icon on the left).
2. Choose Manage contacts > Export contacts.
3. Choose which contacts and click Export: contacts.csv is saved.

Gmail and Google Contacts
1. Open contacts.google.com (in Gmail: the Google apps button > Contacts).
2. Click Export (or select contacts first, then More actions > Export).
3. Choose "Google CSV" or "Outlook CSV" and click Export.

Thunderbird
1. Open the Address Book (Ctrl+Shift+B).
2. Right-click the address book on the left and choose Export…
3. Choose "Comma Separated (UTF-8)" as the file type and save.

Apple Contacts (Mac, iPhone, iCloud)
Apple Contacts exports vCard files (.vcf) only: File > Export > Export vCard. Import the vCard into Google Contacts (contacts.google.com > Import) and export it from there as CSV, as above.

Then, in Varnolt Pelmar:
1. Click the icon with a folder and the '@' sign (or File > Open recipients file) and choose the CSV file (the file type "*.csv" shows it).
2. Every contact with an e-mail address becomes one entry, "First Last <address>"; contacts without an address are left out, and the program says how many.
3. Every column of the file can be used in the subject and the text as a field, named as the column is: {{First Name}}, {{Company}}… (capitals and blanks do not matter). {{name}}, {{first}} and {{email}} work with every list: the recipient's name, first name and address. {{{{ writes {{.
4. File > Preview message for the selected recipient (Ctrl+P) shows the message as that recipient will get it.
5. Save recipient list with a name ending in .csv keeps the columns.
)help";

const char* const SlovenianHelp =
    R"help(Stike iz imenika lahko uporabite neposredno: izvozite jih v datoteko CSV (z vejicami ločene vrednosti) in jo odprite kot datoteko prejemnikov.

Outlook za Windows (klasični)
1. Datoteka > Odpri in izvozi > Uvoz/izvoz.
2. Izberite »Izvozi v datoteko«, nato »Z vejicami ločene vrednosti«.
3. Izberite mapo Stiki in ime datoteke, nato kliknite Dokončaj.

Outlook.com in novi Outlook
1. Odprite Osebe (ikona stikov na levi).
2. Izberite Upravljanje stikov > Izvozi stike.
3. Izberite, katere stike želite, in kliknite Izvozi: shrani se datoteka contacts.csv.

Gmail in Google Stiki
1. Odprite contacts.google.com (v Gmailu: gumb Googlovih aplikacij > Stiki).
2. Kliknite Izvozi (ali najprej izberite stike, nato Več dejanj > Izvozi).
3. Izberite »Google CSV« ali »Outlook CSV« in kliknite Izvozi.

Thunderbird
1. Odprite Imenik (Ctrl+Shift+B).
2. Z desno tipko kliknite imenik na levi in izberite Izvozi …
3. Za vrsto datoteke izberite »Ločeno z vejicami (UTF-8)« in shranite.

Applovi Stiki (Mac, iPhone, iCloud)
Applovi Stiki izvozijo le datoteke vCard (.vcf): Datoteka > Izvozi > Izvozi vCard. Datoteko vCard uvozite v Google Stike (contacts.google.com > Uvozi) in jo od tam izvozite kot CSV, kot je opisano zgoraj.

Nato v programu Varnolt Pelmar:
1. Kliknite ikono z mapo in znakom '@' (ali Datoteka > Odpri datoteko prejemnikov) in izberite datoteko CSV (pokaže jo vrsta datoteke »*.csv«).
2. Vsak stik z e-poštnim naslovom postane en prejemnik, »Ime Priimek <naslov>«; stiki brez naslova so izpuščeni, program pa pove, koliko jih je.
3. Vsak stolpec datoteke lahko v zadevi in besedilu uporabite kot polje, imenovano tako kot stolpec: {{First Name}}, {{Company}} … (velike črke in presledki niso pomembni). {{name}}, {{first}} in {{email}} delujejo pri vsakem seznamu: ime in priimek, osebno ime in naslov prejemnika. {{{{ zapiše {{.
4. Datoteka > Predogled sporočila za izbranega prejemnika (Ctrl+P) pokaže sporočilo, kot ga bo dobil ta prejemnik.
5. Shrani seznam prejemnikov z imenom, ki se konča s .csv, ohrani stolpce.
)help";

}

TImportHelpWindow::TImportHelpWindow(QWidget* owner) : QDialog(owner)
{
    setObjectName("OutlookForm");
    setFixedSize(519, 498);
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 10, 15, 10);
    headingLabel = new QLabel(this);
    headingLabel->setObjectName("headingLabel");
    QFont bold = headingLabel->font();
    bold.setBold(true);
    headingLabel->setFont(bold);
    instructionsEdit = new QPlainTextEdit(this);
    instructionsEdit->setObjectName("instructionsEdit");
    instructionsEdit->setFixedSize(488, 418);
    instructionsEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    instructionsEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    instructionsEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    instructionsEdit->document()->setDocumentMargin(4);
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
    ShowLanguage();
}

// What the user typed into the text stays, in whichever language it was typed.
void TImportHelpWindow::ShowLanguage()
{
    setWindowTitle(Tr("Uvoz", "Import"));
    headingLabel->setText(
        Tr("Kako uporabimo imenik kot seznam prejemnikov?", "How to use an address book as the recipient list?"));
    if (!instructionsEdit->document()->isModified())
        instructionsEdit->setPlainText(Tr(SlovenianHelp, EnglishHelp));
}
