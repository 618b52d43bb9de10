"""UI tests of ZelvaroFeed.exe under Wine: one scenario per run, named on the command line.

    python3 ui_test.py --exe ZelvaroFeed.exe --probe UiProbe.exe --work DIR SCENARIO

Each scenario starts the real program in a fresh Wine prefix on its own X display, clicks
and types with real X input, and checks the window, the settings file and the event file.
"""

import argparse
import datetime
import json
import os
import struct
import sys
import time

sys.dont_write_bytecode = True  # no __pycache__ in the source tree
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from uidriver import (Session, UiError, check, check_equal, find_control,  # noqa: E402
                      read_ini, run_session)

# Window styles.
WS_POPUP = 0x80000000
WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
WS_CAPTION = 0x00C00000
WS_BORDER = 0x00800000
WS_SYSMENU = 0x00080000
WS_THICKFRAME = 0x00040000
WS_GROUP = 0x00020000
WS_MINIMIZEBOX = 0x00020000
WS_MAXIMIZEBOX = 0x00010000
WS_TABSTOP = 0x00010000
DS_MODALFRAME = 0x80
WS_EX_APPWINDOW = 0x00040000
WS_EX_CLIENTEDGE = 0x00000200
BS_TYPEMASK = 0xF
BS_PUSHBUTTON, BS_DEFPUSHBUTTON, BS_AUTOCHECKBOX, BS_AUTORADIOBUTTON = 0, 1, 3, 9
ES_AUTOHSCROLL = 0x80
ES_READONLY = 0x800
LVS_REPORT = 0x1
ES_NUMBER = 0x2000
SS_TYPEMASK = 0x1F
SS_LEFT, SS_ICON = 0, 3
SS_CENTERIMAGE = 0x200
SS_SUNKEN = 0x1000

WM_SYSCOMMAND = 0x0112

