"""One copy watching three services in one window, two on this computer and one on a computer that
cannot be reached: the rows, the one icon, a row's menu and the buttons, the scale, and a second copy
of the same set.

The copy is kestrin_unreachable.exe, kestrin with every other computer unreachable (each open of its
service manager waits 20 s and then fails, as Windows does): Wine's manager answers for any name.
"""

import time

from kestrin_e2e import (COMMAND1, COMMAND2, RESTART_TIMER, RUNNING, SERVICE, STOPPED, TICKS_TO_FIRST_CHECK,
                         WM_TIMER, KestrinTestCase, build_dir, main)

SECOND = "KestrinSecondSvc"
FAR = "UNREACHABLE1"
SET = ("/service", SERVICE, "/service", f"{SECOND}@", "/service", f"{SERVICE}@{FAR}")
WINDOW = "KestrinFrmSrvMan:Kestrin: 3 services"
TWO_WINDOW = "KestrinFrmSrvMan:Kestrin: 2 services"
LIST = 107
STATE, RESTART, RESTARTS = 2, 3, 4
# The set's own key: its entries upper-cased and sorted.
SET_KEY = rf"HKCU\Software\Kestrin\Watchers\KESTRINSECONDSVC@/KESTRINTESTSVC@/KESTRINTESTSVC@{FAR}"
DESKTOP_KEY = r"HKCU\Control Panel\Desktop"
GREY, RED = (0x6E, 0x6E, 0x6E), (0xC4, 0x2B, 0x1C)
# A far poll or command waits 20 s: a row that shows its change within this did not wait behind it.
UNHELD_MS = 8000


