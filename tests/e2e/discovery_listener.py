#!/usr/bin/python3
# Listens where the boxes listen, UDP port 34462 on every address, beside the box simulator
# (both sockets use SO_REUSEADDR, so each gets every broadcast), and writes one line per
# datagram: arrival time (monotonic seconds), source address:port, the destination address
# from the datagram's IP header, its length and the first four bytes as a little-endian
# number. It knows the port and the layout from the protocol, not from the program's code.
# Usage: discovery_listener.py LOGFILE   (writes "READY" as its first line)
import socket
import struct
import sys
import time

DISCOVERY_PORT = 34462
IP_PKTINFO = getattr(socket, "IP_PKTINFO", 8)

log = open(sys.argv[1], "a", buffering=1)
listener = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
listener.setsockopt(socket.IPPROTO_IP, IP_PKTINFO, 1)
listener.bind(("0.0.0.0", DISCOVERY_PORT))
log.write("READY\n")
while True:
    data, ancillary, _, source = listener.recvmsg(65536, socket.CMSG_SPACE(12))
    destination = "-"
    for level, kind, payload in ancillary:
        if level == socket.IPPROTO_IP and kind == IP_PKTINFO and len(payload) >= 12:
            # struct in_pktinfo: interface index, local address, header destination address
            _, _, header_destination = struct.unpack("I4s4s", payload[:12])
            destination = socket.inet_ntoa(header_destination)
    msg_type = struct.unpack("<I", data[:4])[0] if len(data) >= 4 else -1
    log.write("%.6f %s:%d %s %d %d\n" % (time.monotonic(), source[0], source[1], destination, len(data), msg_type))
