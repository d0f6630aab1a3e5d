"""Serves the demo's packs from a directory on 127.0.0.1, at a limited rate, so that the
download can be watched. Usage: slow_server.py DIR PORT BYTES_PER_SECOND"""

import os
import sys
import time
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PIECE = 16 * 1024


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def do_GET(self):
        name = os.path.basename(self.path.split("?", 1)[0])
        path = os.path.join(self.server.directory, name)
        if not name or not os.path.isfile(path):
            body = b"<html><body>Not Found</body></html>\n"
            self.send_response(404)
            self.send_header("Content-Type", "text/html")
            self.send_header("Content-Length", str(len(body)))
            self.end_headers()
            self.wfile.write(body)
            return
        with open(path, "rb") as f:
            data = f.read()
        self.send_response(200)
        self.send_header("Content-Type", "application/octet-stream")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        for start in range(0, len(data), PIECE):
            self.wfile.write(data[start:start + PIECE])
            self.wfile.flush()
            time.sleep(PIECE / self.server.rate)


def main(directory, port, rate):
    server = ThreadingHTTPServer(("127.0.0.1", int(port)), Handler)
    server.directory = directory
    server.rate = float(rate)
    server.serve_forever()


if __name__ == "__main__":
    main(*sys.argv[1:4])
