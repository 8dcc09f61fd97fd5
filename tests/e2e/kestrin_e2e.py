"""Shared pieces of the end-to-end tests: the driver, kestrin's process, its settings, the test
service and the notification-area icon, all inside the Wine environment of winenv.py.

Every wait polls with a timeout: a message posted to kestrin is handled some time later, and a
service changes state some time after it was asked to.
"""

import os
import pathlib
import re
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.append(str(pathlib.Path(__file__).resolve().parent.parent / "support"))
import winenv  # noqa: E402  (found through the line above or PYTHONPATH)

# The program's windows and controls, as any user of it sees them.
MAIN = "KestrinFrmSrvMan:Kestrin"
ABOUT = "#32770:About Kestrin"
TASKBAR = "Shell_TrayWnd:*"
COMMAND1, COMMAND2, LBL_STATUS, LBL_STS_TTL, LBL_TIME, PICHOOK = 101, 102, 103, 104, 105, 106
ABOUT_DESCRIPTION, ABOUT_TITLE, ABOUT_VERSION, ABOUT_OK = 303, 304, 305, 1
COMPUTER_PROMPT = "Enter Computer Name (Press enter for Local)"
SERVICE_PROMPT = "Enter Service Name (Press enter for Harbourlink)"
DESCRIPTION = "This will check that a specified service is running, and restart it if needed."

SETTINGS_KEY = r"HKCU\Software\Kestrin\Settings"
SERVICE = winenv.TEST_SERVICE
STOPPED, RUNNING = 1, 4

WM_TIMER = 0x0113
WM_QUERYENDSESSION = 0x0011
WM_ENDSESSION = 0x0016
RESTART_TIMER = 2
TICKS_TO_FIRST_CHECK = 11  # the countdown reads 10 at start-up and checks below 1

# Wine's ReportEventW is a stub that prints each entry on these debug channels (see event_entries).
EVENTLOG_CHANNELS = "fixme+advapi,trace+eventlog,warn+eventlog,err+eventlog"
EVENTLOG_ERROR, EVENTLOG_WARNING, EVENTLOG_INFORMATION = 1, 2, 4

# How long a state change may take to show: the poll runs every second; Wine is slow at times.
SHOWS_WITHIN_MS = 8000


def parameters_key(service):
    """Where the test service reads its Mode and LogFile."""
    return rf"HKLM\SYSTEM\CurrentControlSet\Services\{service}\Parameters"


def event_entries(log_path):
    """(event id, type, [insertion strings]) of every entry a program started with
    winedebug=EVENTLOG_CHANNELS wrote, in order."""
    with open(log_path, "rb") as f:
        text = f.read().decode(errors="replace").replace("\r", "")
    found = []
    for line in text.splitlines():
        report = re.search(r"ReportEventW \([^,]+,0x([0-9a-f]+),0x[0-9a-f]+,0x([0-9a-f]+)", line)
        if report and "fixme" in line:
            found.append((int(report.group(2), 16), int(report.group(1), 16), []))
        elif found and "eventlog:ReportEventW" in line:
            string = re.search(r'L"(.*)"', line)
            found[-1][2].append(string.group(1) if string else "")
    return found


def build_dir():
    path = os.environ.get("KESTRIN_BUILD_DIR")
    if not path:
        raise RuntimeError("KESTRIN_BUILD_DIR is not set; run these tests through ctest")
    return pathlib.Path(path)


