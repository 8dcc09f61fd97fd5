"""Start-up of the real kestrin.exe: the two name prompts, what they store, and `reset`."""

import time

from kestrin_e2e import (COMMAND1, COMMAND2, COMPUTER_PROMPT, LBL_STATUS, LBL_STS_TTL, LBL_TIME, MAIN, SERVICE,
                         SERVICE_PROMPT, KestrinTestCase, main)

PROMPT = "#32770:Kestrin"


class StartUp(KestrinTestCase):
    def test_first_run_asks_both_names_stores_them_and_shows_the_window(self):
        self.start_kestrin()
        self.driver.find(PROMPT, timeout_ms=15000)
        self.assert_main_window_hidden()
        self.driver("answer-prompt", COMPUTER_PROMPT, "", wait_ms=10000)
        self.assert_main_window_hidden()
        self.driver("answer-prompt", SERVICE_PROMPT, SERVICE, wait_ms=10000)

        self.driver.wait_visible(MAIN, True)
        self.assertEqual(self.driver("caption", MAIN), "Kestrin")
        self.assertEqual(self.driver.text(MAIN, COMMAND1), "S&top Service")
        self.assertEqual(self.driver.text(MAIN, COMMAND2), "&Start Service")
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status")
        self.assertEqual(self.stored("Computer Name"), "")
        self.assertEqual(self.stored("Service Name"), SERVICE)

    def test_reset_in_any_case_asks_again_defaults_the_service_and_shows_the_window(self):
        # Names are stored and the window was hidden at the last exit; `reset` overrides both.
        self.seed_settings(computer="elsewhere", service=SERVICE, minimise="True")
        self.start_kestrin("-x", "/ReSeT")
        self.driver("cancel-prompt", COMPUTER_PROMPT, wait_ms=10000)
        self.driver("answer-prompt", SERVICE_PROMPT, "", wait_ms=10000)

        self.driver.wait_visible(MAIN, True)
        self.assertEqual(self.stored("Computer Name"), "")
        self.assertEqual(self.stored("Service Name"), "Harbourlink")
        # No such service here: the title follows the name, the state stays empty.
        self.driver.wait_text(MAIN, LBL_STS_TTL, "Harbourlink Status")
        time.sleep(2)
        self.assertEqual(self.driver.text(MAIN, LBL_STATUS), "")
        self.assertEqual(self.driver.text(MAIN, LBL_TIME), "")
        self.assertTrue(self.driver.visible(MAIN))

    def test_stored_names_start_without_prompts(self):
        self.seed_settings()
        self.start_kestrin()
        self.driver.wait_visible(MAIN, True, timeout_ms=15000)
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status")
        self.assertEqual(self.driver.count(PROMPT), 0, "a prompt opened although names are stored")

    def assert_main_window_hidden(self):
        self.assertFalse(self.driver.count(MAIN) and self.driver.visible(MAIN),
                         "the main window shows while the prompts are open")


if __name__ == "__main__":
    main()
