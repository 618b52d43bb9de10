#!/usr/bin/python3
"""A feed server on 127.0.0.1 for the subscription tests: one http and one https port (its own
CA and certificate, made with the openssl CLI at start), every request recorded with its
headers, one path per behaviour a download has to survive.

    feed_server.py [--wine] --run COMMAND [ARG...]

starts both servers on free ports, runs COMMAND with these variables set, stops them and exits
with COMMAND's code:

    ZF_FEED_HTTP   http://127.0.0.1:PORT      ZF_FEED_HTTPS  https://127.0.0.1:PORT
    ZF_FEED_CA     the CA's certificate (PEM)  ZF_FEED_LOG    the request log: one line per
                                                              request, tab-separated: port,
                                                              path, "name: value" per header
                                                              (names in lower case)
    ZF_FEED_FILES  a folder whose files the servers serve as /files/NAME, as they are at the
                   request (ETag from their size and time, 304 for the current one)
With --wine the two files are given as Wine paths (Z:...).

    feed_server.py --serve [--changing SECONDS]

prints "HTTP HTTPS CA LOG" on one line and serves until killed; /changing.ics then changes
every SECONDS (default 60), or every N seconds when asked for as /changing.ics?every=N.
"""

import base64
import gzip
import http.server
import os
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import urllib.parse

CALENDAR = (
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//ZelvaroFeed tests//EN\r\n"
    "BEGIN:VEVENT\r\nUID:{uid}@feed-server\r\nDTSTAMP:20240101T000000Z\r\n"
    "DTSTART:20240501T090000Z\r\nDTEND:20240501T100000Z\r\nSUMMARY:{summary}\r\n"
    "END:VEVENT\r\nEND:VCALENDAR\r\n"
)
LAST_MODIFIED = "Wed, 01 May 2024 09:00:00 GMT"
USER = "user"
PASSWORD = "s3cret-Pa55"
BIG_CHUNK = b"X" * 65536
PORTAL = (b"<!DOCTYPE html>\n<html><head><title>Guest Wi-Fi</title></head>\n"
          b"<body><form action=\"/login\">Room number: <input name=\"room\"></form></body>"
          b"</html>\n")


