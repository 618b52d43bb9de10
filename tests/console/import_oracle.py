"""iCalendar import against an independent RFC 5545 expansion.

Imports every .ics file of a folder into an empty calendar with `zelvarofeed sync`, lists it
with `zelvarofeed agenda --json` over 2000-01-01..2029-12-31, and compares the occurrences
(local start, local end, description) with those that python3-recurring-ical-events computes
for the same file, converted to the local time of the zone the program ran in. Each file is
checked under every zone given (TZ=...). Prints, per file and zone, the events and the
occurrences compared and every difference.

Files named hostile-* are only imported (bounded time and memory: each sync must end within
--seconds); files named *-truncated.ics must change nothing. Then the update pair
club-v1.ics -> club-v2.ics: after both syncs (with an entry of the user's own and a reminder set
on the training in between) the agenda is the oracle's for club-v2.ics plus the user's entry,
which is untouched, and the training keeps its reminder; club-v2-truncated.ics changes nothing.

Each file and zone line also gives the calendar's entries per event (an event: one UID, its
changed instances included), and the end lists their mean and the ten events with the most:
an event the program could not express as series shows there as many single entries.

Usage: import_oracle.py PROGRAM FIXTURES WORKDIR [--zone ZONE ...] [--seconds N]
Exit 0 when every occurrence is equal.
"""

import datetime
import json
import os
import shutil
import subprocess
import sys
import time
import uuid
import zoneinfo

import icalendar
import recurring_ical_events

WINDOW_FROM = datetime.datetime(2000, 1, 1)
WINDOW_TO = datetime.datetime(2030, 1, 1)  # exclusive: the agenda's --to 2029-12-31
# The namespace of the event GUIDs (CEventGuid::kNamespace).
GUID_NAMESPACE = uuid.UUID("6f1c3a52-8d4e-4b7a-9c21-5e0f7d3a9b14")
USER_GUID = "{00000000-0000-4000-8000-00000000A5E2}"


def event_guid(uid):
    return "{%s}" % str(uuid.uuid5(GUID_NAMESPACE, uid)).upper()


class Run:
    """One zone: the program with TZ set and its own settings folder."""

    def __init__(self, program, workdir, zone):
        self.program = program
        self.workdir = workdir
        self.zone = zone
        self.env = dict(os.environ, TZ=zone, HOME=workdir,
                        XDG_CONFIG_HOME=os.path.join(workdir, "config"))

    def call(self, *args, check=True):
        result = subprocess.run([self.program, *args], env=self.env, stdout=subprocess.PIPE,
                                stderr=subprocess.PIPE, text=True)
        if check and result.returncode != 0:
            raise RuntimeError("%s: exit %d: %s" % (" ".join(args), result.returncode,
                                                   result.stderr.strip()))
        return result

    def new_calendar(self, name):
        path = os.path.join(self.workdir, name + ".dat")
        if os.path.exists(path):
            os.remove(path)
        self.call("init", path)
        return path

    def agenda(self, path):
        text = self.call("agenda", path, "--from", "2000-01-01", "--to", "2029-12-31",
                         "--json").stdout
        return [(datetime.datetime.fromisoformat(item["start"]),
                 datetime.datetime.fromisoformat(item["end"]), item["description"], item["guid"])
                for item in json.loads(text)]


def ansi(text):
    """What the calendar's ANSI code page keeps of a text, shown again as UTF-8."""
    return text.encode("cp1252", errors="replace").decode("cp1252")


def latest_versions(calendar):
    """Takes out of `calendar` every VEVENT that a later version of the same event replaces
    (RFC 5545 section 3.8.7.4): of the components with one UID and one RECURRENCE-ID (or none)
    the highest SEQUENCE stays, then the latest DTSTAMP, then the last in the file. The
    expansion library compares versions only occurrence by occurrence."""
    best = {}
    for index, component in enumerate(calendar.subcomponents):
        if component.name != "VEVENT" or "UID" not in component:
            continue
        rid = component.get("RECURRENCE-ID")
        key = (str(component["UID"]), rid.to_ical().decode() if rid is not None else None)
        stamp = component.get("DTSTAMP")
        rank = (int(component.get("SEQUENCE", 0)),
                stamp.dt.astimezone(datetime.timezone.utc) if stamp is not None else
                datetime.datetime.min.replace(tzinfo=datetime.timezone.utc), index)
        if key not in best or rank > best[key][0]:
            best[key] = (rank, component)
    kept = {id(component) for _, component in best.values()}
    calendar.subcomponents = [c for c in calendar.subcomponents
                              if c.name != "VEVENT" or "UID" not in c or id(c) in kept]


