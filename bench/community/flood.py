#!/usr/bin/env python3
"""Logins and mail boxes under a flood, on loopback, against the real server:

1. 128 connections send logins for unknown pseudos from ever new 127.x addresses (a new /24 each
   time) while members log in, with the right password, from the networks they logged in from
   before, and others from networks they never used: how many get in, how long it takes, and
   whether any is told that his account does not exist.
2. Senders flood one mail box with 150 KiB mails, then 12 readers list it at once: mails accepted
   and refused, the box listed, the server's memory.

    bench/community/flood.py [builddir | server binary]   (FLOOD_SECONDS, default 10)
"""
import os
import resource
import shutil
import socket
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

SECONDS = float(os.environ.get("FLOOD_SECONDS", "10"))
FLOOD_CONNECTIONS = 128
MEMBERS = 8


def exchange(port, target, method="GET", body=b"", source=None, timeout=30.0):
    """One request on its own connection; (status, body), status None when not served."""
    s = socket.socket()
    s.settimeout(timeout)
    try:
        if source:
            s.bind((source, 0))
        s.connect(("127.0.0.1", port))
        head = f"{method} {target} HTTP/1.1\r\nHost: x\r\nConnection: close\r\nAccept: */*\r\n"
        if body:
            head += f"Content-Type: application/x-www-form-urlencoded\r\nContent-Length: {len(body)}\r\n"
        s.sendall(head.encode() + b"\r\n" + body)
        chunks = []
        while True:
            chunk = s.recv(1 << 20)
            if not chunk:
                break
            chunks.append(chunk)
        reply = b"".join(chunks)
        if not reply.startswith(b"HTTP/1.1 "):
            return None, b""
        return int(reply.split(b" ", 2)[1]), reply.split(b"\r\n\r\n", 1)[-1]
    except OSError:
        return None, b""
    finally:
        s.close()


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p))] if values else float("nan")


def rss_kib(pid, field="VmRSS"):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def sign_up(port, pseudo, source):
    form = urllib.parse.urlencode({"pseudo": pseudo, "password": pseudo, "password2": pseudo, "sexe": "H",
                                   "naissance": "1990-05-05", "codepostal": "75011",
                                   "region": "Ile-de-France"}).encode()
    return exchange(port, "/inscription", "POST", form, source=source)[0]


def login_flood(port):
    stop = threading.Event()
    sent = [0]
    lock = threading.Lock()

    def flooder(k):
        n = 0
        while not stop.is_set():
            n += 1
            net = (k * 7919 + n) % 60000
            source = f"127.{10 + net // 250}.{net % 250}.{k % 250 + 1}"
            exchange(port, f"/softlogin.php?login=nobody{k}x{n}&password=guess", source=source)
            with lock:
                sent[0] += 1

    flooders = [threading.Thread(target=flooder, args=(k,)) for k in range(FLOOD_CONNECTIONS)]
    for t in flooders:
        t.start()
    time.sleep(1)
    results = {"home": [], "new": []}

    def member(i):
        n = 0
        stop_at = time.time() + SECONDS
        while time.time() < stop_at:
            n += 1
            kind = "home" if n % 3 else "new"
            source = f"127.0.{i + 1}.{n % 200 + 2}" if kind == "home" else f"127.5.{i * 30 + n % 30}.1"
            t0 = time.perf_counter()
            status, body = exchange(port, f"/softlogin.php?login=member{i}&password=member{i}", source=source)
            results[kind].append((status, body, (time.perf_counter() - t0) * 1000))
            time.sleep(1.0)  # a login a second per member: eight members, near the hash rate of two threads

    members = [threading.Thread(target=member, args=(i,)) for i in range(MEMBERS)]
    for t in members:
        t.start()
    for t in members:
        t.join()
    stop.set()
    for t in flooders:
        t.join()
    print(f"  login flood: {FLOOD_CONNECTIONS} connections, unknown pseudos from ever new /24s, "
          f"{sent[0]} flood logins in {SECONDS + 1:.0f} s")
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
    arg = sys.argv[1] if len(sys.argv) > 1 else "build"
    binary = arg if os.path.isfile(arg) else os.path.join(arg, "bin", "jaserelle-server")
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 8192) if hard > 0 else 8192, hard))
    work = tempfile.mkdtemp()
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    server = subprocess.Popen([binary, "--listen", f"127.0.0.1:{port}", "--data", work, "--threads", "2",
                               "--access-log", os.devnull], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):
            if exchange(port, "/onlinehelp.html", timeout=1)[0] == 200:
                break
            time.sleep(0.1)
        # Members sign up (each from a network of its own: sign-ups are limited per network) and
        # log in once from home.
        for i in range(MEMBERS):
            assert sign_up(port, f"member{i}", f"127.0.{i + 1}.1") == 200
            assert b"YOURLOGINISOK" in exchange(port, f"/softlogin.php?login=member{i}&password=member{i}",
                                                source=f"127.0.{i + 1}.1")[1]
        signups = [sign_up(port, f"spam{n}", "127.0.99.1") for n in range(10)]
        print(f"flood: {binary}")
        print(f"  sign-ups from one address, 10 in a row: {signups.count(200)} made, {signups.count(429)} refused")
        login_flood(port)
        mail_flood(port, server.pid)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
