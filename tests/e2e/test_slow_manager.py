"""kestrin_slow.exe, whose every service-manager open takes five seconds (as an unreachable
computer's does): the window keeps answering, its commands still work and Exit is prompt."""

import time

from kestrin_e2e import (COMMAND1, COMMAND2, LBL_STATUS, LBL_STS_TTL, MAIN, RUNNING, SERVICE, STOPPED, KestrinTestCase,
                         main)

# Generous bounds: a window that waits for the service manager misses them by seconds.
ANSWERS_WITHIN_MS = 1000
ENDS_WITHIN_S = 3
# A request opens the manager and the service (10 s) and may queue behind a poll in progress.
SLOW_RESULT_MS = 45000


class SlowServiceManager(KestrinTestCase):
    program = "kestrin_slow.exe"

    def assert_answers(self):
        ms = self.driver("ping", MAIN, 5000, check=False)
        self.assertIsNotNone(ms, "the window did not answer within 5 s")
        self.assertLess(int(ms), ANSWERS_WITHIN_MS, "the window waits for the service manager")

    def test_window_answers_its_buttons_work_and_exit_is_prompt(self):
        self.start_service()
        proc = self.start_watching()
        # The first poll has begun: its request is now waiting on the manager.
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status")
        for _ in range(3):
            self.assert_answers()
            time.sleep(0.5)

        self.driver("click", MAIN, COMMAND1)
        self.assert_answers()
        self.svc("wait", SERVICE, str(STOPPED), str(SLOW_RESULT_MS))
        self.driver.wait_text(MAIN, LBL_STATUS, "Stopped", timeout_ms=SLOW_RESULT_MS)

        self.driver("click", MAIN, COMMAND2)
        self.assert_answers()
        self.svc("wait", SERVICE, str(RUNNING), str(SLOW_RESULT_MS))
        self.driver.wait_text(MAIN, LBL_STATUS, "Running", timeout_ms=SLOW_RESULT_MS)

        # Leave a request waiting on the manager, then exit: the program must not wait for it.
        self.driver("click", MAIN, COMMAND2)
        self.driver("menu-file-exit", MAIN)
        asked = time.monotonic()
        self.wait_exit(proc, timeout_s=30)
        self.assertLess(time.monotonic() - asked, ENDS_WITHIN_S, "Exit waited for the service manager")


if __name__ == "__main__":
    main()
