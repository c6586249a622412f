// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/QtUserInterface.h"

#include "workflow/program/ProgramState.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

namespace {

// Message boxes end their lines with CR alone; Qt breaks lines at LF.
QString BoxText(const std::string& text)
{
    return QString::fromStdString(text).replace("\r\n", "\n").replace('\r', '\n');
}

void Box(QMessageBox::Icon icon, const std::string& text)
{
    QMessageBox box(icon, QString::fromUtf8(ApplicationTitle), BoxText(text), QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

std::string RunFileDialog(const TFileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.Title),
                       QString::fromStdString(request.InitialDir));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(NameFilters(request.Filter));
    const QString defaultSuffix = QString::fromStdString(request.DefaultExt);
    dialog.setDefaultSuffix(defaultSuffix);
    if (!defaultSuffix.isEmpty())
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog, defaultSuffix](const QString& filter) {
                             dialog.setDefaultSuffix(SuffixForFilter(filter, defaultSuffix));
                         });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front().toStdString();
}

}

QStringList NameFilters(const std::string& filter)
{
    const QStringList parts = QString::fromStdString(filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // "*.*" means every file, also those without a dot in the name.
        QString pattern = parts[i + 1];
        pattern.replace("*.*", "*");
        filters << parts[i] + " (" + pattern.replace(';', ' ') + ")";
    }
    return filters;
}

QString SuffixForFilter(const QString& nameFilter, const QString& defaultSuffix)
{
    const qsizetype open = nameFilter.lastIndexOf('(');
    const qsizetype close = nameFilter.lastIndexOf(')');
    if (open < 0 || close < open)
        return defaultSuffix;
    const QString pattern = nameFilter.mid(open + 1, close - open - 1).trimmed();
    const QString suffix = pattern.mid(2);
    const bool oneKind =
        pattern.startsWith("*.") && !suffix.isEmpty() && !suffix.contains(QRegularExpression("[*?\\[\\s.]"));
    return oneKind ? suffix : defaultSuffix;
}

void TQtUserInterface::ShowMessage(const std::string& text)
{
    Box(QMessageBox::NoIcon, text);
}

void TQtUserInterface::ShowError(const std::string& text)
{
    Box(QMessageBox::Critical, text);
}

void TQtUserInterface::ExecModal(QWidget& dialog)
{
    if (auto* modal = qobject_cast<QDialog*>(&dialog))
        modal->exec();
}

std::string TQtUserInterface::OpenFileName(const TFileDialogRequest& request)
{
    return RunFileDialog(request, QFileDialog::AcceptOpen);
}

std::string TQtUserInterface::SaveFileName(const TFileDialogRequest& request)
{
    return RunFileDialog(request, QFileDialog::AcceptSave);
}

bool TQtUserInterface::ShellOpen(const std::string& target)
{
    const QString text = QString::fromStdString(target);
    const QUrl url = QFileInfo(text).isAbsolute() ? QUrl::fromLocalFile(text) : QUrl(text);
    return QDesktopServices::openUrl(url);
}

void TQtUserInterface::Beep()
{
    QApplication::beep();
}

int TQtUserInterface::Ask(const std::string& question, const std::vector<std::string>& answers)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(ApplicationTitle), BoxText(question),
                    QMessageBox::NoButton, QApplication::activeWindow());
    std::vector<QPushButton*> buttons;
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const bool wayOut = i + 1 == answers.size() && answers.size() > 1;
        buttons.push_back(box.addButton(QString::fromStdString(answers[i]),
                                        wayOut ? QMessageBox::RejectRole : QMessageBox::AcceptRole));
    }
    if (!buttons.empty())
        box.setDefaultButton(buttons.front());
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i])
            return static_cast<int>(i);
    return -1;
}

std::optional<std::string> TQtUserInterface::AskPassword(const std::string& prompt)
{
    QInputDialog dialog(QApplication::activeWindow());
    dialog.setWindowTitle(QString::fromUtf8(ApplicationTitle));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QString::fromStdString(Lang("V redu", "OK")));
    dialog.setCancelButtonText(QString::fromStdString(Lang("Prekliči", "Cancel")));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}
