#!/usr/bin/env python3
"""Logins and mail boxes under a flood, on loopback, against the real server:

1. Members log in alone for a while (what the machine gives them without a flood); then
   128 connections send logins for unknown pseudos from ever new 127.x addresses (a new /24 each
   time) while members log in, with the right password, from the networks they logged in from
   before, and others from networks they never used: how many get in, how long it takes, and
   whether any is told that his account does not exist.
2. Senders flood one mail box with 150 KiB mails, then 12 readers list it at once: mails accepted
   and refused, the box listed, the server's memory.

    bench/community/flood.py [builddir | server binary]   (FLOOD_SECONDS, default 10; about 50 s)
"""
import multiprocessing
import os
import random
import sys
import threading
import time

from benchnet import exchange, own_server, percentile, rss_kib, server_binary, sign_up, thread_cpu

SECONDS = float(os.environ.get("FLOOD_SECONDS", "10"))
FLOOD_CONNECTIONS = 128
# The flood runs in processes of its own: in one Python process its 128 threads would hold the
# members' threads behind one lock, and the members' times would measure the bench, not the server.
FLOOD_PROCESSES = int(os.environ.get("FLOOD_PROCESSES", "4"))
MEMBERS = 8


def flood_process(port, first, stop_at, sent):
    """FLOOD_CONNECTIONS / FLOOD_PROCESSES connections, each sending logins one after the other."""
    def flooder(k):
        n = 0
        while time.time() < stop_at:
            n += 1
            net = (k * 7919 + n) % 60000
            source = f"127.{10 + net // 250}.{net % 250}.{k % 250 + 1}"
            exchange(port, f"/softlogin.php?login=nobody{k}x{n}&password=guess", source=source)
            with sent.get_lock():
                sent.value += 1

    count = FLOOD_CONNECTIONS // FLOOD_PROCESSES
    threads = [threading.Thread(target=flooder, args=(first + k,)) for k in range(count)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()


def login_flood(port, pid, connections, round_no):
    """Members log in for FLOOD_SECONDS while `connections` flood; what they saw."""
    sent = multiprocessing.Value("l", 0)
    stop_at = time.time() + SECONDS + 1
    count = connections // FLOOD_PROCESSES
    flooders = [multiprocessing.Process(target=flood_process, args=(port, i * count, stop_at, sent))
                for i in range(FLOOD_PROCESSES if connections else 0)]
    for p in flooders:
        p.start()
    time.sleep(1)
    cpu_before, load_before = thread_cpu(pid), os.getloadavg()[0]
    results = {"home": [], "new": []}

    def member(i):
        n = 0
        stop_at = time.time() + SECONDS
        # Members do not log in in step: started in step and paced alike, the eight of them came as
        # one burst a second, and the last of each burst waited for the seven hashes before his.
        rng = random.Random(i)
        time.sleep(rng.uniform(0, 1))
        while time.time() < stop_at:
            n += 1
            kind = "home" if n % 3 else "new"
            # A network never used before, in this round too.
            source = f"127.0.{i + 1}.{n % 200 + 2}" if kind == "home" else f"127.{5 + round_no}.{i * 30 + n % 30}.1"
            t0 = time.perf_counter()
            status, body = exchange(port, f"/softlogin.php?login=member{i}&password=member{i}", source=source)
            results[kind].append((status, body, (time.perf_counter() - t0) * 1000))
            time.sleep(rng.uniform(0.5, 1.5))  # a login a second per member, on average

    members = [threading.Thread(target=member, args=(i,)) for i in range(MEMBERS)]
    for t in members:
        t.start()
    for t in members:
        t.join()
    cpu = thread_cpu(pid)
    for p in flooders:
        p.join()
    if connections:
        print(f"  login flood: {connections} connections in {FLOOD_PROCESSES} processes, unknown pseudos from "
              f"ever new /24s, {sent.value} flood logins in {SECONDS + 1:.0f} s; load {load_before:.1f} -> "
              f"{os.getloadavg()[0]:.1f}")
    else:
        print(f"  members alone, no flood; load {load_before:.1f} -> {os.getloadavg()[0]:.1f}")
    print("    server CPU while members logged in: " + ", ".join(
        f"{name} {cpu[name] - cpu_before.get(name, 0):.1f} s" for name in sorted(cpu)) + f" in {SECONDS:.0f} s")
    for kind, label in (("home", "members from a network they logged in from"),
                        ("new", "members from a network they never used")):
        rows = results[kind]
        ok = [ms for status, body, ms in rows if b"YOURLOGINISOK" in body]
        wrong = sum(1 for status, body, ms in rows if b"YOURLOGINISWRONG" in body)
        busy = sum(1 for status, body, ms in rows if status == 503)
        print(f"    {label}: {len(ok)}/{len(rows)} in, p50 {percentile(ok, 0.5):.0f} ms, "
              f"p99 {percentile(ok, 0.99):.0f} ms; 'account unknown' {wrong}; overloaded (503) {busy}")


def mail_flood(port, pid):
    # Six senders, each logged in from an address of its own, write to member0 as fast as they can.
    text = "x" * (150 * 1024)
    senders = [f"member{i}" for i in range(1, 7)]
    for i, s in enumerate(senders):
        exchange(port, f"/softlogin.php?login={s}&password={s}", source=f"127.0.{i + 1}.1")
    counts = {"accepted": 0, "refused": 0, "other": 0}
    lock = threading.Lock()
    rss_before = rss_kib(pid)

    def send(i, s):
        for _ in range(120):
            status, body = exchange(port, f"/sendmail.php?sender={s}&login=member0&subject=flood&message={text}",
                                    source=f"127.0.{i + 1}.1")
            key = "accepted" if b"MAILSENDEDOK" in body else "refused" if status in (429, 507) else "other"
            with lock:
                counts[key] += 1

    t0 = time.time()
    threads = [threading.Thread(target=send, args=(i, s)) for i, s in enumerate(senders)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    elapsed = time.time() - t0
    # member0 lists the box twelve times at once.
    exchange(port, "/softlogin.php?login=member0&password=member0", source="127.0.100.1")
    sizes = []

    def read():
        status, body = exchange(port, "/readmails.php?login=member0", source="127.0.100.1")
        sizes.append(len(body))

    readers = [threading.Thread(target=read) for _ in range(12)]
    for t in readers:
        t.start()
    for t in readers:
        t.join()
    print(f"  mail flood: {len(senders)} senders x 120 mails of 150 KiB in {elapsed:.1f} s: "
          f"{counts['accepted']} accepted, {counts['refused']} refused (429/507), {counts['other']} other")
    print(f"    12 parallel listings of the box: {max(sizes) / 1048576:.1f} MiB each at most; server RSS "
          f"{rss_before / 1024:.0f} MiB before the flood, {rss_kib(pid) / 1024:.0f} MiB after, "
          f"peak {rss_kib(pid, 'VmHWM') / 1024:.0f} MiB")


def main():
    binary = server_binary(sys.argv[1] if len(sys.argv) > 1 else "build")
    with own_server(binary, "--threads", "2", "--access-log", os.devnull) as (port, server):
        # Members sign up (each from a network of its own: sign-ups are limited per network) and
        # log in once from home.
        for i in range(MEMBERS):
            assert sign_up(port, f"member{i}", f"127.0.{i + 1}.1") == 200
            assert b"YOURLOGINISOK" in exchange(port, f"/softlogin.php?login=member{i}&password=member{i}",
                                                source=f"127.0.{i + 1}.1")[1]
        signups = [sign_up(port, f"spam{n}", "127.0.99.1") for n in range(10)]
        print(f"flood: {binary}")
        print(f"  sign-ups from one address, 10 in a row: {signups.count(200)} made, {signups.count(429)} refused")
        # The same members' logins without the flood first: what the machine gives them anyway.
        login_flood(port, server.pid, 0, 0)
        login_flood(port, server.pid, FLOOD_CONNECTIONS, 1)
        mail_flood(port, server.pid)


if __name__ == "__main__":
    main()
