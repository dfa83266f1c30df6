#!/usr/bin/env python3
"""The log table in a real window, driven from outside the program as a user would.

Starts a virtual X server of its own (a free display number from Xvfb -displayfd), openbox, a
D-Bus session with the accessibility bus, and `glimmark --simulate` in a HOME of its own, then
drives it with xdotool key strokes and clicks and reads what it shows: window titles from the
X server, the table's rows, the chosen row, the match count and the editor's "Record N of M"
from the accessibility tree that a screen reader sees.

    log_window_check.py GLIMMARK [--keep DIR]

Exit status: 0 when every check held, 1 when one failed (with what was seen), 77 when a tool
it needs is missing (Xvfb, openbox, xdotool, D-Bus, the AT-SPI bus or its Python bindings).
"""

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

SKIP = 77
# Every wait is a poll with a deadline: on a loaded machine a step takes longer, never forever.
DEADLINE = float(os.environ.get("GLIMMARK_WINDOW_DEADLINE", "20"))


class CheckFailed(Exception):
    pass


def skip(why):
    print(f"SKIPPED: {why}")
    sys.exit(SKIP)


def needTools():
    for tool in ("Xvfb", "xdotool", "openbox", "xprop", "dbus-daemon", "dbus-send"):
        if shutil.which(tool) is None:
            skip(f"{tool} is not installed (scripts/setup.sh --deps installs it)")
    launcher = next((p for p in ("/usr/libexec/at-spi-bus-launcher",
                                 "/usr/lib/at-spi2-core/at-spi-bus-launcher")
                     if os.access(p, os.X_OK)), None)
    if launcher is None:
        skip("the AT-SPI bus launcher (at-spi2-core) is not installed")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
    except (ImportError, ValueError) as e:
        skip(f"no AT-SPI Python bindings for {sys.executable} ({e}); "
             "python3-gi and gir1.2-atspi-2.0 bring them")
    return launcher


def waitFor(what, probe, deadline=DEADLINE, interval=0.05):
    """Polls probe() until it answers something true, and returns that; a probe may answer
    (ok, what it saw) instead, and then what it saw is returned. Fails at the deadline with
    the last thing seen."""
    end = time.monotonic() + deadline
    seen = None
    while True:
        try:
            answer = probe()
        except Exception as e:  # a widget gone or not yet there: look again
            seen = f"({type(e).__name__}: {e})"
        else:
            if isinstance(answer, tuple):
                ok, seen = answer
                if ok:
                    return seen
            elif answer:
                return answer
            else:
                seen = answer
        if time.monotonic() > end:
            raise CheckFailed(f"{what}: not within {deadline:.0f} s; last seen: {seen!r}")
        time.sleep(interval)