class Driver:
    """kestrin_driver.exe, one command per run; a failed command fails the test with the command,
    its exit code and its whole output."""

    # Commands that only look, so that a run Wine ended without a word can be made again.
    LOOKING = {"find", "find-by-text", "count", "child", "text", "wait-text", "caption", "visible", "wait-visible",
               "wait-gone", "menu-open", "pid", "rect", "controls", "wait-balloon", "system-message"}

    def __init__(self, env):
        self.env = env
        self.exe = build_dir() / "kestrin_driver.exe"

    def __call__(self, *args, check=True, wait_ms=0):
        words = [str(arg) for arg in args]
        command = words[2:] if words[:1] == ["--desktop"] else words
        rc, out = winenv.run_steadily(
            lambda winedebug: self.env.run(self.exe, *words, timeout=60 + wait_ms / 1000, winedebug=winedebug),
            self.exe, words, command[:1] and command[0] in self.LOOKING)
        if check and rc != 0:
            raise AssertionError(winenv.describe_failure([self.exe, *args], rc, out))
        return out.strip() if rc == 0 else None

    def find(self, target, timeout_ms=SHOWS_WITHIN_MS):
        class_name, caption = target.split(":", 1)
        return self("find", class_name, caption, timeout_ms, wait_ms=timeout_ms)

    def count(self, target):
        class_name, caption = target.split(":", 1)
        return int(self("count", class_name, caption))

    def text(self, target, control):
        return self("text", target, control)

    def wait_text(self, target, control, expected, timeout_ms=SHOWS_WITHIN_MS):
        self("wait-text", target, control, expected, timeout_ms, wait_ms=timeout_ms)

    def visible(self, target):
        return self("visible", target) == "1"

    def wait_visible(self, target, shown, timeout_ms=SHOWS_WITHIN_MS):
        self("wait-visible", target, 1 if shown else 0, timeout_ms, wait_ms=timeout_ms)

    def wait_gone(self, target, timeout_ms=SHOWS_WITHIN_MS):
        self("wait-gone", target, timeout_ms, wait_ms=timeout_ms)

    def rect(self, target):
        return tuple(int(n) for n in self("rect", target).split())

    def rows(self, target, list_id):
        """A list view's rows as (selected, [cells]), read as the list draws them."""
        rows = []
        for line in self("rows", target, list_id).split("\n"):
            selected, *cells = line.split("\t")
            rows.append((selected == "1", cells))
        return rows

    def wait_cell(self, target, list_id, row, column, expected, timeout_ms=SHOWS_WITHIN_MS):
        self("wait-cell", target, list_id, row, column, expected, timeout_ms, wait_ms=timeout_ms)


# The discs of the icon's badges: Running, Stopped, pending and Paused, cannot be read.
BADGE_DISCS = ("#107C10", "#C42B1C", "#C27C0E", "#6E6E6E")


