#pragma once
#include <QList>
#include <QThread>

namespace vantrel {

// The program's fixed blocking pauses (3000 ms and 4000 ms in the dialer, the
// pause after each dial attempt). They block the calling thread on purpose.
class Pause {
public:
    virtual ~Pause() = default;
    virtual void sleep(int milliseconds) = 0;
};

class ThreadPause final : public Pause {
public:
    void sleep(int milliseconds) override
    {
        if (milliseconds > 0)
            QThread::msleep(static_cast<unsigned long>(milliseconds));
    }
};

// Returns at once and remembers every pause asked for.
class RecordingPause final : public Pause {
public:
    void sleep(int milliseconds) override { pauses.append(milliseconds); }
    QList<int> pauses;
};

} // namespace vantrel
