#!/usr/bin/env python3
"""HTTP(S) server on 127.0.0.1 with fault modes, for the tests of the internet layer and the
download worker. Python 3 standard library only (plus the openssl command for --tls-dir).

Started by the tests; it binds free ports and writes them, as JSON {"http": P, "https": Q},
to --port-file (atomically, once both listen). SIGTERM or SIGINT stops it.

Modes, chosen by the path (sizes in bytes; bodies are the pattern byte i = i % 251):
  /body?size=N                 N bytes with Content-Length
  /chunked?size=N              N bytes chunked, no length
  /status?code=C               status C with a small HTML body (e.g. 404, 500)
  /drop?size=N[&chunked=1]     announces N (or chunked), sends N/2 and closes the connection
  /reset?size=N[&chunked=1]    the same, but resets the connection instead of closing it
  /stall?size=N&after=K        headers and K bytes, then silence until the client goes;
                               after=-1 sends nothing at all, not even headers
  /trickle?size=N&piece=B&every=MS   N bytes with length, B bytes every MS milliseconds
  /redirect?hops=H&to=URL      H redirects (302) in a row, then one to URL
  /over?size=N&extra=M         announces N and sends N + M bytes
  /headers                     the request's headers as the body
  /files/NAME                  the file NAME from --dir (or from a folder below it), or 404

With --request-log FILE, the path of every GET is appended to FILE as one line.
"""

import argparse
import json
import os
import select
import signal
import socket
import ssl
import struct
import subprocess
import sys
import threading
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, quote, unquote, urlsplit

STALL_LIMIT_S = 120  # a stalled answer gives up after this, so nothing lingers
log_lock = threading.Lock()


