#!/usr/bin/env python3
"""Runs the feed transport's Wine tests against feed servers of their own on loopback.

`run` makes a test CA and certificates, starts `serve` in a process of its own, hands the
servers' ports and the CA to the test program through the environment, runs it under Wine and
stops the servers by pid. `serve` is that process: one plain HTTP server and four HTTPS servers
(a certificate from the test CA, one from a CA nobody trusts, an expired one and one for another
host name), all on 127.0.0.1, all answering the same paths.
"""
import argparse
import datetime
import gzip
import http.server
import json
import os
import signal
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

from cryptography import x509
from cryptography.hazmat.primitives import hashes, serialization
from cryptography.hazmat.primitives.asymmetric import rsa
from cryptography.x509.oid import NameOID

SERVERS = ["plain", "trusted", "untrusted", "expired", "wronghost"]
# The big document: a head of exactly HEAD_SIZE bytes, then 100 items of ITEM_SIZE bytes each
# (3.05 MiB); 65 of them end within the transport's 2 MiB.
HEAD_SIZE = 1000
ITEM_SIZE = 32000


def rss(label, count=3):
    items = "".join(f"<item><title>{label} item {i}</title><link>http://localhost/{i}</link>"
                    f"<description>about {i}</description></item>" for i in range(1, count + 1))
    return (f'<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel>'
            f"<title>{label} channel</title><link>http://localhost/</link>{items}"
            f"</channel></rss>").encode()


def big_rss(count=100, item_size=ITEM_SIZE):
    head = '<?xml version="1.0" encoding="UTF-8"?><rss version="2.0"><channel><title>big</title>'
    head = (head + " " * (HEAD_SIZE - len(head))).encode()
    items = []
    for i in range(1, count + 1):
        start = f"<item><title>big item {i}</title><description>"
        end = "</description></item>"
        items.append((start + "x" * (item_size - len(start) - len(end)) + end).encode())
    return head + b"".join(items) + b"</channel></rss>"


RDF = (b'<?xml version="1.0"?><rdf:RDF><channel rdf:about="c"><title>server channel</title>'
       b"<link>http://localhost/</link></channel>"
       b'<item rdf:about="1"><title>server item 1</title></item></rdf:RDF>')


class Handler(http.server.BaseHTTPRequestHandler):
    def log_message(self, *args):
        pass

    def answer(self, code, body=b"", headers=()):
        self.send_response(code)
        for name, value in headers:
            self.send_header(name, value)
        if code != 304:
            self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        if code != 304:
            self.wfile.write(body)

    def do_GET(self):
        server = self.server
        # The feed server's client names the whole address in its request line.
        path = urllib.parse.urlsplit(self.path).path
        label = server.label
        if path == "/feed.xml":
            self.answer(200, rss(label))
        elif path == "/proxied.xml":
            # Only a proxy is asked for a whole address in the request line.
            if self.path.startswith("http://"):
                self.answer(200, rss(f"{label} proxied"))
            else:
                self.answer(404)
        elif path == "/ua.xml":
            self.answer(200, rss(self.headers.get("User-Agent", "none"), 1))
        elif path.startswith("/redirect/"):
            left = int(path.rsplit("/", 1)[1])
            if left == 0:
                self.answer(200, rss(f"{label} redirected"))
            else:
                self.answer(302, headers=[("Location", f"/redirect/{left - 1}")])
        elif path == "/to-https":
            port = server.ports["trusted"]
            self.answer(302, headers=[("Location", f"https://localhost:{port}/feed.xml")])
        elif path == "/to-http":
            port = server.ports["plain"]
            self.answer(302, headers=[("Location", f"http://localhost:{port}/feed.xml")])
        elif path == "/gzip.xml":
            if "gzip" not in self.headers.get("Accept-Encoding", ""):
                self.answer(406)
            else:
                self.answer(200, gzip.compress(rss("gzip"), mtime=0),
                            [("Content-Encoding", "gzip")])
        elif path == "/etag.xml":
            with server.lock:
                if self.headers.get("If-None-Match") == '"v1"':
                    self.answer(304, headers=[("ETag", '"v1"')])
                    return
                server.etag_answers += 1
                body = rss(f"etag answer {server.etag_answers}")
            self.answer(200, body, [("ETag", '"v1"'),
                                    ("Last-Modified", "Tue, 08 Dec 2026 09:00:00 GMT")])
        elif path == "/big.xml":
            self.answer(200, server.big)
        elif path == "/two-mib.xml":
            self.answer(200, server.two_mib)
        elif path == "/two-mib.gz":
            self.answer(200, server.two_mib_gzip, [("Content-Encoding", "gzip")])
        elif path == "/big.gz":
            self.answer(200, server.big_gzip, [("Content-Encoding", "gzip")])
        elif path in ("/stall", "/drip"):
            self.send_response(200)
            self.end_headers()
            self.wfile.write(b'<?xml version="1.0"?><rss version="2.0"><channel>')
            self.wfile.flush()
            for _ in range(60):
                time.sleep(1)
                if path == "/drip":
                    self.wfile.write(b" ")
                    self.wfile.flush()
        elif path.startswith("/rss/"):
            self.answer(200, RDF, [("Content-Type", "text/xml")])
        else:
            self.answer(404)


def make_key():
    return rsa.generate_private_key(public_exponent=65537, key_size=2048)