class Session:
    """The display, the window manager, the buses and the program, all gone at close()."""

    def __init__(self, glimmark, work):
        self.glimmark = glimmark
        self.work = work
        self.processes = []
        self.env = dict(os.environ)

    def start(self, what, args, **kw):
        p = subprocess.Popen(args, env=self.env, start_new_session=True,
                             stdin=subprocess.DEVNULL, **kw)
        self.processes.append((what, p))
        return p

    def readLine(self, fd, what):
        end = time.monotonic() + DEADLINE
        data = b""
        while b"\n" not in data:
            left = end - time.monotonic()
            if left <= 0 or not select.select([fd], [], [], left)[0]:
                raise CheckFailed(f"{what} did not start")
            chunk = os.read(fd, 256)
            if not chunk:
                raise CheckFailed(f"{what} ended at start")
            data += chunk
        return data.decode().strip()

    def startDisplay(self):
        r, w = os.pipe()
        log = open(os.path.join(self.work, "xvfb.log"), "wb")
        # -noreset: by default the server starts afresh whenever its last client leaves, and
        # a client connecting meanwhile is turned away.
        self.start("Xvfb", ["Xvfb", "-displayfd", str(w), "-screen", "0", "1600x1000x24",
                            "-nolisten", "tcp", "-noreset"], pass_fds=(w,), stdout=log,
                   stderr=log)
        os.close(w)
        self.env["DISPLAY"] = ":" + self.readLine(r, "Xvfb")
        os.close(r)

    def startBuses(self, launcher):
        log = open(os.path.join(self.work, "dbus.log"), "wb")
        bus = self.start("dbus-daemon", ["dbus-daemon", "--session", "--nofork",
                                         "--address=unix:tmpdir=" + self.work,
                                         "--print-address=1"], stdout=subprocess.PIPE,
                         stderr=log)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = self.readLine(bus.stdout.fileno(), "dbus-daemon")
        log = open(os.path.join(self.work, "atspi.log"), "wb")
        self.start("at-spi-bus-launcher", [launcher, "--launch-immediately"],
                   stdout=log, stderr=log)
        ask = ["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus",
               "/org/a11y/bus", "org.a11y.Bus.GetAddress"]
        waitFor("the accessibility bus",
                lambda: subprocess.run(ask, env=self.env, capture_output=True).returncode == 0)

    def startWindowManager(self):
        log = open(os.path.join(self.work, "openbox.log"), "wb")
        self.start("openbox", ["openbox", "--sm-disable"], stdout=log, stderr=log)
        # A window manager announces itself on the root window.
        waitFor("openbox", lambda: "window id" in self.run(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], check=False))

    def startProgram(self):
        home = os.path.join(self.work, "home")
        runtime = os.path.join(self.work, "runtime")
        os.makedirs(home)
        os.makedirs(runtime, mode=0o700)
        self.env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                        XDG_DATA_HOME=os.path.join(home, ".local/share"),
                        XDG_CACHE_HOME=os.path.join(home, ".cache"),
                        XDG_RUNTIME_DIR=runtime, QT_QPA_PLATFORM="xcb",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                        JACK_NO_START_SERVER="1", LC_ALL="C.UTF-8", LANG="C.UTF-8")
        self.env.pop("QT_QPA_PLATFORMTHEME", None)
        log = open(os.path.join(self.work, "glimmark.log"), "wb")
        self.program = self.start("glimmark", [self.glimmark, "--simulate"], cwd=home,
                                  stdout=log, stderr=log)

    def run(self, args, check=True):
        done = subprocess.run(args, env=self.env, capture_output=True, text=True, timeout=30)
        if check and done.returncode != 0:
            raise CheckFailed(f"{' '.join(args)}: {done.stderr.strip()}")
        return done.stdout

    def close(self):
        # Asked first, so that the X server takes its lock file and socket along; then told.
        for what, p in reversed(self.processes):
            for sig in (signal.SIGTERM, signal.SIGKILL):
                if p.poll() is not None:
                    break
                try:
                    os.killpg(p.pid, sig)
                    p.wait(timeout=3)
                except (ProcessLookupError, subprocess.TimeoutExpired):
                    pass
            p.wait()


