"""The ways back to a hidden kestrin that a real desktop needs: the keyboard on the icon, one menu
per right click, an icon the shell lost or never took, and the end of the session."""

import time

from kestrin_e2e import (ABOUT, COMPUTER_PROMPT, LBL_STATUS, MAIN, PICHOOK, SERVICE, WM_ENDSESSION, WM_TIMER,
                         KestrinTestCase, build_dir, main)

WM_MOUSEMOVE = 0x0200  # the icon's callback message; lParam carries what happened
WM_COMMAND = 0x0111
NIN_KEYSELECT = 0x0401
WM_CONTEXTMENU = 0x007B
IDM_EXIT = 1001
NO_TRAY_DESKTOP = "KestrinNoTray"
TRAY_RETRY_TIMER = 3  # kestrin tries to add its icon on each of this timer's ticks, every 2 s
TRAY_ADD_ATTEMPTS = 30  # a minute of them


class KeyboardAndMenu(KestrinTestCase):
    def post_tray_callback(self, what):
        # As the shell sends them with NOTIFYICON_VERSION: the event in lParam, the icon's id in wParam.
        self.driver("post", self.driver("child", MAIN, PICHOOK), WM_MOUSEMOVE, 1, what)

    def test_keyboard_select_restores_and_the_menu_key_opens_the_menu(self):
        self.start_service()
        self.start_watching(minimise="True")
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.assertFalse(self.driver.visible(MAIN))

        self.post_tray_callback(NIN_KEYSELECT)
        self.driver.wait_visible(MAIN, True)

        self.post_tray_callback(WM_CONTEXTMENU)
        self.driver("menu-key", MAIN, "a")
        self.driver.find(ABOUT)

    def test_a_real_right_click_opens_exactly_one_menu(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.tray.right_click()
        self.driver("menu-key", MAIN, "a")
        self.driver.find(ABOUT)
        # The shell's WM_CONTEXTMENU for the same press must not open a second menu once the first is gone.
        deadline = time.monotonic() + 2
        while time.monotonic() < deadline:
            self.assertEqual(self.driver("menu-open", MAIN), "0", "a second menu opened for one right click")
            time.sleep(0.2)
        self.assertEqual(self.driver.count(ABOUT), 1)

    def test_an_icon_the_shell_lost_comes_back_with_the_next_change(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.tray.icon_position()
        self.driver("tray-delete", self.driver("child", MAIN, PICHOOK), 1)
        self.tray.wait_no_icon()
        self.svc("stop", SERVICE)  # the tip changes; its refused modify adds the icon again
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.tray.icon_position()


class EndOfSession(KestrinTestCase):
    def test_the_session_end_ends_the_process_with_the_about_window_open(self):
        self.start_service()
        proc = self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.tray.right_click()
        self.driver("menu-key", MAIN, "a")
        self.driver.find(ABOUT)

        self.driver("post", MAIN, WM_ENDSESSION, 1, 0)
        self.wait_exit(proc, timeout_s=3)
        self.assertEqual(self.stored("Minimise to Tray"), "False")

    def test_the_session_end_under_the_first_prompt_stores_nothing_and_adds_no_icon(self):
        proc = self.start_kestrin()
        self.driver.find("#32770:Kestrin", timeout_ms=15000)
        self.driver("post", MAIN, WM_ENDSESSION, 1, 0)
        self.wait_exit(proc, timeout_s=3)
        for name in ("Computer Name", "Service Name", "Minimise to Tray"):
            self.assertIsNone(self.stored(name), f'"{name}" was stored')
        self.tray.wait_no_icon()

    def test_an_odd_length_service_name_reads_as_its_text(self):
        self.start_service()
        # Written by another tool with wcslen * 2 + 1 bytes.
        self.svc("reg-set", r"HKCU\Software\Kestrin\Settings", "Service Name", SERVICE, "REG_SZ_ODD")
        self.start_kestrin()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)
        self.assertEqual(self.driver.count("#32770:Kestrin"), 0, "the prompts came back")


class NoNotificationArea(KestrinTestCase):
    """Played on a Wine desktop of the null display driver: it has no taskbar, so every add fails."""

    def on_no_tray_desktop(self, *args, **kwargs):
        return self.driver("--desktop", NO_TRAY_DESKTOP, *args, **kwargs)

    def test_a_hidden_start_without_a_notification_area_shows_the_window(self):
        self.seed_settings(minimise="True")
        self.start_service()
        proc = self.env.spawn("explorer", f"/desktop={NO_TRAY_DESKTOP},800x600,null",
                              self.env.win_path(build_dir() / "kestrin.exe"))
        self.addCleanup(self.env.kill, proc)
        self.addCleanup(self.on_no_tray_desktop, "post", MAIN, WM_COMMAND, IDM_EXIT, 0, check=False)

        self.on_no_tray_desktop("find", *MAIN.split(":", 1), 15000, wait_ms=15000)
        self.on_no_tray_desktop("wait-text", MAIN, LBL_STATUS, "Running", 15000, wait_ms=15000)
        self.assertEqual(self.on_no_tray_desktop("visible", MAIN), "0", "hidden at first, while it retries")
        # The minute of retries played in a moment: every tick but the last is posted, and the
        # last is the retry timer's own, so the window comes back only if the timer really runs.
        self.on_no_tray_desktop("post", MAIN, WM_TIMER, TRAY_RETRY_TIMER, 0, TRAY_ADD_ATTEMPTS - 1)
        self.on_no_tray_desktop("wait-visible", MAIN, 1, 15000, wait_ms=15000)


if __name__ == "__main__":
    main()
