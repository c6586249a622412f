// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HistoryWindow.h"

#include "app/Guard.h"
#include "workflow/history/HistoryAccess.h"
#include "workflow/history/NotDeliveredList.h"
#include "workflow/program/ProgramState.h"
#include "workflow/ui/FileDialog.h"
#include "workflow/ui/UserInterface.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int RowHeight = 20;
const std::vector<int> JobColumnWidths = {135, 135, 110, 190, 55, 120, 70, 65, 65, 65, 65};
const std::vector<int> EntryColumnWidths = {45, 210, 80, 250, 190, 135};

QString Tr(const char* slovenian, const char* english)
{
    return QString::fromUtf8(Lang(slovenian, english));
}

// Rows of one fixed height and columns of set widths: the view then never measures
// the rows' texts, whatever their number.
QTableView* Table(QWidget* parent, const char* name, QAbstractItemModel* model, const std::vector<int>& widths)
{
    auto* view = new QTableView(parent);
    view->setObjectName(name);
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setAlternatingRowColors(true);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(RowHeight);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(true);
    for (size_t column = 0; column < widths.size(); ++column)
        view->setColumnWidth(static_cast<int>(column), widths[column]);
    return view;
}

// Each column at least as wide as its header in the language in force ("Dostavljeno").
void FitHeaders(QTableView* view, const std::vector<int>& widths)
{
    QHeaderView* header = view->horizontalHeader();
    for (size_t column = 0; column < widths.size(); ++column) {
        const int index = static_cast<int>(column);
        view->setColumnWidth(index, std::max(widths[column], header->sectionSizeHint(index)));
    }
}

}

THistoryWindow::THistoryWindow(QWidget* owner, THistoryAccess& history, TFileDialog& saveDialog)
    : QWidget(owner, Qt::Window), FHistory(history), FSaveDialog(saveDialog)
{
    setObjectName("HistoryWindow");
    BuildWindow();
    ShowLanguage();
    connect(saveNotDeliveredAction, &QAction::triggered, this, [this] { Guard([this] { saveNotDelivered(); }); });
    connect(saveNotDeliveredButton, &QPushButton::clicked, saveNotDeliveredAction, &QAction::trigger);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* closeKey = new QAction(this);
    closeKey->setShortcut(Qt::Key_Escape);
    addAction(closeKey);
    connect(closeKey, &QAction::triggered, this, &QWidget::close);
    connect(jobsView->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { Guard([this, current] { ShowEntriesOf(current.row()); }); });
}

void THistoryWindow::BuildWindow()
{
    resize(1040, 580);
    saveNotDeliveredAction = new QAction(this);
    saveNotDeliveredAction->setObjectName("saveNotDeliveredAction");
    saveNotDeliveredAction->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setChildrenCollapsible(false);
    auto* jobsPanel = new QWidget(splitter);
    auto* jobsLayout = new QVBoxLayout(jobsPanel);
    jobsLayout->setContentsMargins(0, 0, 0, 0);
    jobsLabel = new QLabel(jobsPanel);
    jobsLabel->setObjectName("jobsLabel");
    jobsView = Table(jobsPanel, "jobsView", &Jobs, JobColumnWidths);
    jobsLabel->setBuddy(jobsView);
    jobsLayout->addWidget(jobsLabel);
    jobsLayout->addWidget(jobsView);
    auto* entriesPanel = new QWidget(splitter);
    auto* entriesLayout = new QVBoxLayout(entriesPanel);
    entriesLayout->setContentsMargins(0, 0, 0, 0);
    entriesLabel = new QLabel(entriesPanel);
    entriesLabel->setObjectName("entriesLabel");
    entriesView = Table(entriesPanel, "entriesView", &Entries, EntryColumnWidths);
    entriesLabel->setBuddy(entriesView);
    entriesLayout->addWidget(entriesLabel);
    entriesLayout->addWidget(entriesView);
    splitter->addWidget(jobsPanel);
    splitter->addWidget(entriesPanel);
    splitter->setSizes({200, 320});
    layout->addWidget(splitter, 1);

    auto* buttons = new QHBoxLayout;
    saveNotDeliveredButton = new QPushButton(this);
    saveNotDeliveredButton->setObjectName("saveNotDeliveredButton");
    saveNotDeliveredButton->setEnabled(false);
    connect(saveNotDeliveredAction, &QAction::changed, saveNotDeliveredButton,
            [this] { saveNotDeliveredButton->setEnabled(saveNotDeliveredAction->isEnabled()); });
    closeButton = new QPushButton(this);
    closeButton->setObjectName("closeButton");
    suppressButton = new QPushButton(this);
    suppressButton->setObjectName("suppressButton");
    connect(suppressButton, &QPushButton::clicked, this, [this] { Guard([this] { suppressChosen(); }); });
    buttons->addWidget(saveNotDeliveredButton);
    buttons->addWidget(suppressButton);
    buttons->addStretch(1);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
}

