#!/usr/bin/env python3
"""Runs the WebAssembly engines as Web Workers in a real browser (Debian's
chromium, headless): a small page (wasm/test/worker-check.html) served on
127.0.0.1 drives a UCI session and an XBoard move in the Worker and posts its
results back here. Twice: with the two cross-origin isolation headers (the
loader picks the threaded engine) and without them (the single-threaded one).

    python3 tools/wasm-browser-check.py [build/wasm]
"""
import http.server
import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
ENGINE_DIR = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build/wasm"))
CHECK_DIR = os.path.join(ROOT, "wasm/test")
TYPES = {".html": "text/html", ".js": "text/javascript", ".mjs": "text/javascript", ".wasm": "application/wasm"}


def serve(isolated, reports):
    class Handler(http.server.BaseHTTPRequestHandler):
        def log_message(self, *args):
            pass

        def headers_out(self, status, kind, length):
            self.send_response(status)
            self.send_header("Content-Type", kind)
            self.send_header("Content-Length", str(length))
            self.send_header("Cache-Control", "no-store")
            if isolated:
                self.send_header("Cross-Origin-Opener-Policy", "same-origin")
                self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
            self.end_headers()

        def do_GET(self):
            path = self.path.split("?")[0]
            folders = {"/engine/": ENGINE_DIR, "/check/": CHECK_DIR}
            file = None
            if path == "/broken/quillon.js":  # the engine without its .wasm
                file = os.path.join(ENGINE_DIR, "quillon.js")
            for prefix, folder in folders.items():
                name = path[len(prefix):]
                if path.startswith(prefix) and "/" not in name and not name.startswith("."):
                    file = os.path.join(folder, name)
            if not file or not os.path.isfile(file):
                self.headers_out(404, "text/plain", 0)
                return
            with open(file, "rb") as f:
                body = f.read()
            self.headers_out(200, TYPES.get(os.path.splitext(file)[1], "application/octet-stream"), len(body))
            self.wfile.write(body)

        def do_POST(self):
            body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
            self.headers_out(204, "text/plain", 0)
            reports.append(json.loads(body))

    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def run(isolated):
    reports = []
    server = serve(isolated, reports)
    profile = tempfile.mkdtemp(prefix="quillon-chromium-")
    url = f"http://127.0.0.1:{server.server_address[1]}/check/worker-check.html?threads={1 if isolated else 0}"
    browser = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         f"--user-data-dir={profile}", url], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(1800):  # three minutes at most
            if reports or browser.poll() is not None:
                break
            threading.Event().wait(0.1)
    finally:
        browser.kill()
        browser.wait()
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)
    label = "threaded, isolated page" if isolated else "single-threaded, plain page"
    if not reports:
        print(f"FAIL {label}: the page reported nothing")
        return 1
    failed = 0
    for result in reports[0]:
        print(f"{'ok  ' if result['ok'] else 'FAIL'} {label}: {result['name']} {result['detail']}")
        failed += not result["ok"]
    return failed


if shutil.which("chromium") is None:
    sys.exit("chromium is not installed (make wasm-deps installs it)")
failures = run(True) + run(False)
print("wasm-browser-check: all passed" if failures == 0 else f"wasm-browser-check: {failures} failed")
sys.exit(1 if failures else 0)
