#!/usr/bin/env python3
"""The program driven from outside as its users meet it, one harness for every check; exit
status 0 when every check held, 1 when one failed (with what was seen), 77 when a tool it needs
is not installed.
    drive.py window GLIMMARK [--keep DIR]  the log window on a virtual display of its own,
        driven with xdotool, read through AT-SPI
    drive.py browser GLIMMARK SHOT.png [CLI]  the shared page in headless chromium, and the
        report CLI writes
    drive.py handover LOG.vlg RATE REEL REEL8 (FORMAT FILE)...  the hand-over files read with
        readers of its own, every value compared with the project file; prints each mismatch
"""

import base64, contextlib, csv, io, json, os, plistlib, re, select, shutil, signal, subprocess
import sys, tempfile, time, urllib.request
from html.parser import HTMLParser

# Every wait is a poll with a deadline: on a loaded machine a step takes longer, never forever.
DEADLINE = float(os.environ.get("GLIMMARK_WINDOW_DEADLINE", "20"))


class CheckFailed(Exception):
    pass


def check(ok, seen):
    if not ok:
        raise CheckFailed(seen)


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(77)


def installed(*names):
    """The first of these programs that is installed; without any the check cannot run."""
    return next(filter(None, map(shutil.which, names)), None) or skip(
        f"{names[0]} is not installed (scripts/setup.sh --deps installs it)")


def run(args, env=None, check=True):
    """What a program printed; one that fails says why, unless that is allowed."""
    done = subprocess.run(args, env=env, capture_output=True, text=True, timeout=30)
    if check and done.returncode != 0:
        raise CheckFailed(f"{' '.join(args)}: {done.stderr.strip()}")
    return done.stdout


def waitFor(what, probe, deadline=DEADLINE, interval=0.05):
    """Polls probe() until it answers something true (or (True, what it saw)) and returns it;
    fails at the deadline with the last thing seen. An exception counts as a look."""
    end = time.monotonic() + deadline
    while True:
        try:
            ok, seen = answer if isinstance(answer := probe(), tuple) else (answer, answer)
        except Exception as e:
            ok, seen = False, f"({type(e).__name__}: {e})"
        if ok:
            return seen
        check(time.monotonic() <= end, f"{what}: not within {deadline:.0f} s; last seen: {seen!r}")
        time.sleep(interval)


class Session:
    """Processes in sessions of their own, each writing to its log in a work folder, all gone
    at close(); say() tells how far the check got."""

    def __init__(self):
        self.work, self.processes = tempfile.mkdtemp(prefix="glimmark-drive-"), []
        self.env, self.started, self.step = dict(os.environ), time.monotonic(), "start"

    def say(self, what):
        self.step = what
        print(f"{time.monotonic() - self.started:5.1f} s  {what}", flush=True)

    def start(self, what, args, **kw):
        log = open(os.path.join(self.work, what + ".log"), "wb")
        self.processes.append(subprocess.Popen(args, **{"stdout": log, "stderr": log, **kw},
                              env=self.env, start_new_session=True, stdin=subprocess.DEVNULL))
        return self.processes[-1]

    def firstLine(self, what, args, **kw):
        """Starts a program that first says where it is: its display, bus or address."""
        out = self.start(what, args, stdout=subprocess.PIPE, **kw).stdout
        check(select.select([out], [], [], DEADLINE)[0], f"{what} did not start")
        check(line := out.readline().decode().strip(), f"{what} ended at start")
        return line

    def said(self):
        log = os.path.join(self.work, "glimmark.log")
        return open(log, errors="replace").read() if os.path.exists(log) else ""

    def close(self):
        # Asked first, so that the X server takes its lock file and socket along; then told.
        for p in reversed(self.processes):
            for sig in (signal.SIGTERM, signal.SIGKILL):
                with contextlib.suppress(ProcessLookupError, subprocess.TimeoutExpired):
                    if p.poll() is None:
                        os.killpg(p.pid, sig)
                        p.wait(timeout=3)
            p.wait()


# --- the log window -------------------------------------------------------------------------

