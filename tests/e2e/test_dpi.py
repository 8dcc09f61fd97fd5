"""Kestrin at other scales: laid out in twips at the DPI it starts at, and again when Windows moves
it to a monitor of another DPI (WM_DPICHANGED, which Wine never sends itself)."""

import pathlib
import subprocess
import tempfile

from kestrin_e2e import (ABOUT, COMMAND1, COMMAND2, LBL_STATUS, LBL_STS_TTL, LBL_TIME, MAIN,
                         KestrinTestCase, main)

DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
TWIPS = {COMMAND1: (120, 0, 1215, 375), COMMAND2: (1440, 0, 1215, 375), LBL_STATUS: (120, 480, 2295, 255),
         LBL_STS_TTL: (120, 840, 2295, 255), LBL_TIME: (2520, 480, 1575, 375)}
CLIENT_TWIPS = (4200, 1065)


def pixels(twips, dpi):
    # MulDiv: rounded half away from zero.
    return (twips * dpi * 2 + 1440) // (1440 * 2)


class Scaling(KestrinTestCase):
    def start_at(self, dpi):
        """Starts kestrin watching the running test service with the screen set to `dpi`."""
        self.env.reg_set(DESKTOP_KEY, "LogPixels", str(dpi), "REG_DWORD")
        self.addCleanup(self.env.reg_set, DESKTOP_KEY, "LogPixels", "96", "REG_DWORD")
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")

    def controls(self):
        """{id: (left, top, width, height, screen left, screen top)} and the client size, in pixels."""
        found, client = {}, None
        for line in self.driver("controls", MAIN).splitlines():
            fields = line.split()
            if fields[0] == "client":
                client = (int(fields[1]), int(fields[2]))
            else:
                found[int(fields[0])] = tuple(int(n) for n in fields[1:])
        return found, client

    def assert_laid_out_at(self, dpi):
        found, client = self.controls()
        self.assertEqual(client, tuple(pixels(t, dpi) for t in CLIENT_TWIPS), f"client area at {dpi} DPI")
        for control, twips in TWIPS.items():
            self.assertEqual(found[control][:4], tuple(pixels(t, dpi) for t in twips), f"control {control} at {dpi}")
        return found

    def status_text_height(self, found):
        """Rows of the status label that hold its blue text, read from the screen."""
        left, top, width, height, screen_left, screen_top = found[LBL_STATUS]
        with tempfile.TemporaryDirectory() as scratch:
            shot = pathlib.Path(scratch) / "desktop.png"
            self.env.screenshot(shot)
            text = subprocess.run(["convert", str(shot), "-crop", f"{width}x{height}+{screen_left}+{screen_top}",
                                   "+repage", "txt:-"], check=True, stdout=subprocess.PIPE,
                                  stdin=subprocess.DEVNULL).stdout.decode()
        rows = set()
        for line in text.splitlines()[1:]:
            where, _, colour = line.partition(": (")
            r, g, b = (float(v) for v in colour.split(")")[0].split(",")[:3])
            if b > 150 and r < 100 and g < 100:
                rows.add(int(where.split(",")[1]))
        return max(rows) - min(rows) + 1 if rows else 0

    def test_at_144_dpi_every_control_is_its_twips(self):
        self.start_at(144)
        self.assert_laid_out_at(144)
        self.screenshot_of(MAIN, "main-window-144.png")
        self.show_about_and_shoot("about-window-144.png")

    def test_at_192_dpi_the_windows_are_drawn_at_twice_the_size(self):
        self.start_at(192)
        self.assert_laid_out_at(192)
        self.screenshot_of(MAIN, "main-window-192.png")
        self.show_about_and_shoot("about-window-192.png")

    def test_a_move_to_a_192_dpi_monitor_takes_the_suggested_rectangle_and_doubles_the_layout(self):
        self.start_at(96)
        before = self.assert_laid_out_at(96)
        text_before = self.status_text_height(before)
        self.screenshot_of(MAIN, "main-window-96.png")
        self.show_about_and_shoot("about-window-96.png")

        # What Windows suggests: the client area at 192 DPI inside the window's frame.
        left, top, right, bottom = self.driver.rect(MAIN)
        frame = (right - left - pixels(CLIENT_TWIPS[0], 96), bottom - top - pixels(CLIENT_TWIPS[1], 96))
        suggested = (40, 60, 40 + pixels(CLIENT_TWIPS[0], 192) + frame[0], 60 + pixels(CLIENT_TWIPS[1], 192) + frame[1])
        self.driver("send-dpichanged", MAIN, 192, *suggested)
        self.assertEqual(self.driver.rect(MAIN), suggested)
        after = self.assert_laid_out_at(192)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        text_after = self.status_text_height(after)
        self.assertGreater(text_before, 0, "no status text seen at 96 DPI")
        self.assertTrue(1.6 <= text_after / text_before <= 2.4,
                        f"the status text is {text_before} px high at 96 DPI and {text_after} px at 192")

    def show_about_and_shoot(self, name):
        self.tray.right_click()
        self.driver("menu-key", MAIN, "a")
        self.driver.find(ABOUT)
        self.screenshot_of(ABOUT, name)
        self.driver("close", ABOUT)
        self.driver.wait_gone(ABOUT)


if __name__ == "__main__":
    main()
