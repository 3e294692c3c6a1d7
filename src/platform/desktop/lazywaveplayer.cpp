#include "platform/desktop/lazywaveplayer.h"

#include <QApplication>
#include <QDir>
#include <QLibrary>

namespace vantrel {

namespace {

constexpr char kModuleName[] = "vantrel-sound";
using MakeWavePlayer = WavePlayer *(*)();

} // namespace

LazyWavePlayer::LazyWavePlayer(QStringList folders) : m_folders(std::move(folders)) {}

LazyWavePlayer::~LazyWavePlayer() = default;

QStringList LazyWavePlayer::defaultModuleFolders()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    return {programFolder, QDir::cleanPath(programFolder + QStringLiteral("/../lib/vantrel")),
            QStringLiteral(VANTREL_SOUND_MODULE_INSTALL_DIR), QStringLiteral(VANTREL_SOUND_MODULE_BUILD_DIR)};
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
    for (const QString &folder : std::as_const(m_folders)) {
        // Never unloaded: the sound library keeps threads of its own.
        QLibrary module(QDir(folder).filePath(QLatin1String(kModuleName)));
        if (!module.load()) {
            why = module.errorString();
            continue;
        }
        const auto make = reinterpret_cast<MakeWavePlayer>(module.resolve("vantrel_make_wave_player"));
        if (!make) {
            why = module.errorString();
            continue;
        }
        m_player.reset(make());
        m_player->setFileName(m_fileName);
        return true;
    }
    if (error)
        *error = QStringLiteral("Sounds cannot be played: the sound module %1 was not found (%2)")
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
