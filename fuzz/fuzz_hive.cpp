// SPDX-License-Identifier: GPL-3.0-or-later
// The hive reader on any bytes: no crash, no undefined behaviour, and every
// hive it accepts is written back in a form that reads back as the same hive
// and is written the same way again.
#include "platform/registry/hiveformat.h"

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    hive::Data parsed;
    QString why;
    if (!hive::parse(text, &parsed, &why)) {
        if (why.isEmpty())
            std::abort(); // damage always comes with its reason
        return 0;
    }
    const QByteArray written = hive::serialise(parsed);
    for (const char c : written)
        if (static_cast<unsigned char>(c) > 0x7f)
            std::abort(); // the writer writes pure ASCII
    hive::Data again;
    if (!hive::parse(written, &again, &why) || !(again == parsed))
        std::abort();
    if (hive::serialise(again) != written)
        std::abort();
    return 0;
}
