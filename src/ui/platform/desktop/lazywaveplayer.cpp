// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/lazywaveplayer.h"

#include "ui/platform/desktop/modules.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace vantrel {

namespace {

constexpr char kModuleName[] = "vantrel-sound";
// The Debian package that installs the module.
constexpr char kPackageName[] = "vantrel-sound";
using MakeWavePlayer = WavePlayer *(*)();

} // namespace

LazyWavePlayer::LazyWavePlayer(QStringList folders) : m_folders(std::move(folders)) {}

LazyWavePlayer::~LazyWavePlayer() = default;

QStringList LazyWavePlayer::defaultModuleFolders()
{
    return ModuleFolders();
}

void LazyWavePlayer::setFileName(const QString &path)
{
    m_fileName = path;
    if (m_player)
        m_player->setFileName(path);
}

bool LazyWavePlayer::load(QString *error)
{
    if (m_player)
        return true;
    QString why;
    if (const auto make = reinterpret_cast<MakeWavePlayer>(
            ResolveModuleSymbol(kModuleName, "vantrel_make_wave_player", m_folders, &why))) {
        m_player.reset(make());
        m_player->setFileName(m_fileName);
        return true;
    }
    if (!error)
        return false;
    // The module comes in a package of its own, so that a machine that never
    // plays a sound need not install Qt Multimedia and the audio stack: when
    // no folder has it, say which package to install. A module that is there
    // but does not load is a broken install; the loader's reason says more.
    const bool present = std::any_of(m_folders.cbegin(), m_folders.cend(), [](const QString &folder) {
        return QFileInfo::exists(QDir(folder).filePath(QLatin1String(kModuleName) + QLatin1String(".so")));
    });
    *error = present ? QCoreApplication::translate("WavePlayer",
                                                   "Sounds cannot be played: the sound module %1 could not be loaded (%2)")
                           .arg(QLatin1String(kModuleName), why)
                     : QCoreApplication::translate(
                           "WavePlayer", "Sounds cannot be played: the sound module is not installed. Install the "
                                         "package %1 (for example: sudo apt install %1), then choose the sound again.")
                           .arg(QLatin1String(kPackageName));
    return false;
}

bool LazyWavePlayer::open(QString *error)
{
    return load(error) && m_player->open(error);
}

void LazyWavePlayer::close()
{
    if (m_player)
        m_player->close();
}

void QtBeeper::beep()
{
    QApplication::beep();
}

} // namespace vantrel
