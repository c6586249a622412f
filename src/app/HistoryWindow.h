// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/HistoryModels.h"
#include <functional>
#include <string>
#include <vector>

#include <QWidget>
#include <cstdint>

class QAction;
class QLabel;
class QPushButton;
class QTableView;
class TFileDialog;
class THistoryAccess;

// The delivery history: the jobs, newest first, and the entries of the chosen job with
// their outcomes; the entries of a job that did not get the message can be saved as a
// recipients file. Shown without blocking the main window.
class THistoryWindow : public QWidget {
public:
    // saveDialog: the main window's shared save dialog.
    THistoryWindow(QWidget* owner, THistoryAccess& history, TFileDialog& saveDialog);

    // Reads the jobs again and shows the one chosen before, or the newest. Raises
    // EHistoryError when the history cannot be opened or read.
    void Refresh();
    // Writes the texts of the language in force.
    void ShowLanguage();
    // The chosen job's id, or 0 when none is chosen.
    std::int64_t ChosenJob() const;
    void ChooseJob(int row);

    // The command: asks for a file and writes the chosen job's entries that were not
    // delivered into it, one a line, as a recipients file.
    void saveNotDelivered();
    QAction* saveNotDeliveredAction;

    QLabel* jobsLabel;
    QTableView* jobsView;
    QLabel* entriesLabel;
    QTableView* entriesView;
    QPushButton* saveNotDeliveredButton;
    QPushButton* suppressButton; // the chosen entries onto the suppression list
    // Where the chosen entries go (the account's suppression list); none: the button does nothing.
    std::function<void(const std::vector<std::string>& entries)> OnSuppress;
    void suppressChosen();
    QPushButton* closeButton;

    THistoryJobsModel Jobs;
    THistoryEntriesModel Entries;

private:
    void BuildWindow();
    void ShowEntriesOf(int row);

    THistoryAccess& FHistory;
    TFileDialog& FSaveDialog;
};
