"""The restart policy against the real test service: a service that crashes after every start gets
starts spaced by a growing wait until Kestrin gives up, once; and with no delay a stop from outside
is undone at once while a Stop from the window pauses the restarts instead."""

import re
import time

from kestrin_e2e import (COMMAND1, COMMAND2, EVENTLOG_CHANNELS, EVENTLOG_ERROR, LBL_STATUS, LBL_TIME, MAIN,
                         SERVICE, STOPPED, KestrinTestCase, event_entries, main)

GIVE_UP_TEXT = re.compile(r"It failed to start 3 times in a row \((.+)\)\. "
                          r"Start it from Kestrin's window once the cause is fixed\.")
UNTIL = r"\d{1,2}:\d{2}( [AP]M)?"  # the time the pause ends, as the user's settings write it
GAVE_UP, PAUSED = 10, 9
# A notification stays about 10 s in Wine's notification area; one more comes at most every 10 s.
BALLOON_GONE_WITHIN_S = 35
# Longer than the wait a fourth start would have had (8 s after the third failure).
NO_MORE_STARTS_S = 12
# The notifications' pace lets a second telling come 10 s after the first, at the earliest.
TOLD_AGAIN_WITHIN_S = 14


class RestartPolicy(KestrinTestCase):
    def test_a_crash_loop_gets_three_starts_spaced_by_the_backoff_then_one_give_up(self):
        self.svc("set-mode", SERVICE, "crash=500")  # every start runs half a second, then dies
        proc = self.start_kestrin("/service", SERVICE, "/delay", "1", "/retries", "3", winedebug=EVENTLOG_CHANNELS)

        starts, crashes = self.times_logged(("start", "crash"), 3, timeout_s=40)
        # From a crash to the next start: the wait, which counts from the poll that saw the crash (2 s,
        # then 4 s; a tick up to a quarter second early starts it), plus the start itself.
        waited = [start - crash for crash, start in zip(crashes, starts[1:])]
        timeline = f"starts at {starts}, crashes at {crashes}"
        self.assertGreaterEqual(waited[0], 1.75, timeline)
        self.assertGreaterEqual(waited[1], 3.75, timeline)
        self.assertGreaterEqual(waited[1] - waited[0], 1.0, f"the wait did not double: {timeline}")
        self.driver.wait_text(MAIN, LBL_TIME, "Gave up after 3 tries", timeout_ms=10000)
        gave_up_at = time.monotonic()

        told = self.driver("wait-balloon", "It failed to start 3 times", 30000, wait_ms=30000)
        told_at = time.monotonic()
        reason = GIVE_UP_TEXT.fullmatch(told)
        self.assertIsNotNone(reason, told)
        self.wait_balloon_gone("It failed to start 3 times")
        quiet_until = max(time.monotonic(), told_at + TOLD_AGAIN_WITHIN_S, gave_up_at + NO_MORE_STARTS_S)
        while time.monotonic() < quiet_until:
            self.assertIsNone(self.driver("wait-balloon", "It failed to start", 0, check=False),
                              "the give-up was told a second time")
            time.sleep(0.5)
        self.assertEqual(self.starts_logged(), 3, "a start after the give-up")
        self.assertEqual(self.service_state(), STOPPED)

        written = event_entries(proc.log_path)
        began, _, strings = written[0]
        self.assertEqual((began, strings[2:]),
                         (1, ["Watching began: restart 1 s after a stop, give up after 3 failed starts", "0", "", "1"]))
        gave_up = [(kind, strings) for event, kind, strings in written if event == GAVE_UP]
        self.assertEqual(len(gave_up), 1, written)
        kind, strings = gave_up[0]
        self.assertEqual(kind, EVENTLOG_ERROR)
        self.assertEqual(strings[0], SERVICE)
        self.assertEqual(strings[2], "Restarts stopped after 3 failed starts")
        self.assertEqual(strings[4].rstrip("."), reason.group(1))  # the notification's reason, the last failure's
        self.assertEqual(strings[5], "3")

        # The cause fixed, a Start from the window ends the give-up.
        self.svc("set-mode", SERVICE, "normal")
        self.driver("click", MAIN, COMMAND2)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)
        self.driver.wait_text(MAIN, LBL_TIME, "")
        self.assertEqual(self.starts_logged(), 4)

    def test_with_no_delay_a_stop_from_outside_is_undone_and_a_stop_from_the_window_pauses(self):
        self.start_service()
        proc = self.start_kestrin("/service", SERVICE, "/delay", "0", winedebug=EVENTLOG_CHANNELS)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=15000)
        self.svc("stop", SERVICE)
        self.wait_starts_logged(2)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")

        self.driver("click", MAIN, COMMAND1)
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped")
        self.wait_time_label(f"Restarts paused until {UNTIL}")
        time.sleep(4)  # four polls that read Stopped
        self.assertEqual(self.starts_logged(), 2)
        self.assertEqual(self.service_state(), STOPPED)
        paused = [strings[2] for event, _, strings in event_entries(proc.log_path) if event == PAUSED]
        self.assertEqual(len(paused), 1, paused)
        self.assertRegex(paused[0], f"^Stopped from Kestrin: restarts paused until {UNTIL}$")

        # Start ends the pause: the next stop from outside is undone again.
        self.driver("click", MAIN, COMMAND2)
        self.driver.wait_text(MAIN, LBL_STATUS, "Running")
        self.driver.wait_text(MAIN, LBL_TIME, "")
        self.svc("stop", SERVICE)
        self.wait_starts_logged(4)

    def times_logged(self, words, count, timeout_s):
        """For each word, when each of its first `count` lines appeared in the service's log
        (monotonic seconds, to a tenth)."""
        times = {word: [] for word in words}
        deadline = time.monotonic() + timeout_s
        while any(len(seen) < count for seen in times.values()):
            if time.monotonic() > deadline:
                self.fail(f"lines logged within {timeout_s} s: {times}, not {count} of each")
            now = time.monotonic()
            for word, seen in times.items():
                seen += [now] * (min(self.logged(word), count) - len(seen))
            time.sleep(0.1)
        return [times[word] for word in words]

    def wait_balloon_gone(self, part):
        deadline = time.monotonic() + BALLOON_GONE_WITHIN_S
        while self.driver("wait-balloon", part, 0, check=False) is not None:
            if time.monotonic() > deadline:
                self.fail(f'the notification "{part}..." is still shown {BALLOON_GONE_WITHIN_S} s later')
            time.sleep(0.5)

    def wait_time_label(self, pattern):
        deadline = time.monotonic() + 8
        while not re.fullmatch(pattern, self.driver.text(MAIN, LBL_TIME)) and time.monotonic() < deadline:
            time.sleep(0.2)
        self.assertRegex(self.driver.text(MAIN, LBL_TIME), f"^{pattern}$")


if __name__ == "__main__":
    main()
