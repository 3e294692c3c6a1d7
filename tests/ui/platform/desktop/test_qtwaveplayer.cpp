// SPDX-License-Identifier: GPL-3.0-or-later
// The real wave player's check of a file before it is handed to the sound system,
// and the program's player that loads it when first needed.
#include "ui/platform/desktop/lazywaveplayer.h"
#include "ui/platform/desktop/qtwaveplayer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace vantrel::test {
namespace {

QByteArray le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian<quint16>(v, b.data());
    return b;
}

QByteArray le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian<quint32>(v, b.data());
    return b;
}

QByteArray chunk(const char *id, const QByteArray &payload, quint32 declaredSize = 0xFFFFFFFF)
{
    QByteArray c(id, 4);
    c += le32(declaredSize == 0xFFFFFFFF ? quint32(payload.size()) : declaredSize);
    c += payload;
    if (payload.size() & 1)
        c += '\0';
    return c;
}

QByteArray fmtChunk(quint16 tag, quint16 channels, quint32 rate, quint16 bits)
{
    const quint16 align = quint16(channels * bits / 8);
    return chunk("fmt ", le16(tag) + le16(channels) + le32(rate) + le32(rate * align) + le16(align) + le16(bits));
}

QByteArray riff(const QByteArray &body, const char *type = "WAVE")
{
    return QByteArray("RIFF") + le32(quint32(4 + body.size())) + QByteArray(type, 4) + body;
}

QByteArray tinyWave()
{
    return riff(fmtChunk(1, 1, 8000, 8) + chunk("data", QByteArray(16, '\x80')));
}

