#!/usr/bin/env python3
"""A hostile WS-Discovery peer for the modern lab's peer namespace.

It answers every Probe with ENDPOINTS unique pub:Computer endpoints and no
XAddrs, answers each Resolve for one of them with an XAddr on one of HOSTS
extra addresses of its own (three endpoints on each in turn), and accepts every metadata Get on port 5357
without ever answering, so that each connection stays open until the client
gives up. It prints "ready" once it listens; when its stdin closes it
writes what it saw to RESULTS as "key value" lines, takes its addresses
away and exits.

With ANNOUNCE ("announce") it also multicasts a Probe and a Hello (with an
XAddr on its own address, whose Get it never answers) every 10
milliseconds, so that a client's announcement listener is always busy.

usage: wsd_flood_peer.py RESULTS [ENDPOINTS [HOSTS [ANNOUNCE]]]
"""
import re
import select
import socket
import struct
import subprocess
import sys
import time
import uuid

GROUP = "239.255.255.250"
PORT = 3702
HTTP_PORT = 5357
PEER_ADDR = "10.79.0.20"
FIRST_HOST = 100  # the extra addresses: 10.79.0.100 and on
ANNOUNCE_EVERY = 0.01  # s between two Probe and Hello pairs
PER_DATAGRAM = 150  # endpoints per ProbeMatches: about 50 KB, under 64 KB

OPENING = (
    '<?xml version="1.0" encoding="utf-8"?><soap:Envelope'
    ' xmlns:soap="http://www.w3.org/2003/05/soap-envelope"'
    ' xmlns:wsa="http://schemas.xmlsoap.org/ws/2004/08/addressing"'
    ' xmlns:wsd="http://schemas.xmlsoap.org/ws/2005/04/discovery"'
    ' xmlns:wsdp="http://schemas.xmlsoap.org/ws/2006/02/devprof"'
    ' xmlns:pub="http://schemas.microsoft.com/windows/pub/2005/07">'
)

ENVELOPE = OPENING + (
    "<soap:Header><wsa:To>http://schemas.xmlsoap.org/ws/2004/08/addressing/role/anonymous</wsa:To>"
    "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/{kind}Matches</wsa:Action>"
    "<wsa:MessageID>urn:uuid:{message}</wsa:MessageID><wsa:RelatesTo>{relates}</wsa:RelatesTo>"
    "</soap:Header><soap:Body><wsd:{kind}Matches>{body}</wsd:{kind}Matches></soap:Body></soap:Envelope>"
)


def endpoint(i):
    return "urn:uuid:f100d000-0000-4000-8000-%012x" % i


def match(kind, address, xaddrs=""):
    extra = "<wsd:XAddrs>%s</wsd:XAddrs>" % xaddrs if xaddrs else ""
    return (
        "<wsd:%sMatch><wsa:EndpointReference><wsa:Address>%s</wsa:Address>"
        "</wsa:EndpointReference><wsd:Types>wsdp:Device pub:Computer</wsd:Types>%s"
        "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:%sMatch>" % (kind, address, extra, kind)
    )


ANNOUNCEMENT = OPENING + (
    "<soap:Header><wsa:To>urn:schemas-xmlsoap-org:ws:2005:04:discovery</wsa:To>"
    "<wsa:Action>http://schemas.xmlsoap.org/ws/2005/04/discovery/{kind}</wsa:Action>"
    "<wsa:MessageID>urn:uuid:{message}</wsa:MessageID></soap:Header>"
    "<soap:Body>{body}</soap:Body></soap:Envelope>"
)


def announcements(i):
    probe = "<wsd:Probe><wsd:Types>wsdp:Device</wsd:Types></wsd:Probe>"
    hello = ("<wsd:Hello><wsa:EndpointReference><wsa:Address>%s</wsa:Address></wsa:EndpointReference>"
             "<wsd:Types>wsdp:Device pub:Computer</wsd:Types><wsd:XAddrs>http://%s:%d/%s</wsd:XAddrs>"
             "<wsd:MetadataVersion>1</wsd:MetadataVersion></wsd:Hello>"
             % (endpoint(i), PEER_ADDR, HTTP_PORT, endpoint(i)[9:]))
    return [ANNOUNCEMENT.format(kind=kind, message=uuid.uuid4(), body=body).encode()
            for kind, body in (("Probe", probe), ("Hello", hello))]


def reply(kind, relates, body):
    return ENVELOPE.format(kind=kind, message=uuid.uuid4(), relates=relates, body=body).encode()


