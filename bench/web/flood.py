#!/usr/bin/env python3
"""Floods the web status of a running tool with connections that never
finish their request (each sends a 60 KB head and stops), then asks once
as a real client would, and prints the tool's resident memory meanwhile.

    bench/web/flood.py PID PORT [--rounds 5] [--per-round 400]
"""
import argparse
import socket
import time

parser = argparse.ArgumentParser()
parser.add_argument("pid", type=int)
parser.add_argument("port", type=int)
parser.add_argument("--rounds", type=int, default=5)
parser.add_argument("--per-round", type=int, default=400)
options = parser.parse_args()


def resident():
    with open(f"/proc/{options.pid}/status") as status:
        for line in status:
            if line.startswith("VmRSS"):
                return int(line.split()[1])
    return 0


print(f"resident before: {resident()} kB")
held = []
peak = resident()
for round_number in range(options.rounds):
    for _ in range(options.per_round):
        flood = socket.socket()
        try:
            flood.connect(("127.0.0.1", options.port))
            flood.setblocking(False)
            flood.send(b"GET /metrics HTTP/1.1\r\nX-Big: " + b"a" * 60000)
        except OSError:
            pass
        held.append(flood)
    peak = max(peak, resident())
    print(f"round {round_number + 1}: {len(held)} connections opened, resident {resident()} kB")
    time.sleep(1)
started = time.monotonic()
client = socket.create_connection(("127.0.0.1", options.port), timeout=5)
client.send(b"GET /api/v1/station HTTP/1.1\r\nHost: station\r\n\r\n")
answer = client.recv(64)
status_line = answer.split(b"\r\n")[0].decode()
print(f"a real client meanwhile: {status_line} in {1000 * (time.monotonic() - started):.1f} ms")
time.sleep(6)
print(f"6 s later: resident {resident()} kB; peak {peak} kB")
for flood in held:
    flood.close()