def name(text):
    return x509.Name([x509.NameAttribute(NameOID.COMMON_NAME, text)])


def make_ca(label):
    key = make_key()
    now = datetime.datetime.utcnow()
    cert = (x509.CertificateBuilder().subject_name(name(label)).issuer_name(name(label))
            .public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(now - datetime.timedelta(days=1))
            .not_valid_after(now + datetime.timedelta(days=30))
            .add_extension(x509.BasicConstraints(ca=True, path_length=None), critical=True)
            .add_extension(x509.SubjectKeyIdentifier.from_public_key(key.public_key()),
                           critical=False)
            .add_extension(x509.KeyUsage(digital_signature=True, content_commitment=False,
                                         key_encipherment=False, data_encipherment=False,
                                         key_agreement=False, key_cert_sign=True, crl_sign=True,
                                         encipher_only=False, decipher_only=False), critical=True)
            .sign(key, hashes.SHA256()))
    return key, cert


def make_leaf(ca_key, ca_cert, host, expired=False):
    key = make_key()
    now = datetime.datetime.utcnow()
    start, end = ((now - datetime.timedelta(days=30), now - datetime.timedelta(days=1)) if expired
                  else (now - datetime.timedelta(days=1), now + datetime.timedelta(days=30)))
    cert = (x509.CertificateBuilder().subject_name(name(host)).issuer_name(ca_cert.subject)
            .public_key(key.public_key()).serial_number(x509.random_serial_number())
            .not_valid_before(start).not_valid_after(end)
            .add_extension(x509.SubjectAlternativeName([x509.DNSName(host)]), critical=False)
            .add_extension(x509.AuthorityKeyIdentifier.from_issuer_public_key(
                ca_key.public_key()), critical=False)
            .add_extension(x509.ExtendedKeyUsage([x509.oid.ExtendedKeyUsageOID.SERVER_AUTH]),
                           critical=False)
            .sign(ca_key, hashes.SHA256()))
    return key, cert


def write_pair(folder, label, key, cert):
    path = os.path.join(folder, label + ".pem")
    with open(path, "wb") as f:
        f.write(key.private_bytes(serialization.Encoding.PEM,
                                  serialization.PrivateFormat.PKCS8,
                                  serialization.NoEncryption()))
        f.write(cert.public_bytes(serialization.Encoding.PEM))
    return path


def serve(folder):
    servers = {}
    ports = {}
    big = big_rss()
    big_gzip = gzip.compress(big, mtime=0)
    # Just under the transport's 2 MiB: read whole, every time.
    two_mib = big_rss(100, 20900)
    two_mib_gzip = gzip.compress(two_mib, mtime=0)
    for label in SERVERS:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        server.daemon_threads = True
        server.label = label
        server.ports = ports
        server.lock = threading.Lock()
        server.etag_answers = 0
        server.big = big
        server.big_gzip = big_gzip
        server.two_mib = two_mib
        server.two_mib_gzip = two_mib_gzip
        if label != "plain":
            context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            context.load_cert_chain(os.path.join(folder, label + ".pem"))
            # The handshake happens on the request's own thread, so a client that refuses the
            # certificate never holds up the others.
            server.socket = context.wrap_socket(server.socket, server_side=True,
                                                do_handshake_on_connect=False)
        servers[label] = server
        ports[label] = server.server_address[1]
    for server in servers.values():
        threading.Thread(target=server.serve_forever, daemon=True).start()
    print(json.dumps(ports), flush=True)
    signal.sigwait([signal.SIGTERM, signal.SIGINT])


def run(args):
    folder = tempfile.mkdtemp(prefix="feed-http-")
    stamp = f"{os.getpid()}-{time.time_ns()}"
    ca_key, ca_cert = make_ca(f"TarvoClock test CA {stamp}")
    other_key, other_cert = make_ca(f"TarvoClock untrusted CA {stamp}")
    write_pair(folder, "trusted", *make_leaf(ca_key, ca_cert, "localhost"))
    write_pair(folder, "untrusted", *make_leaf(other_key, other_cert, "localhost"))
    write_pair(folder, "expired", *make_leaf(ca_key, ca_cert, "localhost", expired=True))
    write_pair(folder, "wronghost", *make_leaf(ca_key, ca_cert, "wrong.example"))
    server = subprocess.Popen([sys.executable, __file__, "serve", folder],
                              stdout=subprocess.PIPE, text=True)
    try:
        ports = json.loads(server.stdout.readline())
        env = dict(os.environ)
        env["TARVO_FEED_PORTS"] = ",".join(str(ports[label]) for label in SERVERS)
        env["TARVO_FEED_TEST_CA"] = ca_cert.public_bytes(serialization.Encoding.DER).hex()
        command = [args.wine_run, args.exe] + args.rest
        return subprocess.call(command, env=env)
    finally:
        os.kill(server.pid, signal.SIGTERM)
        server.wait(timeout=10)
        for entry in os.listdir(folder):
            os.remove(os.path.join(folder, entry))
        os.rmdir(folder)


def main():
    if len(sys.argv) >= 3 and sys.argv[1] == "serve":
        signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTERM, signal.SIGINT])
        serve(sys.argv[2])
        return 0
    parser = argparse.ArgumentParser()
    parser.add_argument("--wine-run", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("rest", nargs="*")
    return run(parser.parse_args())


if __name__ == "__main__":
    sys.exit(main())