def take_periods(calendar):
    """Takes the PERIOD values out of the RDATEs of `calendar`'s events, which the expansion
    library cannot read, and returns them as (event, start, end): each is one occurrence that
    ends as its period says (RFC 5545 section 3.3.9)."""
    periods = []
    for event in calendar.walk("VEVENT"):
        rdates = event.get("RDATE")
        if rdates is None:
            continue
        for rdate in rdates if isinstance(rdates, list) else [rdates]:
            kept = []
            for value in rdate.dts:
                if isinstance(value.dt, tuple):
                    start, end = value.dt
                    if isinstance(end, datetime.timedelta):
                        end = nominal_end(start, end)
                    periods.append((event, start, end))
                else:
                    kept.append(value)
            rdate.dts = kept
    return periods


def nominal_end(start, duration):
    """The end of an occurrence that lasts `duration`: its days as wall-clock days, the rest as
    exact time (RFC 5545 section 3.3.6); the library adds the whole duration as exact time."""
    days = datetime.timedelta(days=duration.days)
    if start.tzinfo is None or not days:
        return start + duration
    wall = start.replace(tzinfo=None) + days
    tz = start.tzinfo
    end = tz.localize(wall) if hasattr(tz, "localize") else wall.replace(tzinfo=tz)
    return end + (duration - days)


def oracle(ics_path, zone):
    """(start, end, summary) of every occurrence starting in the window, local to `zone`, and
    the number of events (VEVENT components that are no single changed instance)."""
    local = zoneinfo.ZoneInfo(zone)
    with open(ics_path, "rb") as f:
        calendars = icalendar.Calendar.from_ical(f.read(), multiple=True)
    occurrences = []
    events = 0
    margin = datetime.timedelta(days=2)
    for calendar in calendars:
        latest_versions(calendar)
        periods = take_periods(calendar)
        events += sum(1 for c in calendar.walk("VEVENT") if "RECURRENCE-ID" not in c)
        query = recurring_ical_events.of(calendar, components=["VEVENT"])
        found = [(event, event["DTSTART"].dt, None)
                 for event in query.between(WINDOW_FROM - margin, WINDOW_TO + margin)]
        for event, start, end in found + periods:
            if str(event.get("STATUS", "")).upper() == "CANCELLED":
                continue
            if end is not None:
                pass
            elif "DURATION" in event and isinstance(start, datetime.datetime):
                end = nominal_end(start, event["DURATION"].dt)
            elif "DTEND" in event:
                end = event["DTEND"].dt
            elif isinstance(start, datetime.datetime):
                end = start
            else:
                end = start + datetime.timedelta(days=1)
            if not isinstance(start, datetime.datetime):
                # Whole days: the calendar ends them at 23:59:59 of the last day.
                start = datetime.datetime.combine(start, datetime.time())
                end = datetime.datetime.combine(end, datetime.time()) - datetime.timedelta(seconds=1)
                if end < start:
                    end = start.replace(hour=23, minute=59, second=59)
            elif start.tzinfo is not None:
                start = start.astimezone(local).replace(tzinfo=None)
                end = end.astimezone(local).replace(tzinfo=None)
            if WINDOW_FROM <= start < WINDOW_TO:
                occurrences.append((start, end, ansi(str(event.get("SUMMARY", "")))))
    return occurrences, events


def differences(expected, got):
    """Occurrences only the oracle has and only the agenda has."""
    rest = list(got)
    missing = []
    for item in expected:
        if item in rest:
            rest.remove(item)
        else:
            missing.append(item)
    return missing, rest


def show(items):
    return ", ".join("%s..%s %s" % (s.isoformat(" "), e.isoformat(" "), d) for s, e, d in items[:8])