def pattern(offset, count):
    return bytes((offset + i) % 251 for i in range(count))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "TestServer/1"

    def setup(self):
        context = getattr(self.server, "ssl_context", None)
        if context is not None:
            # The handshake runs here, in the request's thread, so a client that refuses the
            # certificate never holds up the accepting loop.
            self.request.settimeout(10)
            self.request = context.wrap_socket(self.request, server_side=True)
            self.request.settimeout(None)
        super().setup()

    def log_message(self, *args):
        pass

    def do_GET(self):
        log = getattr(self.server, "request_log", None)
        if log:
            with log_lock, open(log, "a") as f:
                f.write(self.path + "\n")
        url = urlsplit(self.path)
        query = {k: v[-1] for k, v in parse_qs(url.query).items()}
        mode = url.path.strip("/").split("/", 1)[0]
        size = int(query.get("size", "0"))
        handler = getattr(self, "mode_" + mode, None)
        if mode == "files":
            self.mode_files(unquote(url.path[len("/files/"):]))
        elif handler is None:
            self.send_html(404, "Not Found")
        else:
            handler(size, query)

    # --- helpers -------------------------------------------------------------------------

    def send_head(self, status, length=None, chunked=False, extra=()):
        self.send_response(status)
        self.send_header("Content-Type", "application/octet-stream")
        if length is not None:
            self.send_header("Content-Length", str(length))
        if chunked:
            self.send_header("Transfer-Encoding", "chunked")
        for name, value in extra:
            self.send_header(name, value)
        self.end_headers()

    def send_html(self, status, text):
        body = ("<html><body><h1>%d %s</h1></body></html>" % (status, text)).encode()
        self.send_response(status)
        self.send_header("Content-Type", "text/html")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def send_pattern(self, offset, count, chunked=False):
        block = 64 * 1024
        while count > 0:
            n = min(block, count)
            data = pattern(offset, n)
            if chunked:
                self.wfile.write(b"%x\r\n" % n + data + b"\r\n")
            else:
                self.wfile.write(data)
            offset += n
            count -= n

    def drop_connection(self):
        self.wfile.flush()
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass
        self.close_connection = True

    def reset_connection(self):
        self.wfile.flush()
        time.sleep(0.2)  # the client has read what was sent; the reset must not discard it
        # A zero linger time makes the close a reset (RST) rather than an orderly end (FIN).
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()
        self.close_connection = True

    def hold_until_client_leaves(self):
        self.wfile.flush()
        deadline = time.monotonic() + STALL_LIMIT_S
        while time.monotonic() < deadline:
            readable, _, _ = select.select([self.connection], [], [], 0.2)
            if readable:
                try:
                    if not self.connection.recv(1024):
                        break
                except (OSError, ssl.SSLError):
                    break
        self.close_connection = True

    # --- modes ---------------------------------------------------------------------------

    def mode_body(self, size, query):
        self.send_head(200, length=size)
        self.send_pattern(0, size)

    def mode_chunked(self, size, query):
        self.send_head(200, chunked=True)
        self.send_pattern(0, size, chunked=True)
        self.wfile.write(b"0\r\n\r\n")

    def mode_status(self, size, query):
        code = int(query.get("code", "500"))
        self.send_html(code, self.responses.get(code, ("Error",))[0])

    def mode_drop(self, size, query):
        chunked = query.get("chunked") == "1"
        self.send_head(200, length=None if chunked else size, chunked=chunked)
        self.send_pattern(0, size // 2, chunked=chunked)
        self.drop_connection()

    def mode_reset(self, size, query):
        chunked = query.get("chunked") == "1"
        self.send_head(200, length=None if chunked else size, chunked=chunked)
        self.send_pattern(0, size // 2, chunked=chunked)
        self.reset_connection()

    def mode_stall(self, size, query):
        after = int(query.get("after", "0"))
        if after >= 0:
            self.send_head(200, length=size)
            self.send_pattern(0, min(after, size))
        self.hold_until_client_leaves()

    def mode_trickle(self, size, query):
        piece = max(1, int(query.get("piece", "1")))
        every = int(query.get("every", "100")) / 1000.0
        self.send_head(200, length=size)
        sent = 0
        while sent < size:
            n = min(piece, size - sent)
            self.send_pattern(sent, n)
            self.wfile.flush()
            sent += n
            if sent < size:
                time.sleep(every)

    def mode_redirect(self, size, query):
        hops = int(query.get("hops", "0"))
        target = query.get("to", "/body?size=16")
        if hops > 0:
            target = "/redirect?hops=%d&to=%s" % (hops - 1, quote(target, safe=""))
        self.send_response(302)
        self.send_header("Location", target)
        self.send_header("Content-Length", "0")
        self.end_headers()

    def mode_over(self, size, query):
        extra = int(query.get("extra", "1"))
        self.send_head(200, length=size)
        self.send_pattern(0, size + extra)
        self.drop_connection()

    def mode_headers(self, size, query):
        body = str(self.headers).encode()
        self.send_head(200, length=len(body))
        self.wfile.write(body)

    def mode_files(self, name):
        root = self.server.files_dir
        real_root = os.path.realpath(root or ".")
        path = os.path.realpath(os.path.join(real_root, name))
        if not root or not name or os.path.commonpath([path, real_root]) != real_root \
                or not os.path.isfile(path):
            self.send_html(404, "Not Found")
            return
        with open(path, "rb") as f:
            length = os.fstat(f.fileno()).st_size
            self.send_head(200, length=length)
            while True:
                block = f.read(256 * 1024)
                if not block:
                    break
                self.wfile.write(block)


class Server(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def handle_error(self, request, client_address):
        pass  # a client that went away or refused the certificate is part of the tests


def run(args, command):
    result = subprocess.run(command, cwd=args.tls_dir, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, text=True)
    if result.returncode != 0:
        sys.exit("openssl failed: %s\n%s" % (" ".join(command), result.stderr))


def make_certificates(args):
    """A throw-away CA and a certificate for 127.0.0.1 and localhost signed by it."""
    os.makedirs(args.tls_dir, exist_ok=True)
    if os.path.exists(os.path.join(args.tls_dir, "server.pem")):
        return
    ec = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]
    run(args, ["openssl", "req", "-x509", *ec, "-keyout", "ca.key", "-out", "ca.pem",
               "-days", "2", "-subj", "/CN=Update Test CA",
               "-addext", "basicConstraints=critical,CA:TRUE",
               "-addext", "keyUsage=critical,keyCertSign,cRLSign"])
    run(args, ["openssl", "req", *ec, "-keyout", "server.key", "-out", "server.csr",
               "-subj", "/CN=127.0.0.1"])
    with open(os.path.join(args.tls_dir, "server.ext"), "w") as f:
        f.write("subjectAltName=IP:127.0.0.1,DNS:localhost\n"
                "basicConstraints=CA:FALSE\n"
                "keyUsage=critical,digitalSignature\n"
                "extendedKeyUsage=serverAuth\n")
    run(args, ["openssl", "x509", "-req", "-in", "server.csr", "-CA", "ca.pem",
               "-CAkey", "ca.key", "-CAcreateserial", "-days", "2",
               "-extfile", "server.ext", "-out", "server.pem"])


def serve(server):
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    return thread


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--dir", help="directory served under /files/")
    parser.add_argument("--tls-dir", help="make a CA and certificate here and serve https")
    parser.add_argument("--request-log", help="append the path of every GET to this file")
    args = parser.parse_args()

    servers = []
    http = Server(("127.0.0.1", 0), Handler)
    http.files_dir = args.dir
    http.request_log = args.request_log
    servers.append(http)
    ports = {"http": http.server_address[1]}
    if args.tls_dir:
        make_certificates(args)
        context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(os.path.join(args.tls_dir, "server.pem"),
                                os.path.join(args.tls_dir, "server.key"))
        https = Server(("127.0.0.1", 0), Handler)
        https.files_dir = args.dir
        https.request_log = args.request_log
        https.ssl_context = context
        servers.append(https)
        ports["https"] = https.server_address[1]

    stop = threading.Event()
    signal.signal(signal.SIGTERM, lambda *_: stop.set())
    signal.signal(signal.SIGINT, lambda *_: stop.set())
    for server in servers:
        serve(server)

    temporary = args.port_file + ".tmp"
    with open(temporary, "w") as f:
        json.dump(ports, f)
    os.replace(temporary, args.port_file)
    print(json.dumps(ports), flush=True)

    while not stop.wait(0.5):
        pass
    for server in servers:
        server.shutdown()
        server.server_close()


if __name__ == "__main__":
    main()
