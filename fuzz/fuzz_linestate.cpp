// SPDX-License-Identifier: GPL-3.0-or-later
// The line state reader on any bytes (no crash, no undefined behaviour; what it
// reads is written back and read again as the same), and the round trip of the
// writer: records whose texts come from the input read back as themselves.
#include "platform/ras/simline/linestate.h"

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

namespace {

bool same(const QList<LineRecord> &a, const QList<LineRecord> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        const RasLiveConnection &x = a[i].connection, &y = b[i].connection;
        if (x.handle != y.handle || a[i].ownerPid != b[i].ownerPid || x.entryName != y.entryName
            || x.deviceType != y.deviceType || x.deviceName != y.deviceName || x.address != y.address)
            return false;
    }
    return true;
}

void roundTrip(const QList<LineRecord> &records, HRASCONN next)
{
    HRASCONN nextBack = 0;
    const QList<LineRecord> back = LineState::parse(LineState::serialize(records, next), &nextBack);
    if (nextBack != next || !same(back, records))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    HRASCONN next = 0;
    roundTrip(LineState::parse(bytes, &next), next);

    // Texts of four fields per record, separated by NUL bytes in the input.
    const QList<QByteArray> parts = bytes.split('\0');
    QList<LineRecord> records;
    for (qsizetype i = 0; i + 3 < parts.size(); i += 4) {
        LineRecord r;
        r.connection.handle = static_cast<HRASCONN>(records.size() + 1);
        r.ownerPid = i;
        r.connection.entryName = QString::fromUtf8(parts[i]);
        r.connection.deviceType = QString::fromUtf8(parts[i + 1]);
        r.connection.deviceName = QString::fromUtf8(parts[i + 2]);
        r.connection.address = QString::fromUtf8(parts[i + 3]);
        records.append(r);
    }
    roundTrip(records, static_cast<HRASCONN>(size));
    return 0;
}