def event_rules(ics_path):
    """(summary, DTSTART, UNTIL) of every event whose rule ends at a UTC UNTIL, and the zone
    of every event by summary."""
    with open(ics_path, "rb") as f:
        calendars = icalendar.Calendar.from_ical(f.read(), multiple=True)
    untils, zones = [], {}
    for calendar in calendars:
        for event in calendar.walk("VEVENT"):
            start = event["DTSTART"].dt
            summary = ansi(str(event.get("SUMMARY", "")))
            if isinstance(start, datetime.datetime) and start.tzinfo is not None:
                zones[summary] = start.tzinfo
            rule = event.get("RRULE")
            if rule and rule.get("UNTIL") and isinstance(start, datetime.datetime) \
                    and start.tzinfo is not None:
                until = rule["UNTIL"][0]
                if isinstance(until, datetime.datetime) and until.tzinfo is not None:
                    untils.append((summary, start, until))
    return untils, zones


def explain(ics_path, zone, missing, surplus):
    """The differences that are the oracle's, not the program's, each with its reason; the
    rest stay differences. Two are known, both of the zone library the oracle runs on (pytz):
    - it compares UNTIL with each occurrence at DTSTART's UTC offset, so where a series
      crosses a change of offset its last occurrence, exactly at UNTIL, is lost (RFC 5545
      section 3.3.10: UNTIL is inclusive, an instant);
    - a wall-clock time that occurs twice (clocks set back) is its second occurrence there,
      its first by RFC 5545 section 3.3.5."""
    local = zoneinfo.ZoneInfo(zone)
    untils, zones = event_rules(ics_path)
    explained = []
    surplus = list(surplus)
    missing = list(missing)
    for item in list(surplus):
        start, _, summary = item
        instant = start.replace(tzinfo=local).astimezone(datetime.timezone.utc)
        for name, dtstart, until in untils:
            if name != summary:
                continue
            wall = instant.astimezone(dtstart.tzinfo).replace(tzinfo=None)
            at_start_offset = (wall - dtstart.utcoffset()).replace(tzinfo=datetime.timezone.utc)
            if instant <= until < at_start_offset:
                explained.append((item, "UNTIL %s is inclusive; the oracle reads this "
                                        "occurrence at DTSTART's UTC offset" % until.isoformat()))
                surplus.remove(item)
                break
    for item in list(missing):
        start, end, summary = item
        # The twin starts an hour earlier and ends as the oracle's or, lasting as long, an hour
        # earlier too.
        hour = datetime.timedelta(hours=1)
        twin = next((other for other in surplus if other[2] == summary and
                     start - other[0] == hour and end - other[1] in (datetime.timedelta(), hour)),
                    None)
        tz = zones.get(summary)
        if twin is None or tz is None:
            continue
        first = twin[0].replace(tzinfo=local).astimezone(tz)
        second = start.replace(tzinfo=local).astimezone(tz)
        if first.replace(tzinfo=None) == second.replace(tzinfo=None):
            explained.append((twin, "%s occurs twice in %s: the first by RFC 5545, the "
                                    "oracle takes the second" % (first.replace(tzinfo=None), tz)))
            missing.remove(item)
            surplus.remove(twin)
    return explained, missing, surplus


def entries_per_event(run, calendar, ics_path):
    """{(uid, summary): entries} of the calendar after importing `ics_path`. An entry belongs
    to the event whose UID (or UID and RECURRENCE-ID) names its GUID, alone or with the
    entry's start (the GUIDs of the further entries of one event, CEventGuid)."""
    with open(ics_path, "rb") as f:
        calendars = icalendar.Calendar.from_ical(f.read(), multiple=True)
    owner, names_by_summary = {}, {}
    for calendar_component in calendars:
        for event in calendar_component.walk("VEVENT"):
            if "UID" not in event:
                continue
            uid = str(event["UID"])
            summary = ansi(str(event.get("SUMMARY", "")))
            key = owner.setdefault(event_guid(uid), (uid, summary))
            names = [uid]
            if "RECURRENCE-ID" in event:
                name = uid + "\n" + event["RECURRENCE-ID"].to_ical().decode()
                owner[event_guid(name)] = key
                names.append(name)
            names_by_summary.setdefault(summary, set()).update((name, key) for name in names)
    counts = {key: 0 for key in owner.values()}
    data = json.loads(run.call("dump", calendar, "--json").stdout)
    for entry in data["DateEntries2"]:
        guid = entry["GUID"]
        key = owner.get(guid)
        if key is None:
            for name, candidate in names_by_summary.get(entry["Description"], ()):
                if event_guid(name + "\n" + entry["StartDate"]) == guid:
                    key = candidate
                    break
        if key is None:
            # A summary the code page changed otherwise than ansi() does.
            for name, candidate in {item for names in names_by_summary.values() for item in names}:
                if event_guid(name + "\n" + entry["StartDate"]) == guid:
                    key = candidate
                    break
        if key is None:
            key = ("(no UID) " + guid, entry["Description"])
        counts[key] = counts.get(key, 0) + 1
    return {key: n for key, n in counts.items() if n > 0}


