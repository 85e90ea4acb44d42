#!/usr/bin/env python3
"""Cluster faults, on loopback, in a network namespace of its own: scripts/run-cluster's nginx,
Redis, PostgreSQL and two nodes, members using them, and what those members see when a part fails.

1. Redis killed and started again: members logged out afterwards (goal 0), answers refused meanwhile.
2. A node killed during sendmail traffic and started again a second later: mails lost and
   duplicated (goal 0 and 0), failures the senders saw.
3. Both nodes killed within 2 s of each other, each started again a second later: 5xx seen by
   members listing their mails (goal: no outage).
4. A SQLite database with one damaged page: refused at start, and how.

    bench/community/faults.py [builddir]     (about 40 s)
"""
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from benchnet import exchange, server_binary, sign_up

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
MEMBERS = 24


def cluster_port():
    return int(os.environ["CLUSTER_URL"].rsplit(":", 1)[1])


def port_of(url):
    return url.rsplit(":", 1)[1]


def find_process(name, needle):
    """The pid of the process called `name` whose command line holds `needle`."""
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/comm") as f:
                comm = f.read().strip()
            with open(f"/proc/{pid}/cmdline", "rb") as f:
                cmdline = f.read().replace(b"\0", b" ").decode()
        except OSError:
            continue
        if comm.startswith(name) and needle in cmdline:
            return int(pid)
    raise RuntimeError(f"no {name} with {needle}")


class Restartable:
    """A process of the cluster, killed as a crash kills it and started again as a supervisor would."""

    def __init__(self, pid, argv, cwd, log):
        self.pid, self.argv, self.cwd, self.log = pid, argv, cwd, log
        self.child = None

    @staticmethod
    def node(url):
        pid = find_process("jaserelle-serv", f"127.0.0.1:{port_of(url)}")
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            argv = [a.decode() for a in f.read().split(b"\0") if a]
        return Restartable(pid, argv, os.readlink(f"/proc/{pid}/cwd"), f"/tmp/faults-node-{port_of(url)}.log")

    @staticmethod
    def redis(url):
        # Redis rewrites its command line; its folder is its working directory, its persistence
        # is what it reports.
        port = port_of(url)
        pid = find_process("redis-server", f":{port}")
        cwd = os.readlink(f"/proc/{pid}/cwd")
        appendonly = redis_config(int(port), "appendonly")
        argv = ["redis-server", "--port", port, "--bind", "127.0.0.1", "--save", "", "--appendonly", appendonly,
                "--appendfsync", redis_config(int(port), "appendfsync"), "--dir", cwd]
        return Restartable(pid, argv, cwd, os.path.join(cwd, "redis-again.log"))

    def kill(self):
        os.kill(self.pid, signal.SIGKILL)
        if self.child:
            self.child.wait()
        else:
            while os.path.exists(f"/proc/{self.pid}") and not is_zombie(self.pid):
                time.sleep(0.01)

    def start(self):
        with open(self.log, "ab") as log:
            self.child = subprocess.Popen(self.argv, cwd=self.cwd, stdout=log, stderr=log)
        self.pid = self.child.pid

    def stop(self):
        if self.child and self.child.poll() is None:
            self.child.terminate()
            try:
                self.child.wait(10)
            except subprocess.TimeoutExpired:
                self.child.kill()
                self.child.wait()


def is_zombie(pid):
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()[0] == "Z"
    except OSError:
        return True


def redis_config(port, key):
    import socket
    s = socket.create_connection(("127.0.0.1", port), timeout=5)
    s.sendall(f"*3\r\n$6\r\nCONFIG\r\n$3\r\nGET\r\n${len(key)}\r\n{key}\r\n".encode())
    reply = s.recv(4096).decode()
    s.close()
    return reply.split("\r\n")[4]


def wait_answering(port, seconds=15):
    stop_at = time.time() + seconds
    while time.time() < stop_at:
        if exchange(port, "/onlinehelp.html", timeout=1)[0] == 200:
            return True
        time.sleep(0.05)
    return False


def source(i):
    return f"127.0.{10 + i}.1"


def get(target, i, timeout=10):
    return exchange(cluster_port(), target, source=source(i), timeout=timeout)


class Tally:
    """Answers members saw, by phase."""

    def __init__(self):
        self.lock = threading.Lock()
        self.rows = []  # (time, member, status, body)

    def add(self, i, status, body):
        with self.lock:
            self.rows.append((time.time(), i, status, body))

    def between(self, t0, t1):
        return [r for r in self.rows if t0 <= r[0] < t1]