def children(node):
    """A node's children; one gone while the tree was read is left out."""
    found = map(node.get_child_at_index, range(node.get_child_count()))
    return [child for child in found if child is not None]


class Desktop:
    """A display with a window manager and the accessibility bus, the program on it; xdotool
    for windows, keys and the mouse, AT-SPI for the widgets."""

    def __init__(self, s, glimmark):
        *_, launcher = [installed(*names) for names in (
            ["Xvfb"], ["xdotool"], ["openbox"], ["xprop"], ["dbus-daemon"], ["dbus-send"],
            ["/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"])]
        try:
            import gi
            gi.require_version("Atspi", "2.0")
            from gi.repository import Atspi
        except (ImportError, ValueError) as e:
            skip(f"no AT-SPI bindings for {sys.executable} ({e}): python3-gi, gir1.2-atspi-2.0")
        self.s, self.Atspi = s, Atspi
        # The AT-SPI library finds the buses through the environment when first asked.
        # -noreset: else the server restarts when its last client leaves, turning the next away.
        os.environ["DISPLAY"] = s.env["DISPLAY"] = ":" + s.firstLine("xvfb", (
            "Xvfb -displayfd 1 -screen 0 1600x1000x24 -nolisten tcp -noreset").split())
        os.environ["DBUS_SESSION_BUS_ADDRESS"] = s.env["DBUS_SESSION_BUS_ADDRESS"] = s.firstLine(
            "dbus", ["dbus-daemon", "--session", "--nofork", "--print-address=1",
                     "--address=unix:tmpdir=" + s.work])
        s.start("atspi", [launcher, "--launch-immediately"])
        waitFor("the accessibility bus", lambda: "unix:" in run((
            "dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
            "org.a11y.Bus.GetAddress").split(), s.env))
        s.start("openbox", ["openbox", "--sm-disable"])
        # A window manager announces itself on the root window.
        waitFor("openbox", lambda: "window id" in run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], s.env, check=False))
        os.makedirs(home := s.work + "/home")
        os.makedirs(runtime := s.work + "/runtime", mode=0o700)
        s.env.update(HOME=home, XDG_CONFIG_HOME=home + "/.config", XDG_RUNTIME_DIR=runtime,
                     XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
                     QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1", LC_ALL="C.UTF-8",
                     QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", JACK_NO_START_SERVER="1", LANG="C.UTF-8")
        s.env.pop("QT_QPA_PLATFORMTHEME", None)
        self.program = s.start("glimmark", [glimmark, "--simulate"], cwd=home)
        Atspi.init()
        self.app = waitFor("glimmark on the accessibility bus", lambda: [
            a for a in children(Atspi.get_desktop(0)) if a.get_process_id() == self.program.pid])[0]
        self.app.set_cache_mask(Atspi.Cache.NONE)

    def xdo(self, *args, check=True):
        return run(["xdotool", *args], self.s.env, check).strip()

    def window(self, pattern):
        return waitFor(f"a window titled /{pattern}/", lambda: next(iter(self.xdo(
            "search", "--onlyvisible", "--name", pattern, check=False).split()), None))

    def do(self, window, action, *what):
        """With the window active: presses keys, types a text or clicks a widget's middle."""
        self.xdo("windowactivate", "--sync", window)
        waitFor("the window active", lambda: self.xdo("getactivewindow", check=False) == window)
        if action != "click":
            flags = {"key": ["--clearmodifiers"], "type": ["--delay", "10"]}[action]
            return self.xdo(action, *flags, *what)
        e = what[0].get_extents(self.Atspi.CoordType.SCREEN)
        check(e.width > 0 and e.height > 0,
              f"{what[0].get_role_name()} '{what[0].get_name()}' is not on screen")
        x, y = e.x + e.width // 2, e.y + e.height // 2
        # Not mousemove --sync: it waits forever when the pointer is there already.
        self.xdo("mousemove", str(x), str(y))
        waitFor(f"the pointer at {x},{y}",
                lambda: self.xdo("getmouselocation").startswith(f"x:{x} y:{y} "))
        self.xdo("click", "1")

    def frame(self, prefix):
        self.app.clear_cache()
        found = [f for f in children(self.app) if f.get_name().startswith(prefix)]
        check(found, f"no window '{prefix}…' in the accessibility tree")
        return found[0]

    def find(self, root, role, name=None, description=None):
        """The first widget of that role (and name, or description) under root, not in tables."""
        todo = [root]
        for node in todo:  # breadth first: the list grows as it is read
            if (node.get_role_name() == role and name in (None, node.get_name())
                    and description in (None, node.get_description())):
                return node
            todo += children(node) if node.get_role_name() != "table" else []
        raise CheckFailed(f"no {role} {name or description!r} under '{root.get_name()}'")


def logWindow(s, glimmark):
    """What only the real window shows: window-manager keys, clicks, the file dialog, the
    accessibility bridge, the simulated takes; the table's own behaviour is tests/qt's."""
    d = Desktop(s, glimmark)
    editor, capture = d.window("^Glimmark Editor - "), d.window("^Glimmark Capture Tool - ")
    d.do(editor, "key", "ctrl+3")
    log = d.window("^Glimmark Log$")
    s.say("Ctrl+3 opened the log window")
    table = d.find(frame := d.frame("Glimmark Log"), "table")
    columns = [table.get_column_description(c) for c in range(table.get_n_columns())]
    number, start = columns.index("Number"), columns.index("Start")
    cell = lambda row, column: table.get_accessible_at(row, column).get_name()
    rows = table.get_n_rows
    numbers = lambda: [cell(r, number) for r in range(rows())]
    chosen = lambda: [cell(r, number) for r in table.get_selected_rows()]
    # Labels speak their text as their name; their descriptions say what they are.
    position = d.find(d.frame("Glimmark Editor"), "label",
                      description="Place of the record on show in the log").get_name
    search = d.find(frame, "text", name="Search")
    count = d.find(frame, "label", description="Records matching the search").get_name

    def followed(least, exact=False):
        n = len(shown := numbers())
        ok = (n == least if exact else n >= least) and chosen() == [str(n)] == shown[-1:] \
            and position() == f"Record {n} of {n}" and count() == f"{n} records"
        return ok, f"rows {shown}, chosen {chosen()}, editor '{position()}', count '{count()}'"

    waitFor("three takes, the newest chosen", lambda: followed(3), deadline=DEADLINE + 15)
    # That very take, not a later one: a Follow that skips every other take shows here.
    s.say("takes come in, Follow chose each: " + waitFor(
        "the next take chosen", lambda n=rows(): followed(n + 1, exact=True)))
    # Typed into the search, one record's start time narrows the rows to those that hold it.
    d.do(log, "click", search)
    d.do(log, "type", wanted := cell(1, start))

    def narrowed():
        texts = [" ".join(cell(r, c) for c in range(len(columns))) for r in range(rows())]
        m = re.fullmatch(r"(\d+) of (\d+) match", count())
        return bool(m and int(m[1]) == len(texts) < int(m[2]) and all(wanted in t for t in texts)
                    and "2" in numbers()), \
            f"search '{d.Atspi.Text.get_text(search, 0, -1)}', rows {texts}, count '{count()}'"

    s.say("the search narrowed the rows: " + waitFor(f"the rows narrowed to '{wanted}'", narrowed))
    d.do(log, "key", "ctrl+a", "BackSpace")
    waitFor("all rows back", lambda: count() == f"{rows()} records")
    d.do(log, "click", table.get_accessible_at(2, start))
    s.say("a click on row 3 moved the editor: " + waitFor("the editor at row 3", lambda: (
        position() == f"Record 3 of {rows()}" and chosen() == ["3"], position())))

    # A first save asks for a name; the file is written and both titles lose their mark.
    waitFor("the unsaved mark on both titles",
            lambda: all(d.xdo("getwindowname", w).endswith("*") for w in (editor, capture)))
    saved = os.path.join(s.work, "day one")
    d.do(editor, "key", "ctrl+s")
    dialog = d.window("^Save Log As$")
    for action, what in (("key", "ctrl+a"), ("type", saved), ("key", "Return")):
        d.do(dialog, action, what)
    waitFor("the file written", lambda: os.path.exists(saved + ".vlg"))
    # Takes keep coming and may mark the log again at once: Ctrl+S again saves without asking,
    # every 5 s, twice at most.
    saves = [time.monotonic()]

    def clean():
        if time.monotonic() - saves[-1] > 5 and len(saves) < 3:
            d.do(editor, "key", "ctrl+s")
            saves.append(time.monotonic())
        return [d.xdo("getwindowname", w) for w in (editor, capture)] == [
            "Glimmark Editor - day one", "Glimmark Capture Tool - day one"]

    waitFor("the unsaved mark gone after the save", clean, deadline=15, interval=0.02)
    entries = plistlib.load(open(saved + ".vlg", "rb"))
    check(len(entries) >= 40 and entries[10] == "1", f"the saved file holds {entries[:12]}")
    s.say(f"Ctrl+S saved {(len(entries) - 10) // 10} records as 'day one.vlg', marks cleared")
    check(d.program.poll() is None, f"glimmark ended with status {d.program.returncode}")


# --- the shared page ------------------------------------------------------------------------

class Browser:
    """Headless chromium with one tab, driven through its DevTools protocol over fds 3 and 4."""

    def __init__(self, s, chromium, url):
        (to_chrome_r, self.to_chrome), (self.from_chrome, from_chrome_w) = os.pipe(), os.pipe()
        s.start("chromium", [chromium, *("--headless --no-sandbox --disable-gpu "
                                         "--remote-debugging-pipe --window-size=1100,700").split(),
                             "--user-data-dir=" + os.path.join(s.work, "chromium"),
                             "about:blank"], pass_fds=(3, 4), preexec_fn=lambda: (
            os.dup2(os.dup(to_chrome_r), 3), os.dup2(os.dup(from_chrome_w), 4)))
        os.close(to_chrome_r)
        os.close(from_chrome_w)
        self.next_id, self.buffer, self.session = 0, b"", None
        self.session = self.call("Target.attachToTarget", flatten=True, targetId=self.call(
            "Target.createTarget", url=url)["targetId"])["sessionId"]

    def call(self, method, **params):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params}
        os.write(self.to_chrome, json.dumps(
            dict(message, sessionId=self.session) if self.session else message).encode() + b"\0")
        while True:
            while b"\0" not in self.buffer:
                check(chunk := os.read(self.from_chrome, 1 << 20), "chromium went away")
                self.buffer += chunk
            raw, self.buffer = self.buffer.split(b"\0", 1)
            if (answer := json.loads(raw)).get("id") == self.next_id:
                check("error" not in answer, f"{method}: {answer.get('error')}")
                return answer["result"]



