"""The export against an independent RFC 5545 expansion.

Builds event files holding every kind of repeat rule the calendar knows (a table of cases and
a few hundred random rules, fixed seed), exports each with `zelvarofeed export`, expands the
export with python3-recurring-ical-events and compares the occurrences (start and end) with
`zelvarofeed agenda --json` of the event file over 2000-01-01..2029-12-31. With --tz, the
export is written in that zone and the oracle reads it from the VTIMEZONE; the wall-clock
times must still be the agenda's.

Usage: export_oracle.py PROGRAM WORKDIR [--random N] [--seed S] [--tz ZONE] [--round-trip]

--round-trip: the export is also imported into an empty calendar (the iCalendar feed
reader): the same agenda; exported again, the events whose text is the same apart from UID
and DTSTAMP are counted.
Exit 0 when every occurrence is equal; prints entries and occurrences compared.
"""

import datetime
import json
import os
import random
import subprocess
import sys

import icalendar
import recurring_ical_events

WINDOW_FROM = datetime.datetime(2000, 1, 1)
WINDOW_TO = datetime.datetime(2030, 1, 1)  # exclusive: the agenda's --to 2029-12-31


def dt(y, mo, d, h=0, mi=0, s=0):
    return datetime.datetime(y, mo, d, h, mi, s)


def storage(value):
    return value.strftime("%Y %m %d %H %M %S")


class Entry:
    """One feed section, every key the tests vary written out (the feed reader reuses one
    working entry, so a key left out would carry the value of the section before)."""

    counter = 0

    def __init__(self, name, start, **keys):
        Entry.counter += 1
        self.guid = "{%08X-0000-4000-8000-%012X}" % (Entry.counter, Entry.counter)
        self.keys = {
            "GUID": self.guid,
            "StorageType": 1,
            "Description": name,
            "Notes": "",
            "Category": "",
            "BgColor": "224,0,0",
            "StartDate": start,
            "EndDate": start,
            "ShowStartTime": 1,
            "ShowEnd": 1,
            "Repeat": 0,
            "RepeatRate": 0,
            "RepeatUnit": 0,
            "RepeatWeekdayCount": 0,
            "RepeatWeekday": 0,
            "RepeatEnd": 0,
            "RepeatEndCount": 1,
            "RepeatEndDate": start,
            "CondTimeEnable": 0,
            "CondStartTime": dt(2000, 1, 1, 8),
            "CondEndTime": dt(2000, 1, 1, 17),
            "CondWeekdays": 127,
            "CondMonth": 4095,
            "Forewarn": 0,
            "ForewarnSpan": 0,
            "ForewarnUnit": 0,
        }
        self.keys.update(keys)
        self.dropped = []
        self.drop_picks = ()

    def section(self, index):
        lines = ["[DateEntry %d]" % index]
        for key, value in self.keys.items():
            if isinstance(value, datetime.datetime):
                value = storage(value)
            lines.append("%s=%s" % (key, value))
        for k, value in enumerate(self.dropped):
            lines.append("DroppedOccurence %d=%s" % (k, storage(value)))
        return "\n".join(lines) + "\n"


def every(rate, unit, **keys):
    return dict(Repeat=1, RepeatRate=rate, RepeatUnit=unit, **keys)


