#!/usr/bin/env python3
"""browse.py URL USER:PASSWORD STEP...: headless Chromium opens URL, logged
in with basic authentication, and does the steps in order, driven through
its DevTools protocol on a pipe (no network port, nothing but the standard
library). The steps:

  print EXPR          print the value of a JavaScript expression
  click SELECTOR      press the element (a button: its form is submitted)
  wait EXPR SECONDS   wait until the expression is true, as the page goes on
                      by itself (nothing is reloaded by hand); status 1 if not
  screenshot FILE     a PNG of the page as it is

For example: browse.py http://127.0.0.1:8080/cgi-bin/setup/ root:pw
  click 'button[value=disconnect]' wait '$("#link") == "down"' 30
where $("#id") is short for the text of that element.
"""
import base64
import fcntl
import json
import os
import signal
import subprocess
import sys
import tempfile
import time

PRELUDE = "var $ = s => (document.querySelector(s) || {}).textContent; "


class Chromium:
    def __init__(self):
        to_browser, self.out = os.pipe()
        self.inp, from_browser = os.pipe()
        # Out of the way of 3 and 4 first, which either may be.
        for end in (to_browser, from_browser):
            high = fcntl.fcntl(end, fcntl.F_DUPFD_CLOEXEC, 10)
            os.close(end)
            if end == to_browser:
                to_browser = high
            else:
                from_browser = high

        def pipes():  # the protocol's pipe is fds 3 (commands) and 4 (replies)
            os.dup2(to_browser, 3)
            os.dup2(from_browser, 4)

        self.profile = tempfile.TemporaryDirectory()
        self.proc = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--window-size=900,1000", "--remote-debugging-pipe",
             "--user-data-dir=" + self.profile.name, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            close_fds=False, preexec_fn=pipes, start_new_session=True)
        os.close(to_browser)
        os.close(from_browser)
        self.buffer = b""
        self.next_id = 0
        self.session = None

    def message(self):
        while b"\0" not in self.buffer:
            chunk = os.read(self.inp, 65536)
            if not chunk:
                raise RuntimeError("chromium ended")
            self.buffer += chunk
        text, self.buffer = self.buffer.split(b"\0", 1)
        return json.loads(text)

    def call(self, method, **params):
        self.next_id += 1
        request = {"id": self.next_id, "method": method, "params": params}
        if self.session:
            request["sessionId"] = self.session
        os.write(self.out, json.dumps(request).encode() + b"\0")
        while True:
            reply = self.message()
            if reply.get("id") == self.next_id:
                if "error" in reply:
                    raise RuntimeError(f"{method}: {reply['error'].get('message')}")
                return reply["result"]

    def value(self, expression):
        """The expression's value, or None while the page is being replaced."""
        try:
            result = self.call("Runtime.evaluate", expression=PRELUDE + expression, returnByValue=True)
        except RuntimeError:
            return None
        return result.get("result", {}).get("value")

    def close(self):
        # The browser's helpers write into the profile until they are gone:
        # end the whole group, then remove the profile once they have.
        os.killpg(self.proc.pid, signal.SIGKILL)
        self.proc.wait()
        for _ in range(50):
            try:
                self.profile.cleanup()
                return
            except OSError:
                time.sleep(0.1)
        self.profile.cleanup()


def until(limit, check):
    end = time.monotonic() + limit
    while time.monotonic() < end:
        if check():
            return True
        time.sleep(0.2)
    return False


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    url, login, steps = argv[1], argv[2], argv[3:]
    browser = Chromium()
    try:
        page = next(t for t in browser.call("Target.getTargets")["targetInfos"] if t["type"] == "page")
        browser.session = browser.call("Target.attachToTarget", targetId=page["targetId"], flatten=True)["sessionId"]
        browser.call("Network.enable")
        browser.call("Network.setExtraHTTPHeaders",
                     headers={"Authorization": "Basic " + base64.b64encode(login.encode()).decode()})
        browser.call("Page.navigate", url=url)
        # (about:blank, the page before, is complete at once)
        loaded = "document.readyState == 'complete' && location.href != 'about:blank'"
        if not until(30, lambda: browser.value(loaded) is True):
            sys.exit(f"browse.py: {url} did not load in 30 s")
        while steps:
            step = steps.pop(0)
            if step == "print":
                print(browser.value(steps.pop(0)))
            elif step == "click":
                selector = steps.pop(0)
                if not browser.value(f"(e => e ? (e.click(), true) : false)(document.querySelector({json.dumps(selector)}))"):
                    sys.exit(f"browse.py: nothing to press at {selector}")
            elif step == "wait":
                expression, limit = steps.pop(0), float(steps.pop(0))
                if not until(limit, lambda: browser.value(expression) is True):
                    print(f"browse.py: not so after {limit:g} s: {expression}; the page: "
                          f"{browser.value('location.href')}", file=sys.stderr)
                    return 1
            elif step == "screenshot":
                shot = browser.call("Page.captureScreenshot", format="png")
                with open(steps.pop(0), "wb") as f:
                    f.write(base64.b64decode(shot["data"]))
            else:
                sys.exit(f"browse.py: unknown step {step}")
        return 0
    finally:
        browser.close()


if __name__ == "__main__":
    sys.exit(main(sys.argv))
