// SPDX-License-Identifier: GPL-3.0-or-later
#include "workflow/settings/SettingsStore.h"

#include "base/Exception.h"
#include "workflow/settings/IntegerText.h"

#include <QSettings>
#include <QStringList>
#include <optional>

namespace {

// "Software\Organisation\Application" names the settings of one application; on this
// system that is the file Organisation/Application.conf in the user's configuration folder.
struct TKeyNames {
    QString Organisation;
    QString Application;
};

TKeyNames SplitKeyPath(const std::string& keyPath)
{
    QStringList parts = QString::fromStdString(keyPath).split('\\', Qt::SkipEmptyParts);
    if (!parts.isEmpty() && parts.front().compare("Software", Qt::CaseInsensitive) == 0)
        parts.removeFirst();
    if (parts.size() < 2)
        throw Exception("Invalid settings key '" + keyPath + "'");
    return {parts[0], parts.mid(1).join('/')};
}

QString Name(const std::string& name)
{
    return QString::fromStdString(name);
}

void Write(const std::string& keyPath, const std::string& name, const std::string& text)
{
    const TKeyNames key = SplitKeyPath(keyPath);
    QSettings settings(key.Organisation, key.Application);
    settings.setValue(Name(name), QString::fromStdString(text));
    settings.sync();
    if (settings.status() != QSettings::NoError)
        throw Exception("Failed to set data for '" + name + "'");
}

// The stored text, or nothing when the value does not exist.
std::optional<std::string> Read(const std::string& keyPath, const std::string& name)
{
    const TKeyNames key = SplitKeyPath(keyPath);
    QSettings settings(key.Organisation, key.Application);
    if (settings.status() == QSettings::AccessError)
        throw Exception("Failed to get data for '" + name + "'");
    if (!settings.contains(Name(name)))
        return std::nullopt;
    const QVariant value = settings.value(Name(name));
    if (value.typeId() != QMetaType::QString)
        throw Exception("Invalid data type for '" + name + "'");
    // Text ends at its first NUL, as a stored string always did.
    const std::string text = value.toString().toStdString();
    return text.substr(0, text.find('\0'));
}

}

std::string SettingsFileName(const std::string& keyPath)
{
    const TKeyNames key = SplitKeyPath(keyPath);
    return QSettings(key.Organisation, key.Application).fileName().toStdString();
}

void RegWriteString(const std::string& keyPath, const std::string& name, const std::string& text)
{
    Write(keyPath, name, text);
}

std::string RegReadString(const std::string& keyPath, const std::string& name, const std::string& defaultText)
{
    return Read(keyPath, name).value_or(defaultText);
}

void RegWriteInteger(const std::string& keyPath, const std::string& name, std::int32_t value)
{
    Write(keyPath, name, std::to_string(value));
}

std::int32_t RegReadInteger(const std::string& keyPath, const std::string& name, std::int32_t defaultValue)
{
    const auto text = Read(keyPath, name);
    if (!text)
        return defaultValue;
    return TryDecimalToInt(*text).value_or(defaultValue);
}
