// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "app/MainWindow.h"
#include "app/PelmarApplication.h"
#include "app/SettingsDialog.h"
#include "app/Widgets.h"
#include "support/Sandbox.h"
#include "support/ScriptedUi.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

// The whole program in a sandbox, with the scripted person answering its dialogs.
class AppTest : public ::testing::Test {
protected:
    TSandbox Sandbox;
    TScriptedUi Ui;
    std::unique_ptr<TPelmarApplication> Program;

    static constexpr const char* CompleteSettings =
        "[General]\nime=Ana\nemail=ana@example.org\nhost=mail.example.org\nusername=ana\n";

    // Complete settings for a server on 127.0.0.1 at the given port.
    static std::string SettingsFor(std::uint16_t port)
    {
        return "[General]\nime=Ana\nemail=ana@example.org\nhost=127.0.0.1\nusername=ana\nport=" + std::to_string(port)
            + "\n";
    }

    void Create(const QStringList& arguments = {}) { Program = std::make_unique<TPelmarApplication>(arguments); }

    // Shows the main window and waits for its first activation.
    void Start(const QStringList& arguments = {})
    {
        Create(arguments);
        Window().show();
        Window().activateWindow();
        ASSERT_TRUE(PumpUntil([this] { return Window().ActivationCount() > 0; })) << "never activated";
    }

    // Makes window the active one and lets the activation run.
    void Activate(QWidget& window)
    {
        window.show();
        window.activateWindow();
        PumpUntil([&window] { return QGuiApplication::focusWindow() == window.windowHandle(); });
        Pump();
    }

    TMainWindow& Window() { return Program->MainWindow(); }
    TSettingsDialog& Settings() { return Program->SettingsDialog(); }
};

inline std::string Str(const QString& text)
{
    return text.toStdString();
}

inline void SendKey(QWidget* target, QEvent::Type type, int key, const QString& text = {})
{
    QKeyEvent event(type, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &event);
}

// Types text into a field one character at a time, as a person would.
inline void Type(QLineEdit* field, const QString& text)
{
    for (const QChar c : text) {
        SendKey(field, QEvent::KeyPress, 0, QString(c));
        SendKey(field, QEvent::KeyRelease, 0, QString(c));
    }
}
