// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/testenv.h"

#include <QApplication>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing a test does may touch the real profile.
    auto home = std::make_unique<vantrel::test::ScopedHome>();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    return rc;
}