def field(text, name):
    found = re.search(r"<wsa:%s>([^<]*)</wsa:%s>" % (name, name), text)
    return found.group(1) if found else None


def main():
    results = sys.argv[1]
    endpoints = int(sys.argv[2]) if len(sys.argv) > 2 else 5000
    hosts = int(sys.argv[3]) if len(sys.argv) > 3 else 24
    announce = len(sys.argv) > 4 and sys.argv[4] == "announce"
    extra = ["10.79.0.%d" % (FIRST_HOST + i) for i in range(hosts)]
    for address in extra:
        subprocess.run(["ip", "addr", "replace", address + "/24", "dev", "eth0"], check=True)
    try:
        serve(results, endpoints, hosts, extra, announce)
    finally:
        for address in extra:
            subprocess.run(["ip", "addr", "del", address + "/24", "dev", "eth0"], check=False)


def serve(results, endpoints, hosts, extra, announce=False):
    index = {endpoint(i): i for i in range(endpoints)}

    udp = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    udp.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    udp.bind(("", PORT))
    udp.setsockopt(socket.IPPROTO_IP, socket.IP_ADD_MEMBERSHIP,
                   struct.pack("4s4s", socket.inet_aton(GROUP), socket.inet_aton(PEER_ADDR)))
    udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_IF, socket.inet_aton(PEER_ADDR))
    udp.setsockopt(socket.IPPROTO_IP, socket.IP_MULTICAST_LOOP, 0)
    http = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    http.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    http.bind(("", HTTP_PORT))
    http.listen(1024)
    print("ready", flush=True)

    answered = set()
    seen = {"probes": 0, "resolves": 0, "connections": 0, "most_open": 0, "most_open_per_host": 0,
            "announced": 0}
    open_connections = {}  # socket -> local address
    per_host = {}
    stdin = sys.stdin.fileno()
    next_announcement = 0.0
    while True:
        if announce and time.monotonic() >= next_announcement:
            for datagram in announcements(seen["announced"] % 64):
                udp.sendto(datagram, (GROUP, PORT))
            seen["announced"] += 1
            next_announcement = time.monotonic() + ANNOUNCE_EVERY
        readable, _, _ = select.select([udp, http, stdin] + list(open_connections), [], [],
                                       ANNOUNCE_EVERY if announce else 30)
        if not readable:
            if announce:
                continue
            break
        if stdin in readable and not sys.stdin.readline():
            break
        for ready in readable:
            if ready is udp:
                data, sender = udp.recvfrom(65535)
                text = data.decode("utf-8", "replace")
                action = field(text, "Action") or ""
                message = field(text, "MessageID")
                if action.endswith("/Probe"):
                    seen["probes"] += 1
                    if message in answered:
                        continue
                    answered.add(message)
                    for first in range(0, endpoints, PER_DATAGRAM):
                        body = "".join(match("Probe", endpoint(i))
                                       for i in range(first, min(first + PER_DATAGRAM, endpoints)))
                        udp.sendto(reply("Probe", message, body), sender)
                        # Paced so that the client reads them all rather than
                        # its socket buffer dropping most.
                        time.sleep(0.003)
                elif action.endswith("/Resolve"):
                    seen["resolves"] += 1
                    address = re.search(r"<wsa:Address>([^<]*)</wsa:Address>", text.split("Body", 1)[-1])
                    i = index.get(address.group(1)) if address else None
                    if i is not None:
                        # Three endpoints in a row on each address: more
                        # than a host may have transfers at once.
                        host = extra[(i // 3) % hosts]
                        xaddr = "http://%s:%d/%s" % (host, HTTP_PORT, endpoint(i)[9:])
                        udp.sendto(reply("Resolve", message, match("Resolve", endpoint(i), xaddr)), sender)
            elif ready is http:
                connection, _ = http.accept()
                local = connection.getsockname()[0]
                open_connections[connection] = local
                per_host[local] = per_host.get(local, 0) + 1
                seen["connections"] += 1
                seen["most_open"] = max(seen["most_open"], len(open_connections))
                seen["most_open_per_host"] = max(seen["most_open_per_host"], per_host[local])
            elif ready is not stdin:
                if not ready.recv(65536):
                    per_host[open_connections.pop(ready)] -= 1
                    ready.close()
    with open(results, "w") as out:
        for key, value in seen.items():
            out.write("%s %d\n" % (key, value))


if __name__ == "__main__":
    main()