def describe(rows):
    denied = sum(1 for r in rows if r[2] == 403)
    server = {}
    for r in rows:
        if r[2] is not None and r[2] >= 500:
            server[r[2]] = server.get(r[2], 0) + 1
    lost = sum(1 for r in rows if r[2] is None)
    return (f"{len(rows)} requests, {denied} x 403, {sum(server.values())} x 5xx "
            f"({', '.join(f'{n} x {s}' for s, n in sorted(server.items())) or 'none'}), {lost} without an answer")


def listing_loop(tally, i, stop, pause):
    while not stop.is_set():
        status, body = get(f"/readmails.php?login=faults{i}", i)
        tally.add(i, status, body)
        stop.wait(pause)


def run_listings(pause, during):
    """Every member lists his mails every `pause` seconds while `during()` runs; the tally."""
    tally, stop = Tally(), threading.Event()
    threads = [threading.Thread(target=listing_loop, args=(tally, i, stop, pause)) for i in range(MEMBERS)]
    for t in threads:
        t.start()
    try:
        during()
    finally:
        stop.set()
        for t in threads:
            t.join()
    return tally


def redis_restart():
    redis = Restartable.redis(os.environ["REDIS_URL"])
    marks = {}

    def during():
        time.sleep(1.5)
        marks["kill"] = time.time()
        redis.kill()
        time.sleep(1.0)
        redis.start()
        stop_at = time.time() + 10
        while time.time() < stop_at:
            try:
                redis_config(int(port_of(os.environ["REDIS_URL"])), "appendonly")
                break
            except OSError:
                time.sleep(0.05)
        marks["back"] = time.time()
        time.sleep(6)

    tally = run_listings(0.25, during)
    settled = marks["back"] + 2  # the nodes look for a lost Redis once a second
    after = tally.between(settled, float("inf"))
    logged_out = sorted({r[1] for r in after if r[2] == 403})
    print(f"  Redis killed and started again ({redis.argv[8]} append-only), down "
          f"{marks['back'] - marks['kill']:.1f} s; members list their mails every 0.25 s:")
    print(f"    before: {describe(tally.between(0, marks['kill']))}")
    print(f"    while down and the first 2 s back: {describe(tally.between(marks['kill'], settled))}")
    print(f"    afterwards: {describe(after)}; members logged out: {len(logged_out)} of {MEMBERS} (goal 0)")
    return redis


def node_kill_during_mail():
    node = Restartable.node(os.environ["NODE_A_URL"])
    acked, refused = {}, {}
    lock = threading.Lock()

    def sender(i):
        for n in range(10):  # ten mails a minute: a sender's limit
            subject = f"f{i}x{n}"
            status, body = get(f"/sendmail.php?sender=faults{i}&login=faults{(i + 1) % MEMBERS}"
                                f"&subject={subject}&message=bonjour", i)
            with lock:
                (acked if b"MAILSENDEDOK" in body else refused)[subject] = status
            time.sleep(0.5)

    threads = [threading.Thread(target=sender, args=(i,)) for i in range(MEMBERS)]
    for t in threads:
        t.start()
    time.sleep(1.7)
    node.kill()
    time.sleep(1.0)
    node.start()
    wait_answering(int(port_of(os.environ["NODE_A_URL"])))
    for t in threads:
        t.join()
    stored = {}
    for i in range(MEMBERS):
        status, body = get(f"/readmails.php?login=faults{i}", i)
        for subject in re.findall(rb"~(f\d+x\d+)~", body):
            stored[subject.decode()] = stored.get(subject.decode(), 0) + 1
    lost = [s for s in acked if stored.get(s, 0) == 0]
    twice = [s for s, c in stored.items() if c > 1]
    refused_stored = [s for s in refused if stored.get(s, 0) > 0]
    statuses = {}
    for status in refused.values():
        statuses[status] = statuses.get(status, 0) + 1
    print(f"  node A killed during sendmail traffic ({MEMBERS} senders x 10 mails), started again 1 s later:")
    print(f"    {len(acked)} acknowledged, {len(refused)} refused (status: count {statuses}); "
          f"lost {len(lost)}, duplicated {len(twice)} (goal 0 and 0); refused yet delivered {len(refused_stored)}")
    return node