class WavePlayerTest : public ::testing::Test {
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(WavePlayerTest, AcceptsPlainPcmWaves)
{
    const struct {
        const char *name;
        QByteArray bytes;
    } cases[] = {
        {"tiny", tinyWave()},
        {"16-bit stereo after a list chunk of odd size",
         riff(chunk("LIST", QByteArray(5, 'x')) + fmtChunk(1, 2, 44100, 16) + chunk("data", QByteArray(40, '\0')))},
        {"32-bit with a long format chunk",
         riff(chunk("fmt ", fmtChunk(1, 1, 22050, 32).mid(8) + le16(0)) + chunk("data", QByteArray(8, '\0')))},
        {"data of unknown length running to the end",
         riff(fmtChunk(1, 1, 8000, 16) + chunk("data", QByteArray(10, '\0'), 0))},
    };
    for (const auto &c : cases) {
        QString error;
        EXPECT_TRUE(QtWavePlayer::checkWaveFile(write("ok.wav", c.bytes), &error)) << c.name << ": " << error.toStdString();
    }
}

TEST_F(WavePlayerTest, RefusesWhatItCannotPlayAndSaysWhy)
{
    const struct {
        const char *name;
        QByteArray bytes;
        const char *why;
    } cases[] = {
        {"empty file", QByteArray(), "it is not a RIFF WAVE file"},
        {"text file", QByteArray("just some text, not a sound at all\n"), "it is not a RIFF WAVE file"},
        {"RIFF of another kind", riff(fmtChunk(1, 1, 8000, 8), "AVI "), "it is not a RIFF WAVE file"},
        {"float samples", riff(fmtChunk(3, 1, 8000, 32) + chunk("data", QByteArray(8, '\0'))),
         "its samples are not plain PCM (format 3)"},
        {"compressed", riff(fmtChunk(0x55, 1, 8000, 16) + chunk("data", QByteArray(8, '\0'))),
         "its samples are not plain PCM (format 85)"},
        {"24-bit", riff(fmtChunk(1, 1, 8000, 24) + chunk("data", QByteArray(9, '\0'))), "24-bit samples are not supported"},
        {"no channels", riff(fmtChunk(1, 0, 8000, 8) + chunk("data", QByteArray(8, '\0'))),
         "it names no channels or no sample rate"},
        {"no rate", riff(fmtChunk(1, 1, 0, 8) + chunk("data", QByteArray(8, '\0'))),
         "it names no channels or no sample rate"},
        {"short format", riff(chunk("fmt ", QByteArray(12, '\0')) + chunk("data", "ab")), "its format chunk is too short"},
        {"no data chunk", riff(fmtChunk(1, 1, 8000, 8)), "it has no sound data"},
        {"data before format", riff(chunk("data", QByteArray(8, '\0')) + fmtChunk(1, 1, 8000, 8)),
         "it has no format chunk before its samples"},
        {"empty data at the end", riff(fmtChunk(1, 1, 8000, 8)) + QByteArray("data") + le32(0), "it holds no sound"},
        {"a chunk claiming more than the file",
         riff(chunk("LIST", QByteArray(4, 'x'), 0xFFFFFFF0) + fmtChunk(1, 1, 8000, 8)), "it has no format chunk"},
        {"header cut short", tinyWave().left(30), "its format chunk is cut short"},
    };
    for (const auto &c : cases) {
        const QString path = write("bad.wav", c.bytes);
        QString error;
        EXPECT_FALSE(QtWavePlayer::checkWaveFile(path, &error)) << c.name;
        EXPECT_EQ(error, QStringLiteral("'%1' is not a playable wave file: %2").arg(path, QString::fromUtf8(c.why)))
            << c.name;
    }
}

TEST_F(WavePlayerTest, AnUnreadableFileIsNamedInTheError)
{
    const QString missing = dir.filePath("missing.wav");
    QString error;
    EXPECT_FALSE(QtWavePlayer::checkWaveFile(missing, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("'%1' cannot be read: ").arg(missing))) << error.toStdString();
}

TEST_F(WavePlayerTest, OpensClosesAndPlaysOnlyWithADevice)
{
    bool device = false;
    QtWavePlayer player([&device] { return device; });
    EXPECT_FALSE(player.play()); // never opened

    player.setFileName(write("ring.wav", tinyWave()));
    QString error;
    ASSERT_TRUE(player.open(&error)) << error.toStdString();
    EXPECT_TRUE(player.isOpen());
    EXPECT_FALSE(player.play()); // no sound output: nothing plays, nothing fails

    player.setFileName(write("bad.wav", "not a wave"));
    EXPECT_FALSE(player.open(&error));
    EXPECT_FALSE(player.isOpen()); // a failed open leaves the player closed
    EXPECT_TRUE(error.contains(QStringLiteral("is not a playable wave file")));
    device = true;
    EXPECT_FALSE(player.play());

    player.setFileName(dir.filePath("ring.wav"));
    ASSERT_TRUE(player.open(&error));
    EXPECT_TRUE(player.play());
    EXPECT_TRUE(player.play()); // again from the start
    player.close();
    EXPECT_FALSE(player.isOpen());
    EXPECT_FALSE(player.play());
}

TEST_F(WavePlayerTest, TheProgramsPlayerLoadsTheSoundModuleOnlyWhenAFileIsOpened)
{
    // The module of this build, whichever folders the program itself would search.
    LazyWavePlayer player({QStringLiteral(VANTREL_TEST_MODULE_DIR)});
    player.setFileName(dir.filePath("missing.wav"));
    EXPECT_FALSE(player.moduleLoaded());
    EXPECT_FALSE(player.play());
    QString error;
    EXPECT_FALSE(player.open(&error));
    EXPECT_TRUE(player.moduleLoaded());
    EXPECT_TRUE(error.contains(QStringLiteral("cannot be read"))) << "the module's own check ran: " << error.toStdString();

    player.setFileName(write("ring.wav", tinyWave()));
    EXPECT_TRUE(player.open(&error)) << error.toStdString();
    EXPECT_TRUE(player.isOpen());

    // Without the module: the package to install is named; a module file
    // that does not load is reported with the loader's reason instead.
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("broken")));
    write("broken/vantrel-sound.so", "not a library");
    const struct {
        const char *folder;
        const char *says;
    } cases[] = {{"no-such-folder", "Install the package vantrel-sound"},
                 {"broken", "the sound module vantrel-sound could not be loaded"}};
    for (const auto &c : cases) {
        LazyWavePlayer without({dir.filePath(QLatin1String(c.folder))});
        without.setFileName(dir.filePath("ring.wav"));
        EXPECT_FALSE(without.open(&error));
        EXPECT_TRUE(error.startsWith(QStringLiteral("Sounds cannot be played")) && error.contains(QLatin1String(c.says)))
            << error.toStdString();
        EXPECT_FALSE(without.play());
    }
}

} // namespace
} // namespace vantrel::test
