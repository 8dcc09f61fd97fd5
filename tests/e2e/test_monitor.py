"""The running monitor against the real test service: the status poll, the restart check, the
buttons, hiding to the notification area and exit."""

import os
import time

from kestrin_e2e import (COMMAND1, COMMAND2, LBL_STATUS, LBL_STS_TTL, LBL_TIME, MAIN, PICHOOK, RUNNING, SERVICE,
                         STOPPED, TICKS_TO_FIRST_CHECK, WM_ENDSESSION, WM_QUERYENDSESSION, KestrinTestCase,
                         build_dir, main, parameters_key)


class StatusPollAndRestart(KestrinTestCase):
    def test_poll_follows_the_service_and_the_check_starts_it_on_the_eleventh_tick(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status")
        self.assertEqual(self.driver.text(MAIN, LBL_TIME), "")

        self.svc("stop", SERVICE)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.driver.wait_text(MAIN, LBL_TIME, "10 Minutes until restart")

        self.post_restart_ticks(TICKS_TO_FIRST_CHECK - 1)
        self.driver.wait_text(MAIN, LBL_TIME, "0 Minutes until restart")
        self.assertEqual(self.service_state(), STOPPED, "started before the countdown ran out")
        self.assertEqual(self.starts_logged(), 1)

        self.post_restart_ticks(1)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=20000)
        self.driver.wait_text(MAIN, LBL_TIME, "")
        self.assertEqual(self.starts_logged(), 2)

    def test_stop_pending_service_is_not_started_at_the_check(self):
        self.start_service("stop-pending=6000")
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")

        self.svc("stop", SERVICE)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stop Pending")
        self.post_restart_ticks(TICKS_TO_FIRST_CHECK)

        # Once stopped the countdown shows 9: the check came and went while the stop was pending.
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped", timeout_ms=15000)
        self.driver.wait_text(MAIN, LBL_TIME, "9 Minutes until restart")
        time.sleep(2)
        self.assertEqual(self.service_state(), STOPPED)
        self.assertEqual(self.starts_logged(), 1)

    def test_failed_start_is_tried_again_at_the_next_check(self):
        self.svc("set-mode", SERVICE, "fail-start")
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")

        self.post_restart_ticks(TICKS_TO_FIRST_CHECK)
        self.wait_starts_logged(1)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped", timeout_ms=20000)
        self.driver.wait_text(MAIN, LBL_TIME, "9 Minutes until restart")

        self.post_restart_ticks(9)
        self.driver.wait_text(MAIN, LBL_TIME, "0 Minutes until restart")
        self.assertEqual(self.starts_logged(), 1, "tried again before the next check")
        self.post_restart_ticks(1)
        self.wait_starts_logged(2)

    def test_crashed_service_is_started_again_at_the_check(self):
        service = self.make_throwaway_service("KestrinCrashSvc")
        self.svc("set-mode", service, "crash=1500")
        self.svc("start", service)
        self.start_watching(service=service)
        self.wait_logged("crash")
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.svc("set-mode", service, "normal")

        self.post_restart_ticks(TICKS_TO_FIRST_CHECK)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=20000)
        self.assertEqual(self.starts_logged(), 2)

    def make_throwaway_service(self, stem):
        """A second registration of the test service, for a test that may leave it unusable."""
        name = f"{stem}{os.getpid()}"
        self.svc("create", name, self.env.win_path(build_dir() / "kestrin_test_service.exe"), name)
        self.addCleanup(self.env.svc, "delete", name)
        self.addCleanup(self.env.svc, "stop", name)
        self.env.reg_set(parameters_key(name), "LogFile", self.env.win_path(self.service_log))
        return name


class CommandsHidingAndExit(KestrinTestCase):
    def test_stop_and_start_buttons_act_on_the_service(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")

        self.driver("click", MAIN, COMMAND1)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped", timeout_ms=15000)
        self.assertEqual(self.service_state(), STOPPED)

        self.driver("click", MAIN, COMMAND2)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=20000)
        self.assertEqual(self.service_state(), RUNNING)

    def test_close_hides_double_click_restores_and_file_exit_stores_false(self):
        self.start_service()
        proc = self.start_watching()
        self.driver.wait_visible(MAIN, True)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")

        self.driver("close", MAIN)
        self.driver.wait_visible(MAIN, False)
        self.assertIsNone(proc.poll(), "a close request ended the program")
        self.assertEqual(self.stored("Minimise to Tray"), "True")
        # Hidden, it keeps polling.
        self.svc("stop", SERVICE)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")

        self.tray.double_click()
        self.driver.wait_visible(MAIN, True)

        self.driver("menu-file-exit", MAIN)
        self.wait_exit(proc)
        self.assertEqual(self.stored("Minimise to Tray"), "False")
        self.tray.wait_no_icon()

    def test_starts_hidden_when_hidden_at_last_exit_and_tray_exit_keeps_it_so(self):
        self.start_service()
        proc = self.start_watching(minimise="True")
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.assertFalse(self.driver.visible(MAIN), "the window shows although it was hidden at the last exit")

        self.tray.right_click()
        self.driver("menu-key", MAIN, "e")
        self.wait_exit(proc)
        self.assertEqual(self.stored("Minimise to Tray"), "True")

    def test_log_off_is_never_refused_and_stores_the_hidden_state(self):
        self.start_service()
        proc = self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.driver("close", MAIN)
        self.driver.wait_visible(MAIN, False)

        self.assertEqual(self.driver("send", MAIN, WM_QUERYENDSESSION, 0, 0), "1")
        self.driver("post", MAIN, WM_ENDSESSION, 1, 0)
        self.wait_exit(proc)
        self.assertEqual(self.stored("Minimise to Tray"), "True")
        self.tray.wait_no_icon()

    def test_icon_is_added_again_when_the_notification_area_is_recreated(self):
        self.start_service()
        self.start_watching()
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.tray.icon_position()

        # A restarting shell loses every icon and then announces its new notification area.
        self.driver("tray-delete", self.driver("child", MAIN, PICHOOK), 1)
        self.tray.wait_no_icon()
        self.driver("post-registered", MAIN, "TaskbarCreated")
        self.driver("close", MAIN)
        self.driver.wait_visible(MAIN, False)
        self.tray.double_click()
        self.driver.wait_visible(MAIN, True)


if __name__ == "__main__":
    main()
