// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QString>

namespace vantrel {

// The never-shown wave player: holds a file name, opens it, plays it
// asynchronously from the beginning each time, closes it.
class WavePlayer {
public:
    virtual ~WavePlayer() = default;
    virtual void setFileName(const QString &path) = 0;
    virtual QString fileName() const = 0;
    // Opens the file named. On failure returns false and sets *error to a text for
    // the user (for example a file that is not a playable wave); the player stays closed.
    virtual bool open(QString *error = nullptr) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    // Plays from the start without waiting. Returns false (and plays nothing) when
    // the player is not open or no audio device can play it; callers carry on.
    virtual bool play() = 0;
};

// The platform's default beep.
class Beeper {
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

} // namespace vantrel
