// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/desktop/lazywaveplayer.h"

#include "platform/desktop/modules.h"

#include <QApplication>
#include <QCoreApplication>

namespace vantrel {

namespace {

constexpr char kModuleName[] = "vantrel-sound";
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
    if (error)
        *error = QCoreApplication::translate("WavePlayer", "Sounds cannot be played: the sound module %1 was not found (%2)")
                     .arg(QLatin1String(kModuleName), why);
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
