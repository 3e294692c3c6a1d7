// SPDX-License-Identifier: GPL-3.0-or-later
// The phonebook reader on any bytes: no crash, no undefined behaviour, and
// what it keeps obeys the rules the dialler relies on.
#include "platform/ras/ras.h"
#include "platform/ras/simline/phonebook.h"

#include <QSet>

#include <cstdint>
#include <cstdlib>

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray text(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    const Phonebook book = ParsePhonebook(text);
    QSet<QString> names;
    for (const PhonebookEntry &e : book.entries) {
        if (e.name.isEmpty() || e.name.toUtf8().size() > RAS_MaxEntryName || e.answers.isEmpty())
            std::abort();
        if (e.userName.toUtf8().size() > UNLEN || e.password.toUtf8().size() > PWLEN
            || e.device.toUtf8().size() > RAS_MaxDeviceName)
            std::abort();
        if (names.contains(e.name.toCaseFolded()))
            std::abort(); // names are unique without regard to case
        names.insert(e.name.toCaseFolded());
        if (book.find(e.name) != &e)
            std::abort();
    }
    return 0;
}
