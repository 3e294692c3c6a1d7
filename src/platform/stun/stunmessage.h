// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The two STUN messages the public address lookup needs (RFC 8489): the Binding
// request it sends, and the reading of what comes back. Every byte of an answer
// comes from the network, so the reader checks every length against the
// datagram before it reads.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <array>
#include <cstdint>

namespace vantrel::stun {

constexpr std::uint32_t kMagicCookie = 0x2112A442;
constexpr int kHeaderSize = 20;
constexpr std::uint16_t kDefaultPort = 3478;

using TransactionId = std::array<std::uint8_t, 12>;

// A Binding request without attributes: 20 bytes.
QByteArray BindingRequest(const TransactionId &id);

struct MappedAddress {
    bool ipv6 = false;
    std::array<std::uint8_t, 16> bytes{}; // network order; IPv4 uses the first four
    std::uint16_t port = 0;
    // The address alone, in its usual text form (RFC 5952 for IPv6).
    QString text() const;
};

enum class Outcome {
    Mapped,           // a success response with the address it saw us from
    ErrorResponse,    // the server refused: errorCode and reason
    NotAnAnswer,      // not a STUN response to a Binding request (ignored: another sender)
    OtherTransaction, // a response to a request we did not send now (ignored)
    Malformed,        // a response to our request that cannot be read: reason
};

struct Answer {
    Outcome outcome = Outcome::NotAnAnswer;
    MappedAddress address;
    int errorCode = 0;
    QString reason; // from the server (error responses) or ours (malformed); no control characters
};

// Reads one datagram as the answer to the request with `id`. A success
// response must carry XOR-MAPPED-ADDRESS (or, from an older server,
// MAPPED-ADDRESS); a FINGERPRINT, where present, must be right; an unknown
// attribute the receiver has to understand makes the answer unusable.
Answer ReadBindingAnswer(QByteArrayView datagram, const TransactionId &id);

// CRC-32 (ISO 3309, as FINGERPRINT uses it) of `data`.
std::uint32_t Crc32(QByteArrayView data);

} // namespace vantrel::stun
