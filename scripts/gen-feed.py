#!/usr/bin/env python3
"""Writes a feed of random date entries and removals for benchmarks and output comparisons.

usage: gen-feed.py SECTIONS SEED [REMOVALS] > feed.ini
The same SECTIONS and SEED always give the same bytes; GUIDs are drawn from a pool sized so
that two feeds with different seeds share some entries (updates) and differ in others.
"""
import random
import sys


def guid(n):
    return "{%08X-0000-4000-8000-%012X}" % (n, n * 2654435761 % (1 << 48))


def stamp(rng, with_seconds=True):
    y, mo, d = rng.randint(2020, 2030), rng.randint(1, 12), rng.randint(1, 28)
    h, mi = rng.randint(0, 23), rng.choice((0, 15, 30, 45))
    if with_seconds:
        return "%04d %02d %02d %02d %02d 00" % (y, mo, d, h, mi)
    return "%04d-%02d-%02d %02d:%02d" % (y, mo, d, h, mi)


def entry(rng, index, pool):
    words = ["Meeting", "Dentist", "Zürich trip", "Standup", "Review", "Lunch", "Call"]
    lines = ["[DateEntry %d]" % index, "GUID=" + guid(rng.randrange(pool))]
    if rng.random() < 0.1:
        lines.append("Repeat=0")
        return lines
    repeat = rng.choice((0, 0, 1, 1, 2, 3))
    lines += [
        "StorageType=%d" % rng.choice((0, 1, 2)),
        "Category=" + rng.choice(("Work", "Home", "", "Ünïcode")),
        "Description=%s %d" % (rng.choice(words), rng.randrange(1000)),
        "Notes=" + rng.choice(("", "Room 4\\nBring notes", "tab\\there", "x" * rng.randrange(80))),
        "Display=%d" % rng.choice((0, 1)),
        "BgColor=%d,%d,%d" % (rng.randrange(256), rng.randrange(256), rng.randrange(256)),
        "TextColor=%d, %d, %d" % (rng.randrange(256), rng.randrange(256), rng.randrange(256)),
        "Icon=" + rng.choice(("", "meeting", "phone")),
        "StartDate=" + stamp(rng),
        "EndDate=" + stamp(rng, rng.random() < 0.5),
        "ShowStartTime=%d" % rng.choice((0, 1)),
        "ShowEnd=%d" % rng.choice((0, 1)),
        "Repeat=%d" % repeat,
        "RepeatRate=%d" % rng.randint(1, 4),
        "RepeatUnit=%d" % rng.randint(0, 5),
        "RepeatWeekdayCount=%d" % rng.randint(0, 5),
        "RepeatWeekday=%d" % rng.randint(0, 6),
        "RepeatEnd=%d" % rng.randint(0, 2),
        "RepeatEndCount=%d" % rng.randint(1, 50),
        "RepeatEndDate=" + stamp(rng)[:10],
        "CondTimeEnable=%d" % rng.choice((0, 1)),
        "CondStartTime=0001 01 01 08 00 00",
        "CondEndTime=0001 01 01 17 00 00",
        "CondWeekdays=%d" % rng.randint(1, 127),
        "CondMonth=%d" % rng.randint(1, 4095),
        "Forewarn=%d" % rng.choice((0, 1)),
        "ForewarnSpan=%d" % rng.randint(0, 60),
        "ForewarnUnit=%d" % rng.randint(0, 3),
        "ForewarnSilent=%d" % rng.choice((0, 1)),
        "SnoozeSpan=%d" % rng.randint(1, 30),
        "SnoozeUnit=%d" % rng.randint(0, 3),
        "SnoozeType=%d" % rng.randint(0, 2),
        "OverdueAction=%d" % rng.randint(0, 2),
        "ExecuteSpan=%d" % rng.randint(0, 10),
        "ExecuteUnit=%d" % rng.randint(0, 3),
        "Action=%d" % rng.randint(0, 3),
        "Sound=%d" % rng.choice((0, 1)),
        "SoundFile=" + rng.choice(("", "C:\\\\Media\\\\ding.wav")),
        "SoundRepeatEndless=%d" % rng.choice((0, 1)),
        "SoundRepeatCount=%d" % rng.randint(0, 5),
        "DocumentFile=" + rng.choice(("", "C:\\\\Docs\\\\a.txt")),
        "AckOpen=%d" % rng.choice((0, 1)),
        "CmdLine=" + rng.choice(("", "notepad.exe")),
        "Parameter=" + rng.choice(("", "-x")),
        "AckExecute=%d" % rng.choice((0, 1)),
    ]
    body = lines[2:]
    rng.shuffle(body)
    lines[2:] = body
    for n in range(rng.choice((0, 0, 0, 1, 3))):
        lines.append("DroppedOccurence %d=%s" % (n, stamp(rng)))
    return lines


def main():
    sections, seed = int(sys.argv[1]), int(sys.argv[2])
    removals = int(sys.argv[3]) if len(sys.argv) > 3 else sections // 20
    rng = random.Random(seed)
    pool = sections * 2
    out = []
    for i in range(sections):
        out += entry(rng, i, pool)
        out.append("")
    for i in range(removals):
        out += ["[Remove %d]" % i, "GUID=" + guid(rng.randrange(pool)), ""]
    sys.stdout.write("\n".join(out))


main()
