// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/platform/desktop/qtwaveplayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QFile>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>
#include <QtEndian>

namespace vantrel {

namespace {

constexpr quint16 kWaveFormatPcm = 1;

bool notPlayable(const QString &path, const QString &why, QString *error)
{
    if (error)
        *error = QCoreApplication::translate("WavePlayer", "'%1' is not a playable wave file: %2").arg(path, why);
    return false;
}

} // namespace

QtWavePlayer::QtWavePlayer(std::function<bool()> audioOutputAvailable)
    : m_audioOutputAvailable(std::move(audioOutputAvailable))
{
    if (!m_audioOutputAvailable)
        m_audioOutputAvailable = [] { return !QMediaDevices::defaultAudioOutput().isNull(); };
}

QtWavePlayer::~QtWavePlayer() = default;

bool QtWavePlayer::checkWaveFile(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QCoreApplication::translate("WavePlayer", "'%1' cannot be read: %2").arg(path, file.errorString());
        return false;
    }
    const qint64 size = file.size();
    const QByteArray riff = file.read(12);
    if (riff.size() < 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE")
        return notPlayable(path, QCoreApplication::translate("WavePlayer", "it is not a RIFF WAVE file"), error);

    // Walk the chunks by their headers only, so a long recording is not read
    // into memory just to be checked. The format must come before the samples.
    bool haveFormat = false;
    qint64 pos = 12;
    while (pos + 8 <= size) {
        if (!file.seek(pos))
            break;
        const QByteArray header = file.read(8);
        if (header.size() < 8)
            break;
        const QByteArray id = header.left(4);
        const quint32 chunkSize = qFromLittleEndian<quint32>(header.constData() + 4);
        if (id == "fmt ") {
            if (chunkSize < 16)
                return notPlayable(path, QCoreApplication::translate("WavePlayer", "its format chunk is too short"), error);
            const QByteArray fmt = file.read(16);
            if (fmt.size() < 16)
                return notPlayable(path, QCoreApplication::translate("WavePlayer", "its format chunk is cut short"), error);
            const quint16 tag = qFromLittleEndian<quint16>(fmt.constData());
            const quint16 channels = qFromLittleEndian<quint16>(fmt.constData() + 2);
            const quint32 rate = qFromLittleEndian<quint32>(fmt.constData() + 4);
            const quint16 bits = qFromLittleEndian<quint16>(fmt.constData() + 14);
            if (tag != kWaveFormatPcm)
                return notPlayable(
                    path, QCoreApplication::translate("WavePlayer", "its samples are not plain PCM (format %1)").arg(tag),
                    error);
            if (bits != 8 && bits != 16 && bits != 32)
                return notPlayable(
                    path, QCoreApplication::translate("WavePlayer", "%1-bit samples are not supported").arg(bits), error);
            if (channels == 0 || rate == 0)
                return notPlayable(
                    path, QCoreApplication::translate("WavePlayer", "it names no channels or no sample rate"), error);
            haveFormat = true;
        } else if (id == "data") {
            if (!haveFormat)
                return notPlayable(
                    path, QCoreApplication::translate("WavePlayer", "it has no format chunk before its samples"), error);
            // A size of 0 is how a recording of unknown length is written: the
            // samples run to the end of the file.
            if (size - (pos + 8) <= 0)
                return notPlayable(path, QCoreApplication::translate("WavePlayer", "it holds no sound"), error);
            return true;
        }
        pos += 8 + qint64(chunkSize) + (chunkSize & 1); // chunks are padded to even sizes
    }
    return notPlayable(path,
                       haveFormat ? QCoreApplication::translate("WavePlayer", "it has no sound data")
                                  : QCoreApplication::translate("WavePlayer", "it has no format chunk"),
                       error);
}

bool QtWavePlayer::open(QString *error)
{
    close();
    if (!checkWaveFile(m_fileName, error))
        return false;
    m_effect = std::make_unique<QSoundEffect>();
    m_effect->setSource(QUrl::fromLocalFile(m_fileName)); // loads in the background
    return true;
}

void QtWavePlayer::close()
{
    m_effect.reset();
}

bool QtWavePlayer::play()
{
    if (!m_effect || !m_audioOutputAvailable())
        return false;
    if (m_effect->status() == QSoundEffect::Error)
        return false;
    // Always from the beginning, also while the previous play is still sounding.
    m_effect->stop();
    m_effect->play();
    return true;
}

} // namespace vantrel

// The sound module's one entry point, resolved by LazyWavePlayer.
extern "C" Q_DECL_EXPORT vantrel::WavePlayer *vantrel_make_wave_player()
{
    return new vantrel::QtWavePlayer();
}
