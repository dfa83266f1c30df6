#!/usr/bin/env python3
"""The program driven from outside as its users meet it, with one harness for every check:

    drive.py window GLIMMARK [--keep DIR]       the log window on a virtual display of its own,
                                                driven with xdotool, read through AT-SPI
    drive.py browser GLIMMARK SHOT.png [CLI]    the shared page in headless chromium, and the
                                                report CLI writes
    drive.py handover LOG.vlg RATE REEL REEL8 (FORMAT FILE)...
                                                the hand-over files read with readers of its
                                                own, every value compared with the project
                                                file; prints each mismatch

Exit status 0 when every check held, 1 when one failed (with what was seen), 77 when a tool it
needs is not installed.
"""

import base64
import csv
import io
import json
import os
import plistlib
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.request
from html.parser import HTMLParser

# Every wait is a poll with a deadline: on a loaded machine a step takes longer, never forever.
DEADLINE = float(os.environ.get("GLIMMARK_WINDOW_DEADLINE", "20"))


class CheckFailed(Exception):
    pass


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(77)


def waitFor(what, probe, deadline=DEADLINE, interval=0.05):
    """Polls probe() until it answers something true (or (True, what it saw)) and returns it;
    fails at the deadline with the last thing seen. An exception counts as a look."""
    end = time.monotonic() + deadline
    while True:
        try:
            answer = probe()
            ok, seen = answer if isinstance(answer, tuple) else (answer, answer)
        except Exception as e:
            ok, seen = False, f"({type(e).__name__}: {e})"
        if ok:
            return seen
        if time.monotonic() > end:
            raise CheckFailed(f"{what}: not within {deadline:.0f} s; last seen: {seen!r}")
        time.sleep(interval)


class Session:
    """Processes in sessions of their own and a work folder, all gone at close()."""

    def __init__(self, work, **env):
        self.work, self.processes, self.env = work, [], dict(os.environ, **env)

    def start(self, what, args, **kw):
        if "stdout" not in kw:
            kw.update(stdout=open(os.path.join(self.work, what + ".log"), "wb"),
                      stderr=subprocess.STDOUT)
        p = subprocess.Popen(args, env=self.env, start_new_session=True,
                             stdin=subprocess.DEVNULL, **kw)
        self.processes.append(p)
        return p

    def readLine(self, fd, what):
        end, data = time.monotonic() + DEADLINE, b""
        while b"\n" not in data:
            if not select.select([fd], [], [], max(0, end - time.monotonic()))[0]:
                raise CheckFailed(f"{what} did not start")
            chunk = os.read(fd, 256)
            if not chunk:
                raise CheckFailed(f"{what} ended at start")
            data += chunk
        return data.decode().strip()

    def said(self):
        log = os.path.join(self.work, "glimmark.log")
        return open(log, errors="replace").read() if os.path.exists(log) else ""

    def run(self, args, check=True):
        done = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise CheckFailed(f"{' '.join(args)}: {done.stderr.strip()}")
        return done.stdout

    def close(self):
        # Asked first, so that the X server takes its lock file and socket along; then told.
        for p in reversed(self.processes):
            for sig in (signal.SIGTERM, signal.SIGKILL):
                if p.poll() is not None:
                    break
                try:
                    os.killpg(p.pid, sig)
                    p.wait(timeout=3)
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    pass
            p.wait()


# --- the log window -------------------------------------------------------------------------

def children(node):
    return map(node.get_child_at_index, range(node.get_child_count()))


