#!/usr/bin/env python3
"""Sample feed server for the clock's news bar (Python 3 standard library only).

Binds one loopback address (port 80 by default, which needs root), reads one request per
connection, answers HTTP/1.0 with Content-Length and closes. Request lines in absolute form
("GET http://host/path HTTP/1.0", as the clock sends them) and origin form are both understood.
Every raw request is appended to the log, one line per request: time, peer, and the bytes as a
Python bytes literal.

Paths:
  /rss/<name>.rdf     assets/news/<name>.rdf with each "{{age:N}}" replaced by the local time N
                      seconds before serving, as "YYYY-MM-DDTHH:MM:SS+HH:MM", and each
                      "{{host}}" by the address the server listens on
  /skins/<file>       files of assets/news/skins/ (skin packages offered by the feeds), if any
  /hostile/<shape>    the answers the client must survive: never-closes, stall, slow (one byte a
                      second), 10mb, no-header-end (40 KB), 404, 500, 301, chunked, short (a body
                      short of its Content-Length), reset, empty, high-bit, nul, bad-utf8
  /feedserver/token   the --token given at start (404 without one), so whoever started this
                      server can tell that the server answering on the address is this one
  <shape>-once        (as an override only) the first request for the path gets the shape, later
                      ones are answered as if there were no override (e.g. stall-once, slow-once)

--override PATH=SHAPE answers PATH with a hostile shape instead (e.g. /rss/tarvo.rdf=404).
--fail-after N answers every request after the first N with 404 (a server that goes away).
--news DIR serves feeds and skins from DIR instead of assets/news.
--token TEXT is what /feedserver/token answers.
"""
import argparse
import datetime
import os
import pathlib
import re
import signal
import socket
import socketserver
import struct
import sys
import threading
import time

ROOT = pathlib.Path(__file__).resolve().parents[2]
NEWS = ROOT / "assets" / "news"
HOLD_SECONDS = 120  # how long "never closes" and "stall" keep a connection
REQUEST_LIMIT = 8192


def local_stamp(seconds_ago):
    moment = datetime.datetime.now().astimezone() - datetime.timedelta(seconds=seconds_ago)
    offset = moment.strftime("%z") or "+0000"
    return moment.strftime("%Y-%m-%dT%H:%M:%S") + offset[:3] + ":" + offset[3:]


def feed_bytes(name, host="127.77.0.1"):
    path = NEWS / f"{name}.rdf"
    if not re.fullmatch(r"[a-z0-9_-]+", name) or not path.is_file():
        return None
    text = path.read_text(encoding="utf-8")
    text = re.sub(r"\{\{age:(\d+)\}\}", lambda m: local_stamp(int(m.group(1))), text)
    text = text.replace("{{host}}", host)
    return text.encode("utf-8")


def answer(status, body, content_type="application/rdf+xml; charset=utf-8", extra=""):
    # Content-Type comes last, as the maker's server sends it; the client reads the whole
    # header, so the order is not relied on.
    head = (f"HTTP/1.0 {status}\r\nContent-Length: {len(body)}\r\n{extra}"
            f"Connection: close\r\nContent-Type: {content_type}\r\n\r\n")
    return head.encode("ascii") + body


def target_path(request_line):
    """The path of a request line in absolute or origin form, or None."""
    parts = request_line.split(b" ")
    if len(parts) != 3 or parts[0] != b"GET" or not parts[2].startswith(b"HTTP/1."):
        return None
    target = parts[1].decode("latin-1")
    m = re.fullmatch(r"http://[^/]*(/.*)", target)
    if m:
        return m.group(1)
    return target if target.startswith("/") else None


