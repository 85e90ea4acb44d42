#!/usr/bin/env python3
"""The community server under abuse, on loopback: how long an honest refresh takes while 64
connections send wrong-password refreshes, and whether honest requests from 127.0.0.1 are
served while 127.0.0.2 holds 2000 slowloris connections.

    bench/community/abuse.py [builddir | server binary]   (ABUSE_SECONDS, default 8)
"""
import multiprocessing
import os
import selectors
import socket
import sys
import threading
import time

from benchnet import exchange as exchange_reply, own_server, percentile, server_binary, sign_up

SECONDS = float(os.environ.get("ABUSE_SECONDS", "8"))
FLOODERS = 64


def exchange(port, target, source=None, timeout=10.0):
    """One request, one connection, as the client does; the status, or None when not served."""
    return exchange_reply(port, target, source=source, timeout=timeout)[0]


def flooder(port, stop_at, rotate, counter):
    def run(k):
        n = 0
        while time.time() < stop_at:
            if rotate:  # unknown pseudos from ever new addresses: no throttle applies
                n += 1
                source = f"127.0.{k % 200 + 10}.{n % 250 + 2}"
                target = f"/softrefresh2.php?login=nobody{k}x{n}&password=wrong&ipAdress=1.2.3.4"
            else:  # one member's pseudo, one address
                source = "127.0.0.3"
                target = "/softrefresh2.php?login=victim&password=wrong&ipAdress=1.2.3.4"
            exchange(port, target, source=source)
            with counter.get_lock():
                counter.value += 1

    threads = [threading.Thread(target=run, args=(k,)) for k in range(FLOODERS // 4)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def honest_refreshes(port, seconds):
    latencies, failed = [], 0
    stop_at = time.time() + seconds
    while time.time() < stop_at:
        t0 = time.perf_counter()
        status = exchange(port, "/softrefresh2.php?login=honest&password=honest&ipAdress=1.2.3.4")
        if status == 200:
            latencies.append((time.perf_counter() - t0) * 1000)
        else:
            failed += 1
        time.sleep(0.02)
    return latencies, failed


def flood_round(port, rotate):
    counter = multiprocessing.Value("i", 0)
    stop_at = time.time() + SECONDS
    procs = [multiprocessing.Process(target=flooder, args=(port, stop_at, rotate, counter)) for _ in range(4)]
    for p in procs:
        p.start()
    time.sleep(0.5)
    latencies, failed = honest_refreshes(port, SECONDS - 1)
    for p in procs:
        p.join()
    kind = "unknown pseudos from ever new addresses" if rotate else "one pseudo from one address"
    print(f"  wrong-password flood ({FLOODERS} connections, {kind}): {counter.value} flood requests; "
          f"honest refreshes {len(latencies)} served, {failed} not; latency p50 {percentile(latencies, 0.5):.1f} ms, "
          f"p99 {percentile(latencies, 0.99):.1f} ms (goal < 50 ms)")


def slowloris_round(port, connections=2000):
    sel = selectors.DefaultSelector()
    socks = set()
    stop = threading.Event()

    def open_one():
        s = socket.socket()
        s.setblocking(False)
        try:
            s.bind(("127.0.0.2", 0))
            s.connect_ex(("127.0.0.1", port))
        except OSError:
            s.close()
            return
        socks.add(s)

    def loris():
        for _ in range(connections):
            open_one()
        sent_head = set()
        while not stop.is_set():
            # One byte per connection every 5 s; the ones the server closed are opened again.
            for s in list(socks):
                try:
                    s.send(b"GET /" if s not in sent_head else b"a")
                    sent_head.add(s)
                except BlockingIOError:
                    pass
                except OSError:
                    socks.discard(s)
                    sent_head.discard(s)
                    s.close()
            while len(socks) < connections and not stop.is_set():
                open_one()
            stop.wait(5)
        for s in socks:
            s.close()

    t = threading.Thread(target=loris)
    t.start()
    time.sleep(2)
    served = failed = 0
    stop_at = time.time() + max(SECONDS, 12)  # past the time a request head may take
    while time.time() < stop_at:
        if exchange(port, "/getprofil.php?pseudo=honest", timeout=5) == 200:
            served += 1
        else:
            failed += 1
        time.sleep(0.05)
    stop.set()
    t.join()
    print(f"  slowloris ({connections} connections from 127.0.0.2, a byte every 5 s): honest requests from "
          f"127.0.0.1 served {served}, not served {failed} (goal: all)")


def main():
    binary = server_binary(sys.argv[1] if len(sys.argv) > 1 else "build")
    with own_server(binary) as (port, server):
        for pseudo in ("honest", "victim"):
            sign_up(port, pseudo)
        assert exchange(port, "/softlogin.php?login=honest&password=honest") == 200
        print(f"abuse: {binary}, {SECONDS:.0f} s per round")
        flood_round(port, rotate=False)
        flood_round(port, rotate=True)
        slowloris_round(port)


if __name__ == "__main__":
    main()
