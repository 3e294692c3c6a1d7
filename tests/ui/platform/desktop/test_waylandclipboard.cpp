// SPDX-License-Identifier: GPL-3.0-or-later
// The Wayland copy's failure report: when the copy cannot be made the caller
// hears why, from the event loop, and not once its context is gone.
#include "ui/platform/desktop/modules.h"
#include "ui/platform/desktop/waylandclipboard.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace vantrel::test {
namespace {

// WAYLAND_DISPLAY names a socket that does not exist, in a folder of our own.
class NoCompositor : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        m_oldDisplay = qgetenv("WAYLAND_DISPLAY");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
        qputenv("WAYLAND_DISPLAY", "no-such-compositor");
    }
    void TearDown() override
    {
        qputenv("XDG_RUNTIME_DIR", m_oldRuntime);
        qputenv("WAYLAND_DISPLAY", m_oldDisplay);
    }
    static void runEventsFor(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < ms)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }

    // The copy of this build's module, which a program built for installing
    // would not look for in the build folder.
    static CopyOnWaylandEntry copy()
    {
        return reinterpret_cast<CopyOnWaylandEntry>(
            ResolveModuleSymbol("vantrel-wayland", "vantrel_copy_on_wayland", {QStringLiteral(VANTREL_TEST_MODULE_DIR)}));
    }

    QTemporaryDir m_runtime;
    QByteArray m_oldRuntime, m_oldDisplay;
};

TEST_F(NoCompositor, TheFailureIsReportedFromTheEventLoopWithItsReason)
{
    QObject context;
    QStringList reasons;
    ASSERT_TRUE(copy());
    copy()(
        QStringLiteral("10.64.3.17"), &context, [&](const QString &reason) { reasons.append(reason); },
        std::chrono::seconds(3));
    EXPECT_TRUE(reasons.isEmpty()); // not inside the caller's handler
    runEventsFor(300);
    EXPECT_EQ(reasons, QStringList{QStringLiteral("the Wayland display could not be reached")});
}

TEST_F(NoCompositor, NothingIsReportedOnceTheContextIsGone)
{
    auto context = std::make_unique<QObject>();
    int calls = 0;
    ASSERT_TRUE(copy());
    copy()(
        QStringLiteral("10.64.3.17"), context.get(), [&](const QString &) { ++calls; }, std::chrono::seconds(3));
    context.reset();
    runEventsFor(300);
    EXPECT_EQ(calls, 0);
}

} // namespace
} // namespace vantrel::test
