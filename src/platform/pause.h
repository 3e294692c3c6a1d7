#pragma once
#include <QEventLoop>
#include <QList>
#include <QThread>
#include <QTimer>

namespace vantrel {

// The program's fixed pauses (3000 ms and 4000 ms in the dialer, the pause after
// each dial attempt).
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

// Waits while the thread's event loop goes on, so that the tray icon, its menu,
// the poll and the progress window's buttons keep working during a dial run's
// pauses. Ends early when the application quits (QCoreApplication::exit ends
// every running event loop of the thread).
class EventLoopPause final : public Pause {
public:
    void sleep(int milliseconds) override
    {
        if (milliseconds <= 0)
            return;
        QEventLoop loop;
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
};

// Returns at once and remembers every pause asked for.
class RecordingPause final : public Pause {
public:
    void sleep(int milliseconds) override { pauses.append(milliseconds); }
    QList<int> pauses;
};

} // namespace vantrel
