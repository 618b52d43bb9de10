"""Drives the real ZelvaroFeed.exe under Wine on a private Xvfb display.

Each session gets a fresh Wine prefix, copied from a template prefix that is initialised
once per build folder (wineboot takes many seconds; a copy takes a moment), and its own X
server. The template runs Wine's virtual desktop, which draws the window frames itself and
has a taskbar with a notification area, so that minimising, the taskbar button and the tray
icon can be observed and clicked without a window manager.

Mouse and keyboard input are real X events sent with xdotool. Control texts and states are
read with UiProbe.exe, a console helper of ours that runs inside the same prefix and desktop.
"""

import fcntl
import glob
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import traceback

SCREEN_WIDTH = 800
SCREEN_HEIGHT = 600

# The template's registry: one virtual desktop the size of the X screen.
DESKTOP_REG = f"""REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="{SCREEN_WIDTH}x{SCREEN_HEIGHT}"
"""

# Folders of the template that Wine only reads once the prefix exists: hard-linked into each
# test prefix instead of copied. Everything else (registry, user folders) is copied.
SHARED_FOLDERS = ("drive_c/windows/system32",)


class UiError(AssertionError):
    pass


def check(condition, message):
    if not condition:
        raise UiError(message)


def check_equal(actual, expected, what):
    if actual != expected:
        raise UiError(f"{what}: expected {expected!r}, got {actual!r}")


def wine_environment(prefix, display):
    env = dict(os.environ)
    env.update(
        WINEPREFIX=prefix,
        DISPLAY=display,
        WINEDEBUG="-all",
        # No Mono or Gecko installers, no desktop menu entries.
        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d",
    )
    env.pop("XAUTHORITY", None)
    return env


class XServer:
    """An Xvfb server on the first free display number."""

    def __init__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             f"{SCREEN_WIDTH}x{SCREEN_HEIGHT}x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        number = b""
        with os.fdopen(read_end, "rb") as pipe:
            while not number.endswith(b"\n"):
                chunk = pipe.read(1)
                if not chunk:
                    raise UiError("Xvfb did not start")
                number += chunk
        self.display = ":" + number.decode().strip()

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()


# Bumped whenever the template's set-up changes, so that older templates are rebuilt.
TEMPLATE_REVISION = "2"


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()


