#!/usr/bin/env python3
"""Slow clients against `quillon serve`: how many ordinary requests still
get through while N connections dribble a request header (a slowloris).

    bench/fcgi/slowclients.py BUILD_BIN [--clients 3000] [--seconds 60]
                              [--interval 10] [--port 18180]

Starts `quillon serve` with the test extension, opens the slow connections
(each sends the start of a request, then one more header byte every
--interval seconds, and reconnects when the server drops it), and probes
one ordinary request a second with a 5 s limit. Prints how many probes got
200 before, during and after the attack, and how many slow connections the
server dropped. Not a test: the figures depend on the machine.
"""
import argparse, os, resource, socket, subprocess, sys, tempfile, time, selectors, urllib.request


def probe(port):
    start = time.monotonic()
    try:
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/ext?who", timeout=5) as r:
            ok = r.status == 200
    except Exception:
        ok = False
    return ok, time.monotonic() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("bin")
    ap.add_argument("--clients", type=int, default=3000)
    ap.add_argument("--seconds", type=int, default=60)
    ap.add_argument("--interval", type=float, default=10)
    ap.add_argument("--port", type=int, default=18180)
    a = ap.parse_args()
    a.bin = os.path.abspath(a.bin)
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    resource.setrlimit(resource.RLIMIT_NOFILE, (min(hard, a.clients + 1024), hard))
    work = tempfile.mkdtemp(prefix="quillon-slow-")
    # Run as root, quillon serve runs the extension as root only when told.
    root = ["--allow-root"] if os.geteuid() == 0 else []
    serve = subprocess.Popen([os.path.join(a.bin, "quillon"), "serve",
                              os.path.join(a.bin, "libquillon_testextension.so"), "--port", str(a.port)] + root,
                             stdout=open(os.path.join(work, "serve.log"), "w"), stderr=subprocess.STDOUT, cwd=work)
    try:
        deadline = time.monotonic() + 20
        while not probe(a.port)[0]:
            if time.monotonic() > deadline or serve.poll() is not None:
                sys.exit("quillon serve did not come up; log: " + os.path.join(work, "serve.log"))
            time.sleep(0.3)
        before = [probe(a.port) for _ in range(5)]
        sel = selectors.DefaultSelector()
        slow = {}
        dropped = 0
        refused = 0

        def connect():
            nonlocal refused
            s = socket.socket()
            s.setblocking(False)
            try:
                s.connect(("127.0.0.1", a.port))
            except BlockingIOError:
                pass
            except OSError:
                refused += 1
                s.close()
                return
            slow[s] = (time.monotonic(), False)
            sel.register(s, selectors.EVENT_READ | selectors.EVENT_WRITE)

        for _ in range(a.clients):
            connect()
        during = []
        end = time.monotonic() + a.seconds
        next_probe = time.monotonic() + 1
        while time.monotonic() < end:
            for key, ev in sel.select(timeout=0.2):
                s = key.fileobj
                if ev & selectors.EVENT_READ:
                    try:
                        data = s.recv(4096)
                    except OSError:
                        data = b""
                    if not data:  # the server dropped it: come back, as an attacker does
                        sel.unregister(s)
                        s.close()
                        del slow[s]
                        dropped += 1
                        connect()
                        continue
                if ev & selectors.EVENT_WRITE and not slow[s][1]:
                    try:
                        s.send(b"GET /ext?who HTTP/1.1\r\nHost: x\r\nX-a: ")
                    except OSError:
                        pass
                    slow[s] = (time.monotonic(), True)
                    sel.modify(s, selectors.EVENT_READ)
            now = time.monotonic()
            for s, (last, started) in list(slow.items()):
                if started and now - last >= a.interval:
                    try:
                        s.send(b"a")
                    except OSError:
                        pass
                    slow[s] = (now, True)
            if now >= next_probe:
                during.append(probe(a.port))
                next_probe = time.monotonic() + 1
        for s in list(slow):
            s.close()
        time.sleep(1)
        after = [probe(a.port) for _ in range(5)]

        def show(name, rows):
            ok = sum(1 for r in rows if r[0])
            worst = max((r[1] for r in rows), default=0)
            print(f"{name}: {ok} of {len(rows)} probes answered 200 (slowest {worst:.2f} s)")

        print(f"{a.clients} slow clients, one header byte every {a.interval:g} s, for {a.seconds} s")
        show("before", before)
        show("during", during)
        show("after", after)
        print(f"slow connections dropped by the server: {dropped}; connects refused: {refused}")
    finally:
        serve.terminate()
        serve.wait(10)


if __name__ == "__main__":
    main()
