// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real wave player: Qt Multimedia's QSoundEffect. It lives in the sound
// module (vantrel-sound), which the program loads when it first needs sound.
#include "ui/platform/desktop/waveplayer.h"

#include <functional>
#include <memory>

class QSoundEffect;

namespace vantrel {

class QtWavePlayer final : public WavePlayer {
public:
    // `audioOutputAvailable` tells whether the machine has a sound output now;
    // by default Qt Multimedia's default output is asked (tests pass their own).
    explicit QtWavePlayer(std::function<bool()> audioOutputAvailable = {});
    ~QtWavePlayer() override;

    void setFileName(const QString &path) override { m_fileName = path; }
    QString fileName() const override { return m_fileName; }
    // Checks the file before handing it over: QSoundEffect loads in the
    // background and would report a bad file only later, and silently.
    bool open(QString *error = nullptr) override;
    void close() override;
    bool isOpen() const override { return m_effect != nullptr; }
    bool play() override;

    // True when `path` is a RIFF WAVE file with PCM samples that QSoundEffect can
    // play (8, 16 or 32 bits, at least one channel, a sample rate and a data
    // chunk with samples). Otherwise false, with a text for the user in *error.
    static bool checkWaveFile(const QString &path, QString *error);

private:
    QString m_fileName;
    std::unique_ptr<QSoundEffect> m_effect;
    std::function<bool()> m_audioOutputAvailable;
};

} // namespace vantrel
