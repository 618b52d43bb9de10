"""The Windows installer under Wine: installs, starts and uninstalls ZelvaroFeed for real.

    python3 installer_test.py --setup ZelvaroFeed-1.0-setup.exe --exe ZelvaroFeed.exe
                              --probe UiProbe.exe --work DIR [--version 1.0]

In a fresh Wine prefix on its own X display: a silent install, a silent reinstall that asks
for the log-on start, the program started from its Start-menu entry, a silent uninstall while
it runs, then an install through the installer's pages with real key presses (the components
page is kept as installer-components.png in the run folder) and a last silent uninstall.
"""

import argparse
import os
import subprocess
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from uidriver import (Session, UiError, check, check_equal, find_control,  # noqa: E402
                      read_ini, run_session)

APP = "ZelvaroFeed"
SETUP_CAPTION = "ZelvaroFeed Setup"
INSTALL_DIR = "C:\\Program Files\\ZelvaroFeed"
INSTALLED_EXE = INSTALL_DIR + "\\ZelvaroFeed.exe"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\ZelvaroFeed"
START_MENU_LINK = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\ZelvaroFeed.lnk"

# Controls of the installer window: its buttons and the page title in its header.
ID_NEXT = 1
ID_PAGE_TITLE = 1037


class Installation:
    """Where the installer puts things in the prefix of `session`."""

    def __init__(self, session):
        self.session = session

    def unix(self, windows_path):
        drive, rest = windows_path.split(":\\", 1)
        check_equal(drive.upper(), "C", "drive of " + windows_path)
        return self.session.drive_c(*rest.split("\\"))

    def startup_link(self):
        return self.session.user_folder("AppData", "Roaming", "Microsoft", "Windows",
                                        "Start Menu", "Programs", "StartUp", APP + ".lnk")

    def registry(self):
        """The values of the uninstall entry, or None when there is none."""
        result = subprocess.run(["wine", "reg", "query", UNINSTALL_KEY], env=self.session.env,
                                capture_output=True, text=True, timeout=120)
        if result.returncode != 0:
            return None
        values = {}
        for line in result.stdout.splitlines():
            parts = line.strip().split(None, 2)
            if len(parts) == 3 and parts[1].startswith("REG_"):
                values[parts[0]] = parts[2]
        return values

    def check_installed(self, exe, version, autostart):
        with open(self.unix(INSTALLED_EXE), "rb") as installed, open(exe, "rb") as built:
            check(installed.read() == built.read(), f"{INSTALLED_EXE} is not the built program")
        check(os.path.isfile(self.unix(INSTALL_DIR + "\\Uninstall.exe")), "no uninstaller")
        check(not os.path.exists(self.session.drive_c("Program Files (x86)", APP)),
              "installed into Program Files (x86)")
        check_link(self.unix(START_MENU_LINK), "the Start-menu entry")
        if autostart:
            check_link(self.startup_link(), "the Startup shortcut")
        else:
            check(not os.path.exists(self.startup_link()),
                  "a Startup shortcut exists although the log-on start was not chosen")
        values = self.registry()
        check(values is not None, f"no uninstall entry {UNINSTALL_KEY}")
        for name, value in (("DisplayName", APP), ("DisplayVersion", version),
                            ("InstallLocation", INSTALL_DIR),
                            ("UninstallString", f'"{INSTALL_DIR}\\Uninstall.exe"'),
                            ("QuietUninstallString", f'"{INSTALL_DIR}\\Uninstall.exe" /S')):
            check_equal(values.get(name), value, f"uninstall entry value {name}")

    def wait_until_removed(self):
        """The uninstaller runs from a copy of itself in the temporary folder, and its first
        process ends at once: waits until everything it removes is gone."""
        paths = (self.unix(INSTALL_DIR), self.unix(START_MENU_LINK), self.startup_link())
        self.session.wait_for("the uninstaller to remove the files",
                              lambda: not any(os.path.exists(p) for p in paths), timeout=180)
        check(self.registry() is None, "the uninstall entry is left in the registry")


def check_link(path, what):
    """The shortcut exists and points at the installed program (Wine's shell links hold the
    target's full path as ANSI text)."""
    check(os.path.isfile(path), f"{what} is missing: {path}")
    with open(path, "rb") as handle:
        check(INSTALLED_EXE.encode("ascii") in handle.read(),
              f"{what} does not point at {INSTALLED_EXE}")


