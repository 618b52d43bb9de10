#!/usr/bin/python3
"""Follows published calendars: two `zelvarofeed watch` processes side by side, for MINUTES
minutes (default 10), on addresses of the local feed server: one calendar changes every minute,
the other every two and a half minutes.

    scripts/watch-address.py [--minutes N] [--program PATH]

Each watch runs with the shortest interval an address allows (60 s). Whenever one reports a
sync, its event file is dumped and the imported version noted. At the end it prints, per watch,
every version the server published that stayed current for about an interval while the watch
ran (a shorter-lived one may fall between two checks), when it appeared and
when it was imported; the number of requests, imports and 304 answers. Exit 1 when a version
was imported late (more than one interval and a few seconds of slack) or not at all, when a
check that found nothing new was not answered by a 304, or when the number of requests is not
one per interval.

Without --program it builds the console program in build/watch-address (Release).
"""

import argparse
import datetime
import os
import re
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
INTERVAL = 60
SLACK = 5  # seconds for the cycle itself and the dump


def build():
    folder = os.path.join(ROOT, "build", "watch-address")
    launcher = ["-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"] if subprocess.call(
        ["sh", "-c", "command -v ccache >/dev/null"]) == 0 else []
    subprocess.run(["cmake", "-S", ROOT, "-B", folder, "-DCMAKE_BUILD_TYPE=Release",
                    "-DZF_TESTS=OFF", *launcher], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", "zelvarofeed"], check=True,
                   stdout=subprocess.DEVNULL)
    return os.path.join(folder, "src", "console", "zelvarofeed")


def follow(program, address, folder, env):
    """Starts a watch of `address` with its own calendar and settings in `folder`."""
    env = dict(env, XDG_CONFIG_HOME=os.path.join(folder, "config"))
    calendar = os.path.join(folder, "cal.dat")
    subprocess.run([program, "-q", "init", calendar], check=True, env=env)
    output = open(os.path.join(folder, "watch.txt"), "w+")
    process = subprocess.Popen([program, "-v", "watch", "--shared", calendar, "--feed", address,
                                "--interval", str(INTERVAL)],
                               stdout=output, stderr=subprocess.STDOUT, env=env)
    return {"address": address, "calendar": calendar, "output": output, "process": process,
            "env": env, "syncs": 0, "imports": {}}


def note_imports(program, watch):
    watch["output"].seek(0)
    syncs = watch["output"].read().count("Sync successful:")
    if syncs > watch["syncs"]:
        watch["syncs"] = syncs
        dump = subprocess.run([program, "dump", watch["calendar"]], capture_output=True,
                              text=True, env=watch["env"]).stdout
        for version in re.findall(r"Version (\d+)", dump):
            watch["imports"].setdefault(int(version), time.time())


def report(watch, period, started, end, log):
    """Prints the watch's table and summary; the number of faults found."""
    query = watch["address"][watch["address"].index("/changing.ics"):]
    requests = [line for line in open(log) if "\t%s\t" % query in line]
    lines = watch["output"].read()
    not_modified = lines.count("304 Not Modified")
    imports = lines.count("Sync successful:")
    same_content = lines.count("the same content as the last import")
    print("\n%s (changes every %d s)" % (watch["address"], period))
    print("version   published  imported  after")
    faults = 0
    judged = 0
    for version in range(int(started // period), int(end // period) + 1):
        published = max(version * period, started)
        superseded = min((version + 1) * period, end)
        if superseded - published < INTERVAL - SLACK:
            continue
        judged += 1
        when = watch["imports"].get(version)
        stamp = datetime.datetime.fromtimestamp(published).strftime("%H:%M:%S")
        if when is None:
            faults += 1
            print("%8d  %s   never" % (version, stamp))
            continue
        delay = when - published
        ok = delay <= INTERVAL + SLACK
        faults += 0 if ok else 1
        print("%8d  %s   %s  %5.1f s%s" % (
            version, stamp, datetime.datetime.fromtimestamp(when).strftime("%H:%M:%S"), delay,
            "" if ok else "  LATE"))
    expected_requests = int((end - started) // INTERVAL)
    print("versions imported within one interval: %d of %d" % (judged - faults, judged))
    print("requests: %d (at most one per interval: %d), imports: %d, 304: %d, "
          "same content without 304: %d" % (len(requests), expected_requests, imports,
                                            not_modified, same_content))
    if len(requests) != imports + not_modified + same_content:
        print("a request ended neither in an import nor in nothing changed")
        faults += 1
    if abs(len(requests) - expected_requests) > 1:
        faults += 1
    return faults + same_content


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--program")
    args = parser.parse_args()
    program = args.program or build()
    periods = [INTERVAL, INTERVAL * 5 // 2]

    server = subprocess.Popen(
        ["/usr/bin/python3", os.path.join(ROOT, "tests", "support", "feed_server.py"), "--serve",
         "--changing", str(INTERVAL)], stdout=subprocess.PIPE, text=True)
    http, _, _, log = server.stdout.readline().split()
    env = dict(os.environ, no_proxy="127.0.0.1")
    with tempfile.TemporaryDirectory(prefix="zf-watch-address-") as folder:
        started = time.time()
        watches = []
        for period in periods:
            own = os.path.join(folder, str(period))
            os.mkdir(own)
            watches.append(follow(program, "%s/changing.ics?every=%d" % (http, period), own, env))
        end = started + args.minutes * 60
        while time.time() < end:
            time.sleep(0.5)
            for watch in watches:
                note_imports(program, watch)
        for watch in watches:
            watch["process"].terminate()
            watch["process"].wait()
            watch["output"].seek(0)
        faults = sum(report(watch, period, started, end, log)
                     for watch, period in zip(watches, periods))
    server.terminate()
    server.wait()
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
