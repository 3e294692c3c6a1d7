// SPDX-License-Identifier: GPL-3.0-or-later
// Writes many values into one hive from a process of its own, so that tests can
// check that two processes writing the same hive at once both keep their values.
//   vantrel_regwriter <registry dir> <value prefix> <count>
// Writes "<prefix>-<i>" = i (dword) and "<prefix>-s<i>" = "<prefix> text <i>" into
// HKCU\Software\Concurrency. Exit code 0 when every write succeeded.
#include "platform/registry/fileregistry.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: vantrel_regwriter <dir> <prefix> <count>\n");
        return 2;
    }
    const QString prefix = args[2];
    const int count = args[3].toInt();
    vantrel::FileRegistry registry(args[1], args[1] + QStringLiteral("/autostart"));
    vantrel::RegKey key;
    if (registry.openKey(vantrel::Hive::CurrentUser, QStringLiteral("Software\\Concurrency"), true, &key)
        != vantrel::RegStatus::Success)
        return 1;
    std::fputs("started\n", stdout);
    std::fflush(stdout);
    int failures = 0;
    for (int i = 0; i < count; ++i) {
        const QString n = QString::number(i);
        if (registry.setValue(key, prefix + QLatin1Char('-') + n, vantrel::RegValue::dword(vantrel::DWORD(i)))
            != vantrel::RegStatus::Success)
            ++failures;
        if (registry.setValue(key, prefix + QStringLiteral("-s") + n,
                              vantrel::RegValue::string(prefix + QStringLiteral(" text ") + n))
            != vantrel::RegStatus::Success)
            ++failures;
    }
    registry.closeKey(&key);
    return failures == 0 ? 0 : 1;
}
