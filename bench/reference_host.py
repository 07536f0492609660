#!/usr/bin/env python3
"""A per-byte reference host: the data phase as Kestrilo sends it, one write per byte, a pause
to the next millisecond tick after every 33 bytes, a wait for 0x10 after every 264.

usage: reference_host.py PORT BAUD SAMPLES_FILE
Erases, sends one sound and its address, and prints "bytes wall_s cpu_s" of the data phase.
"""
import sys
import time

import serial

PAUSE_EVERY, ACK_EVERY, ACK_WAIT_S, ERASE_WAIT_S = 33, 264, 0.010, 60.0


def wait_for(port, value, seconds):
    deadline = time.monotonic() + seconds
    while (left := deadline - time.monotonic()) > 0:
        port.timeout = left
        got = port.read(1)
        if got == value:
            return True
    return False


def next_tick():
    now = time.monotonic_ns()
    time.sleep(((now // 1_000_000 + 1) * 1_000_000 - now) / 1e9)


def main():
    path, baud, samples_file = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    samples = bytes(b or 1 for b in open(samples_file, "rb").read())
    with serial.Serial(path, baud, timeout=0) as port:
        port.write(b"C")
        if not wait_for(port, b"+", ERASE_WAIT_S):
            sys.exit("no erase reply")
        wall0, cpu0 = time.monotonic(), time.process_time()
        port.write(b"D")
        for k, byte in enumerate(samples):
            port.write(bytes((byte,)))
            if k > 0 and k % PAUSE_EVERY == 0:
                next_tick()
            if k > 0 and k % ACK_EVERY == 0:
                wait_for(port, b"\x10", ACK_WAIT_S)
        port.write(b"\x00")
        wall, cpu = time.monotonic() - wall0, time.process_time() - cpu0
        port.write(b"\x00A\x01\x01\x00")
        port.flush()
    print(len(samples) + 2, f"{wall:.4f}", f"{cpu:.4f}")


if __name__ == "__main__":
    main()