class Desktop:
    """What the user sees and does: xdotool for windows, keys and the mouse, AT-SPI for the
    widgets."""

    def __init__(self, session):
        self.s = session
        # The AT-SPI library finds the buses through these when first asked.
        for key in ("DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
            os.environ[key] = session.env[key]
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
        self.Atspi = Atspi
        Atspi.init()
        self.app = None

    # --- windows -------------------------------------------------------------------------

    def windowsNamed(self, pattern):
        out = self.s.run(["xdotool", "search", "--onlyvisible", "--name", pattern], check=False)
        return [w for w in out.split()]

    def title(self, window):
        return self.s.run(["xdotool", "getwindowname", window]).strip()

    def window(self, pattern):
        """The id of the visible window whose title matches pattern, once there is one."""
        return waitFor(f"a window titled /{pattern}/", lambda: next(iter(
            self.windowsNamed(pattern)), None))

    def activate(self, window):
        self.s.run(["xdotool", "windowactivate", "--sync", window])
        waitFor("the window active", lambda: self.s.run(
            ["xdotool", "getactivewindow"], check=False).strip() == window)

    def key(self, window, *keys):
        self.activate(window)
        self.s.run(["xdotool", "key", "--clearmodifiers", *keys])

    def type(self, text):
        self.s.run(["xdotool", "type", "--delay", "10", text])

    def click(self, window, node):
        self.activate(window)
        e = node.get_extents(self.Atspi.CoordType.SCREEN)
        if e.width <= 0 or e.height <= 0:
            raise CheckFailed(f"{node.get_role_name()} '{node.get_name()}' is not on screen")
        x, y = e.x + e.width // 2, e.y + e.height // 2
        # Not mousemove --sync: it waits for a motion that never comes when the pointer is
        # there already.
        self.s.run(["xdotool", "mousemove", str(x), str(y)])
        waitFor(f"the pointer at {x},{y}", lambda: self.s.run(
            ["xdotool", "getmouselocation"]).startswith(f"x:{x} y:{y} "))
        self.s.run(["xdotool", "click", "1"])

    # --- the accessibility tree ----------------------------------------------------------

    def program(self):
        def find():
            desktop = self.Atspi.get_desktop(0)
            for i in range(desktop.get_child_count()):
                app = desktop.get_child_at_index(i)
                if app is not None and app.get_process_id() == self.s.program.pid:
                    return app
            return None
        if self.app is None:
            self.app = waitFor("glimmark on the accessibility bus", find)
            self.app.set_cache_mask(self.Atspi.Cache.NONE)
        return self.app

    def frame(self, prefix):
        app = self.program()
        app.clear_cache()
        for i in range(app.get_child_count()):
            f = app.get_child_at_index(i)
            if f is not None and f.get_name().startswith(prefix):
                return f
        raise CheckFailed(f"no window '{prefix}…' in the accessibility tree")

    def find(self, root, role, name=None, match=None, description=None):
        """The first widget of that role (and name, or name matching the pattern, or
        description) under root, without going into tables."""
        todo = [root]
        while todo:
            node = todo.pop(0)
            if node is None:
                continue
            r = node.get_role_name()
            n = node.get_name()
            if (r == role and (name is None or n == name)
                    and (match is None or re.fullmatch(match, n))
                    and (description is None or node.get_description() == description)):
                return node
            if r == "table":
                continue
            todo.extend(node.get_child_at_index(i) for i in range(node.get_child_count()))
        raise CheckFailed(f"no {role} named {name or match or description!r} "
                          f"under '{root.get_name()}'")

    def text(self, node):
        return self.Atspi.Text.get_text(node, 0, -1)


class LogTable:
    """The log window's table as the accessibility tree tells it."""

    def __init__(self, desktop):
        self.d = desktop
        self.frame = desktop.frame("Glimmark Log")
        self.table = desktop.find(self.frame, "table")
        columns = [self.table.get_column_description(c)
                   for c in range(self.table.get_n_columns())]
        if "Number" not in columns:
            raise CheckFailed(f"no number column among {columns}")
        self.number = columns.index("Number")
        self.columns = columns

    def rows(self):
        return self.table.get_n_rows()

    def cell(self, row, column):
        return self.table.get_accessible_at(row, column)

    def numbers(self):
        return [self.cell(r, self.number).get_name() for r in range(self.rows())]

    def rowTexts(self, row):
        return [self.cell(row, c).get_name() for c in range(len(self.columns))]

    def chosen(self):
        """The numbers of the chosen rows."""
        return [self.cell(r, self.number).get_name() for r in self.table.get_selected_rows()]


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    glimmark = os.path.abspath(sys.argv[1])
    if not os.access(glimmark, os.X_OK):
        print(f"no program at {glimmark}")
        return 2
    launcher = needTools()
    keep = sys.argv[3] if len(sys.argv) > 3 and sys.argv[2] == "--keep" else None
    work = tempfile.mkdtemp(prefix="glimmark-window-")
    session = Session(glimmark, work)
    started = time.monotonic()
    step = "start"
    try:
        session.startDisplay()
        session.startBuses(launcher)
        session.startWindowManager()
        session.startProgram()
        d = Desktop(session)

        def checked(what):
            nonlocal step
            step = what
            print(f"{time.monotonic() - started:5.1f} s  {what}", flush=True)

        editor = d.window("^Glimmark Editor - ")
        capture = d.window("^Glimmark Capture Tool - ")
        checked("the editor and the capture window are up")

        d.key(editor, "ctrl+3")
        log = d.window("Log")
        if "Glimmark Log" not in d.title(log):
            raise CheckFailed(f"Ctrl+3 opened '{d.title(log)}'")
        checked(f"Ctrl+3 opened '{d.title(log)}'")

        table = LogTable(d)
        editorFrame = d.frame("Glimmark Editor")
        # Labels speak their text as their name; their descriptions say what they are.
        positionLabel = d.find(editorFrame, "label",
                               description="Place of the record on show in the log")
        numberField = d.find(editorFrame, "text", name="Record number")
        position = lambda: positionLabel.get_name()
        search = d.find(table.frame, "text", name="Search")
        countLabel = d.find(table.frame, "label", description="Records matching the search")
        count = lambda: countLabel.get_name()
        follow = d.find(table.frame, "check box", name="Follow")
        if not follow.get_state_set().contains(d.Atspi.StateType.CHECKED):
            raise CheckFailed("Follow is not on at start")

        def followed(least, exact=False):
            numbers = table.numbers()
            n = len(numbers)
            if n < least or (exact and n > least):
                return False, f"{n} rows"
            chosen = table.chosen()
            where = position()
            counted = count()
            seen = f"rows {numbers}, chosen {chosen}, editor '{where}', count '{counted}'"
            ok = (chosen == [numbers[-1]] and numbers[-1] == str(n)
                  and where == f"Record {n} of {n}" and counted == f"{n} records")
            return bool(ok), seen

        seen = waitFor("three takes logged, the newest chosen in the table and the editor",
                       lambda: followed(3), deadline=DEADLINE + 15)
        checked(f"takes come in and Follow keeps the newest chosen: {seen}")
        n = table.rows()
        # That very take, not a later one: a Follow that skips every other take shows here.
        seen = waitFor("the next take logged and chosen", lambda: followed(n + 1, exact=True))
        checked(f"the next take came and is chosen: {seen}")

        def movedTo(record):
            where = position()
            chosen = table.chosen()
            field = d.text(numberField)
            seen = f"editor '{where}' at #{field}, chosen {chosen}"
            ok = (where == f"Record {record} of {table.rows()}" and chosen == [str(record)]
                  and field == str(record))
            return bool(ok), seen

        # A search for one record's start time narrows the rows to those that hold it.
        start = table.columns.index("Start")
        wanted = table.cell(1, start).get_name()
        if not re.fullmatch(r"\d\d:\d\d:\d\d:\d\d", wanted):
            raise CheckFailed(f"record 2 starts at '{wanted}'")
        before = int(d.text(numberField))
        d.click(log, search)
        d.type(wanted)

        def narrowed():
            shown = table.rows()
            counted = count()
            texts = [" ".join(table.rowTexts(r)) for r in range(shown)]
            seen = f"search '{d.text(search)}', {shown} rows {texts}, count '{counted}'"
            m = re.fullmatch(r"(\d+) of (\d+) match", counted)
            ok = (d.text(search) == wanted and m and int(m[1]) == shown and shown >= 1
                  and shown < int(m[2]) and all(wanted in t for t in texts)
                  and "2" in table.numbers())
            return bool(ok), seen

        seen = waitFor(f"the rows narrowed to '{wanted}'", narrowed)
        checked(f"the search narrowed the rows: {seen}")
        d.key(log, "ctrl+a", "BackSpace")

        # Every row back, the editor's record chosen again: the search moved nothing.
        def cleared():
            counted = count()
            record = int(d.text(numberField))
            ok = (counted == f"{table.rows()} records" and record >= before
                  and movedTo(record)[0])
            return ok, f"count '{counted}', {movedTo(record)[1]}"

        seen = waitFor("all rows back once the search is cleared", cleared)
        checked(f"the search cleared, nothing moved: {seen}")

        # A click on the third row takes the editor to record 3.
        d.click(log, table.cell(2, start))
        seen = waitFor("the editor at the row clicked", lambda: movedTo(3))
        checked(f"a click on row 3 moved the editor: {seen}")

        # Ctrl+End and Ctrl+Home in the editor.
        d.key(editor, "ctrl+End")

        def atNewest():
            where = position()
            n = table.rows()
            ok = where == f"Record {n} of {n}" and table.chosen() == [str(n)]
            return bool(ok), f"editor '{where}', chosen {table.chosen()}"

        checked(f"Ctrl+End went to the newest: {waitFor('Ctrl+End at the newest', atNewest)}")

        # Follow off: the next take comes in and the choice stays where it was.
        d.click(log, follow)
        waitFor("Follow off", lambda: not follow.get_state_set().contains(
            d.Atspi.StateType.CHECKED))
        n = table.rows()
        waitFor("the next take logged", lambda: table.rows() > n)
        time.sleep(0.3)  # what follows a take runs after it: time to undo what was seen
        seen = waitFor(f"record {n} still chosen with Follow off", lambda: movedTo(n))
        checked(f"with Follow off a new take leaves the choice: {seen}")
        d.click(log, follow)
        waitFor("Follow on again", lambda: follow.get_state_set().contains(
            d.Atspi.StateType.CHECKED))
        d.key(editor, "ctrl+Home")
        checked("Ctrl+Home went to the first: " + waitFor(
            "Ctrl+Home at the first", lambda: movedTo(1)))
        atHome = table.rows()

        # The unsaved mark, then a first save, which asks for a name.
        marked = lambda: all(d.title(w).endswith("*") for w in (editor, capture))
        waitFor("the unsaved mark on the editor's and the capture window's titles", marked)
        checked(f"both titles marked: '{d.title(editor)}', '{d.title(capture)}'")
        saved = os.path.join(work, "day one")
        d.key(editor, "ctrl+s")
        dialog = d.window("^Save Log As$")
        checked("a first save asks for a name in 'Save Log As'")
        d.key(dialog, "ctrl+a")
        d.type(saved)
        d.key(dialog, "Return")
        waitFor("the save dialog gone", lambda: not d.windowsNamed("^Save Log As$"))
        waitFor("the file written", lambda: os.path.exists(saved + ".vlg"))
        # Takes keep coming: a new one may mark the log again at once. Another Ctrl+S saves
        # under the name now known, without asking.
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
        records = (len(entries) - 10) // 10
        if records < 3 or entries[10] != "1":
            raise CheckFailed(f"the saved file holds {records} records: {entries[:12]}")
        checked(f"Ctrl+S saved {records} records as 'day one.vlg' and cleared both marks"
                f" ({saves} save{'s' if saves > 1 else ''})")
        waitFor("the mark back with the next take", marked)
        checked("the next take marked both titles again")
        # Follow is on, but an older record is chosen: the takes logged since left it there.
        waitFor("a take logged since Ctrl+Home", lambda: table.rows() > atHome)
        checked("with an older row chosen the takes leave it: " + waitFor(
            "record 1 still chosen", lambda: movedTo(1)))
        if session.program.poll() is not None:
            raise CheckFailed(f"glimmark ended with status {session.program.returncode}")
        # Under the sanitizers a fault they saw and let pass is in the program's output.
        said = open(os.path.join(work, "glimmark.log"), errors="replace").read()
        if "runtime error:" in said or "ERROR: AddressSanitizer" in said:
            raise CheckFailed("the sanitizers reported a fault")
        print(f"passed in {time.monotonic() - started:.1f} s")
        return 0
    except CheckFailed as e:
        print(f"FAILED after '{step}': {e}")
        log = os.path.join(work, "glimmark.log")
        if os.path.exists(log):
            print("glimmark said:\n" + open(log, errors="replace").read()[-3000:])
        try:
            shot = os.path.join(keep or work, "failed.png")
            session.run(["import", "-window", "root", shot], check=False)
        except Exception:
            pass
        return 1
    finally:
        session.close()
        if keep:
            # The logs, the saved log and the picture; not the buses' sockets.
            shutil.copytree(work, keep, dirs_exist_ok=True, ignore=lambda folder, names: [
                n for n in names if not (os.path.isfile(os.path.join(folder, n))
                                         or os.path.isdir(os.path.join(folder, n)))])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