ENTRY_COUNTS = []  # (entries, file, zone, summary) of every event imported


def compare(run, name, expected, got, events, failures, ics_path, counts=None):
    got = sorted((s, e, d) for s, e, d, _ in got)
    expected = sorted(expected)
    missing, surplus = differences(expected, got) if expected != got else ([], [])
    equal = len(expected) - len(missing)
    explained, missing, surplus = explain(ics_path, run.zone, missing, surplus)
    per_event = ""
    if counts:
        per_event = "  entries/event %.2f max %d" % (sum(counts.values()) / len(counts),
                                                      max(counts.values()))
        ENTRY_COUNTS.extend((n, name, run.zone, key[1]) for key, n in counts.items())
    print("%-34s %-17s events %4d  occurrences %6d  equal %6d%s%s%s" %
          (name, run.zone, events, len(expected), equal, per_event,
           "  explained %d" % len(explained) if explained else "",
           "" if not missing and not surplus else "  DIFFERENT"))
    for (start, _, summary), reason in explained:
        print("    explained: %s %s: %s" % (start.isoformat(" "), summary, reason))
    if missing or surplus:
        failures.append("%s under %s: oracle only (%d): %s; agenda only (%d): %s" %
                        (name, run.zone, len(missing), show(missing), len(surplus), show(surplus)))


def check_fixture(run, path, seconds, failures):
    name = os.path.basename(path)
    calendar = run.new_calendar("fixture")
    began = time.monotonic()
    result = run.call("sync", "--shared", calendar, "--feed", path, check=False)
    took = time.monotonic() - began
    if name.startswith("hostile-"):
        state = "exit %d in %.1f s" % (result.returncode, took)
        print("%-34s %-17s imported only (bounded): %s" % (name, run.zone, state))
        if took > seconds:
            failures.append("%s under %s took %.1f s" % (name, run.zone, took))
        return
    if name.endswith("-truncated.ics"):
        got = run.agenda(calendar)
        print("%-34s %-17s incomplete: exit %d, %d occurrences" %
              (name, run.zone, result.returncode, len(got)))
        if result.returncode == 0 or got:
            failures.append("%s under %s was imported" % (name, run.zone))
        return
    if result.returncode != 0:
        failures.append("%s under %s: sync failed: %s" % (name, run.zone, result.stderr.strip()))
        return
    expected, events = oracle(path, run.zone)
    compare(run, name, expected, run.agenda(calendar), events, failures, path,
            entries_per_event(run, calendar, path))


def dump_entry(run, calendar, guid):
    data = json.loads(run.call("dump", calendar, "--json").stdout)
    for entry in data["DateEntries2"]:
        if entry["GUID"] == guid:
            return entry
    return None


def ini_section(index, entry):
    """A feed section that gives back `entry` as the dump lists it."""
    lines = ["[DateEntry %d]" % index]
    for key, value in entry.items():
        if key in ("LastCheckTime", "SeriesEnd", "SeriesEndKnown", "Spare") or isinstance(value, list):
            continue
        if key in ("BgColor", "TextColor"):
            value = "%d,%d,%d" % (value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF)
        lines.append("%s=%s" % (key, value))
    for k, dropped in enumerate(entry.get("DroppedOccurrences", [])):
        lines.append("DroppedOccurence %d=%s" % (k, dropped))
    return "\n".join(lines) + "\n"


