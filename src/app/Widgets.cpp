// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/Widgets.h"

#include "base/StringList.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QRadioButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

class TEventHook : public QObject {
public:
    TEventHook(QObject* target, std::function<bool(QEvent*)> handler) : QObject(target), FHandler(std::move(handler))
    {
        target->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject*, QEvent* event) override { return FHandler(event); }

private:
    std::function<bool(QEvent*)> FHandler;
};

class TRowHeightDelegate : public QStyledItemDelegate {
public:
    TRowHeightDelegate(int height, QObject* parent) : QStyledItemDelegate(parent), FHeight(height) { }
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), FHeight};
    }

private:
    int FHeight;
};

bool IsLeftButton(QEvent* event)
{
    return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
}

}

void HookEvents(QObject* target, std::function<bool(QEvent*)> handler)
{
    new TEventHook(target, std::move(handler));
}

void OnClick(QWidget* target, std::function<void()> handler)
{
    HookEvents(target, [handler = std::move(handler)](QEvent* event) {
        if (event->type() == QEvent::MouseButtonRelease && IsLeftButton(event))
            handler();
        return false;
    });
}

void OnDoubleClick(QWidget* target, std::function<void()> handler)
{
    HookEvents(target, [handler = std::move(handler)](QEvent* event) {
        if (event->type() != QEvent::MouseButtonDblClick || !IsLeftButton(event))
            return false;
        handler();
        return true;
    });
}

TStatusBar::TStatusBar(const QString& name, const std::vector<int>& widths, QWidget* parent) : QFrame(parent)
{
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 1, 0, 0);
    layout->setSpacing(2);
    for (size_t i = 0; i < widths.size(); ++i) {
        auto* panel = new QLabel(this);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        panel->setContentsMargins(3, 0, 3, 0);
        panel->setMinimumWidth(widths[i]);
        if (i + 1 < widths.size())
            panel->setFixedWidth(widths[i]);
        layout->addWidget(panel, i + 1 < widths.size() ? 0 : 1);
        FPanels.push_back(panel);
    }
    setFixedHeight(fontMetrics().height() + 8);
}

void TStatusBar::SetPanelText(int index, const QString& text)
{
    Panel(index)->setText(text);
}

QString TStatusBar::PanelText(int index) const
{
    return Panel(index)->text();
}

void TStatusBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && OnClick)
        OnClick();
    QFrame::mouseReleaseEvent(event);
}

TRadioGroup::TRadioGroup(const QString& name, int items, QWidget* parent) : QGroupBox(parent)
{
    setObjectName(name);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 2, 8, 2);
    for (int i = 0; i < items; ++i) {
        auto* item = new QRadioButton(this);
        item->setObjectName(name + ".Items[" + QString::number(i) + "]");
        layout->addWidget(item, 1);
        FItems.push_back(item);
    }
}

int TRadioGroup::ItemIndex() const
{
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i]->isChecked())
            return static_cast<int>(i);
    return -1;
}

void TRadioGroup::SetItemIndex(int index)
{
    index = std::min(index, static_cast<int>(FItems.size()) - 1);
    if (index >= 0) {
        FItems[static_cast<size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group never unchecks its last button by itself.
    for (auto* item : FItems) {
        item->setAutoExclusive(false);
        item->setChecked(false);
        item->setAutoExclusive(true);
    }
}

bool TCheckedRows::Fails(const QModelIndex& index) const
{
    return Check.Passes && !Check.Passes(QStringListModel::data(index, Qt::DisplayRole).toString().toStdString());
}

QVariant TCheckedRows::data(const QModelIndex& index, int role) const
{
    switch (role) {
    case Qt::DecorationRole:
        if (Fails(index))
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        break;
    case Qt::ForegroundRole:
        if (Fails(index))
            return QColor(0xb0, 0x00, 0x20);
        break;
    case Qt::ToolTipRole:
        if (Fails(index) && Check.Complaint)
            return Check.Complaint();
        break;
    default: break;
    }
    return QStringListModel::data(index, role);
}

TListBox::TListBox(const QString& name, int rowHeight, QWidget* parent) : QListView(parent), FRowHeight(rowHeight)
{
    setObjectName(name);
    setModel(&FRows);
    setItemDelegate(new TRowHeightDelegate(rowHeight, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void TListBox::SetRowCheck(TRowCheck check)
{
    FRows.Check = std::move(check);
    // The warning sign fits the row.
    setIconSize(QSize(FRowHeight - 2, FRowHeight - 2));
}

std::string TListBox::Item(int index) const
{
    return FRows.index(index).data().toString().toStdString();
}

void TListBox::Append(const std::string& text)
{
    const int row = FRows.rowCount();
    FRows.insertRows(row, 1);
    FRows.setData(FRows.index(row), QString::fromStdString(text));
}

void TListBox::Remove(int index)
{
    FRows.removeRows(index, 1);
}

void TListBox::Clear()
{
    FRows.setStringList({});
}

void TListBox::Assign(const TStringList& lines)
{
    QStringList rows;
    rows.reserve(lines.Count());
    // Equal neighbours share one string: a label column repeats one text throughout.
    const std::string* previous = nullptr;
    QString row;
    for (const auto& line : lines.Lines()) {
        if (!previous || *previous != line)
            row = QString::fromStdString(line);
        rows << row;
        previous = &line;
    }
    FRows.setStringList(rows);
}

int TListBox::ItemIndex() const
{
    const QModelIndexList selected = selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.front().row();
}

void TListBox::SetItemIndex(int index)
{
    if (index < 0 || index >= count()) {
        setCurrentIndex(QModelIndex());
        clearSelection();
        return;
    }
    setCurrentIndex(FRows.index(index));
}
