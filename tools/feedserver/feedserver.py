#!/usr/bin/env python3
"""Sample feed server for the clock's news bar (Python 3 standard library only).

Binds one loopback address (port 80 by default, which needs root), reads one request per
connection, answers HTTP/1.0 with Content-Length and closes; with --tls-cert and --tls-key it
speaks HTTPS instead. Request lines in absolute form
("GET http://host/path HTTP/1.0", as the clock sends them) and origin form are both understood.
Every raw request is appended to the log, one line per request: time, peer, and the bytes as a
Python bytes literal.

Paths:
  /rss/<name>.rdf     assets/news/<name>.rdf (RSS 1.0), .xml (RSS 2.0) or .atom (Atom), filled in
  /rss/<name>.xml     when served:
  /rss/<name>.atom      {{age:N}}           the local time N seconds ago, "YYYY-MM-DDTHH:MM:SS+HH:MM"
                        {{rfc822:N:+HHMM}}  that moment in RFC 822 form at the given offset
                        {{rfc3339:N:+HH:MM}} and in RFC 3339 form at the given offset
                        {{date-in:N}}       the local date N seconds from now, as "M月D日"
                        {{host}}            the address the server listens on
                        {{months:M,...}} ... {{end}}  kept only in the months named (1-12)
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
--skins DIR serves the skin packages from DIR instead of the news folder's skins/.
--tls-cert FILE --tls-key FILE answer over TLS with that certificate chain (PEM) and key.
--port-file FILE is written with the port bound once the server listens (for --port 0).
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
SKINS = None  # the news folder's skins/ unless --skins names another
FEED_TYPES = {"rdf": "application/rdf+xml", "xml": "application/rss+xml",
              "atom": "application/atom+xml"}
DAYS = ["Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"]
MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"]
HOLD_SECONDS = 120  # how long "never closes" and "stall" keep a connection
REQUEST_LIMIT = 8192


def local_stamp(seconds_ago):
    moment = datetime.datetime.now().astimezone() - datetime.timedelta(seconds=seconds_ago)
    offset = moment.strftime("%z") or "+0000"
    return moment.strftime("%Y-%m-%dT%H:%M:%S") + offset[:3] + ":" + offset[3:]


def zoned(seconds_ago, offset):
    """The moment `seconds_ago` before now, at the offset "+HHMM" or "+HH:MM"."""
    sign, hours, minutes = offset[0], int(offset[1:3]), int(offset[-2:])
    delta = datetime.timedelta(hours=hours, minutes=minutes) * (-1 if sign == "-" else 1)
    now = datetime.datetime.now(datetime.timezone.utc)
    return (now - datetime.timedelta(seconds=seconds_ago)).astimezone(datetime.timezone(delta))


def rfc822(seconds_ago, offset):
    m = zoned(seconds_ago, offset)
    # Day and month names in English whatever the locale, as RFC 822 has them.
    return (f"{DAYS[m.weekday()]}, {m.day:02d} {MONTHS[m.month - 1]} {m.year} "
            f"{m.strftime('%H:%M:%S')} {offset.replace(':', '')}")


def rfc3339(seconds_ago, offset):
    m = zoned(seconds_ago, offset)
    return m.strftime("%Y-%m-%dT%H:%M:%S") + offset[:3] + ":" + offset[-2:]


def fill(text, host, now=None):
    """A feed template as served at `now` (local, default the present)."""
    month = (now or datetime.datetime.now()).month
    text = re.sub(r"\{\{months:([0-9,]+)\}\}(.*?)\{\{end\}\}\n?",
                  lambda m: m.group(2) if str(month) in m.group(1).split(",") else "", text,
                  flags=re.S)
    text = re.sub(r"\{\{age:(\d+)\}\}", lambda m: local_stamp(int(m.group(1))), text)
    text = re.sub(r"\{\{rfc822:(\d+):([+-]\d{4})\}\}",
                  lambda m: rfc822(int(m.group(1)), m.group(2)), text)
    text = re.sub(r"\{\{rfc3339:(\d+):([+-]\d\d:\d\d)\}\}",
                  lambda m: rfc3339(int(m.group(1)), m.group(2)), text)
    text = re.sub(r"\{\{date-in:(\d+)\}\}", lambda m: (lambda d: f"{d.month}月{d.day}日")(
        datetime.datetime.now() + datetime.timedelta(seconds=int(m.group(1)))), text)
    return text.replace("{{host}}", host)


def feed_bytes(name, host="127.77.0.1", kind="rdf"):
    path = NEWS / f"{name}.{kind}"
    if not re.fullmatch(r"[a-z0-9_-]+", name) or kind not in FEED_TYPES or not path.is_file():
        return None
    return fill(path.read_text(encoding="utf-8"), host).encode("utf-8")


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
        if self.server.tls is not None:
            # The handshake runs here, on the connection's own thread, so a client that stalls
            # in it holds up no one else; one that refuses the certificate is logged and let go.
            try:
                conn = self.request = self.server.tls.wrap_socket(conn, server_side=True)
            except (OSError, ValueError) as e:
                self.server.log_request(self.client_address, f"TLS handshake failed: {e}".encode())
                return
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
        m = re.fullmatch(r"/rss/([a-z0-9_-]+)\.([a-z]+)", path)
        if m:
            body = feed_bytes(m.group(1), self.server.server_address[0], m.group(2))
            if body is not None:
                self.send(answer("200 OK", body, FEED_TYPES[m.group(2)] + "; charset=utf-8"))
                return
        skins = SKINS or NEWS / "skins"
        m = re.fullmatch(r"/skins/([A-Za-z0-9_.-]+)", path)
        if m and (skins / m.group(1)).is_file():
            body = (skins / m.group(1)).read_bytes()
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

    def __init__(self, address, log_path, overrides, fail_after=-1, token="", tls=None):
        super().__init__(address, Handler)
        self.tls = tls
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
    parser.add_argument("--skins", default="", metavar="DIR")
    parser.add_argument("--tls-cert", default="", metavar="FILE")
    parser.add_argument("--tls-key", default="", metavar="FILE")
    parser.add_argument("--port-file", default="", metavar="FILE")
    args = parser.parse_args()
    global NEWS, SKINS
    if args.news:
        NEWS = pathlib.Path(args.news).resolve()
    if args.skins:
        SKINS = pathlib.Path(args.skins).resolve()
    tls = None
    if bool(args.tls_cert) != bool(args.tls_key):
        parser.error("--tls-cert and --tls-key come together")
    if args.tls_cert:
        import ssl
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        try:
            tls.load_cert_chain(args.tls_cert, args.tls_key)
        except (OSError, ssl.SSLError) as e:
            print(f"feedserver: cannot load the certificate: {e}", file=sys.stderr)
            return 2
    if not args.host.startswith("127."):
        parser.error("the feed server binds a loopback address only")
    overrides = {}
    for item in args.override:
        path, _, shape = item.partition("=")
        overrides[path] = shape
    if not args.token.isascii():
        parser.error("the token is ASCII text")
    try:
        server = Server((args.host, args.port), args.log, overrides, args.fail_after, args.token,
                        tls)
    except OSError as e:
        print(f"feedserver: cannot bind {args.host}:{args.port}: {e}", file=sys.stderr)
        return 2
    if args.port_file:
        # Written whole under another name first: a reader never sees half a number.
        part = pathlib.Path(args.port_file + ".part")
        part.write_text(str(server.server_address[1]))
        os.replace(part, args.port_file)

    def stop(*_):
        server.stopping.set()
        threading.Thread(target=server.shutdown, daemon=True).start()

    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)
    print(f"feedserver: serving {NEWS} on {args.host}:{server.server_address[1]}"
          f"{' over TLS' if tls else ''}", flush=True)
    server.serve_forever(poll_interval=0.2)
    server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