def install_caption_font(template):
    """Wine draws the caption buttons with its Marlett font; some packagings keep it where
    a new prefix does not look, which leaves letters on the buttons."""
    for font in glob.glob("/usr/share/wine*/fonts/marlett.ttf") + glob.glob(
            "/usr/lib*/wine*/fonts/marlett.ttf"):
        fonts = os.path.join(template, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        shutil.copy2(font, fonts)
        return


def ensure_template(root):
    """Creates the template prefix under `root` once; later calls find it ready."""
    template = os.path.join(root, "template")
    stamp = os.path.join(template, ".zf-template")
    os.makedirs(root, exist_ok=True)
    version = f"{wine_version()} template {TEMPLATE_REVISION}"
    with open(os.path.join(root, "template.lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.isfile(stamp) and open(stamp).read() == version:
            return template
        shutil.rmtree(template, ignore_errors=True)
        server = XServer()
        try:
            env = wine_environment(template, server.display)
            subprocess.run(["wineboot", "-i"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
            reg = os.path.join(root, "desktop.reg")
            with open(reg, "w") as out:
                out.write(DESKTOP_REG)
            subprocess.run(["wine", "regedit", reg], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            # The registry reaches the files only when the server ends.
            subprocess.run(["wineserver", "-w"], env=env, timeout=120)
            install_caption_font(template)
        finally:
            server.stop()
        with open(stamp, "w") as out:
            out.write(version)
        return template


def copy_prefix(template, prefix):
    shutil.rmtree(prefix, ignore_errors=True)
    shared = {os.path.join(template, folder) for folder in SHARED_FOLDERS}

    def copy_tree(source, target):
        os.makedirs(target, exist_ok=True)
        for entry in os.scandir(source):
            destination = os.path.join(target, entry.name)
            if entry.is_symlink():
                os.symlink(os.readlink(entry.path), destination)
            elif entry.is_dir():
                if entry.path in shared:
                    subprocess.run(["cp", "-al", entry.path, destination], check=True)
                else:
                    copy_tree(entry.path, destination)
            else:
                shutil.copy2(entry.path, destination)

    copy_tree(template, prefix)


# A virtual desktop with the shell switched on shows its taskbar from the start, as Windows
# does, and not only once a tray icon exists. Appended to a test prefix's user registry.
SHELL_REG = """
[Software\\\\Wine\\\\Explorer\\\\Desktops\\\\Default] 1700000000
"EnableShell"=dword:00000001
"""

# The caption of UiProbe's stand-in for a shell that refuses every tray icon.
REFUSING_TRAY = "UiProbe refusing tray"


class Session:
    """One run of the program under test in a fresh prefix on a fresh display; `shell`
    switches the desktop's taskbar on from the start."""

    def __init__(self, exe, probe, work_root, name, shell=False):
        self.exe = exe
        self.probe_exe = probe
        template = ensure_template(os.path.join(work_root, "prefixes"))
        self.folder = os.path.join(work_root, "runs", name)
        shutil.rmtree(self.folder, ignore_errors=True)
        os.makedirs(self.folder)
        self.prefix = os.path.join(self.folder, "prefix")
        copy_prefix(template, self.prefix)
        if shell:
            with open(os.path.join(self.prefix, "user.reg"), "a") as out:
                out.write(SHELL_REG)
        self.x = XServer()
        self.env = wine_environment(self.prefix, self.x.display)
        self.app = None
        self.refusing_tray = None
        self.warm = False
        self.log = open(os.path.join(self.folder, "wine.log"), "w")

    # --- paths inside the prefix ---

    def drive_c(self, *parts):
        return os.path.join(self.prefix, "drive_c", *parts)

    def user_folder(self, *parts):
        users = [u for u in glob.glob(self.drive_c("users", "*")) if not u.endswith("Public")]
        if len(users) != 1:
            raise UiError(f"expected one Wine user folder, found {users}")
        return os.path.join(users[0], *parts)

    def settings_path(self):
        return self.user_folder("AppData", "Roaming", "ZelvaroFeed", "Settings.ini")

    def temp_folder(self):
        return self.user_folder("Temp")

    # --- the program under test ---

    def warm_up(self):
        if not self.warm:
            # The first Wine processes of a prefix start its server, services and desktop;
            # a probe racing the program through that start-up can hang, so one probe runs
            # alone first.
            self.probe("windows")
            self.warm = True

    def start(self):
        self.warm_up()
        self.app = subprocess.Popen(["wine", self.exe], env=self.env, stdout=self.log,
                                    stderr=subprocess.STDOUT)

    def wait_for_exit(self, timeout=60):
        try:
            return self.app.wait(timeout)
        except subprocess.TimeoutExpired:
            raise UiError(f"the program did not end within {timeout} s") from None

    def running(self):
        return self.app is not None and self.app.poll() is None

    def close(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        if self.app is not None and self.app.poll() is None:
            self.app.send_signal(signal.SIGKILL)
            self.app.wait()
        self.x.stop()
        self.log.close()

    # --- the shell ---

    def start_refusing_tray(self):
        """Puts UiProbe's refusing stand-in in front of the shell's taskbar: from now on
        every Shell_NotifyIcon call fails, as with a shell that is not ready."""
        self.warm_up()
        self.refusing_tray = subprocess.Popen(
            ["wine", self.probe_exe, "refusingtray", "120"], env=self.env,
            stdout=subprocess.PIPE, stderr=self.log)
        line = self.refusing_tray.stdout.readline().decode("latin-1").strip()
        if line != REFUSING_TRAY:
            raise UiError(f"the refusing tray did not start: {line!r}")
        # Shell_NotifyIcon talks to the first window of the taskbar's class.
        code, out = self.probe("state", "class:Shell_TrayWnd")
        if code != 0 or json.loads(out)["text"] != REFUSING_TRAY:
            raise UiError("the refusing tray is not the first taskbar window")

    def stop_refusing_tray(self):
        """Ends the stand-in; the shell's own taskbar takes tray icons again."""
        self.probe("post", "16", "0", "0", REFUSING_TRAY)  # WM_CLOSE
        try:
            self.refusing_tray.wait(20)
        except subprocess.TimeoutExpired:
            raise UiError("the refusing tray did not end") from None
        self.refusing_tray = None

    # A restart of the shell in two steps: the old shell loses every tray icon, and the
    # new taskbar announces itself to every top-level window.

    def lose_tray_icon(self):
        code, _ = self.probe("forgeticon", "128")
        if code != 0:
            raise UiError("the shell had no tray icon of the program to lose")

    def announce_taskbar(self):
        code, _ = self.probe("broadcast", "TaskbarCreated")
        if code != 0:
            raise UiError("the broadcast of TaskbarCreated failed")

    # --- reading the windows ---

    def probe(self, *args):
        """Runs UiProbe.exe; returns its exit code (0 done, 2 no such window) and output.
        A launch that fails in Wine itself, before the probe ran, is tried again."""
        for attempt in range(3):
            # Output goes through files, not pipes: a Wine process may start helpers (the
            # desktop, services) that inherit a pipe and keep it open after the probe ended.
            with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
                result = subprocess.run(["wine", self.probe_exe, *args], env=self.env,
                                        stdout=out, stderr=err, timeout=60)
                out.seek(0)
                err.seek(0)
                output = out.read().decode("latin-1")
                errors = err.read().decode("latin-1")
            if result.returncode in (0, 2) or output:
                return result.returncode, output
            print(f"UiProbe {' '.join(args)}: exit code {result.returncode}, no output"
                  f"{', trying again' if attempt < 2 else ''}; {errors.strip()}")
        return result.returncode, output

    def state(self, caption="ZelvaroFeed"):
        """The window and its controls, or None when no such window exists."""
        code, out = self.probe("state", caption)
        if code == 2:
            return None
        if code != 0:
            raise UiError(f"UiProbe state failed ({code}): {out}")
        return json.loads(out)

    def window(self, caption="ZelvaroFeed"):
        """Like state, but a missing window is a failure."""
        state = self.state(caption)
        if state is None:
            raise UiError(f'the window "{caption}" is gone')
        return state

    def wait_for(self, description, condition, timeout=60, interval=0.2):
        """Polls `condition` until it returns a true value; returns that value. The timeout
        only ends a wait for something that will not come: a busy machine makes every look at
        the window slow, so it is generous."""
        deadline = time.monotonic() + timeout
        last = None
        while True:
            last = condition()
            if last:
                return last
            if time.monotonic() > deadline:
                raise UiError(f"timed out after {timeout} s waiting for {description}")
            time.sleep(interval)

    def wait_for_window(self, caption="ZelvaroFeed", timeout=90):
        return self.wait_for(f'window "{caption}"',
                             lambda: _visible_state(self.state(caption)), timeout)

    def wait_for_status(self, text, timeout=60):
        return self.wait_for(f'status "{text}"',
                             lambda: _status_is(self.state(), text), timeout)

    # --- real input ---

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, check=True, timeout=30)

    def click_at(self, x, y, repeat=1):
        self.xdotool("mousemove", str(x), str(y), "click", "--repeat", str(repeat),
                     "--delay", "80", "1")

    def click_control(self, control_id, caption="ZelvaroFeed"):
        control = find_control(self.state(caption), control_id)
        left, top, right, bottom = control["rect"]
        self.click_at((left + right) // 2, (top + bottom) // 2)

    def key(self, *keys):
        self.xdotool("key", "--delay", "50", *keys)

    def type_text(self, text):
        self.xdotool("type", "--delay", "30", text)

    def screenshot(self, path, rect=None):
        args = ["import", "-window", "root"]
        if rect is not None:
            left, top, right, bottom = rect
            args += ["-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage"]
        subprocess.run(args + [path], env=self.env, check=True, timeout=60)

    def screen_pixels(self, rect):
        """RGB triples of `rect` (left, top, right, bottom), row by row."""
        left, top, right, bottom = rect
        raw = subprocess.run(
            ["import", "-window", "root", "-crop",
             f"{right - left}x{bottom - top}+{left}+{top}", "+repage", "-depth", "8", "rgb:-"],
            env=self.env, check=True, capture_output=True, timeout=60).stdout
        width = right - left
        pixels = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
        return [pixels[row * width:(row + 1) * width] for row in range(bottom - top)]


def _visible_state(state):
    return state if state is not None and state["visible"] else None


def _status_is(state, text):
    if state is None:
        return None
    return state if find_control(state, 1007)["text"] == text else None


def find_control(state, control_id):
    if state is None:
        raise UiError(f"the window is gone while looking for control {control_id}")
    for control in state["controls"]:
        if control["id"] == control_id:
            return control
    raise UiError(f"no control {control_id} in window \"{state['text']}\"")


def read_ini(path):
    """Sections of an INI file as {section: {key: value}}, and the lines as read."""
    with open(path, "rb") as handle:
        text = handle.read().decode("latin-1")
    sections = {}
    current = None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("[") and line.endswith("]"):
            current = sections.setdefault(line[1:-1], {})
        elif "=" in line and current is not None:
            key, value = line.split("=", 1)
            current[key] = value
    return sections, text


def run_session(session, name, body, keep=False, describe_failure=None):
    """Runs body(session) and reports it: a failure with its traceback, whatever
    describe_failure(session) prints and a screenshot of the whole screen. Closes the session;
    after a pass the prefix goes unless `keep` (screenshots stay for a look). Returns the
    exit code, 0 for a pass."""
    passed = False
    try:
        body(session)
        passed = True
    except Exception:  # noqa: BLE001 - every failure is reported the same way
        traceback.print_exc()
        for report in ([describe_failure] if describe_failure else []) + [_failure_screenshot]:
            try:
                report(session)
            except Exception:  # noqa: BLE001 - the report of a failure must not hide it
                pass
    finally:
        session.close()
    if passed and not keep:
        shutil.rmtree(session.prefix, ignore_errors=True)
    print(f"{name}: {'passed' if passed else 'FAILED'}")
    return 0 if passed else 1


def _failure_screenshot(session):
    path = os.path.join(session.folder, "failure.png")
    session.screenshot(path)
    print(f"screenshot: {path}")
