#!/usr/bin/python3
"""How soon a changed feed file reaches the event file, with and without change notification.

    scripts/notify-latency.py [--changes N] [--interval S] [--program PATH] [--off] [--others K]
    scripts/notify-latency.py --burst [--rename] [--program PATH] [--others K]
    scripts/notify-latency.py --wine EXE --probe UiProbe.exe [--changes N] [--interval S]
                              [--others K]

Latency: `zelvarofeed watch --interval S` (default 300) runs in a fresh folder; the feed file is
changed N times (default 100), each change written beside the feed and renamed over it, after
a random pause of 0 to 1 s once the previous change is in the event file. Each change's delay
until the event file is replaced (a new file at its path, polled every 2 ms) is measured;
median, 95th percentile and maximum are printed. --off adds --no-notify: the timer alone.

--burst: the feed is rewritten 1,000 times in 10 s (every 10 ms), in place or (--rename) by
a rename over it; prints how many
checks the watch made (its -v output), how many synced, and whether the last version reached the event file.

--wine: the same latency measure for the Windows program under Wine (a fresh prefix on its own
X display, made as the UI tests make theirs), with the interval in its settings file.

--others K: the calendar has K more file subscriptions besides the changing feed (each with
the same interval and a feed of its own that does not change), half of them in the feed's
folder and half in a folder of their own; the watch follows the list (`feed add`, then `watch`
without --feed). The changing feed is the last subscription, "Feed", so that it is not the one
that a program following only the first subscription would watch.

Without --program it builds the console program in build/watch-address (Release).
"""

import argparse
import contextlib
import importlib.util
import os
import random
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EMPTY_EVENT_FILE = b"\x64\0\0\0" + b"\0" * 12


def build():
    """The console program, built as scripts/watch-address.py builds it."""
    found = importlib.util.spec_from_file_location(
        "watch_address", os.path.join(ROOT, "scripts", "watch-address.py"))
    module = importlib.util.module_from_spec(found)
    found.loader.exec_module(module)
    return module.build()


def feed(version):
    return (f"[DateEntry 0]\r\nGUID={{00000000-0000-0000-0000-{version:012X}}}\r\n"
            f"Description=Version {version}\r\nStartDate=2030 05 01 10 00 00\r\n"
            f"EndDate=2030 05 01 11 00 00\r\n").encode("latin-1")


def replace_feed(path, data):
    staging = path + ".new"
    with open(staging, "wb") as out:
        out.write(data)
    os.replace(staging, path)


def identity(path):
    try:
        st = os.stat(path)
        return st.st_ino, st.st_mtime_ns, st.st_size
    except FileNotFoundError:
        return None


def wait_for_replace(path, before, limit):
    """Seconds until another file stands at `path` than `before`; None after `limit` seconds.
    (Under Wine the replace leaves a moment without a file at the path.)"""
    start = time.monotonic()
    while time.monotonic() - start < limit:
        now = identity(path)
        if now is not None and now != before:
            return time.monotonic() - start
        time.sleep(0.002)
    return None


def measure(feed_path, event_path, changes, interval):
    delays = []
    for version in range(1, changes + 1):
        time.sleep(random.uniform(0, 1))
        before = identity(event_path)
        replace_feed(feed_path, feed(version))
        delay = wait_for_replace(event_path, before, interval + 30)
        if delay is None:
            print(f"change {version}: not in the event file after {interval + 30} s")
            continue
        delays.append(delay)
        # The replace is a rename of a complete file: its content says which version it holds.
        time.sleep(0.05)
        with open(event_path, "rb") as handle:
            if f"{version:012X}".encode() not in handle.read():
                print(f"change {version}: the event file holds another version")
    return delays


