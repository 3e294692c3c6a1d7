// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop entry reader on any bytes (no crash, no undefined behaviour), and
// the round trip of the autostart view: any program path written into an entry
// reads back as itself.
#include "platform/registry/desktopentry.h"

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    (void)desktopentry::autostartCommand(bytes);

    // A path holds no NUL; everything else may be in it.
    const QString path = QString::fromUtf8(bytes);
    if (path.contains(QChar(0)))
        return 0;
    const std::optional<QString> back = desktopentry::autostartCommand(
        desktopentry::autostartEntry(QStringLiteral("Vantrel"), path));
    if (!back || *back != path)
        std::abort();
    return 0;
}