def calendar(uid, summary):
    return CALENDAR.format(uid=uid, summary=summary).encode()


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FeedServer"

    def log_message(self, *args):
        pass

    def record(self):
        fields = [str(self.server.server_address[1]), self.path]
        fields += ["%s: %s" % (k.lower(), v) for k, v in self.headers.items()]
        with self.server.shared["lock"]:
            with open(self.server.shared["log"], "a") as log:
                log.write("\t".join(fields) + "\n")

    def send(self, status, body=b"", headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        self.record()
        path = self.path.split("?")[0]
        shared = self.server.shared
        if path == "/etag.ics":
            body = calendar("etag", "With an ETag")
            if self.headers.get("If-None-Match") == '"v1"':
                return self.send(304, headers=[("ETag", '"v1"')])
            return self.send(200, body, [("ETag", '"v1"')])
        if path == "/lastmod.ics":
            if self.headers.get("If-Modified-Since") == LAST_MODIFIED:
                return self.send(304)
            return self.send(200, calendar("lastmod", "With Last-Modified"),
                             [("Last-Modified", LAST_MODIFIED)])
        if path == "/plain.ics":
            return self.send(200, calendar("plain", "Without validators"))
        if path == "/feed.ini":
            return self.send(200, b"[DateEntry 0]\r\nGUID={11111111-2222-3333-4444-555555555555}\r\n"
                             b"Description=From an INI feed\r\nStartDate=2024 05 01 09 00 00\r\n"
                             b"EndDate=2024 05 01 10 00 00\r\n")
        # What a hotel or airport network answers in place of the feed, under both types, and
        # a real calendar served as a web page.
        if path in ("/portal.html", "/portal-as-calendar.ics"):
            kind = "text/html; charset=utf-8" if path == "/portal.html" else "text/calendar"
            return self.send(200, PORTAL, [("Content-Type", kind)])
        if path == "/calendar-as-html":
            return self.send(200, calendar("as-html", "Served as a web page"),
                             [("Content-Type", "text/html")])
        if path.startswith("/redirect/"):
            left = int(path.rsplit("/", 1)[1])
            target = "/plain.ics" if left == 0 else "/redirect/%d" % (left - 1)
            if left % 2:  # absolute and relative Location headers alike
                scheme = "https" if self.server.shared["tls_port"] == self.server.server_address[1] else "http"
                target = "%s://127.0.0.1:%d%s" % (scheme, self.server.server_address[1], target)
            return self.send(302, headers=[("Location", target)])
        if path == "/to-file":
            return self.send(302, headers=[("Location", "file:///etc/passwd")])
        if path == "/to-ftp":
            return self.send(302, headers=[("Location", "ftp://127.0.0.1/cal.ics")])
        if path == "/to-http":
            return self.send(302, headers=[
                ("Location", "http://127.0.0.1:%d/plain.ics" % shared["http_port"])])
        if path == "/gzip.ics":
            body = calendar("gzip", "Compressed")
            if "gzip" in self.headers.get("Accept-Encoding", ""):
                return self.send(200, gzip.compress(body), [("Content-Encoding", "gzip")])
            return self.send(200, body)
        if path == "/slow.ics":
            body = calendar("slow", "Slow")
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            try:
                for i in range(len(body)):
                    self.wfile.write(body[i:i + 1])
                    self.wfile.flush()
                    time.sleep(0.25)
            except OSError:  # the client gave up, as it should
                pass
            self.close_connection = True
            return None
        if path == "/hang.ics":
            time.sleep(30)
            return None
        if path == "/endless.ics":
            self.send_response(200)
            self.send_header("Connection", "close")
            self.end_headers()
            self.close_connection = True
            try:
                while True:
                    self.wfile.write(BIG_CHUNK)
            except OSError:
                return None
        if path == "/cut.ics":
            body = calendar("cut", "Cut off")
            self.send_response(200)
            self.send_header("Content-Length", str(len(body)))
            self.send_header("Connection", "close")
            self.end_headers()
            self.wfile.write(body[:len(body) // 2])
            self.wfile.flush()
            self.close_connection = True
            return None
        if path.startswith("/status/"):
            status = int(path.rsplit("/", 1)[1])
            headers = [("Retry-After", "120")] if status in (429, 503) else []
            return self.send(status, b"no feed here\n", headers)
        if path == "/auth.ics":
            expected = "Basic " + base64.b64encode(("%s:%s" % (USER, PASSWORD)).encode()).decode()
            if self.headers.get("Authorization") != expected:
                return self.send(401, b"who are you?\n",
                                 [("WWW-Authenticate", 'Basic realm="feeds"')])
            return self.send(200, calendar("auth", "Behind a password"))
        if path.startswith("/files/"):
            name = os.path.basename(urllib.parse.unquote(path[len("/files/"):]))
            try:
                with open(os.path.join(shared["files"], name), "rb") as served:
                    body = served.read()
                    etag = '"%d-%d"' % (os.fstat(served.fileno()).st_mtime_ns, len(body))
            except OSError:
                return self.send(404, b"not found\n")
            if self.headers.get("If-None-Match") == etag:
                return self.send(304, headers=[("ETag", etag)])
            return self.send(200, body, [("ETag", etag)])
        if path == "/changing.ics":
            query = urllib.parse.parse_qs(self.path.partition("?")[2])
            period = int(query["every"][0]) if "every" in query else shared["period"]
            version = int(time.time() // period)
            etag = '"%d"' % version
            if self.headers.get("If-None-Match") == etag:
                return self.send(304, headers=[("ETag", etag)])
            return self.send(200, calendar("changing", "Version %d" % version), [("ETag", etag)])
        return self.send(404, b"not found\n")


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True


def make_certificates(folder):
    """A CA and a certificate for 127.0.0.1 (and no host name) signed by it."""
    def openssl(*args):
        subprocess.run(["openssl", *args], check=True, capture_output=True, cwd=folder)
    openssl("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
            "/CN=ZelvaroFeed test CA", "-keyout", "ca.key", "-out", "ca.pem")
    with open(os.path.join(folder, "san.cnf"), "w") as cnf:
        # Wine matches only DNS names, OpenSSL only the IP entry for an address: both name it.
        cnf.write("subjectAltName=IP:127.0.0.1,DNS:127.0.0.1\nbasicConstraints=CA:FALSE\n")
    openssl("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout",
            "server.key", "-out", "server.csr")
    openssl("x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
            "-CAcreateserial", "-days", "2", "-extfile", "san.cnf", "-out", "server.pem")
    return os.path.join(folder, "ca.pem")


def start(folder, period):
    ca = make_certificates(folder)
    log = os.path.join(folder, "requests.log")
    open(log, "w").close()
    files = os.path.join(folder, "files")
    os.mkdir(files)
    shared = {"lock": threading.Lock(), "log": log, "period": period, "files": files}
    plain = Server(("127.0.0.1", 0), Handler)
    secure = Server(("127.0.0.1", 0), Handler)
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(os.path.join(folder, "server.pem"), os.path.join(folder, "server.key"))
    secure.socket = context.wrap_socket(secure.socket, server_side=True)
    shared["http_port"] = plain.server_address[1]
    shared["tls_port"] = secure.server_address[1]
    plain.shared = secure.shared = shared
    for server in (plain, secure):
        threading.Thread(target=server.serve_forever, daemon=True).start()
    return plain, secure, ca, log


def main():
    args = sys.argv[1:]
    wine = "--wine" in args
    if wine:
        args.remove("--wine")
    period = 60
    if "--changing" in args:
        at = args.index("--changing")
        period = int(args[at + 1])
        del args[at:at + 2]
    with tempfile.TemporaryDirectory(prefix="zf-feed-server-") as folder:
        plain, secure, ca, log = start(folder, period)
        if args[:1] == ["--serve"]:
            print("http://127.0.0.1:%d https://127.0.0.1:%d %s %s" % (
                plain.server_address[1], secure.server_address[1], ca, log), flush=True)
            try:
                while True:
                    time.sleep(3600)
            except KeyboardInterrupt:
                return 0
        if args[:1] != ["--run"] or len(args) < 2:
            print(__doc__, file=sys.stderr)
            return 2
        as_path = (lambda p: "Z:" + p.replace("/", "\\")) if wine else (lambda p: p)
        env = dict(os.environ,
                   ZF_FEED_HTTP="http://127.0.0.1:%d" % plain.server_address[1],
                   ZF_FEED_HTTPS="https://127.0.0.1:%d" % secure.server_address[1],
                   ZF_FEED_CA=as_path(ca), ZF_FEED_LOG=as_path(log),
                   ZF_FEED_FILES=os.path.join(folder, "files"),
                   no_proxy="127.0.0.1,localhost", NO_PROXY="127.0.0.1,localhost")
        for name in ("http_proxy", "https_proxy", "HTTP_PROXY", "HTTPS_PROXY", "all_proxy",
                     "ALL_PROXY"):
            env.pop(name, None)
        code = subprocess.call(args[1:], env=env)
        plain.shutdown()
        secure.shutdown()
        return code


if __name__ == "__main__":
    sys.exit(main())