def check_update_pair(run, fixtures, failures):
    v1 = os.path.join(fixtures, "club-v1.ics")
    v2 = os.path.join(fixtures, "club-v2.ics")
    truncated = os.path.join(fixtures, "club-v2-truncated.ics")
    if not all(os.path.exists(path) for path in (v1, v2, truncated)):
        return
    feed = os.path.join(run.workdir, "club.ics")
    calendar = run.new_calendar("club")
    shutil.copyfile(v1, feed)
    run.call("sync", "--shared", calendar, "--feed", feed)

    # In between the user adds an entry of their own and sets a reminder on the training.
    training = dump_entry(run, calendar, event_guid("training@club.example"))
    if training is None:
        failures.append("club-v1.ics under %s: no training entry" % run.zone)
        return
    training.update(Forewarn=1, ForewarnSpan=30, ForewarnUnit=0)
    user = ("[DateEntry 1]\nGUID=%s\nStorageType=1\nDescription=Dentist\nStartDate=2026 12 15 "
            "10 00 00\nEndDate=2026 12 15 11 00 00\nRepeat=0\nForewarn=0\nForewarnSpan=0\n" % USER_GUID)
    hand = os.path.join(run.workdir, "by-hand.ini")
    with open(hand, "w", encoding="utf-8") as f:
        f.write(ini_section(0, training) + user)
    run.call("sync", "--shared", calendar, "--feed", hand)

    shutil.copyfile(v2, feed)
    run.call("sync", "--shared", calendar, "--feed", feed)
    before_truncated = open(calendar, "rb").read()
    shutil.copyfile(truncated, feed)
    if run.call("sync", "--shared", calendar, "--feed", feed, check=False).returncode == 0:
        failures.append("club-v2-truncated.ics under %s: sync succeeded" % run.zone)
    if open(calendar, "rb").read() != before_truncated:
        failures.append("club-v2-truncated.ics under %s changed the calendar" % run.zone)

    got = run.agenda(calendar)
    user_items = [item for item in got if item[3] == USER_GUID]
    if [(s.isoformat(), d) for s, _, d, _ in user_items] != [("2026-12-15T10:00:00", "Dentist")]:
        failures.append("club pair under %s: the user's entry changed: %s" % (run.zone, user_items))
    expected, events = oracle(v2, run.zone)
    compare(run, "club-v1 -> club-v2", expected, [i for i in got if i[3] != USER_GUID], events,
            failures, v2)
    after = dump_entry(run, calendar, event_guid("training@club.example"))
    if after is None or (after["Forewarn"], after["ForewarnSpan"]) != (1, 30):
        failures.append("club pair under %s: the training lost its reminder" % run.zone)


def main():
    args = sys.argv[1:]
    if len(args) < 3:
        print(__doc__)
        return 2
    program, fixtures, workdir = args[:3]
    zones = []
    seconds = 60.0
    rest = args[3:]
    while rest:
        option = rest.pop(0)
        if option == "--zone":
            zones.append(rest.pop(0))
        elif option == "--seconds":
            seconds = float(rest.pop(0))
        else:
            print("unknown option " + option)
            return 2
    zones = zones or ["Europe/Berlin", "America/New_York"]
    failures = []
    files = sorted(os.path.join(fixtures, n) for n in os.listdir(fixtures) if n.endswith(".ics"))
    for zone in zones:
        folder = os.path.join(workdir, zone.replace("/", "_"))
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        run = Run(program, folder, zone)
        for path in files:
            try:
                check_fixture(run, path, seconds, failures)
            except RuntimeError as error:
                failures.append("%s under %s: %s" % (os.path.basename(path), zone, error))
        try:
            check_update_pair(run, fixtures, failures)
        except RuntimeError as error:
            failures.append("club pair under %s: %s" % (zone, error))
    if ENTRY_COUNTS:
        print("entries per event: %d events, %d entries, mean %.2f; the ten with the most:" %
              (len(ENTRY_COUNTS), sum(n for n, *_ in ENTRY_COUNTS),
               sum(n for n, *_ in ENTRY_COUNTS) / len(ENTRY_COUNTS)))
        for n, name, zone, summary in sorted(ENTRY_COUNTS, key=lambda c: -c[0])[:10]:
            print("  %5d  %-34s %-17s %s" % (n, name, zone, summary))
    for failure in failures:
        print("FAIL " + failure)
    print("%d files under %d zones: %s" % (len(files), len(zones),
                                            "all equal" if not failures else "%d failures" % len(failures)))
    return 0 if not failures else 1


if __name__ == "__main__":
    sys.exit(main())