def every(selector):
    return f"Array.from(document.querySelectorAll('{selector}'))"


def sharedPage(s, glimmark, screenshot, cli=None):
    """`glimmark --simulate --serve` over two takes with long comments, as the page shows it;
    streams that never read are tests/share's."""
    chromium = installed("chromium", "chromium-browser")
    s.env.update(QT_QPA_PLATFORM="offscreen", XDG_CONFIG_HOME=s.work + "/config",
                 XDG_STATE_HOME=s.work + "/state")
    # A demo that cannot play its timecode says which one and why, and ends.
    said = subprocess.run([glimmark, "--simulate=ltc"], capture_output=True, text=True, timeout=30,
                          env=dict(s.env, JACK_DEFAULT_SERVER=f"glimmark-none-{os.getpid()}",
                                   JACK_NO_START_SERVER="1"))
    check(said.returncode == 1 and said.stderr.splitlines()[-1:] == [  # after JACK's own lines
        "glimmark: --simulate=ltc: no JACK server answers"],
        f"--simulate=ltc with no JACK: {said.returncode}, {said.stderr!r}")
    values = ["Glimmark", "1.0", "", "", "32", "", "", "", "", ""]
    for n, comment in ((1, "Wide, the boom dips into frame at the end " * 4),
                       (2, "<i>soft</i> " + "A" * 300)):
        values += [str(n), f"10:00:0{n}:00", f"10:00:0{n + 2}:10", "", "09:00:00", comment, "",
                   "01.01.2026", "", b""]
    plistlib.dump(values, open(day := os.path.join(s.work, "day.vlg"), "wb"))
    url = s.firstLine("glimmark", [glimmark, "--simulate", "--serve", "127.0.0.1:0", day])
    check(url.startswith("http://127.0.0.1:"), f"glimmark serves at {url!r}")
    tab = Browser(s, chromium, url)
    page = lambda script: tab.call("Runtime.evaluate", expression=script,
                                   returnByValue=True)["result"].get("value")
    keys = every("#rows tr") + ".map(r => Number(r.dataset.key))"
    text = lambda id: page(f"document.getElementById('{id}').textContent")

    def logKeys():
        with urllib.request.urlopen(url + "log.json", timeout=5) as answer:
            return [t["key"] for t in json.load(answer)["takes"]]

    # Once the page is up, every take in the log is a row within a second of being there.
    waitFor("the page's event stream open", lambda: text("link") == "live")
    time.sleep(1)
    seen_in_log, late, until = {}, set(), time.monotonic() + 14
    while (now := time.monotonic()) < until:
        seen_in_log = {key: now for key in logKeys()} | seen_in_log
        shown = set(page(keys) or [])
        late |= {k for k, since in seen_in_log.items() if k not in shown and now - since > 1.0}
        time.sleep(0.2)
    check(len(seen_in_log) >= 2 and not late,
          f"{len(seen_in_log)} takes logged; not shown within a second: {late}")

    # Newest first; the log read on both sides of the page, as takes keep coming.
    def agreed():
        log, shown = logKeys(), page(keys)
        return log == logKeys() and shown == log[::-1], (log, shown)
    waitFor("the rows the log newest first", agreed, interval=0.1)
    check(page(every("td.comment") + ".some(c => c.textContent.startsWith('<i>soft</i>')"
               " && !c.querySelector('i'))"),
          "a comment's markup was drawn instead of shown as typed")
    when = page("document.querySelector('#rows tr').cells[5].textContent")
    search = "(t => { const s = document.getElementById('search'); s.value = t;" \
             " s.dispatchEvent(new Event('input')); return " + every("#rows tr") + \
             ".filter(r => !r.hidden).map(r => r.cells[5].textContent); })"
    shown = page(f"{search}({json.dumps(when)})")
    total = page("document.querySelectorAll('#rows tr').length")
    check(shown == [when] and total >= 2, f"search {when!r}: {shown} of {total} rows")
    page(f"{search}('')")
    # Pictures load after their rows, later still on a busy machine; the running timecode.
    waitFor("a thumbnail loaded",
            lambda: page(every("#rows img") + ".some(i => i.complete && i.naturalWidth > 0)"))
    waitFor("the page's timecode",
            lambda: re.fullmatch(r"\d\d:\d\d:\d\d[:;]\d\d", text("timecode")))
    with open(screenshot, "wb") as f:
        f.write(base64.b64decode(tab.call("Page.captureScreenshot", format="png")["data"]))

    # On a phone and a laptop, live and in the day's report: nothing wider than the screen,
    # every comment on it, and the duration of every take with a stop.
    for name, selector in [("live page", "#rows tr")] + [("report", "tbody tr")] * bool(cli):
        if name == "report":
            run([cli, "export", "--format", "html", day, report := s.work + "/day.html"])
            tab.call("Page.navigate", url="file://" + report)
            waitFor("the report loaded", lambda: page(
                "location.protocol === 'file:' && document.readyState === 'complete'"))
        for width, height, mobile in ((390, 844, True), (1280, 800, False)):
            tab.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                     deviceScaleFactor=1, mobile=mobile)
            fit = page(f"""(() => {{ const comments = {every('td.comment')}.filter(
                c => c.textContent); return {{width: document.documentElement.scrollWidth,
                comments: comments.length, off: comments.filter(c => {{
                  const b = c.getBoundingClientRect();
                  return b.width === 0 || b.left < 0 || b.right > {width}; }}).length,
                undurated: {every(selector)}.filter(r => r.cells[3].textContent
                  && !/^\\d\\d:\\d\\d:\\d\\d$/.test(r.cells[4].textContent)).length}}; }})()""")
            check(fit["width"] <= width and fit["comments"] >= 2 and not fit["off"]
                  and not fit["undurated"], f"the {name} at {width} wide: {fit}")
    s.say(f"{len(seen_in_log)} takes shown, newest first, search narrowed {total} rows to 1, "
          f"fits 390 and 1280 pixels; screenshot {screenshot}")