void THistoryWindow::ShowLanguage()
{
    setWindowTitle(Tr("Varnolt Pelmar - zgodovina pošiljanja", "Varnolt Pelmar - Delivery history"));
    jobsLabel->setText(Tr("&Pošiljanja, najnovejše prvo:", "&Jobs, newest first:"));
    entriesLabel->setText(Tr("&Naslovi izbranega pošiljanja:", "&Entries of the chosen job:"));
    saveNotDeliveredAction->setText(Tr("Shrani nedostavljene naslove …", "Save the entries not delivered…"));
    saveNotDeliveredButton->setText(saveNotDeliveredAction->text());
    suppressButton->setText(Tr("Izbrane med izločene naslove", "Add the chosen entries to the suppression list"));
    closeButton->setText(Tr("Zapri", "Close"));
    Jobs.LanguageChanged();
    Entries.LanguageChanged();
    FitHeaders(jobsView, JobColumnWidths);
    FitHeaders(entriesView, EntryColumnWidths);
}

void THistoryWindow::Refresh()
{
    const std::int64_t chosen = ChosenJob();
    Jobs.SetJobs(FHistory.History().Jobs());
    const int row = Jobs.RowOf(chosen);
    ChooseJob(row >= 0 ? row : 0);
}

std::int64_t THistoryWindow::ChosenJob() const
{
    const QModelIndex current = jobsView->currentIndex();
    return current.isValid() ? Jobs.Job(current.row()).id : 0;
}

void THistoryWindow::ChooseJob(int row)
{
    if (row < 0 || row >= Jobs.rowCount()) {
        ShowEntriesOf(-1);
        return;
    }
    const QModelIndex index = Jobs.index(row, 0);
    if (jobsView->currentIndex() == index)
        ShowEntriesOf(row); // the same row again: its entries may have changed
    else
        jobsView->setCurrentIndex(index);
}

void THistoryWindow::ShowEntriesOf(int row)
{
    if (row < 0 || row >= Jobs.rowCount()) {
        Entries.SetEntries({});
        saveNotDeliveredAction->setEnabled(false);
        return;
    }
    const TJobSummary& job = Jobs.Job(row);
    Entries.SetEntries(FHistory.History().Entries(job.id));
    entriesView->scrollToTop();
    saveNotDeliveredAction->setEnabled(job.Unfinished() && job.failure.empty());
}

void THistoryWindow::suppressChosen()
{
    std::vector<std::string> entries;
    for (const QModelIndex& row : entriesView->selectionModel()->selectedRows())
        entries.push_back(Entries.index(row.row(), 1).data().toString().toStdString());
    if (OnSuppress && !entries.empty())
        OnSuppress(entries);
}

// The dialog starts at a name beside the job's list; a list with columns saves as CSV
// with them, so that a retry keeps its personal fields. The user is told where it went.
void THistoryWindow::saveNotDelivered()
{
    const QModelIndex current = jobsView->currentIndex();
    if (!current.isValid())
        return;
    const TJobSummary job = Jobs.Job(current.row());
    const std::string suggested = SuggestedNotDeliveredFile(job);
    const std::string usualDir = std::exchange(FSaveDialog.InitialDir, suggested);
    const std::string usualFilter = std::exchange(FSaveDialog.Filter, "*.txt|*.txt|*.csv|*.csv|*.*|*.*");
    const auto restore = qScopeGuard([&] {
        FSaveDialog.InitialDir = usualDir;
        FSaveDialog.Filter = usualFilter;
    });
    if (!FSaveDialog.Execute())
        return;
    const int saved = SaveNotDelivered(FHistory.History(), job, FSaveDialog.FileName);
    UserInterface().ShowMessage(NotDeliveredSavedText(saved, FSaveDialog.FileName));
}
