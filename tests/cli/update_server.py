#!/usr/bin/env python3
"""A small HTTP server for the update tests, on 127.0.0.1 and a free port.

usage: update_server.py ROOT [LOG]

Prints the port on the first line of standard output, then serves the files
under ROOT until it is terminated. Besides plain files:
  /redirect/PATH   answers 302 with Location /PATH
  /cut/N/PATH      announces PATH's full length, sends N bytes and closes
Every request path is appended to LOG when given.
"""
import http.server
import os
import sys


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, format, *args):  # keep the test output clean
        pass

    def do_GET(self):
        if LOG:
            with open(LOG, "a") as log:
                log.write(self.path + "\n")
        if self.path.startswith("/redirect/"):
            self.send_response(302)
            self.send_header("Location", self.path[len("/redirect"):])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if self.path.startswith("/cut/"):
            _, _, count, name = self.path.split("/", 3)
            with open(os.path.join(ROOT, name), "rb") as f:
                data = f.read()
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[: int(count)])
            self.wfile.flush()
            self.close_connection = True
            return
        super().do_GET()


ROOT = sys.argv[1]
LOG = sys.argv[2] if len(sys.argv) > 2 else None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
print(server.server_address[1], flush=True)
server.serve_forever()