def run_setup(session, setup, *args):
    result = subprocess.run(["wine", setup, *args], env=session.env, stdout=session.log,
                            stderr=subprocess.STDOUT, timeout=180)
    check_equal(result.returncode, 0, f"exit code of the installer {' '.join(args)}")


def silent_install_start_uninstall(session, setup, exe, version):
    place = Installation(session)
    run_setup(session, setup, "/S")
    place.check_installed(exe, version, autostart=False)
    run_setup(session, setup, "/S", "/AUTOSTART")
    place.check_installed(exe, version, autostart=True)

    # The Start-menu entry starts the installed program, which shows its window and writes
    # its settings.
    app = subprocess.Popen(["wine", "start", "/wait", START_MENU_LINK], env=session.env,
                           stdout=session.log, stderr=subprocess.STDOUT)
    state = session.wait_for_window(APP)
    check_equal(state["class"], "#32770", "class of the program's window")
    session.wait_for("the settings file", lambda: os.path.isfile(session.settings_path()))

    # Uninstalling closes the running program, which saves its settings and ends normally;
    # the settings stay.
    run_setup(session, place.unix(INSTALL_DIR + "\\Uninstall.exe"), "/S")
    try:
        check_equal(app.wait(120), 0, "exit code of the program closed by the uninstaller")
    except subprocess.TimeoutExpired:
        raise UiError("the uninstaller left the program running") from None
    place.wait_until_removed()
    sections, text = read_ini(session.settings_path())
    check("Settings" in sections, f"the settings file lost its settings:\n{text}")


def wait_for_page(session, title, next_text):
    """Waits for the page whose header says `title` ("" on the pages without a header) and
    whose default button says `next_text`, enabled."""
    def shown():
        # The only dialog while the program is not running; its caption ends in a space on
        # some pages (an empty subcaption).
        state = session.state("class:#32770")
        if state is None or state["text"].strip() != SETUP_CAPTION:
            return None
        header = find_control(state, ID_PAGE_TITLE)
        button = find_control(state, ID_NEXT)
        if (header["text"] if header["visible"] else "") != title:
            return None
        return state if button["text"] == next_text and button["enabled"] else None
    return session.wait_for(f'the installer page "{title or next_text}"', shown, timeout=180)


def install_through_pages(session, setup, exe, version):
    place = Installation(session)
    wizard = subprocess.Popen(["wine", setup], env=session.env, stdout=session.log,
                              stderr=subprocess.STDOUT)
    wait_for_page(session, "", "&Next >")
    session.key("Return")
    # The log-on start is the second component, off until chosen: Down selects it in the
    # list, which has the focus, and Space ticks it.
    state = wait_for_page(session, "Choose Components", "&Next >")
    time.sleep(0.5)  # the list is drawn after the page's controls exist
    session.screenshot(os.path.join(session.folder, "installer-components.png"), state["rect"])
    session.key("Down", "space")
    time.sleep(0.5)
    session.screenshot(os.path.join(session.folder, "installer-components-chosen.png"),
                       state["rect"])
    session.key("Return")
    wait_for_page(session, "Choose Install Location", "&Install")
    session.key("Return")
    wait_for_page(session, "Installation Complete", "&Next >")
    session.key("Return")
    wait_for_page(session, "", "&Finish")
    session.key("Return")
    try:
        check_equal(wizard.wait(120), 0, "exit code of the installer")
    except subprocess.TimeoutExpired:
        raise UiError("the installer did not end after Finish") from None
    place.check_installed(exe, version, autostart=True)

    run_setup(session, place.unix(INSTALL_DIR + "\\Uninstall.exe"), "/S")
    place.wait_until_removed()


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--setup", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--version", default="1.0")
    parser.add_argument("--keep", action="store_true", help="keep the prefix after a pass")
    args = parser.parse_args()

    setup = os.path.abspath(args.setup)
    exe = os.path.abspath(args.exe)
    session = Session(exe, os.path.abspath(args.probe), os.path.abspath(args.work), "installer")

    def install_start_uninstall(session):
        session.warm_up()
        silent_install_start_uninstall(session, setup, exe, args.version)
        install_through_pages(session, setup, exe, args.version)

    return run_session(session, "installer", install_start_uninstall, args.keep)

if __name__ == "__main__":
    sys.exit(main())
