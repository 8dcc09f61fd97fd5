"""Several copies, each named its service on the command line: no prompts, each its own hidden state,
the stored names of a copy without options left alone, Start with Windows, and a bad command line."""

import time

from kestrin_e2e import LBL_STS_TTL, MAIN, SERVICE, KestrinTestCase, build_dir, main

PROMPT = "#32770:Kestrin"
OTHER = "KestrinOther"  # needs no such service: its state just stays empty
RUN_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Run"
APPROVED_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"


def watcher_key(service):
    return rf"HKCU\Software\Kestrin\Watchers\{service}@"


class SeveralServices(KestrinTestCase):
    def copy_window(self, service):
        return self.driver("find-by-text", "KestrinFrmSrvMan", "Kestrin", LBL_STS_TTL, f"{service} Status", 15000,
                           wait_ms=15000)

    def setUp(self):
        super().setUp()
        for service in (SERVICE, OTHER):
            self.env.reg_delete_key(watcher_key(service))

    def test_two_copies_start_without_prompts_and_each_keeps_its_own_hidden_state(self):
        self.seed_settings(computer="PC", service="Stored", minimise="False")
        copies = [self.start_kestrin("/service", SERVICE), self.start_kestrin("-SERVICE", OTHER, "/minutes", "5")]
        for service in (SERVICE, OTHER):
            self.driver("close", self.copy_window(service))
            self.assertEqual(self.env.reg_get(watcher_key(service), "Minimise to Tray"), "True")
        self.assertEqual(self.driver.count(PROMPT), 0, "a copy given its service asked for names")
        for proc in copies:
            self.env.kill(proc)
        self.driver.wait_gone(MAIN)

        self.start_kestrin("/service", SERVICE)
        self.start_kestrin("/service", OTHER)
        for service in (SERVICE, OTHER):
            window = self.copy_window(service)
            time.sleep(1)
            self.assertFalse(self.driver.visible(window), f"the copy watching {service} did not start hidden")
        self.assertEqual([self.stored(name) for name in ("Computer Name", "Service Name", "Minimise to Tray")],
                         ["PC", "Stored", "False"], "a copy with its own service touched the shared names")

    def test_start_with_windows_writes_and_removes_this_copys_run_value(self):
        self.start_kestrin("/service", SERVICE)
        window, name = self.copy_window(SERVICE), f"Kestrin {SERVICE}@"
        self.driver("menu-file", window, "w")
        exe = self.env.win_path(build_dir() / self.program)
        self.assertEqual(self.env.reg_get(RUN_KEY, name), f'"{exe}" /service {SERVICE}')
        self.assertEqual(self.env.reg_get(APPROVED_KEY, name), "02" + " 00" * 11)
        self.driver("menu-file", window, "w")
        self.assertIsNone(self.env.reg_get(RUN_KEY, name))
        self.assertIsNone(self.env.reg_get(APPROVED_KEY, name))

    def test_a_bad_command_line_names_the_problem_and_exits_2(self):
        proc = self.start_kestrin("/service", SERVICE, "/minutes", "99")
        box = self.driver.find(PROMPT, timeout_ms=15000)
        text = self.driver.text(box, 0xFFFF)  # the message box's text
        self.assertIn("The option /minutes takes a whole number from 1 to 60.", text)
        self.assertIn("kestrin.exe [/service NAME", text)
        self.driver("click", box, 1)  # OK
        self.assertEqual(self.wait_exit(proc), 2)
        self.assertIsNone(self.env.reg_get(watcher_key(SERVICE), "Minimise to Tray"))


if __name__ == "__main__":
    main()