class Handler(socketserver.BaseRequestHandler):
    def handle(self):
        conn = self.request
        conn.settimeout(10)
        data = b""
        try:
            while b"\r\n\r\n" not in data and b"\n\n" not in data and len(data) < REQUEST_LIMIT:
                piece = conn.recv(1024)
                if not piece:
                    break
                data += piece
        except OSError:
            pass
        self.server.log_request(self.client_address, data)
        path = target_path(data.split(b"\r\n", 1)[0].split(b"\n", 1)[0])
        if path is None:
            self.send(answer("400 Bad Request", b"bad request\n", "text/plain"))
            return
        path = path.split("?", 1)[0]
        if path == "/feedserver/token":
            token = self.server.token.encode("ascii")
            self.send(answer("200 OK", token, "text/plain") if token else
                      answer("404 Not Found", b"no token\n", "text/plain"))
            return
        shape = self.server.overrides.get(path)
        if shape is not None and shape.endswith("-once"):
            shape = shape[:-len("-once")] if self.server.first_time(path) else None
        if self.server.count_request() > self.server.fail_after >= 0:
            shape = "404"
        if shape is None and path.startswith("/hostile/"):
            shape = path[len("/hostile/"):]
        if shape is not None:
            self.hostile(shape)
            return
        m = re.fullmatch(r"/rss/([a-z0-9_-]+)\.rdf", path)
        if m:
            body = feed_bytes(m.group(1), self.server.server_address[0])
            if body is not None:
                self.send(answer("200 OK", body))
                return
        m = re.fullmatch(r"/skins/([A-Za-z0-9_.-]+)", path)
        if m and (NEWS / "skins" / m.group(1)).is_file():
            body = (NEWS / "skins" / m.group(1)).read_bytes()
            self.send(answer("200 OK", body, "text/plain"))
            return
        self.send(answer("404 Not Found", b"not found\n", "text/plain"))

    def send(self, data):
        try:
            self.request.sendall(data)
        except OSError:
            pass

    def hold(self):
        self.server.stopping.wait(HOLD_SECONDS)

    def hostile(self, shape):
        conn = self.request
        ok_feed = feed_bytes("tarvo") or b"<rdf:RDF/>"
        if shape == "never-closes":
            self.send(b"HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n\r\npartial")
            self.hold()
        elif shape == "stall":
            self.hold()
        elif shape == "slow":
            for b in answer("200 OK", ok_feed):
                if self.server.stopping.wait(1):
                    break
                try:
                    conn.sendall(bytes([b]))
                except OSError:
                    break
        elif shape == "10mb":
            head = b"HTTP/1.0 200 OK\r\nContent-Length: 10485760\r\n\r\n"
            try:
                conn.sendall(head)
                chunk = b"m" * 65536
                for _ in range(160):
                    conn.sendall(chunk)
            except OSError:
                pass
        elif shape == "no-header-end":
            self.send(b"HTTP/1.0 200 OK\r\nX-Filler: " + b"h" * 40960)
        elif shape == "404":
            self.send(answer("404 Not Found", b"not found\n", "text/plain"))
        elif shape == "500":
            self.send(answer("500 Internal Server Error", b"oops\n", "text/plain"))
        elif shape == "301":
            self.send(answer("301 Moved Permanently", b"", "text/plain",
                             "Location: http://127.77.0.1/rss/tarvo.rdf\r\n"))
        elif shape == "chunked":
            body = ok_feed
            self.send(b"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" +
                      f"{len(body):x}\r\n".encode() + body + b"\r\n0\r\n\r\n")
        elif shape == "short":
            self.send(b"HTTP/1.0 200 OK\r\nContent-Length: " + str(len(ok_feed) + 100).encode() +
                      b"\r\n\r\n" + ok_feed)
        elif shape == "reset":
            self.send(b"HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n<rdf:RDF>")
            conn.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        elif shape == "empty":
            pass
        elif shape == "high-bit":
            self.send(answer("200 OK", b"<title>\x80\x81\xfe\xff</title><item rdf:about='x'>"
                             b"<title>\xe3\x81\x82\xff\xfe</title></item>"))
        elif shape == "nul":
            self.send(answer("200 OK", b"<title>T</title>\x00<item rdf:about='x'><title>after nul"
                             b"</title></item>"))
        elif shape == "bad-utf8":
            self.send(answer("200 OK", b"<title>\xc3\x28\xa0\xa1\xe2\x28\xa1</title>"
                             b"<item rdf:about='x'><title>\xf0\x28\x8c\x28</title></item>"))
        else:
            self.send(answer("404 Not Found", b"no such shape\n", "text/plain"))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, address, log_path, overrides, fail_after=-1, token=""):
        super().__init__(address, Handler)
        self.token = token
        self.log_path = log_path
        self.overrides = overrides
        self.fail_after = fail_after
        self.served = 0
        self.seen = set()
        self.stopping = threading.Event()
        self.log_lock = threading.Lock()

    def first_time(self, path):
        with self.log_lock:
            if path in self.seen:
                return False
            self.seen.add(path)
            return True

    def count_request(self):
        with self.log_lock:
            self.served += 1
            return self.served

    def log_request(self, peer, data):
        line = f"{time.strftime('%Y-%m-%dT%H:%M:%S')} {peer[0]}:{peer[1]} {data!r}\n"
        with self.log_lock:
            if self.log_path:
                with open(self.log_path, "a", encoding="ascii", errors="backslashreplace") as f:
                    f.write(line)
            else:
                sys.stdout.write(line)
                sys.stdout.flush()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--host", default="127.77.0.1", help="loopback address to bind")
    parser.add_argument("--port", type=int, default=80)
    parser.add_argument("--log", default="", help="file the raw requests are appended to")
    parser.add_argument("--override", action="append", default=[], metavar="PATH=SHAPE")
    parser.add_argument("--fail-after", type=int, default=-1, metavar="N")
    parser.add_argument("--news", default="", metavar="DIR")
    parser.add_argument("--token", default="", metavar="TEXT")
    args = parser.parse_args()
    if args.news:
        global NEWS
        NEWS = pathlib.Path(args.news).resolve()
    if not args.host.startswith("127."):
        parser.error("the feed server binds a loopback address only")
    overrides = {}
    for item in args.override:
        path, _, shape = item.partition("=")
        overrides[path] = shape
    if not args.token.isascii():
        parser.error("the token is ASCII text")
    try:
        server = Server((args.host, args.port), args.log, overrides, args.fail_after, args.token)
    except OSError as e:
        print(f"feedserver: cannot bind {args.host}:{args.port}: {e}", file=sys.stderr)
        return 2

    def stop(*_):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print(f"feedserver: serving {NEWS} on {args.host}:{args.port}", flush=True)
    server.serve_forever(poll_interval=0.2)
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
