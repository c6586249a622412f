// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "workflow/lists/ListColumn.h"

#include <QFrame>
#include <QGroupBox>
#include <QListView>
#include <QStringListModel>
#include <functional>
#include <vector>

class QLabel;
class QRadioButton;

// Calls handler for every event of target; handler returns true to swallow the event.
void HookEvents(QObject* target, std::function<bool(QEvent*)> handler);
// Calls handler on a left click (released) or a double click of target.
void OnClick(QWidget* target, std::function<void()> handler);
void OnDoubleClick(QWidget* target, std::function<void()> handler);

// A row of text panels of fixed widths; the last one takes what is left.
class TStatusBar : public QFrame {
public:
    TStatusBar(const QString& name, const std::vector<int>& widths, QWidget* parent);
    void SetPanelText(int index, const QString& text);
    QString PanelText(int index) const;
    int PanelCount() const { return static_cast<int>(FPanels.size()); }
    QLabel* Panel(int index) const { return FPanels.at(static_cast<size_t>(index)); }
    std::function<void()> OnClick;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    std::vector<QLabel*> FPanels;
};

// A framed group of choices in two columns; ItemIndex -1 means none chosen.
class TRadioGroup : public QGroupBox {
public:
    TRadioGroup(const QString& name, int items, QWidget* parent);
    int ItemIndex() const;
    // An index past the last item chooses the last one, below -1 chooses none.
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const { return FItems.at(static_cast<size_t>(index)); }

private:
    std::vector<QRadioButton*> FItems;
};

// Marks the rows whose text fails a check with a warning sign, a colour and a tool tip
// that says why.
struct TRowCheck {
    std::function<bool(const std::string& row)> Passes;
    std::function<QString()> Complaint; // in the language in force when it is shown
};

// The rows of a list box: plain strings, and the check of TRowCheck. The check runs only
// for the rows the view draws or the pointer rests on, never over the whole list, so a
// list of millions of rows loads as fast with it as without, and a row's mark always
// follows its text.
class TCheckedRows : public QStringListModel {
public:
    TRowCheck Check;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    bool Fails(const QModelIndex& index) const;
};

// A list box of text rows with a fixed row height. The rows are plain strings in a
// model rather than one item object each: a list of millions of rows (a large address
// book export) then costs its text and little more.
class TListBox : public QListView, public TListColumn {
public:
    TListBox(const QString& name, int rowHeight, QWidget* parent);
    void SetRowCheck(TRowCheck check);
    int Count() const override { return count(); }
    std::string Item(int index) const override;
    void Append(const std::string& text) override;
    void Remove(int index) override;
    void Clear() override;
    void Assign(const TStringList& lines) override;
    // The selected row, not Qt's current row: the view makes a row current without
    // selecting it when the focus arrives by Tab.
    int ItemIndex() const override;
    void SetItemIndex(int index) override;
    QStringList Items() const { return FRows.stringList(); }
    void SetItems(const QStringList& items) { FRows.setStringList(items); }
    int count() const { return FRows.rowCount(); }
    void ScrollToRow(int row) { scrollTo(FRows.index(row)); }

private:
    TCheckedRows FRows;
    int FRowHeight;
};
