"""What the community load scripts share: one request per connection as the client sends it, a
server of their own on a free loopback port, sign-ups, percentiles and the server's memory."""
import contextlib
import os
import resource
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse


def exchange(port, target, method="GET", body=b"", source=None, timeout=30.0, host="127.0.0.1"):
    """One request on its own connection; (status, body), status None when not served."""
    s = socket.socket()
    s.settimeout(timeout)
    try:
        if source:
            s.bind((source, 0))
        s.connect((host, port))
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


def sign_up(port, pseudo, source=None, host="127.0.0.1"):
    """The home page's form, the password being the pseudo; the status."""
    form = urllib.parse.urlencode({"pseudo": pseudo, "password": pseudo, "password2": pseudo, "sexe": "H",
                                   "naissance": "1990-05-05", "codepostal": "75011",
                                   "region": "Ile-de-France"}).encode()
    return exchange(port, "/inscription", "POST", form, source=source, host=host)[0]


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(len(values) * p))] if values else float("nan")


def rss_kib(pid, field="VmRSS"):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def free_port():
    probe = socket.socket()
    probe.bind(("127.0.0.1", 0))
    port = probe.getsockname()[1]
    probe.close()
    return port


def server_binary(arg):
    """A build folder or the binary itself."""
    return arg if os.path.isfile(arg) else os.path.join(arg, "bin", "jaserelle-server")


def wait_ready(port, host="127.0.0.1", tries=100):
    for _ in range(tries):
        if exchange(port, "/onlinehelp.html", timeout=1, host=host)[0] == 200:
            return True
        time.sleep(0.1)
    return False


@contextlib.contextmanager
def own_server(binary, *arguments):
    """A server on a free loopback port with a data folder of its own, stopped and removed after;
    yields (port, process)."""
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, 8192) if hard > 0 else 8192, hard))
    # A bench stopped from outside (timeout, Ctrl-C) still stops its server.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    work = tempfile.mkdtemp()
    port = free_port()
    server = subprocess.Popen([binary, "--listen", f"127.0.0.1:{port}", "--data", work, *arguments],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_ready(port):
            raise RuntimeError(f"{binary} does not answer on port {port}")
        yield port, server
    finally:
        server.terminate()
        try:
            server.wait(10)
        except subprocess.TimeoutExpired:
            server.kill()
            server.wait()
        shutil.rmtree(work, ignore_errors=True)


def thread_cpu(pid):
    """CPU seconds used so far by each thread of a process, by thread name."""
    ticks = os.sysconf("SC_CLK_TCK")
    out = {}
    for tid in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{tid}/stat") as f:
                stat = f.read()
        except OSError:
            continue
        name = stat[stat.index("(") + 1:stat.rindex(")")]
        fields = stat[stat.rindex(")") + 2:].split()
        out[name] = out.get(name, 0.0) + (int(fields[11]) + int(fields[12])) / ticks
    return out