# The control window in tab order: id, class, text, dialog-unit rectangle (x, y, width,
# height), kind (button type or static type), styles it must have, styles it must not have.
CONTROL_WINDOW = [
    (1006, "Button", "Enable Feed", (7, 7, 118, 10), BS_AUTOCHECKBOX, WS_TABSTOP, 0),
    (-1, "Static", "Shared File:", (7, 26, 53, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1001, "Edit", "", (66, 26, 261, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (1002, "Button", "...", (334, 26, 19, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (-1, "Static", "Subscriptions:", (7, 48, 53, 8), SS_LEFT, 0, WS_TABSTOP),
    (1010, "SysListView32", "", (66, 46, 287, 76), None, LVS_REPORT | WS_TABSTOP, 0),
    (1011, "Button", "Add...", (66, 126, 50, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (1012, "Button", "Edit...", (120, 126, 50, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (1013, "Button", "Remove", (174, 126, 50, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (-1, "Static", "Sync Mode:", (7, 146, 53, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    # A radio button takes WS_TABSTOP while it is the checked one of its group.
    (1008, "Button", "Add and update entries", (66, 146, 89, 14), BS_AUTORADIOBUTTON, WS_GROUP,
     0),
    (1009, "Button", "Replace all entries", (168, 146, 74, 14), BS_AUTORADIOBUTTON, 0, WS_GROUP),
    (1014, "Static", "", (66, 161, 287, 16), SS_LEFT, 0, WS_TABSTOP),
    (-1, "Static", "Sync State:", (7, 181, 53, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1007, "Static", "", (66, 180, 287, 14), SS_LEFT, SS_CENTERIMAGE | SS_SUNKEN, WS_TABSTOP),
    (1000, "Button", "Exit", (303, 200, 50, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
]
CONTROL_WINDOW_SIZE = (360, 221)

# The dialog of one subscription, in the same form.
SUBSCRIPTION_DIALOG = [
    (-1, "Static", "Name:", (7, 7, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1101, "Edit", None, (72, 7, 251, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (-1, "Static", "Source:", (7, 25, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1102, "Edit", None, (72, 25, 228, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (1103, "Button", "...", (304, 25, 19, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (1104, "Button", "Enabled", (72, 43, 100, 10), BS_AUTOCHECKBOX, WS_TABSTOP, 0),
    (-1, "Static", "Interval:", (7, 57, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1105, "Edit", None, (72, 57, 40, 14), None, ES_NUMBER | WS_TABSTOP, 0),
    (-1, "Static", "seconds (at least 5 for a file, 60 for an address)", (116, 57, 207, 14),
     SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (-1, "Static", "CA File:", (7, 75, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1106, "Edit", None, (72, 75, 228, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (1107, "Button", "...", (304, 75, 19, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
    (-1, "Static", "Color:", (7, 93, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1108, "Edit", None, (72, 93, 70, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (-1, "Static", "a CSS3 colour name or #RRGGBB; empty: none", (146, 93, 177, 14),
     SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (-1, "Static", "Category:", (7, 111, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1109, "Edit", None, (72, 111, 251, 14), None, ES_AUTOHSCROLL | WS_TABSTOP, 0),
    (-1, "Static", "Reminder:", (7, 129, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1110, "Edit", None, (72, 129, 40, 14), None, ES_NUMBER | WS_TABSTOP, 0),
    (-1, "Static", "minutes before timed events; empty: none", (116, 129, 207, 14),
     SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (-1, "Static", "All-day Reminder:", (7, 147, 60, 14), SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1111, "Edit", None, (72, 147, 40, 14), None, ES_NUMBER | WS_TABSTOP, 0),
    (-1, "Static", "minutes before whole-day events; empty: none", (116, 147, 207, 14),
     SS_LEFT, SS_CENTERIMAGE, WS_TABSTOP),
    (1112, "Button", "Ignore the feed's alarms: the reminders above for every event", (72, 165, 251, 10),
     BS_AUTOCHECKBOX, WS_TABSTOP, 0),
    (1113, "Button", "Ignore descriptions", (72, 179, 251, 10), BS_AUTOCHECKBOX, WS_TABSTOP, 0),
    (1114, "Static", None, (7, 195, 316, 16), SS_LEFT, 0, WS_TABSTOP),
    (1, "Button", "OK", (219, 215, 50, 14), BS_DEFPUSHBUTTON, WS_TABSTOP, 0),
    (2, "Button", "Cancel", (273, 215, 50, 14), BS_PUSHBUTTON, WS_TABSTOP, 0),
]
SUBSCRIPTION_DIALOG_SIZE = (330, 236)

ABOUT_BOX = [
    (-1, "Static", None, (11, 19, None, None), SS_ICON, 0, 0),
    (-1, "Static", "ZelvaroFeed Version 1.0", (40, 14, None, None), SS_LEFT, 0, 0),
    (1, "Button", "OK", (178, 7, 50, 14), BS_DEFPUSHBUTTON, WS_TABSTOP, 0),
]

# The controls that switching the feed on disables.
SETTING_CONTROLS = (1001, 1002, 1008, 1009, 1010, 1011, 1012, 1013)

DEFAULT_SETTINGS = [
    ("SyncMode", "0"),
    ("CheckFeedInterval", "30"),
    ("LastFeedFileTime", "2000 01 01 00 00 00"),
    ("FeedFilePath", ""),
    ("SharedFilePath", ""),
]

GUID_A = "{0A1B2C3D-4E5F-4071-8293-A4B5C6D7E8F9}"
GUID_B = "{1B2C3D4E-5F60-4182-93A4-B5C6D7E8F90A}"

# An event file with three empty lists (header number 100).
EMPTY_EVENT_FILE = struct.pack("<iiii", 100, 0, 0, 0)

FEED_ONE_ENTRY = f"""[DateEntry 0]
GUID={GUID_A}
StorageType=1
Description=Dentist
StartDate=2030 05 01 10 00 00
EndDate=2030 05 01 11 00 00
"""

FEED_TWO_ENTRIES = FEED_ONE_ENTRY + f"""
[DateEntry 1]
GUID={GUID_B}
Description=Team meeting
StartDate=2030 05 02 09 00 00
EndDate=2030 05 02 10 00 00
"""


def dialog_to_pixels(value, base):
    # The dialog manager's MulDiv(value, base, 4 or 8), rounding halves up.
    return (2 * value * base[0] + base[1]) // (2 * base[1])


def base_units(state, width_units, height_units):
    """Horizontal and vertical base units (pixels per 4 and per 8 dialog units) that give
    the window's client size from its size in dialog units."""
    left, top, right, bottom = state["clientSize"]
    for x in range(1, 64):
        if dialog_to_pixels(width_units, (x, 4)) == right - left:
            for y in range(1, 128):
                if dialog_to_pixels(height_units, (y, 8)) == bottom - top:
                    return x, y
    raise UiError(f"client size {state['clientSize']} fits no dialog base units")


def check_controls(state, expected, width_units, height_units):
    """Checks the controls of a dialog in order against a table of CONTROL_WINDOW's form."""
    bx, by = base_units(state, width_units, height_units)
    controls = state["controls"]
    check_equal([c["id"] for c in controls], [e[0] for e in expected],
                f'control ids of "{state["text"]}" in tab order')
    for control, (cid, cls, text, rect, kind, required, forbidden) in zip(controls, expected):
        name = f'control {cid} ("{control["text"]}")'
        check_equal(control["class"], cls, f"class of {name}")
        if text is not None:
            check_equal(control["text"], text, f"text of {name}")
        style = control["style"]
        check(style & WS_VISIBLE, f"{name} is not visible")
        if kind is not None:
            mask = BS_TYPEMASK if cls == "Button" else SS_TYPEMASK
            check_equal(style & mask, kind, f"kind of {name}")
        check_equal(style & required, required, f"required styles of {name}")
        check_equal(style & forbidden, 0, f"forbidden styles of {name}")
        if cls == "Edit":
            # The dialog manager draws a bordered edit with a sunken client edge instead.
            check(style & WS_BORDER or control["exstyle"] & WS_EX_CLIENTEDGE,
                  f"{name} has no border")
        x, y, w, h = rect
        left, top, right, bottom = control["client"]
        check_equal(left, dialog_to_pixels(x, (bx, 4)), f"left of {name}")
        check_equal(top, dialog_to_pixels(y, (by, 8)), f"top of {name}")
        if w is not None:
            check_equal(right - left, dialog_to_pixels(w, (bx, 4)), f"width of {name}")
            check_equal(bottom - top, dialog_to_pixels(h, (by, 8)), f"height of {name}")


def check_initial_controls(state, *, shared="", feeds=(), mode=0, enabled=False, status=""):
    """`feeds`: the (name, source) of each row of the list of subscriptions."""
    text = {c["id"]: c["text"] for c in state["controls"]}
    check_equal(text[1001], shared, "shared file path")
    check_equal([tuple(row[:2]) for row in subscription_rows(state)], list(feeds),
                "names and sources in the list of subscriptions")
    check_equal(text[1007], status, "status field")
    checked = {c["id"]: c.get("checked") for c in state["controls"]}
    check_equal((checked[1008], checked[1009]), (1, 0) if mode == 0 else (0, 1),
                "sync mode buttons")
    check_equal(checked[1006], 1 if enabled else 0, '"Enable Feed"')
    check_setting_controls(state, not enabled)


def check_setting_controls(state, enabled):
    for control in state["controls"]:
        if control["id"] in SETTING_CONTROLS:
            check_equal(control["enabled"], enabled, f"enabled state of {control['id']}")
        elif control["id"] in (1000, 1006):
            check(control["enabled"], f"control {control['id']} is disabled")


# The one feed's values as the window knows them, and their keys in the section "Feed 1".
FEED_KEYS = {"FeedFilePath": "Source", "CheckFeedInterval": "Interval",
             "LastFeedFileTime": "LastFeedFileTime"}


def check_settings(session, expected, extra_sections=None, in_order=False):
    """The settings file holds `expected` ((key, value) pairs as the window knows them; in
    this order when `in_order`): the section "Settings" exactly the calendar's keys, and the
    feed's in the section "Feed 1" when the feed path is set (no such section otherwise);
    and every section of `extra_sections`."""
    sections, text = read_ini(session.settings_path())
    actual = list(sections.get("Settings", {}).items())
    calendar = [(key, value) for key, value in expected if key not in FEED_KEYS]
    if not in_order:
        actual, calendar = sorted(actual), sorted(calendar)
    check_equal(actual, calendar, f"Settings.ini contents\n{text}")
    values = dict(expected)
    if values.get("FeedFilePath"):
        feed = sections.get("Feed 1", {})
        for key, name in FEED_KEYS.items():
            check_equal(feed.get(name), values[key], f'{name} of "Feed 1" in\n{text}')
    else:
        check("Feed 1" not in sections, f"a subscription without a feed path\n{text}")
    for name, keys in (extra_sections or {}).items():
        check_equal(sections.get(name), keys, f'section "{name}" of Settings.ini')


def settings_with(**values):
    settings = dict(DEFAULT_SETTINGS)
    settings.update(values)
    return list(settings.items())


def ini_path(path):
    # Settings.ini stores each backslash doubled.
    return path.replace("\\", "\\\\")


def write_file(path, data, utc=None):
    """Writes the file in one step, with its last-write time already set: a tick of the
    running program sees the old file or the whole new one, never one without its time."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    staging = path + ".new"
    with open(staging, "wb") as out:
        out.write(data.encode("latin-1") if isinstance(data, str) else data)
    if utc is not None:
        stamp = utc.replace(tzinfo=datetime.timezone.utc).timestamp()
        os.utime(staging, (stamp, stamp))
    os.replace(staging, path)


def read_bytes(path):
    with open(path, "rb") as handle:
        return handle.read()


def check_event_file(path, guids):
    """The event file's first list is empty and its second list holds date entries with
    exactly `guids`, in this order."""
    data = read_bytes(path)
    header, first, second = struct.unpack_from("<iii", data)
    check_equal((header, first, second), (100, 0, len(guids)),
                "header number and date entry counts of the event file")
    check(b"CDateEntry" in data, "the event file has no date entry class record")
    positions = [data.find(guid.encode("ascii")) for guid in guids]
    check(all(p > 0 for p in positions) and positions == sorted(positions),
          f"event file GUIDs {guids} missing or out of order at {positions}")


# What the ticks of a feed that is imported leave in the status field: the import's outcome,
# then that of the ticks after it.
AFTER_IMPORT = ("Sync successful", "Nothing changed, not syncing")


def wait_for_import(session, event_path, guids):
    """Waits until the event file holds `guids` (check_event_file) and the cycle that wrote
    it has ended: with 5-second ticks its "Sync successful" may already have given way to the
    next tick's "Nothing changed, not syncing". The status is read through the program's own
    thread, which answers only between cycles. Returns the window's state."""
    def imported():
        try:
            check_event_file(event_path, guids)
        except (UiError, OSError):  # OSError: caught between the two steps of a replace
            return None
        state = session.state()
        return state if find_control(state, 1007)["text"] in AFTER_IMPORT else None
    return session.wait_for(f"the event file with {guids}", imported)


def check_no_sync_leftovers(session, event_path):
    lock = os.path.splitext(event_path)[0] + ".lock"
    check(not os.path.exists(lock), f"lock file {lock} left behind")
    left = [n for n in os.listdir(session.temp_folder()) if n.lower().startswith("dat")]
    check_equal(left, [], "temporary event files left in the temporary folder")


def taskbar(session):
    """The shell's taskbar: the window of its class without a caption, as a refusing stand-in
    has one."""
    state = session.state("class:Shell_TrayWnd=")
    check(state is not None, "the desktop has no taskbar")
    return state


def taskbar_button_control(session, hwnd):
    """The taskbar button of window `hwnd` (Wine's taskbar gives each window button the
    window handle as its id); None when there is none."""
    for control in taskbar(session)["controls"]:
        if control["id"] == hwnd:
            return control
    return None


def taskbar_button(session, hwnd):
    """Visibility of the taskbar button of window `hwnd`; None when there is none."""
    control = taskbar_button_control(session, hwnd)
    if control is None:
        return None
    return control["visible"] and control["rect"][2] > control["rect"][0]


def tray_icon_position(session):
    """Centre of our icon in the notification area, found by its orange feed waves; None
    when the taskbar does not show it. Two icons of ours are a failure."""
    left, top, right, bottom = taskbar(session)["rect"]
    area = (left + (right - left) // 2, top, right, bottom)
    rows = session.screen_pixels(area)
    hits = [(x, y) for y, row in enumerate(rows) for x, (r, g, b) in enumerate(row)
            if r > 200 and 110 < g < 180 and b < 100]
    if len(hits) < 4:
        return None
    xs = [x for x, _ in hits]
    ys = [y for _, y in hits]
    # The waves of one small icon span less than its 16 pixels.
    check(max(xs) - min(xs) < 16, f"more than one tray icon of ours, waves at x {sorted(set(xs))}")
    # The waves lie in the lower right of the icon; its centre is up and left of them.
    cx = area[0] + (min(xs) + max(xs)) // 2 - 2
    cy = area[1] + (min(ys) + max(ys)) // 2 - 2
    return cx, cy


def clear_and_type(session, control_id, text, caption="ZelvaroFeed"):
    """Replaces the text of an edit by typing, as a user would."""
    session.click_control(control_id, caption)
    current = find_control(session.state(caption), control_id)["text"]
    session.key("End", *["BackSpace"] * len(current))
    if text:
        session.type_text(text)
    session.wait_for(f"text {text!r} in control {control_id}",
                     lambda: find_control(session.state(caption), control_id)["text"] == text)


def choose_file(session, button_id, path, edit=1001, caption="ZelvaroFeed"):
    """Picks `path` in the file dialog that the "..." button `button_id` of the window
    `caption` opens, for the edit `edit`; returns the dialog's state as it opened."""
    session.click_control(button_id, caption)
    dialog = session.wait_for_window("Open")
    session.type_text(path)
    session.key("Return")
    session.wait_for("the file dialog to close", lambda: session.state("Open") is None)
    session.wait_for(f"the chosen path in control {edit}",
                     lambda: find_control(session.state(caption), edit)["text"] == path)
    return dialog


def tray_tip(session):
    """The tip that the shell shows while the mouse rests on our tray icon; the mouse then
    goes back to the middle of the screen."""
    x, y = session.wait_for("the tray icon", lambda: tray_icon_position(session))
    session.xdotool("mousemove", str(x - 1), str(y))
    session.xdotool("mousemove", str(x), str(y))

    def shown():
        code, out = session.probe("windows")
        tips = [w["text"] for w in json.loads(out) if w["class"] == "tooltips_class32"
                and w["visible"] and w["text"]] if code == 0 else []
        return tips[0] if tips else None
    tip = session.wait_for("the tip of the tray icon", shown)
    session.xdotool("mousemove", "400", "300")
    return tip.replace("\r\n", "\n")


def subscription_rows(state):
    """The rows of the list of subscriptions: [name, source, status, last sync] each."""
    return find_control(state, 1010)["rows"]


# The Windows headers' ids of a message box's buttons.
IDYES, IDNO = 6, 7


def open_subscription_dialog(session, button_id, row=None):
    """Opens the dialog of one subscription with Add... (1011) or Edit... (1012), selecting
    the row `row` of the list first; returns the dialog's caption and state."""
    if row is not None:
        select_row(session, row)
    session.click_control(button_id)
    caption = "Add Subscription" if button_id == 1011 else "Edit Subscription"
    return caption, session.wait_for_window(caption)


def subscription_row_rect(session, row):
    return find_control(session.window(), 1010)["rowRects"][row]


def select_row(session, row):
    """Clicks the row `row` of the list of subscriptions and waits until it is selected."""
    left, top, right, bottom = subscription_row_rect(session, row)
    session.click_at(left + 20, (top + bottom) // 2)
    session.wait_for(f"row {row} selected",
                     lambda: find_control(session.window(), 1010)["selected"] == row)


def fill_subscription(session, caption, fields):
    """Types the texts of `fields` ({edit id: text}) into the subscription dialog and sets
    its check boxes ({check box id: 0 or 1})."""
    for control_id, value in fields.items():
        if isinstance(value, int):
            if find_control(session.state(caption), control_id)["checked"] != value:
                session.click_control(control_id, caption)
                session.wait_for(f"check box {control_id} at {value}", lambda: find_control(
                    session.state(caption), control_id)["checked"] == value)
        else:
            clear_and_type(session, control_id, value, caption)


def save_subscription(session, caption):
    """Clicks OK and waits for the dialog to close."""
    session.click_control(1, caption)
    session.wait_for(f'the dialog "{caption}" to close', lambda: session.state(caption) is None)


def add_subscription(session, fields):
    caption, _ = open_subscription_dialog(session, 1011)
    fill_subscription(session, caption, fields)
    save_subscription(session, caption)


def file_type(dialog):
    """The selected entry of the file type list of a file dialog."""
    for control in dialog["controls"]:
        if control["class"] == "ComboBox" and control["id"] == 0x470:
            return control["text"]
    raise UiError("the file dialog has no file type list")


def press_minimise(session):
    """Chooses "Minimize" in the window's system menu."""
    session.key("alt+space")
    time.sleep(0.5)  # the menu has no window that the probe could wait for
    session.key("n")


def minimise(session, hwnd):
    """Minimises the window from its system menu and checks that it and its taskbar button
    are gone."""
    press_minimise(session)
    session.wait_for("the window to hide",
                     lambda: (s := session.state()) is not None and not s["visible"] and s["iconic"])
    session.wait_for("the taskbar button to go", lambda: not taskbar_button(session, hwnd))


def restore_from_tray(session, hwnd):
    """Double-clicks the tray icon and checks that the window comes back in front."""
    icon = session.wait_for("the tray icon", lambda: tray_icon_position(session))
    session.click_at(*icon, repeat=2)
    session.wait_for("the window to come back",
                     lambda: (s := session.window())["visible"] and not s["iconic"])
    check(taskbar_button(session, hwnd), "the taskbar button did not come back")
    state = session.wait_for("the window in the foreground",
                             lambda: (s := session.window())["foreground"] and s)
    give_keyboard_to_window(session)
    return state


def minimise_to_taskbar(session, hwnd):
    """Minimises the window from its system menu and checks that it stays on the taskbar,
    as a window without a tray icon must."""
    press_minimise(session)
    session.wait_for("the window to minimise", lambda: session.window()["iconic"])
    check_stays(session, "the minimised window hid although it has no tray icon",
                lambda: session.window()["visible"] and taskbar_button(session, hwnd), 1.5)


def restore_from_taskbar(session, hwnd):
    """Clicks the minimised window's taskbar button and checks that the window comes back."""
    button = taskbar_button_control(session, hwnd)
    check(button is not None and button["visible"], "the minimised window has no taskbar button")
    left, top, right, bottom = button["rect"]
    # Wine draws a minimised window's caption at the bottom left of the desktop, over the
    # start of the taskbar: click the part of the button that it leaves free.
    free = max(left, session.window()["rect"][2])
    check(free < right - 4, f"the taskbar button {button['rect']} is covered")
    session.click_at((free + right) // 2, (top + bottom) // 2)
    state = session.wait_for("the window to come back from the taskbar",
                             lambda: (s := session.window())["visible"] and not s["iconic"] and s)
    give_keyboard_to_window(session)
    return state


def give_keyboard_to_window(session):
    """Wine's virtual desktop may leave the X keyboard focus on the taskbar that was clicked
    although the restored window is the active one, and a click into the window does not move
    it: the keys for the window go to its X window, as the system sends them to the active
    window on Windows."""
    session.xdotool("search", "--name", "^ZelvaroFeed$", "windowfocus", "--sync", "%1")


def open_system_menu_item_about(session):
    # Alt+Space opens the system menu (a pop-up menu window); our item is its last one, so Up
    # wraps to it.
    session.key("alt+space")
    session.wait_for("the system menu",
                     lambda: (s := session.state("class:#32768")) is not None and s["visible"])
    session.key("Up", "Return")


def wait_for_switched_on(session, clicked, interval, outcomes):
    """Waits for the feed switched on by a click or a start at `clicked` (time.monotonic()):
    "Enable Feed" checked and "Start syncing..." in the status field. The first tick, one
    `interval` later, replaces that text with one of `outcomes` (the texts that the ticks
    leave); a look that ended before a tick was possible must see "Start syncing...", a later
    one may see either."""
    def switched_on():
        state = session.state()
        looked = time.monotonic()
        if state is None or find_control(state, 1006)["checked"] != 1:
            return None
        status = find_control(state, 1007)["text"]
        if status == "Start syncing...":
            return state
        if status == "Syncing...":
            return None
        check(looked - clicked >= interval and status in outcomes,
              f'status "{status}" after switching the feed on')
        print(f'switched on: a tick ("{status}") came before the first look')
        return state
    return session.wait_for('the feed switched on ("Start syncing...")', switched_on)


def close_with_key(session, key):
    """Closes the program with `key` and checks that it ends normally. Wine's virtual desktop
    now and then drops a key that arrives while a window is being mapped again; a second
    press is made, and reported, only when the program is still running with its window
    shown and active."""
    session.key(key)
    try:
        code = session.wait_for_exit(8)
    except UiError:
        state = session.window()
        check(state["visible"] and state["foreground"], f"{key} did not close the window")
        print(f"{key}: the program is still running; pressing it again "
              f"(focus on control {state.get('focusId')})")
        session.key(key)
        code = session.wait_for_exit()
    check_equal(code, 0, "exit code")


def check_stays(session, description, condition, seconds):
    """Checks that `condition` holds at every observation for `seconds`: for things that
    must not happen, where no event can be waited for."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        check(condition(), description)
        time.sleep(0.2)


# --- scenarios ---


def first_start(session):
    session.start()
    state = session.wait_for_window()

    check_equal(state["class"], "#32770", "window class")
    style = state["style"]
    for flag, name in ((WS_POPUP, "pop-up"), (WS_CAPTION, "caption"), (WS_SYSMENU, "system menu"),
                       (WS_MINIMIZEBOX, "minimise box"), (DS_MODALFRAME, "modal frame")):
        check(style & flag, f"the window has no {name} style")
    check_equal(style & (WS_MAXIMIZEBOX | WS_THICKFRAME), 0, "maximise box and sizing border")
    check(state["exstyle"] & WS_EX_APPWINDOW, "the window lacks the application-window style")
    check_controls(state, CONTROL_WINDOW, *CONTROL_WINDOW_SIZE)
    check_initial_controls(state)
    check_equal(state["focusId"], 1006, "control with the initial focus")

    # The defaults are written at start-up, before anything closes.
    check_settings(session, DEFAULT_SETTINGS, in_order=True)
    check(taskbar_button(session, state["hwnd"]), "the window has no taskbar button")
    session.wait_for("the tray icon", lambda: tray_icon_position(session))
    session.screenshot(os.path.join(session.folder, "first-start.png"), state["rect"])

    # The About box from the system menu, closed with Enter on its default button.
    open_system_menu_item_about(session)
    about = session.wait_for_window("About ZelvaroFeed")
    check_controls(about, ABOUT_BOX, 235, 58)
    check(not session.window()["enabled"], "the control window is enabled under the About box")
    session.key("Return")
    session.wait_for("the About box to close", lambda: session.state("About ZelvaroFeed") is None)
    check(session.window()["enabled"], "the control window stays disabled after the About box")

    # The system passes its own bits in the low four bits of the command.
    session.probe("post", str(WM_SYSCOMMAND), "0x0013", "0")
    session.wait_for_window("About ZelvaroFeed")
    session.click_control(1, "About ZelvaroFeed")
    session.wait_for("the About box to close", lambda: session.state("About ZelvaroFeed") is None)

    session.click_control(1000)
    check_equal(session.wait_for_exit(), 0, "exit code")
    check_settings(session, DEFAULT_SETTINGS)


def keys_and_tray(session):
    # A subscription checked once an hour: "Start syncing..." stays until the feed is
    # switched off again, whatever a look at the window takes.
    write_file(session.drive_c("zf", "hourly.ics"), FEED_ONE_ENTRY)
    write_file(session.settings_path(), "\r\n".join([
        "[Feed 1]", "Name=Hourly", "Source=C:\\\\zf\\\\hourly.ics", "Interval=3600", ""]))
    session.start()
    state = session.wait_for_window()
    path = "C:\\data\\Calendar.dat"
    session.click_control(1001)
    session.type_text(path)
    session.wait_for("the typed path", lambda: find_control(session.state(), 1001)["text"] == path)

    # Enter in an edit and on the check box: the window stays, nothing changes.
    session.key("Return")
    session.click_control(1006)
    session.wait_for_status("Start syncing...")
    session.click_control(1006)
    session.wait_for_status("Syncing stopped")
    session.key("Return")
    check_stays(session, "Enter changed the window",
                lambda: (s := session.state()) is not None and s["visible"]
                and find_control(s, 1001)["text"] == path
                and find_control(s, 1006)["checked"] == 0
                and find_control(s, 1007)["text"] == "Syncing stopped", 1.5)

    # Minimising hides the window and its taskbar button; the tray icon stays.
    minimise(session, state["hwnd"])
    icon = session.wait_for("the tray icon", lambda: tray_icon_position(session))
    session.click_at(*icon)
    check_stays(session, "a single click on the tray icon showed the window",
                lambda: not session.window()["visible"], 1.5)
    restored = restore_from_tray(session, state["hwnd"])
    check_equal(restored["rect"], state["rect"], "window position after restoring")

    close_with_key(session, "Escape")
    check_settings(session, settings_with(CheckFeedInterval="3600", SharedFilePath=ini_path(path),
                                          FeedFilePath=ini_path("C:\\zf\\hourly.ics")))


def feed_cycle(session):
    feed = session.drive_c("zf", "feed.txt")
    event = session.drive_c("zf", "Calendar.dat")
    write_file(feed, FEED_ONE_ENTRY, datetime.datetime(2024, 3, 5, 6, 7, 8))
    write_file(event, EMPTY_EVENT_FILE)

    session.start()
    session.wait_for_window()
    clear_and_type(session, 1001, "C:\\zf\\Calendar.dat")
    # The subscription through its dialog: the file chosen with "...", the name typed.
    caption, dialog = open_subscription_dialog(session, 1011)
    check_controls(dialog, SUBSCRIPTION_DIALOG, *SUBSCRIPTION_DIALOG_SIZE)
    check_equal(find_control(dialog, 1105)["text"], "30", "interval of a new subscription")
    check_equal(find_control(dialog, 1104)["checked"], 1, "a new subscription is enabled")
    check_equal(dialog["focusId"], 1101, "control with the initial focus")
    files = choose_file(session, 1103, "C:\\zf\\feed.txt", 1102, caption)
    check_equal(file_type(files), "iCalendar Files (*.ics)", "file type of the feed file")
    clear_and_type(session, 1101, "Dentist", caption)
    # The interval edit takes digits only; an interval below the least is raised.
    session.click_control(1105, caption)
    session.key("End", "BackSpace", "BackSpace")
    session.type_text("a3")
    session.wait_for("digits only in the interval",
                     lambda: find_control(session.state(caption), 1105)["text"] == "3")
    save_subscription(session, caption)
    state = session.window()
    check_initial_controls(state, shared="C:\\zf\\Calendar.dat",
                           feeds=[("Dentist", "C:\\zf\\feed.txt")])
    check_equal(subscription_rows(state)[0][2:], ["", "never"], "status and last sync of a new one")
    check_equal(find_control(state, 1014)["text"], "", "the note on the sync mode of one feed")

    clicked = time.monotonic()
    session.click_control(1006)
    state = wait_for_switched_on(session, clicked, 5, AFTER_IMPORT)
    check_setting_controls(state, False)

    state = wait_for_import(session, event, [GUID_A])
    row = subscription_rows(state)[0]
    check(row[2] in AFTER_IMPORT and row[3].startswith(str(datetime.date.today().year)),
          f"the list after the import: {row}")
    check_no_sync_leftovers(session, event)
    # The timer goes on while the window is hidden in the tray.
    minimise(session, state["hwnd"])
    session.wait_for("a tick while hidden", lambda: (s := session.window())["iconic"] and find_control(
        s, 1007)["text"] == "Nothing changed, not syncing")
    state = restore_from_tray(session, state["hwnd"])

    # A feed replaced by one with an older time is imported too.
    write_file(feed, FEED_TWO_ENTRIES, datetime.datetime(2023, 1, 2, 3, 4, 5))
    wait_for_import(session, event, [GUID_A, GUID_B])
    check_no_sync_leftovers(session, event)
    # The picture for the README.
    session.screenshot(os.path.join(session.folder, "sync-successful.png"), state["rect"])

    close_with_key(session, "Escape")
    check_settings(session, settings_with(
        CheckFeedInterval="5", LastFeedFileTime="2023 01 02 03 04 05",
        FeedFilePath=ini_path("C:\\zf\\feed.txt"), SharedFilePath=ini_path("C:\\zf\\Calendar.dat")))
    check_equal(read_ini(session.settings_path())[0]["Feed 1"]["Name"], "Dentist",
                "name of the subscription")


def feed_address(session):
    """The feed at an address of the local feed server (feed_server.py runs this test)."""
    address = os.environ["ZF_FEED_HTTP"] + "/etag.ics"
    event = session.drive_c("zf", "Calendar.dat")
    write_file(event, EMPTY_EVENT_FILE)
    write_file(session.settings_path(), "\r\n".join([
        "[Settings]", "CheckFeedInterval=5", "LastFeedFileTime=2000 01 01 00 00 00",
        "FeedFilePath=" + address, "SharedFilePath=C:\\\\zf\\\\Calendar.dat", ""]))
    requests = lambda: [line.rstrip("\n").split("\t") for line in open(os.environ["ZF_FEED_LOG"])
                        if "\t/etag.ics\t" in line]

    started = time.monotonic()
    session.start()
    state = session.wait_for_window()
    # The previous version's feed is the one subscription, named after its host.
    check_initial_controls(state, shared="C:\\zf\\Calendar.dat", feeds=[("127.0.0.1", address)],
                           mode=0, enabled=True, status="Start syncing...")
    session.wait_for_status("Sync successful", timeout=180)
    check(read_bytes(event) != EMPTY_EVENT_FILE, "the event file took the feed")
    check_no_sync_leftovers(session, event)
    session.wait_for_status("Nothing changed, not syncing", timeout=180)
    close_with_key(session, "Escape")
    # One request per tick: a slow machine may have let a third tick pass before the close.
    seen = requests()
    ticks = int((time.monotonic() - started) // 60)
    check(2 <= len(seen) <= ticks, f"{len(seen)} requests of the feed in {ticks} intervals")
    check("if-none-match: \"v1\"" not in seen[0], "the first request is unconditional")
    check(all("if-none-match: \"v1\"" in r for r in seen[1:]),
          "the requests after the first ask with the ETag")
    sections, text = read_ini(session.settings_path())
    check_equal(sections["Feed 1"].get("Source"), address, text)
    # An address is checked once a minute at most.
    check_equal(sections["Feed 1"].get("Interval"), "60", text)
    check_equal(sections["Feed 1"].get("ETag"), '"v1"', text)
    check(len(sections["Feed 1"].get("Sha256", "")) == 64, text)


def start_with_both_paths(session):
    feed = session.drive_c("zf", "feed.txt")
    event = session.drive_c("zf", "Calendar.dat")
    write_file(feed, FEED_ONE_ENTRY, datetime.datetime(2024, 3, 5, 6, 7, 8))
    write_file(event, EMPTY_EVENT_FILE)
    # A user's own section survives; a sync mode of 2 means "Replace all entries"; an
    # interval of 2 is raised when the feed switches on.
    settings = ["[Custom]", "Key=kept", "[Settings]", "SyncMode=2", "CheckFeedInterval=2",
                "LastFeedFileTime=2000 01 01 00 00 00", "FeedFilePath=C:\\\\zf\\\\feed.txt",
                "SharedFilePath=C:\\\\zf\\\\Calendar.dat", ""]
    write_file(session.settings_path(), "\r\n".join(settings))

    started = time.monotonic()
    session.start()
    session.wait_for_window()
    state = wait_for_switched_on(session, started, 5, AFTER_IMPORT)
    check_initial_controls(state, shared="C:\\zf\\Calendar.dat",
                           feeds=[("feed", "C:\\zf\\feed.txt")], mode=1, enabled=True,
                           status=find_control(state, 1007)["text"])
    # No cycle at start-up: the first one follows one interval (5 s) later. The timer keeps
    # running under the About box. Each look at the window takes a while under Wine, so the
    # interval is checked from the program's start to the first sync seen: a slow look can
    # only make that longer.
    open_system_menu_item_about(session)
    session.wait_for_window("About ZelvaroFeed")
    wait_for_import(session, event, [GUID_A])
    check(time.monotonic() - started >= 5.0, "a sync cycle ran before one interval had passed")
    check(session.state("About ZelvaroFeed") is not None, "the About box went away")
    session.key("Return")
    session.wait_for("the About box to close", lambda: session.state("About ZelvaroFeed") is None)
    imported = read_bytes(event)

    # Closing while the feed runs does not run a cycle: with an interval that no tick falls
    # into before the close, a changed feed is not imported and the saved time is the one of
    # the import that happened. The feed changes while the feed is off, so that no change
    # notification brings a cycle forward either.
    session.click_control(1006)
    session.wait_for_status("Syncing stopped")
    write_file(feed, FEED_TWO_ENTRIES, datetime.datetime(2024, 6, 7, 8, 9, 10))
    # The interval in the subscription's dialog, opened with a double click on its row.
    left, top, right, bottom = subscription_row_rect(session, 0)
    session.click_at(left + 20, (top + bottom) // 2, repeat=2)
    caption = "Edit Subscription"
    dialog = session.wait_for_window(caption)
    check_equal(find_control(dialog, 1102)["style"] & ES_READONLY, ES_READONLY,
                "read-only source of a subscription that exists")
    check(not find_control(dialog, 1103)["enabled"], "the source can be browsed for")
    check_equal(find_control(dialog, 1105)["text"], "5", "the raised interval")
    fill_subscription(session, caption, {1105: "3600"})
    save_subscription(session, caption)
    session.click_control(1006)
    session.wait_for_status("Start syncing...")
    session.click_control(1000)
    check_equal(session.wait_for_exit(), 0, "exit code")
    check_equal(read_bytes(event), imported, "event file after closing")
    check_no_sync_leftovers(session, event)
    expected = settings_with(
        SyncMode="1", CheckFeedInterval="3600", LastFeedFileTime="2024 03 05 06 07 08",
        FeedFilePath=ini_path("C:\\zf\\feed.txt"), SharedFilePath=ini_path("C:\\zf\\Calendar.dat"))
    check_settings(session, expected, {"Custom": {"Key": "kept"}})

    # The next start, with the short interval again, picks the change up at its first tick.
    # The window's feed is the subscription "Feed 1", whose interval is its key "Interval".
    settings = read_bytes(session.settings_path()).decode("latin-1")
    check("\r\nInterval=3600\r\n" in settings, f"the saved interval in\n{settings}")
    write_file(session.settings_path(),
               settings.replace("\r\nInterval=3600\r\n", "\r\nInterval=5\r\n"))
    session.start()
    session.wait_for_window()
    wait_for_import(session, event, [GUID_A, GUID_B])
    close_with_key(session, "Escape")
    expected[1] = ("CheckFeedInterval", "5")
    expected[2] = ("LastFeedFileTime", "2024 06 07 08 09 10")
    check_settings(session, expected, {"Custom": {"Key": "kept"}})


def browse_and_one_path(session):
    event = session.drive_c("zf", "Calendar.dat")
    write_file(event, EMPTY_EVENT_FILE)
    # With one path empty the feed stays off at start-up.
    write_file(session.settings_path(), "\r\n".join([
        "[Settings]", "SharedFilePath=C:\\\\old\\\\Calendar.dat", "CheckFeedInterval=2", ""]))
    session.start()
    check_initial_controls(session.wait_for_window(), shared="C:\\old\\Calendar.dat")

    dialog = choose_file(session, 1002, "C:\\zf\\Calendar.dat")
    check_equal(file_type(dialog), "Zelvaro Event Files (*.dat)", "file type of the shared file")

    # A subscription dialog cancelled, after its file dialog was: the list stays empty.
    caption, _ = open_subscription_dialog(session, 1011)
    session.click_control(1103, caption)
    dialog = session.wait_for_window("Open")
    session.key("Escape")
    session.wait_for("the file dialog to close", lambda: session.state("Open") is None)
    check_equal(find_control(session.state(caption), 1102)["text"], "",
                "feed path after cancelling")
    session.click_control(2, caption)
    session.wait_for("the subscription dialog to close", lambda: session.state(caption) is None)
    check_equal(subscription_rows(session.window()), [], "subscriptions after cancelling")

    # Without a subscription the feed still switches on, and each tick says why it fails.
    # The previous version's interval of 2 seconds is raised to 5.
    clicked = time.monotonic()
    session.click_control(1006)
    wait_for_switched_on(session, clicked, 5, ("Can't access feed file",))
    session.wait_for_status("Can't access feed file")
    session.click_control(1006)
    state = session.wait_for_status("Syncing stopped")
    check_setting_controls(state, True)

    # The browsed path is saved although the feed never ran with it. Alt+F4 closes the
    # window as its close box does.
    close_with_key(session, "alt+F4")
    check_settings(session, settings_with(CheckFeedInterval="5",
                                          SharedFilePath=ini_path("C:\\zf\\Calendar.dat")))


def ics(*events):
    """An iCalendar file of whole-day events from a month on, given as (uid, summary): the
    import leaves out what lies years ahead."""
    lines = ["BEGIN:VCALENDAR", "VERSION:2.0", "PRODID:-//ui tests//EN"]
    first = datetime.date.today() + datetime.timedelta(days=30)
    for day, (uid, summary) in enumerate(events):
        date = (first + datetime.timedelta(days=day)).strftime("%Y%m%d")
        lines += ["BEGIN:VEVENT", f"UID:{uid}", "DTSTAMP:20260101T000000Z",
                  f"DTSTART;VALUE=DATE:{date}", f"SUMMARY:{summary}", "END:VEVENT"]
    return "\r\n".join(lines + ["END:VCALENDAR", ""])


def event_file_holds(path, texts):
    data = read_bytes(path)
    return {text: text.encode("latin-1") in data for text in texts}


def subscriptions(session):
    """Three subscriptions added, changed and removed through the window."""
    event = session.drive_c("zf", "Calendar.dat")
    write_file(event, EMPTY_EVENT_FILE)
    summaries = {"School": "Parents evening", "Club": "Club training", "League": "Cup final"}
    for name, summary in summaries.items():
        write_file(session.drive_c("zf", name.lower() + ".ics"), ics((name + "-1", summary)))
    write_file(session.settings_path(), "\r\n".join([
        "[Settings]", "SharedFilePath=C:\\\\zf\\\\Calendar.dat", ""]))
    session.start()
    session.wait_for_window()

    # A form that a check refuses keeps the dialog open with the reason and the focus on the
    # field; a name that another subscription has is refused too.
    caption, _ = open_subscription_dialog(session, 1011)
    fill_subscription(session, caption, {1102: "C:\\zf\\school.ics", 1105: "5"})
    session.click_control(1, caption)
    dialog = session.wait_for("the reason of the refusal", lambda: (
        d := session.state(caption)) and find_control(d, 1114)["text"] and d)
    check_equal(find_control(dialog, 1114)["text"], "Name: a subscription needs a name",
                "reason of the refusal")
    check_equal(dialog["focusId"], 1101, "focus after the refusal")
    fill_subscription(session, caption, {1101: "School", 1108: "blurple"})
    session.click_control(1, caption)
    session.wait_for("the colour refused", lambda: find_control(session.state(caption), 1114)[
        "text"] == "Color: expected a CSS3 colour name, #RRGGBB or none, got 'blurple'")
    fill_subscription(session, caption, {1108: "red"})
    save_subscription(session, caption)
    add_subscription(session, {1101: "Club", 1102: "C:\\zf\\club.ics", 1105: "5"})
    caption, _ = open_subscription_dialog(session, 1011)
    fill_subscription(session, caption, {1101: "school", 1102: "C:\\zf\\league.ics"})
    session.click_control(1, caption)
    session.wait_for("the name refused", lambda: find_control(session.state(caption), 1114)[
        "text"] == "Name: a subscription named 'School' exists already")
    fill_subscription(session, caption, {
        1101: "League", 1105: "5", 1108: "#0080ff", 1109: "Sport", 1110: "15", 1111: "720",
        1112: 1, 1113: 1})
    save_subscription(session, caption)

    state = session.window()
    check_equal([row[:2] for row in subscription_rows(state)],
                [[name, f"C:\\zf\\{name.lower()}.ics"] for name in summaries],
                "the list of subscriptions")
    check_equal(find_control(state, 1014)["text"],
                "With 3 subscriptions the calendar syncs in add mode (each replace would wipe "
                "the others).", "the note on the sync mode")
    check_equal(find_control(state, 1012)["enabled"], True, "Edit... while the feed is off")

    # Every subscription syncs into the one calendar.
    session.click_control(1006)
    state = session.wait_for("every subscription synced", lambda: (
        st := session.window()) and all(
            row[2] in AFTER_IMPORT for row in subscription_rows(st)) and st, timeout=120)
    check_equal(event_file_holds(event, summaries.values()),
                {text: True for text in summaries.values()}, "events in the calendar")
    check_setting_controls(state, False)
    check_equal(tray_tip(session), "ZelvaroFeed: 3 subscriptions", "the tip of the tray icon")
    # The picture of the list for the README.
    session.screenshot(os.path.join(session.folder, "subscriptions.png"), state["rect"])
    session.click_control(1006)
    session.wait_for_status("Syncing stopped")

    # The edit dialog shows every choice as it was saved.
    caption, dialog = open_subscription_dialog(session, 1012, row=2)
    values = {c["id"]: c["text"] for c in dialog["controls"]}
    checks = {c["id"]: c.get("checked") for c in dialog["controls"]}
    check_equal([values[i] for i in (1101, 1102, 1105, 1106, 1108, 1109, 1110, 1111)],
                ["League", "C:\\zf\\league.ics", "5", "", "#0080ff", "Sport", "15", "720"],
                "the fields of the saved subscription")
    check_equal([checks[i] for i in (1104, 1112, 1113)], [1, 1, 1], "its check boxes")
    session.screenshot(os.path.join(session.folder, "subscription-edit.png"), dialog["rect"])
    session.click_control(2, caption)
    session.wait_for("the dialog to close", lambda: session.state(caption) is None)
    # A change of the second one's colour and category.
    caption, _ = open_subscription_dialog(session, 1012, row=1)
    fill_subscription(session, caption, {1108: "navy", 1109: "Training", 1104: 0})
    save_subscription(session, caption)
    sections, text = read_ini(session.settings_path())
    check_equal([sections["Feed 2"].get(k) for k in ("Name", "Color", "Category", "Enabled")],
                ["Club", "navy", "Training", "0"], f"the changed subscription in\n{text}")
    status = subscription_rows(session.window())[1][2]
    check(status.startswith("Disabled; last: ") and status[16:] in AFTER_IMPORT,
          f"status of the disabled subscription: {status}")

    # Remove, keeping the events: they stay as the user's own.
    select_row(session, 2)
    session.click_control(1013)
    question = session.wait_for_window("Remove Subscription")
    check("League" in " ".join(c["text"] for c in question["controls"]),
          "the question names the subscription")
    session.click_control(IDYES, "Remove Subscription")
    session.wait_for_status('Removed "League"; its events stay as your own')
    # Remove, not keeping them: they leave the calendar.
    select_row(session, 1)
    session.click_control(1013)
    session.wait_for_window("Remove Subscription")
    session.click_control(IDNO, "Remove Subscription")
    state = session.wait_for_status('Removed "Club"; 1 of its events left the calendar')
    check_equal([row[0] for row in subscription_rows(state)], ["School"], "the list left")
    check_equal(find_control(state, 1014)["text"], "", "the note with one subscription")
    check_equal(event_file_holds(event, summaries.values()),
                {"Parents evening": True, "Club training": False, "Cup final": True},
                "events in the calendar after the removals")
    check_no_sync_leftovers(session, event)

    close_with_key(session, "Escape")
    sections, text = read_ini(session.settings_path())
    check_equal(sorted(k for k in sections if k.startswith("Feed ")), ["Feed 1"], text)
    check_equal(sections["Feed 1"].get("Name"), "School", text)
    check_equal(sections["Feed 1"].get("Color"), "red", text)


def tray_after_shell_restart(session):
    session.start()
    state = session.wait_for_window()
    hwnd = state["hwnd"]
    session.wait_for("the tray icon", lambda: tray_icon_position(session))

    # The shell restarts while the window is hidden in the tray: the lost icon comes back,
    # and a double click on it brings the window back.
    minimise(session, hwnd)
    session.lose_tray_icon()
    session.wait_for("the tray icon to go", lambda: tray_icon_position(session) is None)
    session.announce_taskbar()
    restored = restore_from_tray(session, hwnd)
    check_equal(restored["rect"], state["rect"], "window position after restoring")

    # An announcement while the shell still shows the icon leaves one working icon. The
    # program handles the posted broadcast before the keys of the next minimise.
    session.announce_taskbar()
    minimise(session, hwnd)
    restore_from_tray(session, hwnd)

    close_with_key(session, "Escape")


def tray_refused(session):
    # A shell that refuses the icon from the start (the program tries for about a second).
    session.start_refusing_tray()
    session.start()
    state = session.wait_for_window()
    hwnd = state["hwnd"]
    check_stays(session, "a tray icon appeared although the shell refuses it",
                lambda: tray_icon_position(session) is None, 2.0)

    # Without the icon, minimising keeps the window on the taskbar, where a click restores it.
    minimise_to_taskbar(session, hwnd)
    restored = restore_from_taskbar(session, hwnd)
    check_equal(restored["rect"], state["rect"], "window position after restoring")

    # The shell gets ready and announces its taskbar: the icon is added, and minimising
    # hides the window in the tray again.
    session.stop_refusing_tray()
    session.announce_taskbar()
    session.wait_for("the tray icon", lambda: tray_icon_position(session))
    minimise(session, hwnd)
    restore_from_tray(session, hwnd)

    # The shell restarts while the window is hidden in the tray, and the new one refuses the
    # icon: the window comes back as a minimised window with its taskbar button.
    minimise(session, hwnd)
    session.lose_tray_icon()
    session.start_refusing_tray()
    session.announce_taskbar()
    session.wait_for("the hidden window back on the taskbar",
                     lambda: (s := session.window())["visible"] and s["iconic"]
                     and taskbar_button(session, hwnd))
    check(tray_icon_position(session) is None, "a tray icon is shown by a refusing shell")
    restore_from_taskbar(session, hwnd)

    close_with_key(session, "Escape")


SCENARIOS = {f.__name__: f for f in (first_start, keys_and_tray, feed_cycle, feed_address,
                                     start_with_both_paths, browse_and_one_path, subscriptions,
                                     tray_after_shell_restart, tray_refused)}
# Scenarios whose desktop shows its taskbar from the start, as Windows does, so that a window
# without a tray icon has its taskbar button to come back from.
WITH_SHELL = {"tray_after_shell_restart", "tray_refused"}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--exe", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--keep", action="store_true", help="keep the prefix after a pass")
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()

    session = Session(os.path.abspath(args.exe), os.path.abspath(args.probe),
                      os.path.abspath(args.work), args.scenario,
                      shell=args.scenario in WITH_SHELL)
    return run_session(session, args.scenario, SCENARIOS[args.scenario], args.keep,
                       describe_window)


def describe_window(session):
    state = session.state() if session.running() else None
    if state is not None:
        print("window:", {k: state.get(k) for k in (
            "visible", "iconic", "enabled", "foreground", "activeIsThis", "focusId")})
        print("controls:", [(c["id"], c["text"], c["enabled"], c.get("checked"))
                            for c in state["controls"]])

if __name__ == "__main__":
    sys.exit(main())