class Desktop:
    """A display with a window manager and the accessibility bus, the program on it; xdotool
    for windows, keys and the mouse, AT-SPI for the widgets."""

    def __init__(self, s, glimmark):
        for tool in ("Xvfb", "xdotool", "openbox", "xprop", "dbus-daemon", "dbus-send"):
            if shutil.which(tool) is None:
                skip(f"{tool} is not installed (scripts/setup.sh --deps installs it)")
        launcher = next((p for p in ("/usr/libexec/at-spi-bus-launcher",
                                     "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                         if os.access(p, os.X_OK)), None) or skip("at-spi2-core is not installed")
        try:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
        except (ImportError, ValueError) as e:
            skip(f"no AT-SPI bindings for {sys.executable} ({e}): python3-gi, gir1.2-atspi-2.0")
        self.s, self.Atspi, self.app = s, Atspi, None
        r, w = os.pipe()
        # -noreset: else the server restarts when its last client leaves, turning the next away.
        s.start("xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", "1600x1000x24",
                         "-nolisten", "tcp", "-noreset"], pass_fds=(w,))
        os.close(w)
        s.env["DISPLAY"] = ":" + s.readLine(r, "Xvfb")
        bus = s.start("dbus", ["dbus-daemon", "--session", "--nofork", "--print-address=1",
                               "--address=unix:tmpdir=" + s.work], stdout=subprocess.PIPE,
                      stderr=subprocess.DEVNULL)
        s.env["DBUS_SESSION_BUS_ADDRESS"] = s.readLine(bus.stdout.fileno(), "dbus-daemon")
        s.start("atspi", [launcher, "--launch-immediately"])
        waitFor("the accessibility bus", lambda: subprocess.run(
            ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
             "org.a11y.Bus.GetAddress"], env=s.env, capture_output=True).returncode == 0)
        s.start("openbox", ["openbox", "--sm-disable"])
        # A window manager announces itself on the root window.
        waitFor("openbox", lambda: "window id" in s.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False))
        home = os.path.join(s.work, "home")
        os.makedirs(home)
        os.makedirs(os.path.join(s.work, "runtime"), mode=0o700)
        s.env.update(HOME=home, XDG_CONFIG_HOME=home + "/.config",
                     XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
                     XDG_RUNTIME_DIR=os.path.join(s.work, "runtime"), QT_QPA_PLATFORM="xcb",
                     QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                     JACK_NO_START_SERVER="1", LC_ALL="C.UTF-8", LANG="C.UTF-8")
        s.env.pop("QT_QPA_PLATFORMTHEME", None)
        self.program = s.start("glimmark", [glimmark, "--simulate"], cwd=home)
        # The AT-SPI library finds the buses through these when first asked.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            os.environ[key] = s.env[key]
        Atspi.init()

    def xdo(self, *args, check=True):
        return self.s.run(["xdotool", *args], check=check).strip()

    def title(self, window):
        return self.xdo("getwindowname", window)

    def window(self, pattern):
        return waitFor(f"a window titled /{pattern}/", lambda: next(iter(self.xdo(
            "search", "--onlyvisible", "--name", pattern, check=False).split()), None))

    def activate(self, window):
        self.xdo("windowactivate", "--sync", window)
        waitFor("the window active", lambda: self.xdo("getactivewindow", check=False) == window)

    def key(self, window, *keys):
        self.activate(window)
        self.xdo("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdo("type", "--delay", "10", text)

    def click(self, window, node):
        self.activate(window)
        e = node.get_extents(self.Atspi.CoordType.SCREEN)
        if e.width <= 0 or e.height <= 0:
            raise CheckFailed(f"{node.get_role_name()} '{node.get_name()}' is not on screen")
        x, y = e.x + e.width // 2, e.y + e.height // 2
        # Not mousemove --sync: it waits forever when the pointer is there already.
        self.xdo("mousemove", str(x), str(y))
        waitFor(f"the pointer at {x},{y}",
                lambda: self.xdo("getmouselocation").startswith(f"x:{x} y:{y} "))
        self.xdo("click", "1")

    def frame(self, prefix):
        if self.app is None:
            self.app = waitFor("glimmark on the accessibility bus", lambda: next(
                (a for a in children(self.Atspi.get_desktop(0))
                 if a is not None and a.get_process_id() == self.program.pid), None))
            self.app.set_cache_mask(self.Atspi.Cache.NONE)
        self.app.clear_cache()
        for f in children(self.app):
            if f is not None and f.get_name().startswith(prefix):
                return f
        raise CheckFailed(f"no window '{prefix}…' in the accessibility tree")

    def find(self, root, role, name=None, description=None):
        """The first widget of that role (and name, or description) under root, not in tables."""
        todo = [root]
        while todo:
            node = todo.pop(0)
            if node is None:
                continue
            if (node.get_role_name() == role and name in (None, node.get_name())
                    and description in (None, node.get_description())):
                return node
            if node.get_role_name() != "table":
                todo.extend(children(node))
        raise CheckFailed(f"no {role} {name or description!r} under '{root.get_name()}'")

    def text(self, node):
        return self.Atspi.Text.get_text(node, 0, -1)


def logWindow(s, glimmark, say):
    """What only the real window shows: window-manager keys, clicks, the file dialog, the
    accessibility bridge, the simulated takes; the table's own behaviour is tests/qt's."""
    d = Desktop(s, glimmark)
    editor = d.window("^Glimmark Editor - ")
    capture = d.window("^Glimmark Capture Tool - ")
    d.key(editor, "ctrl+3")
    log = d.window("^Glimmark Log$")
    say("Ctrl+3 opened the log window")
    frame = d.frame("Glimmark Log")
    table = d.find(frame, "table")
    columns = [table.get_column_description(c) for c in range(table.get_n_columns())]
    number, start = columns.index("Number"), columns.index("Start")
    cell = lambda row, column: table.get_accessible_at(row, column)
    rows = table.get_n_rows
    numbers = lambda: [cell(r, number).get_name() for r in range(rows())]
    chosen = lambda: [cell(r, number).get_name() for r in table.get_selected_rows()]
    # Labels speak their text as their name; their descriptions say what they are.
    position = d.find(d.frame("Glimmark Editor"), "label",
                      description="Place of the record on show in the log").get_name
    search = d.find(frame, "text", name="Search")
    count = d.find(frame, "label", description="Records matching the search").get_name

    def followed(least, exact=False):
        shown = numbers()
        n = len(shown)
        ok = n >= least and not (exact and n > least) and chosen() == [str(n)] == shown[-1:] \
            and position() == f"Record {n} of {n}" and count() == f"{n} records"
        return ok, f"rows {shown}, chosen {chosen()}, editor '{position()}', count '{count()}'"

    waitFor("three takes, the newest chosen", lambda: followed(3), deadline=DEADLINE + 15)
    # That very take, not a later one: a Follow that skips every other take shows here.
    n = rows()
    say("takes come in, Follow chose each: " + waitFor("the next take chosen",
                                                       lambda: followed(n + 1, exact=True)))

    # Typed into the search, one record's start time narrows the rows to those that hold it.
    wanted = cell(1, start).get_name()
    d.click(log, search)
    d.type(wanted)

    def narrowed():
        texts = [" ".join(cell(r, c).get_name() for c in range(len(columns)))
                 for r in range(rows())]
        m = re.fullmatch(r"(\d+) of (\d+) match", count())
        ok = m and int(m[1]) == len(texts) < int(m[2]) and all(wanted in t for t in texts) \
            and "2" in numbers()
        return bool(ok), f"search '{d.text(search)}', rows {texts}, count '{count()}'"

    say("the search narrowed the rows: " + waitFor(f"the rows narrowed to '{wanted}'", narrowed))
    d.key(log, "ctrl+a", "BackSpace")
    waitFor("all rows back", lambda: count() == f"{rows()} records")
    d.click(log, cell(2, start))
    say("a click on row 3 moved the editor: " + waitFor("the editor at row 3", lambda: (
        position() == f"Record 3 of {rows()}" and chosen() == ["3"], position())))

    # A first save asks for a name; the file is written and both titles lose their mark.
    marked = lambda: all(d.title(w).endswith("*") for w in (editor, capture))
    waitFor("the unsaved mark on both titles", marked)
    saved = os.path.join(s.work, "day one")
    d.key(editor, "ctrl+s")
    dialog = d.window("^Save Log As$")
    d.key(dialog, "ctrl+a")
    d.type(saved)
    d.key(dialog, "Return")
    waitFor("the file written", lambda: os.path.exists(saved + ".vlg"))
    # Takes keep coming and may mark the log again at once: Ctrl+S again saves without asking.
    clean = lambda: [d.title(w) for w in (editor, capture)] == [
        "Glimmark Editor - day one", "Glimmark Capture Tool - day one"]
    for saves in range(1, 4):
        try:
            waitFor("the unsaved mark gone after the save", clean, deadline=5, interval=0.02)
            break
        except CheckFailed:
            if saves == 3:
                raise
            d.key(editor, "ctrl+s")
    with open(saved + ".vlg", "rb") as f:
        entries = plistlib.load(f)
    if len(entries) < 40 or entries[10] != "1":
        raise CheckFailed(f"the saved file holds {entries[:12]}")
    say(f"Ctrl+S saved {(len(entries) - 10) // 10} records as 'day one.vlg', marks cleared")
    if d.program.poll() is not None:
        raise CheckFailed(f"glimmark ended with status {d.program.returncode}")


# --- the shared page ------------------------------------------------------------------------

class Browser:
    """Headless chromium, its DevTools protocol over fds 3 and 4."""

    def __init__(self, s, chromium):
        to_chrome_r, self.to_chrome = os.pipe()
        self.from_chrome, from_chrome_w = os.pipe()
        def fds():
            os.dup2(os.dup(to_chrome_r), 3)
            os.dup2(os.dup(from_chrome_w), 4)
        s.start("chromium", [chromium, "--headless", "--no-sandbox", "--disable-gpu",
                             "--remote-debugging-pipe", "--window-size=1100,700",
                             "--user-data-dir=" + os.path.join(s.work, "chromium"),
                             "about:blank"], preexec_fn=fds, pass_fds=(3, 4))
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.next_id, self.buffer = 0, b""

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
                    raise CheckFailed("chromium went away")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\0", 1)
            answer = json.loads(raw)
            if answer.get("id") == self.next_id:
                if "error" in answer:
                    raise CheckFailed(f"{method}: {answer['error']}")
                return answer["result"]

    def open(self, url):
        target = self.call("Target.createTarget", url=url)["targetId"]
        return self.call("Target.attachToTarget", targetId=target, flatten=True)["sessionId"]

    def evaluate(self, session, expression):
        return self.call("Runtime.evaluate", session, expression=expression,
                         returnByValue=True)["result"].get("value")

    def shot(self, session, path):
        with open(path, "wb") as f:
            f.write(base64.b64decode(self.call("Page.captureScreenshot", session,
                                               format="png")["data"]))


def sharedPage(s, glimmark, screenshot, cli=None, say=print):
    """`glimmark --simulate --serve` over two takes with long comments, as the page shows it;
    streams that never read are tests/share's."""
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        skip("no chromium installed")
    s.env.update(QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=s.work + "/config",
                 XDG_STATE_HOME=s.work + "/state")
    # A demo that cannot play its timecode says which one and why, and ends.
    nowhere = dict(s.env, JACK_DEFAULT_SERVER=f"glimmark-none-{os.getpid()}",
                   JACK_NO_START_SERVER="1")
    said = subprocess.run([glimmark, "--simulate=ltc"], env=nowhere, capture_output=True,
                          text=True, timeout=30)
    if said.returncode != 1 or said.stderr.splitlines()[-1:] != [
            "glimmark: --simulate=ltc: no JACK server answers"]:  # after JACK's own lines
        raise CheckFailed(f"--simulate=ltc with no JACK: {said.returncode}, {said.stderr!r}")
    day = os.path.join(s.work, "day.vlg")
    values = ["Glimmark", "1.0", "", "", "32", "", "", "", "", ""]
    for n, comment in ((1, "Wide, the boom dips into frame at the end " * 4),
                       (2, "<i>soft</i> " + "A" * 300)):
        values += [str(n), f"10:00:0{n}:00", f"10:00:0{n + 2}:10", "", "09:00:00", comment, "",
                   "01.01.2026", "", b""]
    with open(day, "wb") as f:
        plistlib.dump(values, f)
    program = s.start("glimmark", [glimmark, "--simulate", "--serve", "127.0.0.1:0", day],
                      stdout=subprocess.PIPE,
                      stderr=open(os.path.join(s.work, "glimmark.log"), "wb"))
    url = s.readLine(program.stdout.fileno(), "glimmark --serve")
    if not url.startswith("http://127.0.0.1:"):
        raise CheckFailed(f"glimmark serves at {url!r}")
    browser = Browser(s, chromium)
    session = browser.open(url)
    page = lambda expression: browser.evaluate(session, expression)
    keys = "Array.from(document.querySelectorAll('#rows tr')).map(r => Number(r.dataset.key))"

    def logKeys():
        with urllib.request.urlopen(url + "log.json", timeout=5) as answer:
            return [t["key"] for t in json.load(answer)["takes"]]

    # Once the page is up, every take in the log is a row within a second of being there.
    waitFor("the page's event stream open",
            lambda: page("document.getElementById('link').textContent") == "live")
    time.sleep(1)
    seen_in_log, late = {}, set()
    deadline = time.monotonic() + 14
    while time.monotonic() < deadline:
        now = time.monotonic()
        for key in logKeys():
            seen_in_log.setdefault(key, now)
        rows = set(page(keys) or [])
        late |= {k for k, since in seen_in_log.items() if k not in rows and now - since > 1.0}
        time.sleep(0.2)
    if len(seen_in_log) < 2 or late:
        raise CheckFailed(f"{len(seen_in_log)} takes logged; not shown within a second: {late}")

    # Newest first; the log read on both sides of the page, as takes keep coming.
    def agreed():
        log, shown = logKeys(), page(keys)
        return log == logKeys() and shown == log[::-1], (log, shown)
    waitFor("the rows the log newest first", agreed, interval=0.1)
    # A comment that looks like markup is shown as it was typed.
    if not page("Array.from(document.querySelectorAll('td.comment')).some(c =>"
                " c.textContent.startsWith('<i>soft</i>') && !c.querySelector('i'))"):
        raise CheckFailed("a comment's markup was drawn instead of shown as typed")
    # The search narrows the rows to those that hold the text.
    when = page("document.querySelector('#rows tr').cells[5].textContent")
    search = "(t => { const s = document.getElementById('search'); s.value = t;" \
             " s.dispatchEvent(new Event('input')); return Array.from(" \
             "document.querySelectorAll('#rows tr')).filter(r => !r.hidden)" \
             ".map(r => r.cells[5].textContent); })"
    shown = page(f"{search}({json.dumps(when)})")
    total = page("document.querySelectorAll('#rows tr').length")
    if shown != [when] or total < 2:
        raise CheckFailed(f"search {when!r}: {shown} of {total} rows")
    page(f"{search}('')")
    # Pictures load after their rows, later still on a busy machine; the running timecode.
    waitFor("a thumbnail loaded", lambda: page("Array.from(document.querySelectorAll('#rows img'))"
                                               ".some(i => i.complete && i.naturalWidth > 0)"))
    waitFor("the page's timecode", lambda: re.fullmatch(r"\d\d:\d\d:\d\d[:;]\d\d", page(
        "document.getElementById('timecode').textContent")))
    browser.shot(session, screenshot)

    # On a phone and a laptop, live and in the day's report: nothing wider than the screen,
    # every comment on it, and the duration of every take with a stop.
    pages = [("live page", session, "#rows tr")]
    if cli:
        report = os.path.join(s.work, "day.html")
        subprocess.run([cli, "export", "--format", "html", day, report], check=True)
        opened = browser.open("file://" + report)  # loads after the call returns
        waitFor("the report loaded",
                lambda: browser.evaluate(opened, "document.readyState") == "complete")
        pages.append(("report", opened, "tbody tr"))
    for width, height, mobile in ((390, 844, True), (1280, 800, False)):
        for name, where, rows in pages:
            browser.call("Emulation.setDeviceMetricsOverride", where, width=width,
                         height=height, deviceScaleFactor=1, mobile=mobile)
            fit = browser.evaluate(where, f"""(() => {{
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
            if fit["width"] > width or fit["comments"] < 2 or fit["off"] or fit["undurated"]:
                raise CheckFailed(f"the {name} at {width} wide: {fit}")

    say(f"{len(seen_in_log)} takes shown, newest first, search narrowed {total} rows to 1, "
        f"fits 390 and 1280 pixels; screenshot {screenshot}")


# --- the hand-over files -------------------------------------------------------------------

# What the EDL may make of the non-ASCII text in the test logs.
ASCII_SPELLING = {"é": "e", "ü": "ue", "ß": "ss", "–": "-", "“": '"', "”": '"'}

problems = []


def expect(condition, message):
    if not condition:
        problems.append(message)


def rate_of(name):
    return {"24": (24, False), "25": (25, False), "29.97": (30, True), "30": (30, False)}[name]


def frames(label, fps, drop):
    """The frame a label names, or None; a label drop-frame skips names the next frame."""
    match = re.fullmatch(r"(\d\d)[:;](\d\d)[:;](\d\d)[:;](\d\d)", label or "")
    if not match:
        return None
    h, m, s, f = (int(x) for x in match.groups())
    if h > 23 or m > 59 or s > 59 or f >= fps:
        return None
    if not drop:
        return ((h * 60 + m) * 60 + s) * fps + f
    if s == 0 and m % 10 and f < 2:
        f = 2
    minutes = h * 60 + m
    return (minutes * 60 + s) * 30 + f - 2 * (minutes - minutes // 10)


def day(fps, drop):
    return frames("23:59:59:29", 30, True) + 1 if drop else 24 * 3600 * fps


def span(record, fps, drop):
    start = frames(record["start"], fps, drop)
    if start is None:
        return None
    stop = frames(record["stop"], fps, drop)
    length = (stop - start) % day(fps, drop) if stop is not None else 0
    return start, length or 1


def seconds_between(start, stop):
    if not all(re.fullmatch(r"\d\d:\d\d:\d\d:\d\d", t) for t in (start, stop)):
        return ""
    (h, m, s, f), (H, M, S, F) = ([int(x) for x in t.split(":")] for t in (start, stop))
    seconds = ((H - h) * 3600 + (M - m) * 60 + S - s - (F < f)) % (24 * 3600)
    return "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


def listed(r):
    """What every list shows of a record, in its order, the duration worked out."""
    return [r["number"], r["start"], r["stop"], seconds_between(r["start"], r["stop"]), r["tod"],
            r["date"]]


def output(*args):
    return subprocess.run(args, capture_output=True, check=True, text=True).stdout


def lines_of(text):
    return [line for line in re.split(r"\r\n|\r|\n", text) if line]


def spelled(text):
    return "".join(ASCII_SPELLING.get(c, c if ord(c) < 128 else "?") for c in text)


def check_edl(path, log):
    fps, drop = rate_of(log["rate"])
    data = open(path, "rb").read()
    expect(all(b < 128 for b in data), "EDL: a byte outside ASCII")
    expect(b"\n" not in data.replace(b"\r\n", b""), "EDL: a line not ended by CR LF")
    lines = data.decode("ascii", "replace").split("\r\n")
    expect(lines[0].startswith("TITLE: "), "EDL: no TITLE line")
    expect(lines[1] == ("FCM: DROP FRAME" if drop else "FCM: NON-DROP FRAME"), "EDL: FCM " + lines[1])
    events = []
    for line in lines[2:]:
        match = re.fullmatch(r"(\d{3,})\s+(\S+)\s+V\s+C\s+(\S+) (\S+) (\S+) (\S+)\s*", line)
        if match:
            events.append({"number": int(match.group(1)), "reel": match.group(2),
                           "tc": match.group(3, 4, 5, 6), "notes": []})
        elif line.startswith("* ") and events:
            events[-1]["notes"].append(line)
        elif line.strip():
            problems.append("EDL: a line no reader takes: " + line)
    timed = [r for r in log["records"] if span(r, fps, drop)]
    expect(len(events) == len(timed), "EDL: %d events for %d timed records" % (len(events), len(timed)))
    record_at = frames("01:00:00:00", fps, drop)
    for i, (event, record) in enumerate(zip(events, timed)):
        where = "EDL event %d: " % (i + 1)
        expect(event["number"] == i + 1, where + "numbered %d" % event["number"])
        expect(event["reel"] == log["reel8"], where + "reel " + event["reel"])
        for label in event["tc"]:
            expect((";" in label) == drop and (":" in label) != drop, where + "separators of " + label)
        start, length = span(record, fps, drop)
        expect([frames(t, fps, drop) for t in event["tc"]] == [
            start, (start + length) % day(fps, drop), record_at, record_at + length],
            where + "source and record in and out %r" % (event["tc"],))
        record_at += length
        notes = event["notes"]
        expect(notes[:1] == ["* FROM CLIP NAME: " + spelled(record["number"])], where + "clip name %r" % notes[:1])
        comments = [spelled(l) for l in lines_of(record["comment1"]) + lines_of(record["comment2"])]
        expect([n[len("* COMMENT: "):] for n in notes[1:1 + len(comments)]] == comments,
               where + "comments %r" % notes[1:])
        logged = notes[1 + len(comments):]
        expect(len(logged) == 1 and record["date"] in logged[0] and record["tod"] in logged[0],
               where + "time logged %r" % logged)


def check_csv(path, log):
    data = open(path, "rb").read()
    expect(data.startswith(b"\xef\xbb\xbf"), "CSV: no byte-order mark")
    rows = list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline="")))
    expect(rows[0] == ["Number", "Start", "Stop", "Duration", "Time of Day", "Date", "Comment 1",
                       "Comment 2", "Picture"], "CSV: header %r" % rows[0])
    expect(len(rows) == len(log["records"]) + 1, "CSV: %d rows" % len(rows))
    for i, (row, r) in enumerate(zip(rows[1:], log["records"])):
        picture = "%s_%d_%s.jpg" % (log["stem"], i + 1, r["number"]) if r["picture"] else ""
        wanted = listed(r) + [r["comment1"], r["comment2"], picture]
        expect(row == wanted, "CSV row %d: %r, not %r" % (i + 1, row, wanted))


def check_ale(path, log):
    fps, drop = rate_of(log["rate"])
    text = open(path, encoding="utf-8").read()
    head, rest = text.split("\nColumn\n", 1)
    heading = dict(line.split("\t", 1) for line in head.split("\n")[1:] if "\t" in line)
    expect(head.startswith("Heading\n"), "ALE: no Heading")
    fixed = {"FIELD_DELIM": "TABS", "FPS": log["rate"], "VIDEO_FORMAT": "1080"}
    expect({key: heading.get(key) for key in fixed} == fixed, "ALE: heading %r" % heading)
    columns_line, data = rest.split("\n\nData\n", 1)
    columns = columns_line.split("\t")
    rows = [dict(zip(columns, line.split("\t"))) for line in data.split("\n") if line]
    expect(all(len(line.split("\t")) == len(columns) for line in data.split("\n") if line), "ALE: ragged rows")
    expect(len(rows) == len(log["records"]), "ALE: %d rows" % len(rows))
    for i, (row, r) in enumerate(zip(rows, log["records"])):
        flat = lambda text: " ".join(re.split(r"\r\n|\r|\n", text))
        wanted = {"Name": r["number"], "Tracks": "V", "Tape": log["reel"], "Comment 1": flat(r["comment1"]),
                  "Comment 2": flat(r["comment2"]), "Time of Day": r["tod"], "Date": r["date"], "Duration": ""}
        got = {key: row.get(key) for key in wanted}
        if span(r, fps, drop):  # in frames
            start, length = span(r, fps, drop)
            wanted.update(Start=start, End=(start + length) % day(fps, drop), Duration=length)
            got.update({key: frames(row[key], fps, drop) for key in ("Start", "End", "Duration")})
        expect(got == wanted, "ALE row %d: %r, not %r" % (i + 1, got, wanted))


def check_pdf(path, log):
    text = output("pdftotext", path, "-")
    words = set(text.split())
    # In the order drawn, so a comment wrapped in its cell reads on; line breaks and blanks aside.
    squeezed = re.sub(r"\s+", "", output("pdftotext", "-raw", path, "-"))
    for i, r in enumerate(log["records"]):
        for value in listed(r):
            expect(value == "" or value in words, "PDF record %d: %r missing" % (i + 1, value))
        for comment in (r["comment1"], r["comment2"]):
            expect(re.sub(r"\s+", "", comment) in squeezed, "PDF record %d: %r missing" % (i + 1, comment))
    images = [line.split() for line in output("pdfimages", "-list", path).splitlines()[2:]]
    pictured = sum(1 for r in log["records"] if r["picture"])
    expect(sum(1 for row in images if row[2] == "image") == pictured,
           "PDF: %d images for %d pictures" % (len(images), pictured))
    pages = int(re.search(r"Pages:\s+(\d+)", output("pdfinfo", path)).group(1))
    expect("Page %d of %d" % (pages, pages) in text, "PDF: no page numbers")


class Report(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell, self.images, self.scripts = [], None, [], 0

    def handle_starttag(self, tag, attrs):
        if tag == "script":
            self.scripts += 1
        if tag == "tr" and dict(attrs).get("id"):
            self.rows.append([])
        if tag == "td" and self.rows:
            self.cell = ""
        if tag == "img":
            self.images.append((len(self.rows), dict(attrs).get("src", "")))

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        if self.cell is not None:
            self.cell += data


def jpeg_size(data):
    """Width and height from a baseline or progressive JPEG's frame header, or None."""
    if data[:2] != b"\xff\xd8" or data[-2:] != b"\xff\xd9":
        return None
    at = 2
    while at + 4 <= len(data):
        if data[at] != 0xFF:
            return None
        marker, length = data[at + 1], int.from_bytes(data[at + 2:at + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            return int.from_bytes(data[at + 7:at + 9], "big"), int.from_bytes(data[at + 5:at + 7], "big")
        at += 2 + length
    return None


def check_html(path, log):
    report = Report()
    report.feed(open(path, encoding="utf-8").read())
    expect(report.scripts == 0, "HTML: a script")
    expect(len(report.rows) == len(log["records"]), "HTML: %d rows" % len(report.rows))
    for i, (row, r) in enumerate(zip(report.rows, log["records"])):
        shown = listed(r)
        comments = [re.sub(r"\r\n?", "\n", r[c]) for c in ("comment1", "comment2")]
        wanted = [""] + shown[:4] + comments + shown[4:]
        expect(row == wanted, "HTML row %d: %r, not %r" % (i + 1, row, wanted))
    pictured = [i + 1 for i, r in enumerate(log["records"]) if r["picture"]]
    expect([row for row, _ in report.images] == pictured, "HTML: pictures in rows %r" % report.images)
    for row, src in report.images:
        prefix = "data:image/jpeg;base64,"
        size = jpeg_size(base64.b64decode(src[len(prefix):])) if src.startswith(prefix) else None
        expect(size is not None and 0 < size[0] <= 320 and 0 < size[1] <= 180,
               "HTML row %d: picture %r" % (row, size))


def load_log(path, rate, reel, reel8):
    """The records of a project file, ten values each after the header's ten."""
    with open(path, "rb") as f:
        values = plistlib.load(f)
    names = ["number", "start", "stop", "", "tod", "comment1", "comment2", "date", "", "picture"]
    records = [dict(zip(names, values[at:at + 10])) for at in range(10, len(values), 10)]
    for r in records:
        r["picture"] = len(r["picture"]) > 0
    stem = os.path.splitext(os.path.basename(path))[0]
    return {"rate": rate, "reel": reel, "reel8": reel8, "stem": stem, "records": records}


def main():
    if len(sys.argv) < 3 or sys.argv[1] not in ("window", "browser", "handover"):
        print(__doc__)
        return 2
    if sys.argv[1] == "handover":
        log = load_log(*sys.argv[2:6])
        checks = {"edl": check_edl, "csv": check_csv, "ale": check_ale, "pdf": check_pdf,
                  "html": check_html}
        for kind, path in zip(sys.argv[6::2], sys.argv[7::2]):
            checks[kind](path, log)
        print("\n".join(problems))
        return 1 if problems else 0
    glimmark = os.path.abspath(sys.argv[2])
    keep = sys.argv[4] if sys.argv[1] == "window" and sys.argv[3:4] == ["--keep"] else None
    s = Session(tempfile.mkdtemp(prefix="glimmark-drive-"))
    started, step = time.monotonic(), "start"

    def say(what):
        nonlocal step
        step = what
        print(f"{time.monotonic() - started:5.1f} s  {what}", flush=True)

    try:
        if sys.argv[1] == "window":
            logWindow(s, glimmark, say)
        else:
            sharedPage(s, glimmark, *sys.argv[3:5], say=say)
        # Under the sanitizers a fault they saw and let pass is in the program's output.
        said = s.said()
        if "runtime error:" in said or "ERROR: AddressSanitizer" in said:
            raise CheckFailed("the sanitizers reported a fault")
        print(f"passed in {time.monotonic() - started:.1f} s")
        return 0
    except CheckFailed as e:
        print(f"FAILED after '{step}': {e}")
        print("glimmark said:\n" + s.said()[-3000:])
        if sys.argv[1] == "window" and shutil.which("import"):
            s.run(["import", "-window", "root", os.path.join(keep or s.work, "failed.png")],
                  check=False)
        return 1
    finally:
        s.close()
        if keep:
            # The logs, the saved log and the picture; not the buses' sockets.
            shutil.copytree(s.work, keep, dirs_exist_ok=True, ignore=lambda folder, names: [
                n for n in names if not os.path.isfile(os.path.join(folder, n))
                and not os.path.isdir(os.path.join(folder, n))])
        shutil.rmtree(s.work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
