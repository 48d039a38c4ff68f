#!/usr/bin/env python3
"""A small HTTP server for the update tests, on 127.0.0.1 and a free port.

usage: update_server.py [--tls CERT KEY] ROOT [LOG]

Prints the port on the first line of standard output, then serves the files
under ROOT until it is terminated, over HTTPS with the certificate chain in
the PEM file CERT and its key in KEY when --tls is given. Besides plain files:
  /redirect/PATH   answers 302 with Location /PATH
  /cut/N/PATH      announces PATH's full length, sends N bytes and closes
A request for an absolute URL, as a client sends it to a proxy, is served
by its path: the server is its own proxy.
Every request path (an absolute URL as it came) is appended to LOG when given.
"""
import http.server
import os
import ssl
import sys
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def __init__(self, *args, **kwargs):
        super().__init__(*args, directory=ROOT, **kwargs)

    def log_message(self, format, *args):  # keep the test output clean
        pass

    def do_GET(self):
        if LOG:
            with open(LOG, "a") as log:
                log.write(self.path + "\n")
        if self.path.startswith("http://"):
            self.path = urllib.parse.urlsplit(self.path).path
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


args = sys.argv[1:]
TLS = None
if args[:1] == ["--tls"]:
    TLS, args = args[1:3], args[3:]
ROOT = args[0]
LOG = args[1] if len(args) > 1 else None
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
if TLS:
    context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    context.load_cert_chain(TLS[0], TLS[1])
    server.socket = context.wrap_socket(server.socket, server_side=True)
print(server.server_address[1], flush=True)
server.serve_forever()
