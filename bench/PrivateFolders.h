// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <fstream>

// Points the settings and the data folder into scratch, with a complete account: no
// first-run welcome waits for a person, and no draft or history of the user's own runs
// comes back.
inline void UsePrivateFolders(const QTemporaryDir& scratch)
{
    qputenv("XDG_CONFIG_HOME", scratch.filePath("config").toLocal8Bit());
    qputenv("XDG_DATA_HOME", scratch.filePath("data").toLocal8Bit());
    QDir().mkpath(scratch.filePath("config/Drelko"));
    std::ofstream(scratch.filePath("config/Drelko/Varnolt Pelmar.conf").toStdString())
        << "[General]\nime=Ana\nemail=ana@x.org\nhost=mail.x.org\nusername=ana\n";
}
