#!/usr/bin/env python3
"""Serves the browser page (build/web/ by default) over HTTP for play and tests.

With --isolate every answer carries the two headers that make the page
cross-origin isolated (Cross-Origin-Opener-Policy: same-origin and
Cross-Origin-Embedder-Policy: require-corp), which the threaded engine needs
for its shared memory; without them the page runs the single-threaded engine,
as it would on a plain static host. Only Python's standard library is used.

The first line written to standard output names the address served, so a
test that asks for port 0 learns the port the system chose.
"""

import argparse
import functools
import http.server
import sys

ISOLATION_HEADERS = (
    ("Cross-Origin-Opener-Policy", "same-origin"),
    ("Cross-Origin-Embedder-Policy", "require-corp"),
)


class PageHandler(http.server.SimpleHTTPRequestHandler):
    # The engine's files need exact types: browsers compile WebAssembly
    # streamed only as application/wasm, and refuse modules and workers
    # served as anything but JavaScript.
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".wasm": "application/wasm",
        ".js": "text/javascript",
        ".mjs": "text/javascript",
        ".css": "text/css",
        ".svg": "image/svg+xml",
        ".png": "image/png",
        ".json": "application/json",
        ".html": "text/html",
    }
    isolate = False
    quiet = False

    def end_headers(self):
        if self.isolate:
            for name, value in ISOLATION_HEADERS:
                self.send_header(name, value)
        # Every build replaces the files: never let a browser keep an old engine.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        if not self.quiet:
            super().log_message(format, *args)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--dir", default="build/web", help="folder to serve (default build/web)")
    parser.add_argument("--bind", default="127.0.0.1", help="address to listen on (default 127.0.0.1)")
    parser.add_argument("--port", type=int, default=8000, help="port, 0 for any free one (default 8000)")
    parser.add_argument("--isolate", action="store_true",
                        help="send the cross-origin isolation headers (threaded engine)")
    parser.add_argument("--quiet", action="store_true", help="do not log each request")
    args = parser.parse_args()

    handler = functools.partial(
        type("Handler", (PageHandler,), {"isolate": args.isolate, "quiet": args.quiet}),
        directory=args.dir)
    with http.server.ThreadingHTTPServer((args.bind, args.port), handler) as server:
        host, port = server.server_address[:2]
        shown = "localhost" if host == "127.0.0.1" else host
        mode = "cross-origin isolated" if args.isolate else "without isolation headers"
        print(f"Serving {args.dir} on http://{shown}:{port}/ ({mode})", flush=True)
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass
    return 0


if __name__ == "__main__":
    sys.exit(main())