def table():
    """The rules one by one: each repeat kind and unit, ends, conditions, month ends."""
    E = Entry
    return [
        E("single timed", dt(2024, 5, 1, 9), EndDate=dt(2024, 5, 1, 10, 30)),
        E("single whole day", dt(2024, 5, 2, 9), ShowStartTime=0),
        E("three days whole", dt(2024, 5, 3), EndDate=dt(2024, 5, 5), ShowStartTime=0),
        E("no end shown", dt(2024, 5, 6, 9), EndDate=dt(2024, 5, 6, 11), ShowEnd=0),
        E("single fifth check day 30", dt(2024, 5, 30, 9), RepeatWeekdayCount=4),
        E("single fifth check day 10", dt(2024, 5, 10, 9), RepeatWeekdayCount=4),
        E("rate 0 counts once", dt(2024, 5, 11, 9), **every(0, 2)),
        E("hourly", dt(2024, 1, 1, 0, 30), EndDate=dt(2024, 1, 1, 0, 45),
          **every(1, 1, RepeatEnd=1, RepeatEndCount=500)),
        E("every 5 hours", dt(2024, 1, 1, 1), **every(5, 1, RepeatEnd=1, RepeatEndCount=300)),
        E("every 36 hours", dt(2023, 12, 30, 7), **every(36, 1, RepeatEnd=2,
                                                        RepeatEndDate=dt(2025, 1, 1))),
        E("every 48 hours", dt(2024, 3, 1, 7), **every(48, 1, RepeatEnd=1, RepeatEndCount=40)),
        E("daily", dt(2020, 2, 28, 8), EndDate=dt(2020, 2, 28, 9), **every(1, 2)),
        E("every 3 days", dt(2019, 1, 1, 8), **every(3, 2)),
        E("weekly", dt(2001, 1, 1, 18), EndDate=dt(2001, 1, 1, 19), **every(1, 3)),
        E("fortnightly", dt(2010, 6, 3, 18), **every(2, 3, RepeatEnd=1, RepeatEndCount=100)),
        E("monthly 15th", dt(2000, 1, 15, 12), **every(1, 4)),
        E("monthly 31st", dt(2004, 1, 31, 10), EndDate=dt(2004, 1, 31, 11), **every(1, 4)),
        E("monthly 30th", dt(2005, 1, 30, 10), **every(1, 4)),
        E("monthly 29th", dt(2006, 1, 29, 10), **every(1, 4)),
        E("every 2 months 31st", dt(2007, 1, 31, 10), **every(2, 4)),
        E("every 3 months 31st", dt(2007, 3, 31, 10), **every(3, 4)),
        E("every 6 months Aug 31", dt(2007, 8, 31, 10), **every(6, 4)),
        E("every 12 months 30th", dt(2007, 4, 30, 10), **every(12, 4)),
        E("monthly 31st whole day", dt(2008, 1, 31), ShowStartTime=0, **every(1, 4)),
        E("yearly", dt(2001, 7, 4, 9), **every(1, 5)),
        E("yearly leap day", dt(2000, 2, 29, 9), **every(1, 5)),
        E("leap day every 4 years", dt(2004, 2, 29), ShowStartTime=0, **every(4, 5)),
        E("every 2 years Dec 31", dt(2001, 12, 31, 23, 30), **every(2, 5)),
        E("first Monday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=0, RepeatWeekday=0),
        E("second Tuesday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=1, RepeatWeekday=1),
        E("third Wednesday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=2, RepeatWeekday=2),
        E("fourth Thursday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=3, RepeatWeekday=3),
        E("fifth Friday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=4, RepeatWeekday=4),
        E("last Saturday", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=5, RepeatWeekday=5),
        E("last Sunday whole day", dt(2002, 1, 1), ShowStartTime=0,
          Repeat=2, RepeatWeekdayCount=5, RepeatWeekday=6),
        E("first Monday after the start", dt(2002, 1, 15, 9), Repeat=2, RepeatWeekdayCount=0,
          RepeatWeekday=0, RepeatEnd=1, RepeatEndCount=12),
        E("fifth Monday counted", dt(2002, 1, 1, 9), Repeat=2, RepeatWeekdayCount=4,
          RepeatWeekday=0, RepeatEnd=1, RepeatEndCount=6),
        E("daily with fifth check", dt(2003, 1, 1, 9), RepeatWeekdayCount=4, **every(1, 2)),
        E("monthly 31st with fifth check", dt(2003, 1, 31, 9), RepeatWeekdayCount=4,
          **every(1, 4)),
        E("monthly 30th with fifth check", dt(2003, 1, 30, 9), RepeatWeekdayCount=4,
          **every(1, 4)),
        E("daily count 10", dt(2024, 6, 1, 9), **every(1, 2, RepeatEnd=1, RepeatEndCount=10)),
        E("daily until", dt(2024, 6, 1, 9), **every(1, 2, RepeatEnd=2,
                                                   RepeatEndDate=dt(2024, 6, 20, 9))),
        E("daily until before the time", dt(2024, 6, 1, 9),
          **every(1, 2, RepeatEnd=2, RepeatEndDate=dt(2024, 6, 20, 8, 59, 59))),
        E("whole day until", dt(2024, 6, 1), ShowStartTime=0,
          **every(1, 2, RepeatEnd=2, RepeatEndDate=dt(2024, 6, 20, 12))),
        E("weekdays only", dt(2015, 3, 2, 8), CondWeekdays=31, **every(1, 2)),
        E("weekends only counted", dt(2015, 3, 2, 8), CondWeekdays=96,
          **every(1, 2, RepeatEnd=1, RepeatEndCount=30)),
        E("summer months", dt(2015, 3, 2, 8), CondMonth=0b000011100000, **every(1, 2)),
        E("hourly office hours", dt(2024, 2, 1, 0, 15), CondTimeEnable=1,
          CondStartTime=dt(2000, 1, 1, 8, 15), CondEndTime=dt(2000, 1, 1, 17, 0),
          CondWeekdays=31, **every(1, 1, RepeatEnd=2, RepeatEndDate=dt(2024, 5, 1))),
        E("every 7 hours at night counted", dt(2024, 2, 1, 0), CondTimeEnable=1,
          CondStartTime=dt(2000, 1, 1, 20), CondEndTime=dt(2000, 1, 1, 23, 59, 59),
          **every(7, 1, RepeatEnd=1, RepeatEndCount=80)),
        E("time condition refuses all", dt(2024, 2, 1, 7), CondTimeEnable=1, **every(1, 2)),
        E("monthly 31st on weekdays", dt(2009, 1, 31, 10), CondWeekdays=31, **every(1, 4)),
        E("monthly 30th on weekdays", dt(2009, 1, 30, 10), CondWeekdays=31, **every(1, 4)),
        E("monthly 10th in winter counted", dt(2009, 1, 10, 10), CondMonth=0b110000000011,
          **every(1, 4, RepeatEnd=1, RepeatEndCount=20)),
        E("no weekday allowed", dt(2024, 1, 1, 10), CondWeekdays=0, **every(1, 2)),
        E("negative length", dt(2024, 4, 1, 10), EndDate=dt(2024, 4, 1, 8),
          **every(1, 2, RepeatEnd=1, RepeatEndCount=5)),
        E("longer than its period", dt(2024, 4, 1, 10), EndDate=dt(2024, 4, 3, 10),
          **every(1, 2, RepeatEnd=1, RepeatEndCount=8)),
        E("daily with drops", dt(2024, 7, 1, 9), **every(1, 2, RepeatEnd=1, RepeatEndCount=10)),
        E("monthly 31st with drops", dt(2024, 1, 31, 9), **every(1, 4)),
        E("dropped first", dt(2024, 8, 1, 9), **every(1, 3)),
        E("single dropped", dt(2024, 8, 2, 9)),
        E("series from 1995", dt(1995, 3, 3, 3), **every(10, 2)),
        E("reminder", dt(2024, 9, 1, 9), Forewarn=1, ForewarnSpan=2, ForewarnUnit=1,
          Notes="Line one\\nLine two; with, marks", Category="Work", BgColor="30,144,255"),
    ]


def random_entries(count, rng):
    entries = []
    for i in range(count):
        start = dt(rng.randint(1998, 2029), rng.randint(1, 12), 1,
                   rng.randint(0, 23), rng.choice((0, 15, 30, 45)), rng.choice((0, 0, 0, 7)))
        start += datetime.timedelta(days=rng.randint(0, 30))
        keys = {}
        whole = rng.random() < 0.2
        if whole:
            keys["ShowStartTime"] = 0
        if rng.random() < 0.7:
            minutes = rng.choice((0, 30, 90, 600, 1440, 3000)) if not whole else rng.randint(0, 3) * 1440
            keys["EndDate"] = start + datetime.timedelta(minutes=minutes)
        else:
            keys["ShowEnd"] = 0
        kind = rng.random()
        if kind < 0.12:
            pass
        elif kind < 0.8:
            unit = rng.choice((1, 2, 2, 3, 4, 4, 4, 5))
            rate = {1: rng.randint(1, 50), 2: rng.randint(1, 10), 3: rng.randint(1, 4),
                    4: rng.randint(1, 14), 5: rng.randint(1, 3)}[unit]
            keys.update(every(rate, unit))
            if rng.random() < 0.05:
                keys["RepeatWeekdayCount"] = 4
        else:
            keys.update(Repeat=2, RepeatWeekdayCount=rng.randint(0, 5),
                        RepeatWeekday=rng.randint(0, 6))
        end = rng.random()
        if end < 0.3:
            keys.update(RepeatEnd=1, RepeatEndCount=rng.randint(1, 80))
        elif end < 0.6 or keys.get("RepeatUnit") == 1:
            keys.update(RepeatEnd=2,
                        RepeatEndDate=start + datetime.timedelta(days=rng.randint(-2, 900),
                                                                 minutes=rng.randint(0, 1440)))
        if rng.random() < 0.3:
            keys["CondWeekdays"] = rng.randint(1, 127)
        if rng.random() < 0.3:
            keys["CondMonth"] = rng.randint(1, 4095)
        if rng.random() < 0.25:
            low = rng.randint(0, 20 * 60)
            keys.update(CondTimeEnable=1, CondStartTime=dt(2000, 1, 1) + datetime.timedelta(minutes=low),
                        CondEndTime=dt(2000, 1, 1) + datetime.timedelta(minutes=rng.randint(low, 1439)))
        entry = Entry("random %d" % i, start, **keys)
        if rng.random() < 0.3:
            entry.drop_picks = tuple(rng.randint(0, 20) for _ in range(rng.randint(1, 3)))
        entries.append(entry)
    return entries


def run(args, **kw):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, **kw).stdout


def make_calendar(program, workdir, name, entries):
    path = os.path.join(workdir, name + ".dat")
    feed = os.path.join(workdir, name + ".ini")
    if os.path.exists(path):
        os.remove(path)
    with open(feed, "w", encoding="cp1252", newline="\r\n") as f:
        for index, entry in enumerate(entries):
            f.write(entry.section(index))
    run([program, "-q", "init", path])
    run([program, "-q", "sync", "--shared", path, "--feed", feed])
    return path


def agenda(program, path):
    text = run([program, "agenda", path, "--from", "2000-01-01", "--to", "2029-12-31", "--json"])
    occurrences = {}
    for item in json.loads(text):
        start = datetime.datetime.fromisoformat(item["start"])
        end = datetime.datetime.fromisoformat(item["end"])
        occurrences.setdefault(item["guid"], []).append((start, end))
    return occurrences


def oracle(ics_path, zone=None):
    with open(ics_path, "rb") as f:
        text = f.read()
    if zone:
        # python3-icalendar takes a TZID that names a known zone from its own zone data; under
        # another name it reads the zone from the export's VTIMEZONE, which is what is tested.
        alias = b"ZelvaroTest-" + zone.replace("/", "-").encode()
        text = text.replace(b"TZID:" + zone.encode(), b"TZID:" + alias)
        text = text.replace(b"TZID=" + zone.encode(), b"TZID=" + alias)
    calendar = icalendar.Calendar.from_ical(text)
    occurrences = {}
    # Wider than the window: an occurrence is the agenda's when it starts in the window.
    margin = datetime.timedelta(days=400)
    for event in recurring_ical_events.of(calendar).between(WINDOW_FROM - margin,
                                                            WINDOW_TO + margin):
        start = event["DTSTART"].dt
        end = event["DTEND"].dt if "DTEND" in event else start
        if not isinstance(start, datetime.datetime):
            # Whole days: the calendar ends them at 23:59:59 of the last day.
            start = datetime.datetime.combine(start, datetime.time())
            end = datetime.datetime.combine(end, datetime.time()) - datetime.timedelta(seconds=1)
        elif start.tzinfo is not None:
            start = start.replace(tzinfo=None)
            end = end.replace(tzinfo=None)
        if WINDOW_FROM <= start < WINDOW_TO:
            occurrences.setdefault(str(event["UID"]), []).append((start, end))
    return occurrences


def compare(expected, got, entries, negative):
    names = {e.guid: e.keys["Description"] for e in entries}
    equal = 0
    total = 0
    differences = []
    for guid in sorted(set(expected) | set(got)):
        want = sorted(expected.get(guid, []))
        have = sorted(got.get(guid, []))
        if guid in negative:
            # iCalendar has no occurrence that ends before it starts: compare the starts.
            want = [(s, s) for s, _ in want]
            have = [(s, s) for s, _ in have]
        total += max(len(want), len(have))
        same = set(want) & set(have)
        equal += len(same)
        if want != have:
            missing = [w for w in want if w not in same][:3]
            extra = [h for h in have if h not in same][:3]
            differences.append("%s %s: agenda %d, oracle %d; agenda only %s; oracle only %s" %
                               (guid, names.get(guid, "?"), len(want), len(have), missing, extra))
    return equal, total, differences


def by_description(occurrences, names):
    """Occurrences keyed by the entry's description, for calendars whose GUIDs differ (an
    import may make one event into several entries)."""
    merged = {}
    for guid, items in occurrences.items():
        merged.setdefault(names[guid], []).extend(items)
    return {name: sorted(items) for name, items in merged.items()}


def events_without_stamp(text):
    """Each VEVENT's unfolded lines without UID and DTSTAMP, keyed by SUMMARY."""
    lines = text.replace("\r\n ", "").split("\r\n")
    events = {}
    current = None
    for line in lines:
        if line == "BEGIN:VEVENT":
            current = []
        elif line == "END:VEVENT":
            summary = next((l for l in current if l.startswith("SUMMARY:")), "")
            events[summary] = current
            current = None
        elif current is not None and not line.startswith(("UID:", "DTSTAMP:")):
            current.append(line)
    return events


def round_trip(program, workdir, ics, expected, names):
    """The export imported into an empty calendar gives the same agenda; how much of the
    second export's text is the first's (apart from UID, as the import derives new GUIDs,
    and DTSTAMP) is counted."""
    path = os.path.join(workdir, "imported.dat")
    if os.path.exists(path):
        os.remove(path)
    run([program, "-q", "init", path])
    run([program, "-q", "sync", "--shared", path, "--feed", ics])
    imported = agenda(program, path)
    dump = json.loads(run([program, "dump", path, "--json"]))
    new_names = {e["GUID"]: e["Description"] for e in dump["DateEntries1"] + dump["DateEntries2"]}
    want = by_description(expected, names)
    have = by_description(imported, new_names)
    for k, items in want.items():
        if any(end < start for start, end in items):
            # Written without DTEND: the import has occurrences of no length.
            want[k] = [(start, start) for start, _ in items]
    occurrences = sum(len(v) for v in want.values())
    equal = sum(len(set(want[k]) & set(have.get(k, []))) for k in want)
    problems = ["round trip: %s: %d occurrences before, %d after" %
                (k, len(want[k]), len(have.get(k, []))) for k in sorted(want)
                if want[k] != have.get(k, [])]
    again = run([program, "export", path]).decode("utf-8")
    with open(ics, encoding="utf-8", newline="") as f:
        first = events_without_stamp(f.read())
    second = events_without_stamp(again)
    # Reported, not required: the import makes an event into the entries that hold its
    # occurrences exactly, which need not be one entry with the same rule (UNTIL becomes the
    # end date, a rule the calendar cannot hold becomes several entries, an event without
    # occurrences none), so the second export may say the same occurrences in other words.
    same_text = sum(1 for k in first if first[k] == second.get(k))
    print("round trip: entries %d, occurrences %d, %d equal (%.2f%%); exported again: %d of %d "
          "events the same text apart from UID and DTSTAMP"
          % (len(want), occurrences, equal, 100.0 * equal / max(occurrences, 1), same_text,
             len(first)))
    return problems


def check_bad_input(program, workdir, good):
    """A damaged event file: the archive's cause on stderr, exit 1, no output file made and an
    existing one left as it was."""
    with open(good, "rb") as f:
        damaged = f.read()[:150]
    bad = os.path.join(workdir, "damaged.dat")
    with open(bad, "wb") as f:
        f.write(damaged)
    problems = []
    for existing in (None, b"old export\r\n"):
        out = os.path.join(workdir, "damaged.ics")
        if os.path.exists(out):
            os.remove(out)
        if existing is not None:
            with open(out, "wb") as f:
                f.write(existing)
        result = subprocess.run([program, "export", bad, "-o", out], stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        if result.returncode != 1 or "cause 3" not in result.stderr or result.stdout:
            problems.append("damaged file: exit %d, stderr %r" % (result.returncode,
                                                                 result.stderr))
        if existing is None and os.path.exists(out):
            problems.append("damaged file: an output file was made")
        if existing is not None:
            with open(out, "rb") as f:
                if f.read() != existing:
                    problems.append("damaged file: the existing output was changed")
    return problems


def main():
    program, workdir = sys.argv[1], sys.argv[2]
    count = 300
    zone = None
    seed = 20
    trip = False
    rest = sys.argv[3:]
    while rest:
        if rest[0] == "--round-trip":
            trip = True
            rest = rest[1:]
            continue
        if rest[0] == "--random":
            count = int(rest[1])
        elif rest[0] == "--seed":
            seed = int(rest[1])
        elif rest[0] == "--tz":
            zone = rest[1]
        rest = rest[2:]
    os.makedirs(workdir, exist_ok=True)
    rng = random.Random(seed)
    entries = table() + random_entries(count, rng)

    # Dropped occurrences must be occurrences: the first calendar shows where they are.
    first = agenda(program, make_calendar(program, workdir, "plain", entries))
    for entry in entries:
        seen = first.get(entry.guid, [])
        name = entry.keys["Description"]
        picks = entry.drop_picks
        if name in ("daily with drops", "monthly 31st with drops"):
            picks = (0, 2, 3, 9)
        elif name in ("dropped first", "single dropped"):
            picks = (0,)
        entry.dropped = sorted({seen[k][0] for k in picks if k < len(seen)})
    path = make_calendar(program, workdir, "calendar", entries)
    expected = agenda(program, path)

    ics = os.path.join(workdir, "calendar.ics")
    export = [program, "export", path, "-o", ics]
    if zone:
        export += ["--tz", zone]
    notes = subprocess.run(export, check=True, stderr=subprocess.PIPE, text=True).stderr
    got = oracle(ics, zone)

    negative = {e.guid for e in entries
                if e.keys["ShowEnd"] and e.keys["EndDate"] < e.keys["StartDate"]}
    equal, total, differences = compare(expected, got, entries, negative)
    listed = notes.count("no single RRULE")
    print("entries %d, occurrences %d compared, %d equal (%.2f%%); %d entries listed as RDATE%s"
          % (len(entries), total, equal, 100.0 * equal / max(total, 1), listed,
             ", zone " + zone if zone else ""))
    for line in differences:
        print("DIFF " + line)
    problems = check_bad_input(program, workdir, path)
    if trip:
        names = {e.guid: e.keys["Description"] for e in entries}
        problems += round_trip(program, workdir, ics, expected, names)
    for line in problems:
        print("FAILED " + line)
    return 0 if not differences and not problems else 1


if __name__ == "__main__":
    sys.exit(main())