# --- the hand-over files -------------------------------------------------------------------

# What the EDL may make of the non-ASCII text in the test logs.
ASCII_SPELLING = {"é": "e", "ü": "ue", "ß": "ss", "–": "-", "“": '"', "”": '"'}

problems = []


def same(got, wanted, what):
    if got != wanted:
        problems.append(f"{what}: {got!r}, not {wanted!r}")


def frames(label, log):
    """The frame a label names at the log's rate, or None; a label drop-frame skips names the
    next frame."""
    match = re.fullmatch(r"(\d\d)[:;](\d\d)[:;](\d\d)[:;](\d\d)", label or "")
    h, m, s, f = (int(x) for x in match.groups()) if match else (24, 0, 0, 0)
    if h > 23 or m > 59 or s > 59 or f >= log["fps"]:
        return None
    f, minutes = max(f, 2) if log["drop"] and s == 0 and m % 10 else f, h * 60 + m
    return (minutes * 60 + s) * log["fps"] + f - 2 * (minutes - minutes // 10) * log["drop"]


def span(record, log):
    """Where a take starts, how long it lasts and where it ends, in frames; None untimed."""
    start, stop = frames(record["start"], log), frames(record["stop"], log)
    if start is not None:
        length = ((stop - start) % log["day"] if stop is not None else 0) or 1
        return start, length, (start + length) % log["day"]


def listed(r):
    """What every list shows of a record, in its order, the duration worked out."""
    duration, times = "", (r["start"], r["stop"])
    if all(re.fullmatch(r"\d\d:\d\d:\d\d:\d\d", t) for t in times):
        (h, m, s, f), (H, M, S, F) = ([int(x) for x in t.split(":")] for t in times)
        seconds = ((H - h) * 3600 + (M - m) * 60 + S - s - (F < f)) % (24 * 3600)
        duration = "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)
    return [r["number"], r["start"], r["stop"], duration, r["tod"], r["date"]]


def check_edl(path, log):
    drop, data = log["drop"], open(path, "rb").read()
    lines = data.decode("ascii", "replace").split("\r\n")
    same([all(b < 128 for b in data), b"\n" not in data.replace(b"\r\n", b""),
          lines[0].startswith("TITLE: "), lines[1]],
         [True, True, True, "FCM: DROP FRAME" if drop else "FCM: NON-DROP FRAME"],
         "EDL: only ASCII, every line ended by CR LF, a TITLE line, the FCM")
    events, unread = [], []
    for line in lines[2:]:
        if match := re.fullmatch(r"(\d{3,})\s+(\S+)\s+V\s+C\s+(\S+) (\S+) (\S+) (\S+)\s*", line):
            events.append((int(match[1]), match[2], match.group(3, 4, 5, 6), []))
        elif line.startswith("* ") and events:
            events[-1][3].append(line)
        elif line.strip():
            unread.append(line)
    same(unread, [], "EDL: lines no reader takes")
    timed = [r for r in log["records"] if span(r, log)]
    same(len(events), len(timed), "EDL: events for the timed records")
    spelled = lambda text: "".join(ASCII_SPELLING.get(c, c if ord(c) < 128 else "?") for c in text)
    record_at = frames("01:00:00:00", log)
    for i, ((number, reel, labels, notes), r) in enumerate(zip(events, timed)):
        start, length, end = span(r, log)
        comments = [spelled(t) for c in r["comments"] for t in re.split(r"\r\n|\r|\n", c) if t]
        same([number, reel, [(";" in t, ":" in t) for t in labels],
              [frames(t, log) for t in labels], notes[:1],
              [n[len("* COMMENT: "):] for n in notes[1:1 + len(comments)]],
              [r["date"] in n and r["tod"] in n for n in notes[1 + len(comments):]]],
             [i + 1, log["reel8"], [(drop, not drop)] * 4,
              [start, end, record_at, record_at + length],
              ["* FROM CLIP NAME: " + spelled(r["number"])], comments, [True]],
             f"EDL event {i + 1}: number, reel, separators, source and record in and out, "
             "clip name, comments, time logged")
        record_at += length


def check_csv(path, log):
    data = open(path, "rb").read()
    same([data[:3]] + list(csv.reader(io.StringIO(data.decode("utf-8-sig"), newline=""))),
         [b"\xef\xbb\xbf", ["Number", "Start", "Stop", "Duration", "Time of Day", "Date",
                           "Comment 1", "Comment 2", "Picture"]]
         + [listed(r) + r["comments"] + [r["picture"]] for r in log["records"]],
         "CSV: byte-order mark, header, rows")


def check_ale(path, log):
    head, rest = open(path, encoding="utf-8").read().split("\nColumn\n", 1)
    heading = dict(line.split("\t", 1) for line in head.split("\n")[1:] if "\t" in line)
    columns, data = rest.split("\n\nData\n", 1)
    columns, lines = columns.split("\t"), [line.split("\t") for line in data.split("\n") if line]
    same([head.startswith("Heading\n"), all(len(line) == len(columns) for line in lines),
          len(lines), [heading.get(k) for k in ("FIELD_DELIM", "FPS", "VIDEO_FORMAT")]],
         [True, True, len(log["records"]), ["TABS", log["rate"], "1080"]],
         "ALE: Heading, rows as long as the columns, one a record, the Heading's fields")
    flat = lambda text: " ".join(re.split(r"\r\n|\r|\n", text))
    for i, (line, r) in enumerate(zip(lines, log["records"])):
        row = dict(zip(columns, line))
        wanted = {"Name": r["number"], "Tracks": "V", "Tape": log["reel"], "Duration": "",
                  "Comment 1": flat(r["comment1"]), "Comment 2": flat(r["comment2"]),
                  "Time of Day": r["tod"], "Date": r["date"]}
        got = {key: row.get(key) for key in wanted}
        if times := span(r, log):  # in frames
            wanted.update(zip(("Start", "Duration", "End"), times))
            got.update((k, frames(row[k], log)) for k in ("Start", "End", "Duration"))
        same(got, wanted, f"ALE row {i + 1}")


def check_pdf(path, log):
    text, info = run(["pdftotext", path, "-"]), run(["pdfinfo", path])
    words, pages = set(text.split()), int(re.search(r"Pages:\s+(\d+)", info).group(1))
    # In the order drawn, so a comment wrapped in its cell reads on; line breaks and blanks aside.
    squeezed = re.sub(r"\s+", "", run(["pdftotext", "-raw", path, "-"]))
    for i, r in enumerate(log["records"]):
        same([v for v in listed(r) if v and v not in words]
             + [c for c in r["comments"] if re.sub(r"\s+", "", c) not in squeezed], [],
             f"PDF record {i + 1}: missing")
    images = [line.split() for line in run(["pdfimages", "-list", path]).splitlines()[2:]]
    same([sum(1 for row in images if row[2] == "image"), f"Page {pages} of {pages}" in text,
          "(A4)" in info], [sum(bool(r["picture"]) for r in log["records"]), True, True],
         "PDF: images, page numbers, A4 (the command line's paper unless told)")


class Report(HTMLParser):
    """The report's rows of cells, its pictures by row, and how many scripts it holds."""

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.rows, self.cell, self.images, self.scripts = [], None, [], 0
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        self.scripts += tag == "script"
        self.rows += [[]] if tag == "tr" and dict(attrs).get("id") else []
        self.cell = "" if tag == "td" and self.rows else self.cell
        self.images += [(len(self.rows), dict(attrs).get("src", ""))] if tag == "img" else []

    def handle_endtag(self, tag):
        if tag == "td" and self.cell is not None:
            self.rows[-1].append(self.cell)
            self.cell = None

    def handle_data(self, data):
        self.cell = None if self.cell is None else self.cell + data


def jpeg_size(data):
    """Width and height from a baseline or progressive JPEG's frame header, or None."""
    at = 2 if data[:2] == b"\xff\xd8" and data[-2:] == b"\xff\xd9" else len(data)
    while at + 4 <= len(data) and data[at] == 0xFF:
        if data[at + 1] in (0xC0, 0xC1, 0xC2):
            return tuple(int.from_bytes(data[at + k:at + k + 2], "big") for k in (7, 5))
        at += 2 + int.from_bytes(data[at + 2:at + 4], "big")


def check_html(path, log):
    report, prefix = Report(open(path, encoding="utf-8").read()), "data:image/jpeg;base64,"
    same([report.scripts, report.rows, [row for row, _ in report.images]],
         [0, [[""] + listed(r)[:4] + [re.sub(r"\r\n?", "\n", c) for c in r["comments"]]
              + listed(r)[4:] for r in log["records"]],
          [i + 1 for i, r in enumerate(log["records"]) if r["picture"]]],
         "HTML: scripts, rows, the rows with pictures")
    sizes = [jpeg_size(base64.b64decode(src[len(prefix):])) if src.startswith(prefix) else None
             for _, src in report.images]
    same([s is not None and 0 < s[0] <= 320 and 0 < s[1] <= 180 for s in sizes],
         [True] * len(sizes), f"HTML: JPEG thumbnails of at most 320 by 180, not {sizes}")


def load_log(path, rate, reel, reel8):
    """The records of a project file, ten values each after the header's ten; a picture as the
    name the lists give its file."""
    values, stem = plistlib.load(open(path, "rb")), os.path.splitext(os.path.basename(path))[0]
    names = ["number", "start", "stop", "", "tod", "comment1", "comment2", "date", "", "picture"]
    records = [dict(zip(names, values[at:at + 10])) for at in range(10, len(values), 10)]
    for i, r in enumerate(records):
        r["comments"] = [r["comment1"], r["comment2"]]
        r["picture"] = "%s_%d_%s.jpg" % (stem, i + 1, r["number"]) if len(r["picture"]) else ""
    fps, drop = {"24": (24, False), "25": (25, False), "29.97": (30, True), "30": (30, False)}[rate]
    day = frames("23:59:59:29", {"fps": 30, "drop": True}) + 1 if drop else 24 * 3600 * fps
    return {"rate": rate, "reel": reel, "reel8": reel8, "records": records, "fps": fps,
            "drop": drop, "day": day}


def main():
    mode, args = sys.argv[1:2], sys.argv[2:]
    if mode == ["handover"] and args:
        log = load_log(*args[:4])
        for kind, path in zip(args[4::2], args[5::2]):
            globals()["check_" + kind](path, log)
        print("\n".join(problems))
        return 1 if problems else 0
    if mode not in (["window"], ["browser"]) or not args:
        print(__doc__)
        return 2
    keep = args[2] if mode == ["window"] and args[1:2] == ["--keep"] else None
    s = Session()
    try:
        glimmark = os.path.abspath(args[0])
        logWindow(s, glimmark) if mode == ["window"] else sharedPage(s, glimmark, *args[1:3])
        # Under the sanitizers a fault they saw and let pass is in the program's output.
        check("runtime error:" not in (said := s.said()) and "ERROR: AddressSanitizer" not in said,
              "the sanitizers reported a fault")
        print(f"passed in {time.monotonic() - s.started:.1f} s")
        return 0
    except CheckFailed as e:
        print(f"FAILED after '{s.step}': {e}\nglimmark said:\n{s.said()[-3000:]}")
        if mode == ["window"] and shutil.which("import"):
            run(["import", "-window", "root", os.path.join(keep or s.work, "failed.png")], s.env,
                check=False)
        return 1
    finally:
        s.close()
        if keep:
            run(["cp", "-r", s.work + "/.", keep], check=False)  # logs, saved log, picture
        shutil.rmtree(s.work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