def report(label, delays, changes):
    if not delays:
        print(f"| {label} | 0/{changes} | - | - | - |")
        return
    ordered = sorted(delays)
    p95 = ordered[min(len(ordered) - 1, int(round(0.95 * (len(ordered) - 1))))]
    print(f"| {label} | {len(delays)}/{changes} | {statistics.median(ordered) * 1000:.0f} ms "
          f"| {p95 * 1000:.0f} ms | {ordered[-1] * 1000:.0f} ms |")


def other_feeds(folder, others):
    """The files of `others` subscriptions that do not change: half beside the feed, half in a
    folder of their own."""
    os.makedirs(os.path.join(folder, "elsewhere"), exist_ok=True)
    return [os.path.join(folder, "elsewhere" if n % 2 else "", f"other{n}.ini")
            for n in range(1, others + 1)]


def start_watch(program, folder, interval, off, extra=(), others=0):
    env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"))
    feed_path = os.path.join(folder, "feed.ini")
    args = [program, "watch", "--shared", os.path.join(folder, "cal.dat"), *extra]
    if others:
        # The others first, each with a version of its own; the changing feed last.
        for n, path in enumerate(other_feeds(folder, others) + [feed_path], 1):
            if n <= others:
                replace_feed(path, feed(0x100000 + n))
            subprocess.run([program, "-q", "feed", "add", f"Other{n}" if n <= others else "Feed",
                            path, "--interval", str(interval)], check=True, env=env)
    else:
        args += ["--feed", feed_path, "--interval", str(interval)]
    if off:
        args.append("--no-notify")
    out = open(os.path.join(folder, "watch.out"), "w")
    process = subprocess.Popen(args, stdout=out, stderr=subprocess.STDOUT, env=env)
    deadline = time.monotonic() + 60
    while "mode:" not in open(os.path.join(folder, "watch.out")).read():
        if time.monotonic() > deadline or process.poll() is not None:
            raise SystemExit("the watch did not start:\n" + open(out.name).read())
        time.sleep(0.05)
    return process


@contextlib.contextmanager
def running_watch(args, off):
    """A watch over an empty event file in a fresh folder, stopped afterwards; yields the
    folder."""
    program = args.program or build()
    with tempfile.TemporaryDirectory(prefix="zf-notify-") as folder:
        with open(os.path.join(folder, "cal.dat"), "wb") as out:
            out.write(EMPTY_EVENT_FILE)
        process = start_watch(program, folder, args.interval, off, ["-v"], args.others)
        try:
            yield folder
        finally:
            process.terminate()
            process.wait()


def native_latency(args):
    with running_watch(args, args.off) as folder:
        delays = measure(os.path.join(folder, "feed.ini"), os.path.join(folder, "cal.dat"),
                         args.changes, args.interval)
    label = f"Linux, notifications {'off' if args.off else 'on'}, --interval {args.interval}"
    report(label + subscriptions_label(args.others), delays, args.changes)


def subscriptions_label(others):
    return f", 1 of {others + 1} file subscriptions changing" if others else ""


def burst(args):
    with running_watch(args, False) as folder:
        event = os.path.join(folder, "cal.dat")
        feed_path = os.path.join(folder, "feed.ini")
        start = time.monotonic()
        for version in range(1, 1001):
            if args.rename:
                replace_feed(feed_path, feed(version))
            else:
                with open(feed_path, "wb") as out:  # in place, as a careless writer does
                    out.write(feed(version))
            pause = start + version * 0.01 - time.monotonic()
            if pause > 0:
                time.sleep(pause)
        took = time.monotonic() - start
        # The last version settles within a few seconds.
        deadline = time.monotonic() + 10
        final = f"{1000:012X}".encode()
        while time.monotonic() < deadline:
            if os.path.exists(event) and final in open(event, "rb").read():
                break
            time.sleep(0.05)
        time.sleep(1)
        output = open(os.path.join(folder, "watch.out")).read()
        # -v prints each check's bare status on a line of its own, after "Feed: " with
        # several subscriptions; the others' checks are counted apart.
        pattern = (r"\d\d:\d\d:\d\d  {}(Sync successful|Nothing changed, not syncing|"
                   r"Feed file is empty|Can't open feed file for reading)$")
        checks = re.findall(pattern.format("Feed: " if args.others else ""), output, re.M)
        others = re.findall(pattern.format("Other\\d+: "), output, re.M)
        last = final in open(event, "rb").read()
    counts = ", ".join(f"{checks.count(k)} {k}" for k in sorted(set(checks)))
    how = "by rename" if args.rename else "in place"
    print(f"1,000 rewrites {how} in {took:.1f} s{subscriptions_label(args.others)}: "
          f"{checks.count('Sync successful')} syncs (checks: {counts}); the last version "
          f"{'is' if last else 'is NOT'} in the event file; checks of the other subscriptions: "
          f"{len(others)}")


