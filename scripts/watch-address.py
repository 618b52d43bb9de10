#!/usr/bin/python3
"""Follows a published calendar: `zelvarofeed watch` on an address of the local feed server,
whose calendar changes every minute, for MINUTES minutes (default 10).

    scripts/watch-address.py [--minutes N] [--program PATH]

The watch runs with the shortest interval an address allows (60 s). Whenever it reports a
sync, the event file is dumped and the imported version noted. At the end it prints, for every
version the server published (except one that appeared less than an interval before the end),
when it appeared and when it was imported; the number of 304 answers; and the number of
requests. Exit 1 when a version was imported late (more than one interval and a few seconds
of slack) or not at all, or when a check that found nothing new was not a 304.

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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--minutes", type=float, default=10)
    parser.add_argument("--program")
    args = parser.parse_args()
    program = args.program or build()

    server = subprocess.Popen(
        ["/usr/bin/python3", os.path.join(ROOT, "tests", "support", "feed_server.py"), "--serve",
         "--changing", str(INTERVAL)], stdout=subprocess.PIPE, text=True)
    http, _, _, log = server.stdout.readline().split()
    address = http + "/changing.ics"
    imports = {}  # version -> time it was first seen in the event file
    with tempfile.TemporaryDirectory(prefix="zf-watch-address-") as folder:
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   no_proxy="127.0.0.1")
        calendar = os.path.join(folder, "cal.dat")
        subprocess.run([program, "-q", "init", calendar], check=True, env=env)
        output = open(os.path.join(folder, "watch.txt"), "w+")
        started = time.time()
        watch = subprocess.Popen([program, "-v", "watch", "--shared", calendar, "--feed",
                                  address, "--interval", str(INTERVAL)],
                                 stdout=output, stderr=subprocess.STDOUT, env=env)
        syncs_seen = 0
        end = started + args.minutes * 60
        while time.time() < end:
            time.sleep(0.5)
            output.seek(0)
            syncs = output.read().count("Sync successful:")
            if syncs > syncs_seen:
                syncs_seen = syncs
                dump = subprocess.run([program, "dump", calendar], capture_output=True,
                                      text=True, env=env).stdout
                for version in re.findall(r"Version (\d+)", dump):
                    imports.setdefault(int(version), time.time())
        watch.terminate()
        watch.wait()
        output.seek(0)
        lines = output.read()
    server.terminate()
    server.wait()

    requests = [line for line in open(log) if "\t/changing.ics\t" in line] \
        if os.path.exists(log) else []
    not_modified = lines.count("304 Not Modified")
    same_content = lines.count("the same content as the last import")
    first = int(started // INTERVAL)
    last = int((end - INTERVAL) // INTERVAL)
    late = 0
    print("version  published  imported  after")
    for version in range(first, last + 1):
        published = max(version * INTERVAL, started)
        when = imports.get(version)
        stamp = datetime.datetime.fromtimestamp(published).strftime("%H:%M:%S")
        if when is None:
            late += 1
            print("%7d  %s   never" % (version, stamp))
            continue
        delay = when - published
        ok = delay <= INTERVAL + SLACK
        late += 0 if ok else 1
        print("%7d  %s   %s  %5.1f s%s" % (
            version, stamp, datetime.datetime.fromtimestamp(when).strftime("%H:%M:%S"), delay,
            "" if ok else "  LATE"))
    print("versions imported within one interval: %d of %d" % (
        last - first + 1 - late, last - first + 1))
    print("requests: %d, imports: %d, 304: %d, same content without 304: %d" % (
        len(requests), lines.count("Sync successful:"), not_modified, same_content))
    return 1 if late or same_content else 0


if __name__ == "__main__":
    sys.exit(main())