def two_node_deaths(gap):
    """A dies and is started again a second later; B dies `gap` seconds after A."""
    a = Restartable.node(os.environ["NODE_A_URL"])
    b = Restartable.node(os.environ["NODE_B_URL"])
    marks = {}

    def during():
        time.sleep(1)
        marks["first"] = time.time()
        a.kill()
        time.sleep(1)
        a.start()  # as a supervisor would, a second later
        time.sleep(max(0.0, marks["first"] + gap - time.time()))
        marks["second"] = time.time()
        b.kill()
        wait_answering(int(port_of(os.environ["NODE_A_URL"])))
        marks["a back"] = time.time()
        time.sleep(1)
        b.start()
        wait_answering(int(port_of(os.environ["NODE_B_URL"])))
        marks["back"] = time.time()
        time.sleep(2)

    tally = run_listings(0.1, during)
    print(f"  node A killed and started again 1 s later (answering again by {marks['a back'] - marks['first']:.1f} s "
          f"after its death); node B killed {marks['second'] - marks['first']:.1f} s after A, started again 1 s later; members "
          f"list their mails every 0.1 s:")
    print(f"    from the first death until both are back: {describe(tally.between(marks['first'], marks['back']))}")
    print(f"    before and after: {describe(tally.between(0, marks['first']) + tally.between(marks['back'], 1e12))}")
    print("    5xx by half second from the first death: " + " ".join(
        str(sum(1 for r in tally.between(marks["first"] + k / 2, marks["first"] + (k + 1) / 2)
                if r[2] is not None and r[2] >= 500)) for k in range(int((marks["back"] - marks["first"]) * 2) + 4)))
    return a, b


def damaged_database(binary):
    """A server's SQLite file with one page overwritten, as a failing disk leaves it."""
    port_dir = tempfile.mkdtemp()
    # A database of a few pages: members and their mails, written by a server of its own.
    server = subprocess.Popen([binary, "--listen", "127.0.0.1:0", "--data", port_dir],
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    line = server.stdout.readline()
    port = int(re.search(r":(\d+),", line).group(1))
    for i in range(6):
        sign_up(port, f"disk{i}", f"127.0.{200 + i}.1")
        exchange(port, f"/softlogin.php?login=disk{i}&password=disk{i}", source=f"127.0.{200 + i}.1")
        for n in range(8):
            exchange(port, f"/sendmail.php?sender=disk{i}&login=disk{(i + 1) % 6}&subject=s{n}&message="
                     + urllib.parse.quote("x" * 3000), source=f"127.0.{200 + i}.1")
    server.terminate()
    server.wait()
    database = max((os.path.join(port_dir, f) for f in os.listdir(port_dir) if f.endswith((".db", ".sqlite"))),
                   key=os.path.getsize)
    with open(database, "r+b") as f:
        header = f.read(100)
        page_size = int.from_bytes(header[16:18], "big") or 65536
        pages = os.path.getsize(database) // page_size
        f.seek((pages // 2) * page_size)
        f.write(bytes((n * 151 + 7) % 256 for n in range(page_size)))
    t0 = time.time()
    started = subprocess.run([binary, "--listen", "127.0.0.1:0", "--data", port_dir], capture_output=True,
                             text=True, timeout=30)
    said = (started.stdout + started.stderr).strip().replace("\n", " / ")
    print(f"  SQLite database of {pages} pages, page {pages // 2} overwritten: the server "
          f"{'refused to start' if started.returncode != 0 and 'listening' not in started.stdout else 'STARTED'} "
          f"(status {started.returncode}, {time.time() - t0:.1f} s): {said[:300]}")
    subprocess.run(["rm", "-rf", port_dir])


def in_cluster(build):
    binary = server_binary(build)
    print(f"faults: {binary}, cluster {os.environ['CLUSTER_URL']}")
    damaged_database(binary)
    for i in range(MEMBERS):
        status = sign_up(cluster_port(), f"faults{i}", source(i))
        status2, body = get(f"/softlogin.php?login=faults{i}&password=faults{i}", i, timeout=30)
        assert status == 200 and b"YOURLOGINISOK" in body, (i, status, status2, body)
    restarted = []
    try:
        restarted.append(redis_restart())
        restarted.append(node_kill_during_mail())
        restarted.extend(two_node_deaths(2.0))
        restarted.extend(two_node_deaths(3.0))
    finally:
        for p in restarted:
            p.stop()


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else "build"
    if "CLUSTER_URL" in os.environ:
        in_cluster(build)
        return
    build = os.path.abspath(build)
    os.environ["CLUSTER_PORT"] = "8080"  # the namespace's own
    sys.exit(subprocess.call([os.path.join(ROOT, "tests", "netns-run"), os.path.join(ROOT, "scripts", "run-cluster"),
                              build, "--", sys.executable, "-u", os.path.abspath(__file__), build]))


if __name__ == "__main__":
    main()
