// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A wave player and a beep for tests: nothing sounds, every call is counted,
// and the test decides whether opening succeeds and whether a device plays.
#include "ui/platform/desktop/waveplayer.h"

#include <QString>
#include <QStringList>

namespace vantrel::test {

class RecordingWavePlayer : public WavePlayer {
public:
    // What the calls answer.
    QString openError;       // non-empty: open() fails with this text
    bool audioDevice = true; // false: play() finds no device and plays nothing

    // What happened.
    int openCalls = 0;
    int closeCalls = 0;
    int playCalls = 0; // every call of play()
    int played = 0;    // plays that would have sounded
    QStringList log;   // "file:<path>", "open", "close", "play" in call order

    void setFileName(const QString &path) override
    {
        m_fileName = path;
        log << QStringLiteral("file:") + path;
    }
    QString fileName() const override { return m_fileName; }
    bool open(QString *error) override
    {
        ++openCalls;
        log << QStringLiteral("open");
        m_open = openError.isEmpty();
        if (!m_open && error)
            *error = openError;
        return m_open;
    }
    void close() override
    {
        ++closeCalls;
        log << QStringLiteral("close");
        m_open = false;
    }
    bool isOpen() const override { return m_open; }
    bool play() override
    {
        ++playCalls;
        log << QStringLiteral("play");
        if (!m_open || !audioDevice)
            return false;
        ++played;
        return true;
    }

private:
    QString m_fileName;
    bool m_open = false;
};

class RecordingBeeper final : public Beeper {
public:
    void beep() override { ++beeps; }
    int beeps = 0;
};

} // namespace vantrel::test