def wine_latency(args):
    sys.path.insert(0, os.path.join(ROOT, "tests", "ui"))
    sys.dont_write_bytecode = True
    from uidriver import Session  # noqa: E402
    work = tempfile.mkdtemp(prefix="zf-notify-wine-")
    session = Session(os.path.abspath(args.wine), os.path.abspath(args.probe), work, "latency")
    try:
        event = session.drive_c("zf", "Calendar.dat")
        feed_path = session.drive_c("zf", "feed.txt")
        os.makedirs(os.path.dirname(event), exist_ok=True)
        with open(event, "wb") as out:
            out.write(EMPTY_EVENT_FILE)
        replace_feed(feed_path, feed(0))
        settings = session.settings_path()
        os.makedirs(os.path.dirname(settings), exist_ok=True)
        lines = ["[Settings]", "SharedFilePath=C:\\\\zf\\\\Calendar.dat"]
        if args.others:
            # Written as the Windows program's own subscriptions, the changing feed last.
            os.makedirs(session.drive_c("zf", "elsewhere"), exist_ok=True)
            for n in range(1, args.others + 2):
                other = n <= args.others
                source = f"{'elsewhere/' if n % 2 else ''}other{n}.txt" if other else "feed.txt"
                if other:
                    replace_feed(session.drive_c("zf", *source.split("/")), feed(0x100000 + n))
                lines += [f"[Feed {n}]", f"Name={f'Other{n}' if other else 'Feed'}",
                          "Source=C:\\\\zf\\\\" + source.replace("/", "\\\\"),
                          f"Interval={args.interval}"]
        else:
            lines += [f"CheckFeedInterval={args.interval}",
                      "LastFeedFileTime=2000 01 01 00 00 00", "FeedFilePath=C:\\\\zf\\\\feed.txt"]
        with open(settings, "w") as out:
            out.write("\r\n".join(lines + [""]))
        session.start()
        session.wait_for_status("Start syncing...")
        delays = measure(feed_path, event, args.changes, args.interval)
    finally:
        session.close()
        shutil.rmtree(work, ignore_errors=True)  # a prefix of its own: hundreds of megabytes
    report(f"Wine, notifications on, interval {args.interval}{subscriptions_label(args.others)}",
           delays, args.changes)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--changes", type=int, default=100)
    parser.add_argument("--interval", type=int, default=300)
    parser.add_argument("--program")
    parser.add_argument("--off", action="store_true")
    parser.add_argument("--burst", action="store_true")
    parser.add_argument("--rename", action="store_true",
                        help="--burst writes each version beside the feed and renames it over")
    parser.add_argument("--others", type=int, default=0,
                        help="this many more file subscriptions that do not change")
    parser.add_argument("--wine")
    parser.add_argument("--probe")
    args = parser.parse_args()
    if args.burst:
        burst(args)
    elif args.wine:
        wine_latency(args)
    else:
        print("| measure | changes seen | median | 95th percentile | maximum |")
        print("|---|---|---|---|---|")
        native_latency(args)
    return 0


if __name__ == "__main__":
    sys.exit(main())
