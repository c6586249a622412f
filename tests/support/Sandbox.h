// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QTemporaryDir>
#include <functional>
#include <string>

// A private settings store and program folder for one test: the user's own settings
// are never touched. The program-wide values are reset to their start values.
class TSandbox {
public:
    TSandbox();
    ~TSandbox();

    // The settings file and its whole text.
    std::string SettingsFile() const;
    void WriteSettings(const std::string& iniText) const;
    std::string ReadSettings() const;

    // The folder the program writes its files to, with a trailing separator.
    std::string ProgramFolder() const;
    // The per-user data folder, where the delivery history lives (not made beforehand).
    std::string UserDataFolder() const;
    // A file in the sandbox with the given bytes; returns its path.
    std::string MakeFile(const std::string& name, const std::string& bytes) const;
    std::string Path(const std::string& name) const;

private:
    QTemporaryDir FDir;
};

std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// Lets queued events run (posted calls, activation) without waiting on a clock.
void Pump();
// Pumps until the condition holds or two seconds passed; returns the condition.
bool PumpUntil(const std::function<bool()>& condition);
