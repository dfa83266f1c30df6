#!/usr/bin/env python3
"""The shared page in a real browser: Debian's chromium, headless, driven over its DevTools pipe,
against `glimmark --simulate --serve` over a log of two takes with long comments. Checks that
the takes the simulated interface logs appear as rows within a second of being in the log, that
the thumbnails load and the search narrows the rows, that a phone's screen shows every comment
and duration without sideways scrolling, and that pages come back after 300 event streams that
never read; leaves screenshots beside the build.

    browser_check.py GLIMMARK SCREENSHOT.png [GLIMMARK_CLI]    (exit 77: no chromium here)
"""

import base64
import json
import os
import plistlib
import shutil
import socket
import subprocess
import sys
import tempfile
import time
import urllib.parse
import urllib.request


class Browser:
    def __init__(self, chromium):
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()
        # Chromium reads commands from fd 3 and writes answers to fd 4.
        def fds():
            read, write = os.dup(to_chrome_r), os.dup(from_chrome_w)
            os.dup2(read, 3)
            os.dup2(write, 4)
        self.process = subprocess.Popen(
            [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--remote-debugging-pipe",
             "--window-size=1100,700", "--user-data-dir=" + tempfile.mkdtemp(prefix="glimmark-chr-"),
             "about:blank"],
            preexec_fn=fds, pass_fds=(3, 4),
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.next_id = 0
        self.buffer = b""

    def call(self, method, session=None, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        os.write(self.to_chrome, json.dumps(message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                chunk = os.read(self.from_chrome, 1 << 20)
                if not chunk:
                    raise RuntimeError("chromium went away")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\0", 1)
            answer = json.loads(raw)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise RuntimeError(f"{method}: {answer['error']}")
                return answer["result"]

    def close(self):
        self.process.kill()
        self.process.wait()


def main():
    glimmark, screenshot = sys.argv[1], sys.argv[2]
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("no chromium installed: the browser check is skipped")
        return 77
    home = tempfile.mkdtemp(prefix="glimmark-browser-")
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=home + "/config",
               XDG_STATE_HOME=home + "/state")
    day = os.path.join(home, "day.vlg")
    values = ["Glimmark", "1.0", "", "", "32", "", "", "", "", ""]
    for n, comment in ((1, "Wide, the boom dips into frame at the end " * 4), (2, "A" * 300)):
        values += [str(n), f"10:00:0{n}:00", f"10:00:0{n + 2}:10", "", "09:00:00", comment, "",
                   "01.01.2026", "", b""]
    with open(day, "wb") as f:
        plistlib.dump(values, f)
    program = subprocess.Popen([glimmark, "--simulate", "--serve", "127.0.0.1:0", day],
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env, text=True)
    browser = None
    try:
        url = program.stdout.readline().strip()
        assert url.startswith("http://127.0.0.1:"), url
        browser = Browser(chromium)

        def opened(address=url):
            target = browser.call("Target.createTarget", url=address)["targetId"]
            return browser.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]

        def evaluate(session, expression):
            result = browser.call("Runtime.evaluate", session, expression=expression,
                                  returnByValue=True)
            return result["result"].get("value")

        session = opened()
        page = lambda expression: evaluate(session, expression)

        def log_keys():
            with urllib.request.urlopen(url + "log.json", timeout=5) as answer:
                return [t["key"] for t in json.load(answer)["takes"]]

        # Once the page is up, every take in the log is a row within a second of being there.
        started = time.monotonic()
        while page("document.getElementById('link').textContent") != "live":
            assert time.monotonic() - started < 20, "the page never opened its event stream"
            time.sleep(0.1)
        time.sleep(1)
        seen_in_log = {}
        late = []
        deadline = time.monotonic() + 14
        while time.monotonic() < deadline:
            now = time.monotonic()
            for key in log_keys():
                seen_in_log.setdefault(key, now)
            rows = set(page("Array.from(document.querySelectorAll('#rows tr'))"
                            ".map(r => Number(r.dataset.key))") or [])
            for key, since in seen_in_log.items():
                if key not in rows and now - since > 1.0:
                    late.append(key)
            time.sleep(0.2)
        assert len(seen_in_log) >= 2, f"the simulated interface logged {len(seen_in_log)} takes"
        assert not late, f"takes not shown within a second: {sorted(set(late))}"

        first = page("document.querySelector('#rows tr').cells[1].textContent")
        # The newest take in the log is the first row (another may have come meanwhile).
        deadline = time.monotonic() + 2
        while page("document.querySelector('#rows tr').dataset.key") != str(max(log_keys())):
            assert time.monotonic() < deadline, "the newest take is not the first row"
            time.sleep(0.1)
        loaded = page("Array.from(document.querySelectorAll('#rows img'))"
                      ".filter(i => i.complete && i.naturalWidth > 0).length")
        assert loaded >= 1, "no thumbnail loaded"

        # The search narrows the rows to those that hold the text.
        when = page("document.querySelector('#rows tr').cells[5].textContent")
        shown = page(f"""(() => {{
            const s = document.getElementById('search');
            s.value = {json.dumps(when)};
            s.dispatchEvent(new Event('input'));
            return Array.from(document.querySelectorAll('#rows tr')).filter(r => !r.hidden)
                .map(r => r.cells[5].textContent);
        }})()""")
        total = page("document.querySelectorAll('#rows tr').length")
        assert shown == [when] and total > 1, f"search {when!r}: {shown} of {total} rows"
        page("(() => { const s = document.getElementById('search'); s.value = '';"
             " s.dispatchEvent(new Event('input')); })()")

        timecode = page("document.getElementById('timecode').textContent")
        assert timecode.count(":") == 3 and timecode != "--:--:--:--", timecode
        shot = browser.call("Page.captureScreenshot", session, format="png")["data"]
        with open(screenshot, "wb") as f:
            f.write(base64.b64decode(shot))

        # A phone and a laptop: nothing wider than the screen, every comment on it, and the
        # duration of every take with a stop; in the live page, and in the report of the day.
        pages = [("live page", session, "#rows tr")]
        if len(sys.argv) > 3:
            report = os.path.join(home, "day.html")
            subprocess.run([sys.argv[3], "export", "--format", "html", day, report], check=True)
            pages.append(("report", opened("file://" + report), "tbody tr"))
        for width, height, mobile in ((390, 844, True), (1280, 800, False)):
            for name, where, rows in pages:
                browser.call("Emulation.setDeviceMetricsOverride", where, width=width,
                             height=height, deviceScaleFactor=1, mobile=mobile)
                time.sleep(0.5)
                fit = evaluate(where, f"""(() => {{
                    const rows = Array.from(document.querySelectorAll('{rows}'));
                    const comments = Array.from(document.querySelectorAll('td.comment'))
                        .filter(c => c.textContent);
                    return {{width: document.documentElement.scrollWidth,
                        comments: comments.length,
                        off: comments.filter(c => {{ const b = c.getBoundingClientRect();
                            return b.width === 0 || b.left < 0 || b.right > {width}; }}).length,
                        undurated: rows.filter(r => r.cells[3].textContent &&
                            !/^\\d\\d:\\d\\d:\\d\\d$/.test(r.cells[4].textContent)).length}};
                }})()""")
                assert fit["width"] <= width and fit["comments"] >= 2 and not fit["off"] \
                    and not fit["undurated"], f"the {name} at {width} wide: {fit}"
                if mobile:
                    shot = browser.call("Page.captureScreenshot", where, format="png")["data"]
                    with open(screenshot.replace(".png", f"-{name[:4]}-phone.png"), "wb") as f:
                        f.write(base64.b64decode(shot))

        # 300 event streams that never read: the page that was open and one opened meanwhile
        # show the takes logged after them within ten seconds.
        address = urllib.parse.urlsplit(url)
        attack = []
        for _ in range(300):
            stream = socket.create_connection((address.hostname, address.port))
            stream.sendall(f"GET {address.path}events HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n".encode())
            attack.append(stream)
        second = opened()
        time.sleep(3)
        for stream in attack:
            stream.close()
        before = max(log_keys())
        deadline = time.monotonic() + 10
        while True:
            tops = [evaluate(s, "Number((document.querySelector('#rows tr') || {dataset: {}})"
                                ".dataset.key) || 0")
                    for s in (session, second)]
            if all(top > before for top in tops):
                break
            assert time.monotonic() < deadline, f"after the attack the pages show {tops}, not {before}"
            time.sleep(0.2)
        print(f"{len(seen_in_log)} takes shown, newest first (take {first}), {loaded} thumbnails "
              f"loaded, search narrowed {total} rows to 1, timecode {timecode}, fits 390 and 1280 "
              f"pixels, both pages back after 300 streams; screenshot {screenshot}")
        return 0
    finally:
        if browser:
            browser.close()
        program.terminate()
        program.wait()


if __name__ == "__main__":
    sys.exit(main())
