#!/usr/bin/env python3
"""Reads the hand-over files the way the cutting room's tools do, with readers of its own, and
compares every value with the project file they were made from, as plistlib reads it:
check_handover.py LOG.vlg RATE REEL REEL8 (FORMAT FILE)... Prints each mismatch and exits 1
when there is one."""

import base64
import csv
import io
import os
import plistlib
import re
import subprocess
import sys
from html.parser import HTMLParser

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
    if not re.fullmatch(r"\d\d:\d\d:\d\d:\d\d", start) or not re.fullmatch(r"\d\d:\d\d:\d\d:\d\d", stop):
        return ""
    a = [int(x) for x in start.split(":")]
    b = [int(x) for x in stop.split(":")]
    seconds = (b[0] * 3600 + b[1] * 60 + b[2] - (1 if b[3] < a[3] else 0)) - (a[0] * 3600 + a[1] * 60 + a[2])
    seconds %= 24 * 3600
    return "%02d:%02d:%02d" % (seconds // 3600, seconds // 60 % 60, seconds % 60)


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
        src_in, src_out, rec_in, rec_out = (frames(t, fps, drop) for t in event["tc"])
        start, length = span(record, fps, drop)
        expect(src_in == start, where + "source in " + event["tc"][0])
        expect(src_out == (start + length) % day(fps, drop), where + "source out " + event["tc"][1])
        expect(rec_in == record_at, where + "record in " + event["tc"][2])
        expect(rec_out == record_at + length, where + "record out " + event["tc"][3])
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
        wanted = [r["number"], r["start"], r["stop"], seconds_between(r["start"], r["stop"]), r["tod"],
                  r["date"], r["comment1"], r["comment2"], picture]
        expect(row == wanted, "CSV row %d: %r, not %r" % (i + 1, row, wanted))


def check_ale(path, log):
    fps, drop = rate_of(log["rate"])
    text = open(path, encoding="utf-8").read()
    head, rest = text.split("\nColumn\n", 1)
    heading = dict(line.split("\t", 1) for line in head.split("\n")[1:] if "\t" in line)
    expect(head.startswith("Heading\n"), "ALE: no Heading")
    expect(heading.get("FIELD_DELIM") == "TABS", "ALE: FIELD_DELIM")
    expect(heading.get("FPS") == log["rate"], "ALE: FPS %r" % heading.get("FPS"))
    expect(heading.get("VIDEO_FORMAT") == "1080", "ALE: VIDEO_FORMAT")
    columns_line, data = rest.split("\n\nData\n", 1)
    columns = columns_line.split("\t")
    rows = [dict(zip(columns, line.split("\t"))) for line in data.split("\n") if line]
    expect(all(len(line.split("\t")) == len(columns) for line in data.split("\n") if line), "ALE: ragged rows")
    expect(len(rows) == len(log["records"]), "ALE: %d rows" % len(rows))
    for i, (row, r) in enumerate(zip(rows, log["records"])):
        where = "ALE row %d: " % (i + 1)
        expect(row["Name"] == r["number"] and row["Tracks"] == "V", where + "name")
        expect(row["Tape"] == log["reel"], where + "tape " + row["Tape"])
        expect(row["Comment 1"] == " ".join(re.split(r"\r\n|\r|\n", r["comment1"])), where + "comment 1")
        expect(row["Comment 2"] == " ".join(re.split(r"\r\n|\r|\n", r["comment2"])), where + "comment 2")
        expect(row["Time of Day"] == r["tod"] and row["Date"] == r["date"], where + "logged")
        timed = span(r, fps, drop)
        if timed is None:
            expect(row["Duration"] == "", where + "a duration for a take without a start")
            continue
        start, length = timed
        expect(frames(row["Start"], fps, drop) == start, where + "start " + row["Start"])
        expect(frames(row["End"], fps, drop) == (start + length) % day(fps, drop), where + "end " + row["End"])
        expect(frames(row["Duration"], fps, drop) == length, where + "duration " + row["Duration"])


def check_pdf(path, log):
    text = subprocess.run(["pdftotext", path, "-"], capture_output=True, check=True, text=True).stdout
    words = set(text.split())
    # In the order drawn, so that a comment wrapped inside its cell reads on without the
    # neighbouring cells' lines between; line breaks and blanks aside.
    drawn = subprocess.run(["pdftotext", "-raw", path, "-"], capture_output=True, check=True,
                           text=True).stdout
    squeezed = re.sub(r"\s+", "", drawn)
    for i, r in enumerate(log["records"]):
        for value in [r["number"], r["start"], r["stop"], seconds_between(r["start"], r["stop"]),
                      r["tod"], r["date"]]:
            expect(value == "" or value in words, "PDF record %d: %r missing" % (i + 1, value))
        for comment in (r["comment1"], r["comment2"]):
            expect(re.sub(r"\s+", "", comment) in squeezed, "PDF record %d: %r missing" % (i + 1, comment))
    listing = subprocess.run(["pdfimages", "-list", path], capture_output=True, check=True, text=True).stdout
    images = [line.split() for line in listing.splitlines()[2:]]
    pictured = sum(1 for r in log["records"] if r["picture"])
    expect(sum(1 for row in images if row[2] == "image") == pictured,
           "PDF: %d images for %d pictures" % (len(images), pictured))
    pages = int(re.search(r"Pages:\s+(\d+)", subprocess.run(["pdfinfo", path], capture_output=True,
                                                             text=True).stdout).group(1))
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
    """Width and height from a baseline or progressive JPEG's frame header, after walking every
    segment to it; None when the data is not such a JPEG."""
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
        wanted = ["", r["number"], r["start"], r["stop"], seconds_between(r["start"], r["stop"]),
                  re.sub(r"\r\n?", "\n", r["comment1"]), re.sub(r"\r\n?", "\n", r["comment2"]), r["tod"], r["date"]]
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
    log = load_log(*sys.argv[1:5])
    for kind, path in zip(sys.argv[5::2], sys.argv[6::2]):
        {"edl": check_edl, "csv": check_csv, "ale": check_ale, "pdf": check_pdf, "html": check_html}[kind](path, log)
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
