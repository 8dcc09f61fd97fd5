"""The record administrators read: the entries a stop and the restart check write (read from Wine's
eventlog debug channel, where its ReportEventW sends them), the event source's registration, and
restarts paused for maintenance."""

import time

from kestrin_e2e import (EVENTLOG_CHANNELS, LBL_STATUS, LBL_TIME, MAIN, SERVICE, STOPPED, KestrinTestCase, build_dir,
                         event_entries, main)

SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrin"


def entries(log_path):
    """(event id, [insertion strings]) of every entry in a Wine log, in order."""
    return [(event, strings) for event, _, strings in event_entries(log_path)]


class EventLog(KestrinTestCase):
    def test_a_stop_and_the_checks_restart_write_ids_3_and_4_with_the_service(self):
        self.start_service()
        proc = self.start_kestrin("/service", SERVICE, "/minutes", "1", winedebug=EVENTLOG_CHANNELS)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)
        self.svc("stop", SERVICE)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.post_restart_ticks(2)  # with one minute between checks, the second tick checks
        self.wait_starts_logged(2)  # the test's own start, then the check's
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)
        deadline = time.monotonic() + 10
        while 4 not in dict(entries(proc.log_path)) and time.monotonic() < deadline:
            time.sleep(0.5)
        written = entries(proc.log_path)
        self.assertEqual([i for i, _ in written if i in (1, 3, 4)], [1, 3, 4], written)
        self.assertTrue(all(len(strings) == 6 and strings[0] == SERVICE for _, strings in written), written)
        self.assertEqual(dict(written)[4][5], "1")  # the restart count

    def test_the_event_source_is_registered_with_this_exe_and_removed(self):
        exe = build_dir() / self.program
        self.env.check(exe, "/register-event-source")
        self.assertEqual(self.env.reg_get(SOURCE_KEY, "EventMessageFile").lower(), self.env.win_path(exe).lower())
        self.assertEqual(self.env.reg_get(SOURCE_KEY, "TypesSupported"), "7")
        self.env.check(exe, "/unregister-event-source")
        self.assertIsNone(self.env.reg_get(SOURCE_KEY, "TypesSupported"))

    def test_paused_restarts_leave_a_stopped_service_stopped_through_a_check(self):
        self.start_kestrin("/service", SERVICE, "/minutes", "1")
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped", timeout_ms=15000)
        self.tray.right_click()  # the icon's menu holds the item too
        self.driver("menu-key", MAIN, "p")
        deadline = time.monotonic() + 8
        while not self.driver.text(MAIN, LBL_TIME).startswith("Restarts paused until ") and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertRegex(self.driver.text(MAIN, LBL_TIME), r"^Restarts paused until \d{1,2}:\d{2}")
        self.post_restart_ticks(4)  # two checks
        time.sleep(5)
        self.assertEqual(self.starts_logged(), 0)
        self.assertEqual(self.service_state(), STOPPED)


if __name__ == "__main__":
    main()
