#!/usr/bin/env python3
"""Writes a publisher-style iCalendar file for import benchmarks and output comparisons.

usage: gen-ics.py EVENTS SEED [CHANGED] > calendar.ics
One VTIMEZONE (Europe/Berlin) that the events name by TZID; a fifth of the events recur
(daily, weekly or monthly, ending by COUNT, by UNTIL or never), a third carry a VALARM, some
are whole-day. The same EVENTS and SEED always give the same bytes. CHANGED (a share, e.g.
0.1): that share of the events, spread evenly, carry a new SUMMARY and a higher SEQUENCE, and
every other byte stays as without it: the publisher's next version, for refresh benchmarks.
"""
import random
import sys

VTIMEZONE = """BEGIN:VTIMEZONE
TZID:Europe/Berlin
BEGIN:DAYLIGHT
TZOFFSETFROM:+0100
TZOFFSETTO:+0200
TZNAME:CEST
DTSTART:19700329T020000
RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU
END:DAYLIGHT
BEGIN:STANDARD
TZOFFSETFROM:+0200
TZOFFSETTO:+0100
TZNAME:CET
DTSTART:19701025T030000
RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU
END:STANDARD
END:VTIMEZONE"""

WORDS = ["Meeting", "Dentist", "Zürich trip", "Standup", "Review", "Lunch", "Call", "Sprint"]
PLACES = ["Room 4", "Online", "Café Central, Wien", ""]


def fold(line):
    """Folds a content line at 75 octets (RFC 5545 3.1), never inside a UTF-8 sequence."""
    data = line.encode("utf-8")
    out, start, first = [], 0, True
    while len(data) - start > (75 if first else 74):
        cut = start + (75 if first else 74)
        while cut > start and (data[cut] & 0xC0) == 0x80:
            cut -= 1
        out.append(data[start:cut])
        start, first = cut, False
    out.append(data[start:])
    return b"\r\n ".join(out).decode("utf-8")


def event(rng, index):
    year, month, day = rng.randint(2024, 2028), rng.randint(1, 12), rng.randint(1, 28)
    hour, minute = rng.randint(7, 19), rng.choice((0, 15, 30, 45))
    stamp = "%04d%02d%02d" % (year, month, day)
    lines = [
        "BEGIN:VEVENT",
        "UID:%08d-%04d@publisher.example.com" % (index, rng.randrange(10000)),
        "DTSTAMP:20260101T%02d%02d00Z" % (rng.randint(0, 23), rng.randint(0, 59)),
        "SEQUENCE:%d" % rng.choice((0, 0, 1, 2)),
        "SUMMARY:%s %d" % (rng.choice(WORDS), rng.randrange(1000)),
    ]
    if rng.random() < 0.1:
        lines += ["DTSTART;VALUE=DATE:" + stamp, "DTEND;VALUE=DATE:%04d%02d%02d" % (year, month, day + 1)]
    else:
        lines += [
            "DTSTART;TZID=Europe/Berlin:%sT%02d%02d00" % (stamp, hour, minute),
            "DTEND;TZID=Europe/Berlin:%sT%02d%02d00" % (stamp, min(hour + rng.randint(1, 3), 23), minute),
        ]
    location = rng.choice(PLACES)
    if location:
        lines.append("LOCATION:" + location.replace(",", "\\,"))
    lines.append("DESCRIPTION:" + "Agenda item %d\\nBring the notes. " % index * rng.randint(1, 4))
    if rng.random() < 0.2:
        kind = rng.choice(("DAILY;COUNT=%d" % rng.randint(2, 30), "WEEKLY;COUNT=%d" % rng.randint(2, 52),
                           "WEEKLY;UNTIL=%04d1231T235959Z" % (year + 1), "MONTHLY;COUNT=%d" % rng.randint(2, 24),
                           "WEEKLY;INTERVAL=2", "MONTHLY;BYDAY=1MO"))
        lines.append("RRULE:FREQ=" + kind)
        if rng.random() < 0.3:
            lines.append("EXDATE;TZID=Europe/Berlin:%04d%02d%02dT%02d%02d00" % (year, month, day, hour, minute))
    if rng.random() < 1 / 3:
        lines += ["BEGIN:VALARM", "ACTION:DISPLAY", "DESCRIPTION:Reminder",
                  "TRIGGER:-PT%dM" % rng.choice((5, 10, 15, 30, 60)), "END:VALARM"]
    lines.append("END:VEVENT")
    return lines


def changed(lines):
    """The event's next version: its SUMMARY renamed, its SEQUENCE one higher."""
    out = []
    for line in lines:
        if line.startswith("SEQUENCE:"):
            line = "SEQUENCE:%d" % (int(line[9:]) + 1)
        elif line.startswith("SUMMARY:"):
            line += " (moved)"
        out.append(line)
    return out


def main():
    events, seed = int(sys.argv[1]), int(sys.argv[2])
    share = float(sys.argv[3]) if len(sys.argv) > 3 else 0.0
    rng = random.Random(seed)
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//Publisher//Generated feed//EN",
             "CALSCALE:GREGORIAN", "X-WR-CALNAME:Generated", "X-WR-TIMEZONE:Europe/Berlin"]
    lines += VTIMEZONE.split("\n")
    for index in range(events):
        lines_of_event = event(rng, index)
        # The running count of changed events steps up at this one.
        if int((index + 1) * share) > int(index * share):
            lines_of_event = changed(lines_of_event)
        lines += lines_of_event
    lines.append("END:VCALENDAR")
    out = sys.stdout.buffer
    for line in lines:
        out.write(fold(line).encode("utf-8") + b"\r\n")


if __name__ == "__main__":
    main()
