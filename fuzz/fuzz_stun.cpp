// SPDX-License-Identifier: GPL-3.0-or-later
// The STUN answer reader on any datagram (no crash, no undefined behaviour; a
// reason never holds a control character), and the round trip of an address:
// a success response built around an address taken from the input reads back
// as that address, XORed or not.
#include "platform/stun/stunmessage.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace vantrel;

namespace {

void check(bool ok)
{
    if (!ok)
        std::abort();
}

void put16(QByteArray &out, unsigned v)
{
    out.append(char(v >> 8));
    out.append(char(v & 0xFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The transaction id the reader expects: the datagram's own (so the
    // attributes are reached), or a fixed one when the input is short.
    stun::TransactionId id{};
    if (size >= 20)
        std::memcpy(id.data(), data + 8, id.size());
    const QByteArrayView datagram(reinterpret_cast<const char *>(data), qsizetype(size));
    const stun::Answer answer = stun::ReadBindingAnswer(datagram, id);
    for (const QChar c : answer.reason)
        check(c.category() != QChar::Other_Control);
    if (answer.outcome == stun::Outcome::Mapped)
        check(!answer.address.text().isEmpty());
    if (answer.outcome == stun::Outcome::ErrorResponse)
        check(answer.errorCode >= 300 && answer.errorCode <= 699);

    // Round trip: family, port and address bytes from the input.
    if (size >= 19) {
        const bool ipv6 = data[0] & 1;
        const bool xored = data[0] & 2;
        const unsigned port = (unsigned(data[1]) << 8) | data[2];
        const int length = ipv6 ? 16 : 4;
        QByteArray value;
        value.append('\0');
        value.append(char(ipv6 ? 2 : 1));
        put16(value, xored ? port ^ (stun::kMagicCookie >> 16) : port);
        std::uint8_t mask[16];
        for (int i = 0; i < 4; ++i)
            mask[i] = std::uint8_t(stun::kMagicCookie >> (24 - 8 * i));
        std::memcpy(mask + 4, id.data(), id.size());
        for (int i = 0; i < length; ++i)
            value.append(char(data[3 + i] ^ (xored ? mask[i] : 0)));
        QByteArray message = stun::BindingRequest(id);
        message[0] = char(0x01); // a success response: 0x0101
        message[3] = char(4 + value.size());
        put16(message, xored ? 0x0020 : 0x0001);
        put16(message, unsigned(value.size()));
        message.append(value);
        const stun::Answer back = stun::ReadBindingAnswer(message, id);
        check(back.outcome == stun::Outcome::Mapped);
        check(back.address.ipv6 == ipv6 && back.address.port == port);
        check(std::memcmp(back.address.bytes.data(), data + 3, size_t(length)) == 0);
    }
    return 0;
}
