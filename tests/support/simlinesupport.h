// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Puts a live connection straight into a simulated line's shared state, as a line
// brought up by other means would appear, without running a dial.
#include "platform/ras/simline/simline.h"

#include <QString>

namespace vantrel::test {

inline void BringLineUp(SimLine &line, const QString &entry = QStringLiteral("Morvent Online"),
                        const QString &address = QStringLiteral("10.64.3.17"))
{
    line.state().update([&](QList<LineRecord> &records, HRASCONN &next) {
        LineRecord r;
        r.connection = {LineState::takeHandle(records, next), entry, QStringLiteral("modem"),
                        QStringLiteral("Simulated Modem"), address};
        records.append(r);
        return true;
    });
}

} // namespace vantrel::test
