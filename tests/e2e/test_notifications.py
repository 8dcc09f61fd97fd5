"""What the watcher tells, against the real test service: notifications with the system's reasons,
the badge on the icon, and no stale state while a status is outstanding."""

import time

from kestrin_e2e import (COMMAND1, LBL_STATUS, MAIN, PICHOOK, SERVICE, KestrinTestCase, main)

WM_MOUSEMOVE = 0x0200
NIN_BALLOONUSERCLICK = 0x0405
RUNNING_GREEN, STOPPED_RED = (0x10, 0x7C, 0x10), (0xC4, 0x2B, 0x1C)


class Notifications(KestrinTestCase):
    def wait_balloon(self, part, timeout_ms=10000):
        return self.driver("wait-balloon", part, timeout_ms, wait_ms=timeout_ms)

    def test_a_stop_from_outside_is_told_with_the_minutes_until_the_check(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.svc("stop", SERVICE)
        # The countdown reads 10 at start-up: the check that acts comes on the eleventh minute.
        self.wait_balloon("Kestrin will start it again within 11 minutes.")

    def test_a_refused_stop_is_told_with_the_systems_reason(self):
        self.start_watching()  # the service is stopped: stopping it again is refused
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        reason = self.driver("system-message", 1062)  # ERROR_SERVICE_NOT_ACTIVE, in the user's language
        self.driver("click", MAIN, COMMAND1)
        self.wait_balloon(reason)

    def test_clicking_a_notification_restores_the_window(self):
        self.start_service()
        self.start_watching(minimise="True")
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.driver("post", self.driver("child", MAIN, PICHOOK), WM_MOUSEMOVE, 1, NIN_BALLOONUSERCLICK)
        self.driver.wait_visible(MAIN, True)

    def test_the_badge_follows_the_state(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.tray.wait_badge(RUNNING_GREEN, "tray-running.png")
        self.svc("stop", SERVICE)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.tray.wait_badge(STOPPED_RED, "tray-stopped.png")
        self.wait_balloon("within")
        self.screenshot_of("tooltips_class32:*", "notification.png")


class StaleState(KestrinTestCase):
    program = "kestrin_slow.exe"  # every open waits 5 s, as for an unreachable computer

    def test_an_outstanding_status_shows_an_empty_state_after_3_s_then_the_real_one(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=30000)
        # The next status takes 10 s: from its third second on the state shows as unknown.
        self.driver.wait_text(MAIN, LBL_STATUS, "", timeout_ms=8000)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)


if __name__ == "__main__":
    main()
