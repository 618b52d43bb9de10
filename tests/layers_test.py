"""Which folder of src/ may include which.

The portable core is built in levels: a core folder includes its own headers, those of folders
on lower levels and the platform interface (src/platform/*.h), never a platform implementation
and never an OS or C header (<...h>; the C++ standard headers have no suffix). Folders on one
level know nothing of each other. The two programs may include the core, the platform interface
and their own system's implementation, not each other. Each platform implementation includes the
interface and itself only.

A folder of src/ that the table does not place fails the test, so that a new folder is given its
level when it is made.

Usage: layers_test.py SRC_DIR
Prints every include that breaks a rule, with its file and line; exits 1 if there is one.
"""

import os
import re
import sys

CORE_LEVELS = {
    "archive": 0,
    "digest": 0,
    "datetime": 1,
    "ical": 2,
    "ini": 2,
    "store": 3,
    "icalmap": 4,
    "feed": 5,
    "sync": 6,
    "app": 7,
}
PROGRAM_PLATFORM = {"console": "platform/posix", "win": "platform/win32"}
PLATFORM_FOLDERS = {"platform", "platform/posix", "platform/win32"}

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def folder_of(path):
    """The folder of src/ that holds a header named by its include path ("store/DateEntry.h")."""
    parts = path.split("/")[:-1]
    if parts[:1] == ["platform"] and len(parts) > 1:
        return "/".join(parts[:2])
    return parts[0] if parts else ""


def may_include(owner, target):
    if owner == target:
        return True
    if owner in CORE_LEVELS:
        return target == "platform" or (
            target in CORE_LEVELS and CORE_LEVELS[target] < CORE_LEVELS[owner])
    if owner in PROGRAM_PLATFORM:
        return target in CORE_LEVELS or target in ("platform", PROGRAM_PLATFORM[owner])
    if owner in ("platform/posix", "platform/win32"):
        return target == "platform"
    return False


def check(src):
    faults = []
    for root, dirs, files in os.walk(src):
        dirs.sort()
        owner = os.path.relpath(root, src).replace(os.sep, "/")
        if owner == ".":
            continue
        if owner not in CORE_LEVELS and owner not in PROGRAM_PLATFORM and \
                owner not in PLATFORM_FOLDERS:
            faults.append(f"src/{owner}: a folder without a level")
            continue
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            with open(path, encoding="utf-8") as text:
                for number, line in enumerate(text, 1):
                    match = INCLUDE.match(line)
                    if not match:
                        continue
                    kind, header = match.groups()
                    where = f"src/{owner}/{name}:{number}"
                    if kind == "<":
                        if owner in CORE_LEVELS and header.endswith(".h"):
                            faults.append(f"{where}: OS or C header <{header}> in the core")
                        continue
                    # A name found beside the file is the folder's own header.
                    local = os.path.exists(os.path.join(root, header))
                    target = owner if local else folder_of(header)
                    if target not in CORE_LEVELS and target not in PROGRAM_PLATFORM and \
                            target not in PLATFORM_FOLDERS:
                        faults.append(f'{where}: "{header}" names no folder of src/')
                    elif not may_include(owner, target):
                        faults.append(f'{where}: src/{owner} may not include "{header}"')
    return faults


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    faults = check(sys.argv[1])
    for fault in faults:
        print(fault)
    print(f"{len(faults)} includes break the layers")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
