// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/stun/stunmessage.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include <cstring>

namespace vantrel::stun {

namespace {

constexpr std::uint16_t kBindingSuccess = 0x0101;
constexpr std::uint16_t kBindingError = 0x0111;
constexpr std::uint16_t kBindingRequest = 0x0001;

constexpr std::uint16_t kMappedAddress = 0x0001;
constexpr std::uint16_t kErrorCode = 0x0009;
constexpr std::uint16_t kXorMappedAddress = 0x0020;
constexpr std::uint16_t kFingerprint = 0x8028;
constexpr std::uint32_t kFingerprintXor = 0x5354554E;

// Longest error reason kept: the RFC allows 763 bytes, a person reads far less.
constexpr qsizetype kMaxReason = 128;

std::uint16_t u16(QByteArrayView d, qsizetype at)
{
    return static_cast<std::uint16_t>((std::uint8_t(d[at]) << 8) | std::uint8_t(d[at + 1]));
}

std::uint32_t u32(QByteArrayView d, qsizetype at)
{
    return (std::uint32_t(u16(d, at)) << 16) | u16(d, at + 2);
}

void put16(QByteArray &out, std::uint16_t v)
{
    out.append(char(v >> 8));
    out.append(char(v & 0xFF));
}

void put32(QByteArray &out, std::uint32_t v)
{
    put16(out, std::uint16_t(v >> 16));
    put16(out, std::uint16_t(v & 0xFFFF));
}

Answer malformed(const char *why)
{
    Answer a;
    a.outcome = Outcome::Malformed;
    a.reason = QString::fromLatin1(why);
    return a;
}

// (X)MAPPED-ADDRESS: a reserved byte, the family, the port and the address.
bool readAddress(QByteArrayView value, bool xored, const TransactionId &id, MappedAddress &out)
{
    if (value.size() < 4)
        return false;
    const std::uint8_t family = std::uint8_t(value[1]);
    const qsizetype length = family == 0x01 ? 4 : family == 0x02 ? 16 : -1;
    if (length < 0 || value.size() != 4 + length)
        return false;
    std::uint8_t mask[16];
    for (int i = 0; i < 4; ++i)
        mask[i] = std::uint8_t(kMagicCookie >> (24 - 8 * i));
    std::memcpy(mask + 4, id.data(), id.size());
    out = MappedAddress{};
    out.ipv6 = family == 0x02;
    out.port = u16(value, 2);
    if (xored)
        out.port ^= std::uint16_t(kMagicCookie >> 16);
    for (qsizetype i = 0; i < length; ++i)
        out.bytes[std::size_t(i)] = std::uint8_t(value[4 + i]) ^ (xored ? mask[i] : 0);
    return true;
}

// Text from outside, for a person to read: valid UTF-8 or replacement
// characters, no control characters, bounded.
QString readableText(QByteArrayView bytes)
{
    QString text = QString::fromUtf8(bytes.first(std::min(bytes.size(), kMaxReason * 4)));
    for (QChar &c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = QChar::ReplacementCharacter;
    if (text.size() > kMaxReason) {
        text.truncate(kMaxReason);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

} // namespace

std::uint32_t Crc32(QByteArrayView data)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char b : data)
        crc = table[(crc ^ std::uint8_t(b)) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

QByteArray BindingRequest(const TransactionId &id)
{
    QByteArray out;
    out.reserve(kHeaderSize);
    put16(out, kBindingRequest);
    put16(out, 0);
    put32(out, kMagicCookie);
    out.append(reinterpret_cast<const char *>(id.data()), qsizetype(id.size()));
    return out;
}

QString MappedAddress::text() const
{
    char buf[INET6_ADDRSTRLEN] = {};
    if (!::inet_ntop(ipv6 ? AF_INET6 : AF_INET, bytes.data(), buf, sizeof buf))
        return {};
    return QString::fromLatin1(buf);
}

Answer ReadBindingAnswer(QByteArrayView d, const TransactionId &id)
{
    // The header: two zero bits, the type, the length, the cookie, the id.
    if (d.size() < kHeaderSize || (std::uint8_t(d[0]) & 0xC0) != 0)
        return {};
    const std::uint16_t type = u16(d, 0);
    if (type != kBindingSuccess && type != kBindingError)
        return {};
    if (u32(d, 4) != kMagicCookie)
        return {};
    if (std::memcmp(d.data() + 8, id.data(), id.size()) != 0) {
        Answer a;
        a.outcome = Outcome::OtherTransaction;
        return a;
    }
    const qsizetype length = u16(d, 2);
    if (length % 4 != 0)
        return malformed("its length is not a multiple of four");
    if (kHeaderSize + length > d.size())
        return malformed("it is shorter than its header says");
    if (kHeaderSize + length < d.size())
        return malformed("it is longer than its header says");

    MappedAddress xorMapped, mapped;
    bool haveXorMapped = false, haveMapped = false, haveError = false;
    int errorCode = 0;
    QString reason;
    qsizetype at = kHeaderSize;
    while (at < d.size()) {
        if (d.size() - at < 4)
            return malformed("an attribute is cut short");
        const std::uint16_t attribute = u16(d, at);
        const qsizetype valueLength = u16(d, at + 2);
        const qsizetype padded = (valueLength + 3) / 4 * 4;
        if (padded > d.size() - at - 4)
            return malformed("an attribute is longer than the message");
        const QByteArrayView value = d.sliced(at + 4, valueLength);
        switch (attribute) {
        case kXorMappedAddress:
            if (!haveXorMapped && !readAddress(value, true, id, xorMapped))
                return malformed("its XOR-MAPPED-ADDRESS cannot be read");
            haveXorMapped = true;
            break;
        case kMappedAddress:
            if (!haveMapped && !readAddress(value, false, id, mapped))
                return malformed("its MAPPED-ADDRESS cannot be read");
            haveMapped = true;
            break;
        case kErrorCode: {
            if (valueLength < 4)
                return malformed("its ERROR-CODE cannot be read");
            const int errorClass = std::uint8_t(value[2]) & 0x07;
            const int number = std::uint8_t(value[3]);
            if (errorClass < 3 || errorClass > 6 || number > 99)
                return malformed("its ERROR-CODE is out of range");
            haveError = true;
            errorCode = errorClass * 100 + number;
            reason = readableText(value.sliced(4));
            break;
        }
        case kFingerprint:
            // The last attribute: the CRC of everything before it.
            if (valueLength != 4 || at + 8 != d.size())
                return malformed("its FINGERPRINT is misplaced");
            if ((Crc32(d.first(at)) ^ kFingerprintXor) != u32(d, at + 4))
                return malformed("its FINGERPRINT does not match");
            break;
        default:
            // 0x0000-0x7FFF must be understood; the rest may be ignored.
            if (attribute < 0x8000 && attribute != 0x0008 /* MESSAGE-INTEGRITY */
                && attribute != 0x001C /* MESSAGE-INTEGRITY-SHA256 */)
                return malformed("it holds an attribute this reader does not know");
            break;
        }
        at += 4 + padded;
    }

    Answer a;
    if (type == kBindingError) {
        if (!haveError)
            return malformed("its error response has no ERROR-CODE");
        a.outcome = Outcome::ErrorResponse;
        a.errorCode = errorCode;
        a.reason = reason;
        return a;
    }
    if (!haveXorMapped && !haveMapped)
        return malformed("it names no address");
    a.outcome = Outcome::Mapped;
    a.address = haveXorMapped ? xorMapped : mapped;
    return a;
}

} // namespace vantrel::stun
