#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A STUN server for the end-to-end tests, on 127.0.0.1 only.

Usage: stunfake.py ADDRESS_FILE PORT_FILE COUNT_FILE

Answers every Binding request with XOR-MAPPED-ADDRESS set to the IPv4 address
read from ADDRESS_FILE at that moment, so a test can change the address the
program is "seen from". Writes the port it listens on to PORT_FILE and the
number of requests so far to COUNT_FILE. Runs until killed.
"""
import socket
import struct
import sys

COOKIE = 0x2112A442


def main():
    address_file, port_file, count_file = sys.argv[1:4]
    sock = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    sock.bind(("127.0.0.1", 0))
    with open(port_file + ".tmp", "w") as f:
        f.write(str(sock.getsockname()[1]))
    import os
    os.rename(port_file + ".tmp", port_file)
    count = 0
    while True:
        data, peer = sock.recvfrom(1500)
        count += 1
        with open(count_file, "w") as f:
            f.write(str(count))
        if len(data) < 20 or struct.unpack("!H", data[:2])[0] != 0x0001:
            continue
        with open(address_file) as f:
            mapped = socket.inet_aton(f.read().strip())
        xaddr = bytes(b ^ c for b, c in zip(mapped, struct.pack("!I", COOKIE)))
        value = struct.pack("!BBH", 0, 1, 40000 ^ (COOKIE >> 16)) + xaddr
        attr = struct.pack("!HH", 0x0020, len(value)) + value
        sock.sendto(struct.pack("!HH", 0x0101, len(attr)) + data[4:20] + attr, peer)


if __name__ == "__main__":
    main()