class Tray:
    """Kestrin's icon in the taskbar's notification area, found in a screenshot.

    The taskbar (Shell_TrayWnd) gives the strip to look in; the icon is the run of columns at
    its right end whose pixels differ from the taskbar's own colour and from a picture of the
    same strip taken before kestrin started (so a stale icon cannot be mistaken for it). The
    Wine desktop fills the Xvfb screen, so its coordinates are the pointer's.
    """

    STRIP_WIDTH = 160  # the notification area's end of the taskbar

    def __init__(self, env, driver, shots_dir):
        self.env = env
        self.driver = driver
        self.shots_dir = shots_dir
        self.baseline = None

    def _strip(self):
        left, top, right, bottom = self.driver.rect(TASKBAR)
        if right - left <= 0 or bottom - top <= 0:
            raise AssertionError("the desktop has no taskbar (is the Wine desktop's shell enabled?)")
        x = max(left, right - self.STRIP_WIDTH)
        return x, top + 2, right - x, bottom - top - 4

    def _pixels(self, strip, keep_as=None):
        """The strip's pixels now; `keep_as` also keeps the whole screenshot for a failure report."""
        with tempfile.TemporaryDirectory() as scratch:
            shot = pathlib.Path(scratch) / "desktop.png"
            self.env.screenshot(shot)
            x, y, width, height = strip
            ppm = subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{x}+{y}", "+repage", "ppm:-"],
                                 check=True, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL).stdout
            if keep_as:
                shot.replace(self.shots_dir / keep_as)
        return _parse_ppm(ppm)

    def remember_background(self):
        """Takes the picture of the notification area before kestrin adds its icon."""
        try:
            self.baseline = self._pixels(self._strip())
        except (AssertionError, subprocess.CalledProcessError):
            self.baseline = None

    def _new_icons(self):
        strip = self._strip()
        width, height, pixels = self._pixels(strip)
        runs = _icon_runs(width, height, pixels, self.baseline)
        return strip, [(strip[0] + (first + last) // 2, strip[1] + (top + bottom) // 2)
                       for first, last, top, bottom in runs]

    def _pointer_away(self):
        # A tooltip over the taskbar would read as another icon.
        width, height = self.env.desktop_size
        self.env.xdotool("mousemove", width // 2, height // 3)

    def icon_position(self, timeout_s=10):
        """Screen coordinates of the icon's centre; fails when no single icon shows in time."""
        self._pointer_away()
        deadline = time.monotonic() + timeout_s
        while True:
            strip, icons = self._new_icons()
            if len(icons) == 1:
                return icons[0]
            if time.monotonic() > deadline:
                self._pixels(strip, keep_as="tray-failed.png")
                raise AssertionError(f"expected one new icon in the notification area, found {len(icons)} "
                                     f"(screenshot: {self.shots_dir / 'tray-failed.png'})")
            time.sleep(0.3)

    def wait_no_icon(self, timeout_s=5):
        """Fails unless the icon leaves the notification area in time.

        The pointer stays away from the tray: an icon that its program failed to remove would
        vanish only when the pointer passes over it.
        """
        self._pointer_away()
        deadline = time.monotonic() + timeout_s
        while True:
            strip, icons = self._new_icons()
            if not icons:
                return
            if time.monotonic() > deadline:
                self._pixels(strip, keep_as="tray-failed.png")
                raise AssertionError(f"the icon is still in the notification area "
                                     f"(screenshot: {self.shots_dir / 'tray-failed.png'})")
            time.sleep(0.3)

    def wait_badge(self, colour, keep_as, timeout_s=10):
        """Waits until the icon carries the badge of `colour` (its disc) and no other badge's colour;
        keeps the magnified icon as screenshots/<keep_as>."""
        wanted = "#%02X%02X%02X" % colour
        deadline = time.monotonic() + timeout_s
        while True:
            x, y = self.icon_position()
            with tempfile.TemporaryDirectory() as scratch:
                shot = pathlib.Path(scratch) / "desktop.png"
                self.env.screenshot(shot)
                crop = ["convert", str(shot), "-crop", f"40x28+{x - 20}+{y - 14}", "+repage"]
                text = subprocess.run(crop + ["txt:-"], check=True, stdout=subprocess.PIPE,
                                      stdin=subprocess.DEVNULL).stdout.decode()
                subprocess.run(crop + ["-scale", "400%", str(self.shots_dir / keep_as)], check=True,
                               stdin=subprocess.DEVNULL)
            found = {disc for disc in BADGE_DISCS if text.count(disc) >= 4}
            if found == {wanted}:
                return
            if time.monotonic() > deadline:
                raise AssertionError(f"the icon shows the badges {sorted(found)}, not {wanted} "
                                     f"(see {self.shots_dir / keep_as})")
            time.sleep(0.5)

    def wait_tooltip(self, expected, timeout_s=10):
        """Rests the pointer on the icon until its tooltip reads `expected`; Wine's explorer shows it
        as a tooltip window whose text another process can read."""
        deadline = time.monotonic() + timeout_s
        seen = None
        while time.monotonic() < deadline:
            x, y = self.icon_position()
            self.env.xdotool("mousemove", x, y)
            found = self.driver("wait-balloon", expected, 3000, check=False, wait_ms=3000)
            if found == expected:
                self._pointer_away()
                return
            # Balloons are tooltip windows too: the icon's own tip is the one that counts "N of M running".
            seen = found or self.driver("wait-balloon", " running", 500, check=False)
        self._pointer_away()
        raise AssertionError(f"the icon's tooltip reads {seen!r}, not {expected!r}")

    def double_click(self):
        x, y = self.icon_position()
        self.env.xdotool("mousemove", x, y, "click", "--repeat", 2, "--delay", 80, 1)

    def right_click(self):
        x, y = self.icon_position()
        self.env.xdotool("mousemove", x, y, "click", 3)


def _parse_ppm(data):
    """(width, height, rows of RGB tuples) from a binary PPM (P6, 8 bits)."""
    fields, position = [], 0
    while len(fields) < 4:
        while data[position:position + 1].isspace():
            position += 1
        end = position
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[position:end])
        position = end
    position += 1  # the single whitespace after maxval
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError("not an 8-bit binary PPM")
    width, height = int(fields[1]), int(fields[2])
    raw = data[position:position + width * height * 3]
    rows = [[tuple(raw[(r * width + c) * 3:(r * width + c) * 3 + 3]) for c in range(width)] for r in range(height)]
    return width, height, rows


def _icon_runs(width, height, rows, baseline):
    """Runs of columns (first, last, top row, bottom row) that hold a new, non-background picture."""
    counts = {}
    for row in rows:
        for pixel in row:
            counts[pixel] = counts.get(pixel, 0) + 1
    background = max(counts, key=counts.get)
    base_rows = baseline[2] if baseline and baseline[:2] == (width, height) else None

    def new_pixel(r, c):
        return rows[r][c] != background and (base_rows is None or rows[r][c] != base_rows[r][c])

    marked = [[r for r in range(height) if new_pixel(r, c)] for c in range(width)]
    runs, start = [], None
    for c in range(width + 1):
        filled = c < width and len(marked[c]) >= 2  # a lone pixel is noise, not an icon
        if filled and start is None:
            start = c
        elif not filled and start is not None:
            if c - start >= 6:
                rows_hit = [r for col in marked[start:c] for r in col]
                runs.append((start, c - 1, min(rows_hit), max(rows_hit)))
            start = None
    return runs


class KestrinTestCase(unittest.TestCase):
    """Starts every test from nothing stored, the test service stopped in mode normal, and no
    kestrin running; ends every kestrin it started."""

    program = "kestrin.exe"

    @classmethod
    def setUpClass(cls):
        cls.env = winenv.load(str(build_dir()))
        cls.driver = Driver(cls.env)
        cls.shots_dir = build_dir() / "screenshots"
        cls.shots_dir.mkdir(exist_ok=True)
        cls.tray = Tray(cls.env, cls.driver, cls.shots_dir)

    def setUp(self):
        # A killed program's windows may take a moment to go.
        if self.driver("wait-gone", MAIN, 10000, check=False, wait_ms=10000) is None:
            self.fail("a kestrin window is left over from an earlier test")
        self.svc("reset", SERVICE)
        self.env.reg_delete_key(SETTINGS_KEY)
        self.service_log = build_dir() / "wine-env" / "logs" / f"{SERVICE}-{self.id().rsplit('.', 1)[-1]}.log"
        self.service_log.unlink(missing_ok=True)
        self.env.reg_set(parameters_key(SERVICE), "LogFile", self.env.win_path(self.service_log))

    # -- kestrin -----------------------------------------------------------------------------

    def start_kestrin(self, *args, program=None, winedebug=None):
        """Starts kestrin (or a variant) and makes sure it ends with the test."""
        exe = build_dir() / (program or self.program)
        self.assertTrue(exe.exists(), f"{exe.name} is not built in {exe.parent}")
        self.tray.remember_background()
        proc = self.env.spawn(exe, *args, winedebug=winedebug)
        self.addCleanup(self.stop_kestrin, proc)
        return proc

    def stop_kestrin(self, proc):
        if proc.poll() is None:
            self.env.kill(proc)
        self.driver("wait-gone", MAIN, 5000, check=False)
        self.driver("wait-gone", ABOUT, 5000, check=False)

    def start_watching(self, *args, service=SERVICE, minimise="False", program=None):
        """Stores `service` as the watched one and starts kestrin; returns its process."""
        self.seed_settings(service=service, minimise=minimise)
        proc = self.start_kestrin(*args, program=program)
        self.driver.find(MAIN, timeout_ms=15000)
        return proc

    def wait_exit(self, proc, timeout_s=10):
        try:
            return proc.wait(timeout=timeout_s)
        except subprocess.TimeoutExpired:
            self.fail(f"kestrin is still running {timeout_s} s later")

    def post_restart_ticks(self, count):
        """Posts `count` ticks of the one-minute restart countdown to the main window."""
        self.driver("post", MAIN, WM_TIMER, RESTART_TIMER, 0, count)

    def screenshot_of(self, target, name):
        """Saves the window's picture as screenshots/<name> for the documentation."""
        left, top, right, bottom = self.driver.rect(target)
        with tempfile.TemporaryDirectory() as scratch:
            full = pathlib.Path(scratch) / "desktop.png"
            self.env.screenshot(full)
            subprocess.run(["convert", str(full), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                            str(self.shots_dir / name)], check=True, stdin=subprocess.DEVNULL)

    # -- settings ----------------------------------------------------------------------------

    def seed_settings(self, computer="", service=SERVICE, minimise="False"):
        for name, value in (("Computer Name", computer), ("Service Name", service), ("Minimise to Tray", minimise)):
            if value is not None:
                self.env.reg_set(SETTINGS_KEY, name, value)

    def stored(self, name):
        return self.env.reg_get(SETTINGS_KEY, name)

    # -- the test service --------------------------------------------------------------------

    def svc(self, *args):
        return self.env.check_svc(*args)

    def start_service(self, mode="normal"):
        self.svc("set-mode", SERVICE, mode)
        # Wine's service manager now and then refuses a start right after the service's last process
        # ended (error 1359 or 1053): the set-up tries again before it fails the test.
        for _ in range(3):
            rc, out = self.env.svc("start", SERVICE)
            started = rc == 0 or self.service_state() == RUNNING
            if started:
                break
            time.sleep(1)
        self.assertTrue(started, winenv.describe_failure([winenv.SVCTOOL_EXE, "start", SERVICE], rc, out))
        self.svc("wait", SERVICE, str(RUNNING), "20000")

    def service_state(self):
        return self.env.service_state(SERVICE)

    def logged(self, word):
        """How many lines of the test service's log for this test begin with `word`."""
        try:
            text = self.service_log.read_bytes().decode(errors="replace")
        except FileNotFoundError:
            return 0
        return sum(1 for line in text.splitlines() if line.startswith(word))

    def starts_logged(self):
        return self.logged("start")

    def wait_logged(self, word, count=1, timeout_s=20):
        deadline = time.monotonic() + timeout_s
        while self.logged(word) < count and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.logged(word), count, f'lines "{word}" in the test service\'s log')

    def wait_starts_logged(self, expected, timeout_s=20):
        self.wait_logged("start", expected, timeout_s)


def main():
    unittest.main(verbosity=2)
