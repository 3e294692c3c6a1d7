// SPDX-License-Identifier: GPL-3.0-or-later
// The main of the core's tests: a QCoreApplication, as the core links no Qt Gui.
#include "support/testenv.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <memory>

int main(int argc, char **argv)
{
    // Nothing a test does may touch the real profile.
    auto home = std::make_unique<vantrel::test::ScopedHome>();
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    const int rc = RUN_ALL_TESTS();
    return rc;
}