class OneWindowForSeveralServices(KestrinTestCase):
    program = "kestrin_unreachable.exe"

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        rc, out = cls.env.svc("create", SECOND, cls.env.win_path(build_dir() / "kestrin_test_service.exe"), SECOND)
        if rc != 0:
            raise AssertionError(f"cannot register {SECOND}: {out.strip()}")

    @classmethod
    def tearDownClass(cls):
        cls.env.svc("reset", SECOND)
        cls.env.svc("delete", SECOND)
        super().tearDownClass()

    def setUp(self):
        super().setUp()
        self.svc("reset", SECOND)
        self.env.reg_delete_key(SET_KEY)
        self.start_service()
        self.start_second()

    def start_second(self):
        self.svc("start", SECOND)
        self.svc("wait", SECOND, str(RUNNING), "20000")

    def start_copy(self):
        # Registered first, so it runs after the copy has been ended.
        self.addCleanup(self.driver, "wait-gone", WINDOW, 5000, check=False)
        proc = self.start_kestrin(*SET)
        self.driver.find(WINDOW, timeout_ms=15000)
        # The unreachable computer's first poll shows as unknown from its third second.
        self.wait_cell(2, STATE, "Cannot be read", timeout_ms=15000)
        return proc

    def wait_cell(self, row, column, expected, timeout_ms=UNHELD_MS):
        self.driver.wait_cell(WINDOW, LIST, row, column, expected, timeout_ms)

    def cells(self):
        return [cells for _, cells in self.driver.rows(WINDOW, LIST)]

    def selected(self):
        return [row for row, (selected, _) in enumerate(self.driver.rows(WINDOW, LIST)) if selected]

    def wait_selected(self, rows, timeout_s=5):
        deadline = time.monotonic() + timeout_s
        while self.selected() != rows and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertEqual(self.selected(), rows)

    def buttons_enabled(self):
        return [self.driver("enabled", WINDOW, button) == "1" for button in (COMMAND1, COMMAND2)]

    def open_row_menu(self, row):
        """Right-clicks the row, as a person would."""
        x, y = self.driver("row-point", WINDOW, LIST, row).split()
        self.env.xdotool("mousemove", x, y, "click", 3)

    def test_rows_icon_and_tooltip_follow_each_service_and_its_watcher_restarts_a_stopped_one(self):
        self.start_copy()
        self.assertEqual(self.cells(), [[SERVICE, "This computer", "Running", "", "0"],
                                        [SECOND, "This computer", "Running", "", "0"],
                                        [SERVICE, FAR, "Cannot be read", "", "0"]])
        # The worst state: unknown beats running; one name on two computers is told apart.
        self.tray.wait_badge(GREY, "several-unknown.png")
        self.tray.wait_tooltip(f"2 of 3 running; {SERVICE} on {FAR} cannot be read")

        # Shown while the unreachable computer's poll is still waiting: each computer polls on its own.
        self.svc("stop", SERVICE)
        self.wait_cell(0, STATE, "Stopped")
        self.wait_cell(0, RESTART, "10 Minutes until restart")
        self.tray.wait_badge(RED, "several-stopped.png")
        self.tray.wait_tooltip(f"1 of 3 running; {SERVICE} on this computer stopped; {SERVICE} on {FAR} cannot be read")

        self.driver("post", WINDOW, WM_TIMER, RESTART_TIMER, 0, TICKS_TO_FIRST_CHECK)
        self.wait_cell(0, STATE, "Running", timeout_ms=20000)
        self.wait_cell(0, RESTARTS, "1")
        self.assertEqual(self.cells()[0][RESTART], "")
        self.assertEqual([cells[RESTARTS] for cells in self.cells()[1:]], ["0", "0"])
        self.assertEqual(self.starts_logged(), 2)
        self.tray.wait_badge(GREY, "several-unknown-again.png")

    def test_a_rows_menu_acts_on_that_row_and_the_buttons_on_the_selected_ones(self):
        self.start_copy()
        self.assertEqual(self.buttons_enabled(), [False, False], "Stop and Start enabled with no row selected")

        # A start on the unreachable computer hangs; another row's Stop does not wait for it.
        self.open_row_menu(2)
        self.driver("menu-key", WINDOW, "s")  # &Start Service
        self.driver("select-rows", WINDOW, LIST, 0, 1)
        self.assertEqual(self.buttons_enabled(), [True, True])
        self.open_row_menu(1)
        self.driver("menu-key", WINDOW, "t")  # S&top Service
        self.wait_cell(1, STATE, "Stopped")
        self.assertEqual(self.env.service_state(SECOND), STOPPED)
        self.assertEqual(self.service_state(), RUNNING, "the right-clicked row's menu stopped another selected row")

        # Shift+F10, a real key on the focused row, opens that row's menu.
        x, y = self.driver("row-point", WINDOW, LIST, 0).split()
        self.env.xdotool("mousemove", x, y, "click", 1)
        self.wait_selected([0])
        self.env.xdotool("key", "shift+F10")
        self.driver("menu-key", WINDOW, "t")
        self.wait_cell(0, STATE, "Stopped", timeout_ms=15000)

        # A click on a row, then Ctrl+A, both real input: every row selected, and Start starts them all.
        x, y = self.driver("row-point", WINDOW, LIST, 0).split()
        self.env.xdotool("mousemove", x, y, "click", 1)
        self.env.xdotool("key", "ctrl+a")
        self.wait_selected([0, 1, 2])
        self.driver("click", WINDOW, COMMAND2)
        self.wait_cell(0, STATE, "Running", timeout_ms=20000)
        self.wait_cell(1, STATE, "Running", timeout_ms=20000)
        self.driver("select-rows", WINDOW, LIST)
        self.assertEqual(self.buttons_enabled(), [False, False])

    def test_a_second_copy_of_the_same_set_brings_the_first_forward_and_ends(self):
        first = self.start_copy()
        self.driver("close", WINDOW)
        self.driver.wait_visible(WINDOW, False)
        self.assertEqual(self.env.reg_get(SET_KEY, "Minimise to Tray"), "True")

        # The same set in another order, case and spelling of the computer.
        second = self.start_kestrin("/service", rf"kestrintestsvc@\\{FAR.lower()}", "/service", SECOND,
                                    "/service", f"{SERVICE.upper()}@")
        self.assertEqual(self.wait_exit(second, timeout_s=15), 0)
        self.driver.wait_visible(WINDOW, True)
        self.assertEqual(self.driver.count(WINDOW), 1)
        self.assertIsNone(first.poll(), "the first copy ended")

        # Another set is another copy.
        self.addCleanup(self.driver, "wait-gone", TWO_WINDOW, 5000, check=False)
        other = self.start_kestrin("/service", SERVICE, "/service", SECOND)
        self.driver.find(TWO_WINDOW, timeout_ms=15000)
        self.assertIsNone(other.poll())

    def test_every_column_doubles_at_200_percent_and_on_a_move_to_a_200_percent_monitor(self):
        self.addCleanup(self.env.reg_set, DESKTOP_KEY, "LogPixels", "96", "REG_DWORD")
        widths = {}
        for dpi in (192, 96):
            self.env.reg_set(DESKTOP_KEY, "LogPixels", str(dpi), "REG_DWORD")
            proc = self.start_copy()
            self.svc("stop", SECOND)
            self.wait_cell(1, RESTART, "10 Minutes until restart")
            widths[dpi] = self.column_widths()
            self.screenshot_of(WINDOW, f"several-window-{dpi}.png")
            if dpi == 192:
                self.stop_kestrin(proc)
                self.driver.wait_gone(WINDOW)
                self.start_second()
        # Windows sends WM_DPICHANGED with its suggested rectangle; Wine never does.
        self.driver("send-dpichanged", WINDOW, 192, 0, 0, 1000, 600)
        widths["moved"] = self.column_widths()
        for name in (192, "moved"):
            ratios = [round(wide / narrow, 2) for narrow, wide in zip(widths[96], widths[name])]
            self.assertTrue(len(ratios) == 5 and all(1.8 <= ratio <= 2.2 for ratio in ratios),
                            f"column widths {widths}")

    def column_widths(self):
        return [int(width) for width in self.driver("columns", WINDOW, LIST).split()]

if __name__ == "__main__":
    main()
