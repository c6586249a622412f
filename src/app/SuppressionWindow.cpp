// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SuppressionWindow.h"

#include "app/Guard.h"
#include "base/StringList.h"
#include "workflow/limits/SuppressionList.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/UserInterface.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <set>

namespace {

QString Q(const char* slovenian, const char* english)
{
    return QString::fromUtf8(Lang(slovenian, english));
}

QString ReasonText(const std::string& reason)
{
    if (reason == "no such user")
        return Q("naslov ne obstaja", "no such user");
    if (reason == "imported")
        return Q("uvoženo", "imported");
    return Q("ročno", "by hand");
}

}

TSuppressionWindow::TSuppressionWindow(QWidget* owner, TSuppressionList& list, std::function<std::string()> account)
    : QDialog(owner), FList(list), FAccount(std::move(account))
{
    setObjectName("SuppressionWindow");
    resize(680, 420);
    auto* layout = new QVBoxLayout(this);
    searchEdit = new QLineEdit(this);
    searchEdit->setObjectName("searchEdit");
    searchEdit->setClearButtonEnabled(true);
    table = new QTableWidget(0, 4, this);
    table->setObjectName("suppressionTable");
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->horizontalHeader()->setStretchLastSection(true);
    table->verticalHeader()->hide();
    auto* row = new QHBoxLayout;
    addressEdit = new QLineEdit(this);
    addressEdit->setObjectName("addressEdit");
    const auto button = [this, row](const char* name) {
        auto* made = new QPushButton(this);
        made->setObjectName(name);
        made->setAutoDefault(false);
        row->addWidget(made);
        return made;
    };
    row->addWidget(addressEdit, 1);
    addButton = button("addButton");
    importButton = button("importButton");
    removeButton = button("removeButton");
    exportButton = button("exportButton");
    layout->addWidget(searchEdit);
    layout->addWidget(table, 1);
    layout->addLayout(row);
    connect(searchEdit, &QLineEdit::textChanged, this, [this] { Guard([this] { Refresh(); }); });
    connect(addButton, &QPushButton::clicked, this, [this] { Guard([this] { AddTyped(); }); });
    connect(addressEdit, &QLineEdit::returnPressed, this, [this] { Guard([this] { AddTyped(); }); });
    connect(importButton, &QPushButton::clicked, this, [this] { Guard([this] { Import(); }); });
    connect(removeButton, &QPushButton::clicked, this, [this] { Guard([this] { RemoveChosen(); }); });
    connect(exportButton, &QPushButton::clicked, this, [this] { Guard([this] { Export(); }); });
}

void TSuppressionWindow::ShowTexts()
{
    setWindowTitle(Q("Izločeni naslovi", "Suppression list"));
    searchEdit->setPlaceholderText(Q("Išči", "Search"));
    addressEdit->setPlaceholderText(Q("naslov, ki ne želi več pošte", "an address that asked not to be mailed"));
    addButton->setText(Q("Dodaj", "Add"));
    importButton->setText(Q("Uvozi …", "Import…"));
    removeButton->setText(Q("Odstrani", "Remove"));
    exportButton->setText(Q("Izvozi …", "Export…"));
    table->setHorizontalHeaderLabels(
        {Q("Naslov", "Address"), Q("Zakaj", "Why"), Q("Odgovor strežnika", "Server reply"), Q("Dodano", "Added")});
}

void TSuppressionWindow::Refresh()
{
    ShowTexts();
    const std::vector<TSuppression> found = FList.Find(FAccount(), searchEdit->text().toStdString());
    table->setRowCount(static_cast<int>(found.size()));
    for (int at = 0; at < static_cast<int>(found.size()); ++at) {
        const TSuppression& item = found[static_cast<std::size_t>(at)];
        const QString cells[] = {QString::fromStdString(item.Address), ReasonText(item.Reason),
                                 QString::fromStdString(item.Reply),
                                 item.Added.toLocalTime().toString("yyyy-MM-dd HH:mm")};
        for (int column = 0; column < 4; ++column)
            table->setItem(at, column, new QTableWidgetItem(cells[column]));
    }
}

void TSuppressionWindow::AddTyped()
{
    if (addressEdit->text().trimmed().isEmpty())
        return;
    FList.Add(FAccount(), addressEdit->text().trimmed().toStdString(), "by hand");
    addressEdit->clear();
    Refresh();
}

void TSuppressionWindow::Import()
{
    const std::string file =
        UserInterface().OpenFileName({Lang("Uvozi naslove", "Import addresses"), "*.txt|*.txt|*.*|*.*", {}, "txt"});
    if (file.empty())
        return;
    TStringList lines;
    lines.LoadFromFile(file);
    FList.AddAll(FAccount(), lines.Lines(), "imported");
    Refresh();
}

void TSuppressionWindow::RemoveChosen()
{
    std::set<int> rows;
    for (const QTableWidgetItem* item : table->selectedItems())
        rows.insert(item->row());
    for (int at : rows)
        FList.Remove(FAccount(), table->item(at, 0)->text().toStdString());
    Refresh();
}

// One address a line: a recipients file the program can open again.
void TSuppressionWindow::Export()
{
    const std::string file =
        UserInterface().SaveFileName({Lang("Izvozi naslove", "Export addresses"), "*.txt|*.txt|*.*|*.*", {}, "txt"});
    if (file.empty())
        return;
    TStringList lines;
    for (const TSuppression& item : FList.Find(FAccount()))
        lines.Add(item.Address);
    lines.SaveToFile(file);
}
