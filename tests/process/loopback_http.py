"""An HTTP server of the tests' own on 127.0.0.1 for the runtime download. Wine sends even
127.0.0.1 through a proxy named in the environment or the prefix's registry: both are cleared."""
import contextlib
import http.server
import threading

from harness import reg

NO_PROXY = {name: None for name in ("http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy")}
INTERNET_SETTINGS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings"


def clear_prefix_proxy(prefix_env: dict) -> None:
    for value in ("ProxyServer", "AutoConfigURL"):
        reg("delete", INTERNET_SETTINGS, "/v", value, "/f", env=prefix_env)
    reg("add", INTERNET_SETTINGS, "/v", "ProxyEnable", "/t", "REG_DWORD", "/d", "0", "/f", env=prefix_env)


class Scripted(http.server.BaseHTTPRequestHandler):
    """GET /NAME answers the next step of scripts[NAME] (the last repeats): ("body", data),
    ("nolength", data), ("status", code), ("redirect", path), ("early", data, length); hanging until
    the test ends: ("silent",), ("stall", data, length), ("trickle", length) a byte every 3 s."""
    scripts, requests = {}, {}
    ended = threading.Event()

    def do_GET(self):
        name = self.path.lstrip("/")
        count = self.requests.get(name, 0)
        self.requests[name] = count + 1
        script = self.scripts[name]
        step = script[min(count, len(script) - 1)]
        kind = step[0]
        if kind in ("silent", "stall", "trickle"):
            self.hang(step)
            return
        if kind == "redirect":
            self.send_response(302)
            self.send_header("Location", step[1])
            self.send_header("Content-Length", "0")
            self.end_headers()
            return
        if kind == "status":
            self.send_response(step[1])
            self.send_header("Content-Length", "8")
            self.end_headers()
            self.wfile.write(b"notfound")
            return
        self.send_response(200)
        if kind != "nolength":
            self.send_header("Content-Length", str(step[2] if kind == "early" else len(step[1])))
        self.end_headers()
        self.wfile.write(step[1])

    def hang(self, step):
        kind = step[0]
        try:
            if kind != "silent":
                self.send_response(200)
                self.send_header("Content-Length", str(step[-1]))
                self.end_headers()
                self.wfile.write(step[1] if kind == "stall" else b"")
                self.wfile.flush()
            while not self.ended.wait(3):
                if kind == "trickle":
                    self.wfile.write(b"t")
                    self.wfile.flush()
        except OSError:
            pass  # the client has gone

    def log_message(self, *args):
        pass


@contextlib.contextmanager
def serve():
    """Yields the address and the handler class, whose scripts the test fills."""
    Scripted.scripts, Scripted.requests, Scripted.ended = {}, {}, threading.Event()
    httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Scripted)
    thread = threading.Thread(target=httpd.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{httpd.server_address[1]}", Scripted
    finally:
        Scripted.ended.set()
        httpd.shutdown()
        httpd.server_close()
