#!/usr/bin/env python3
"""How winenv.py reports and survives a failed Windows program, without Wine: a stand-in loader plays
kestrin_svctool's answers, one scripted answer per run."""

import json
import os
import pathlib
import stat
import sys
import tempfile
import unittest

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
import winenv  # noqa: E402

# Pops the next answer ([exit code, output]) for each run and appends the run's words and WINEDEBUG.
STAND_IN_LOADER = """#!/usr/bin/env python3
import json, os, sys
script = os.environ["FAKE_WINE_SCRIPT"]
with open(script) as f:
    answers = json.load(f)
code, output = answers.pop(0)
with open(script, "w") as f:
    json.dump(answers, f)
with open(os.environ["FAKE_WINE_CALLS"], "a") as f:
    f.write(json.dumps([os.path.basename(sys.argv[1]), *sys.argv[2:], os.environ.get("WINEDEBUG")]) + "\\n")
sys.stdout.write(output)
sys.exit(code)
"""


class StandInWine(unittest.TestCase):
    def setUp(self):
        scratch = tempfile.TemporaryDirectory()
        self.addCleanup(scratch.cleanup)
        self.dir = pathlib.Path(scratch.name)
        loader = self.dir / "wine"
        loader.write_text(STAND_IN_LOADER)
        loader.chmod(loader.stat().st_mode | stat.S_IEXEC)
        self.script, self.calls = self.dir / "answers.json", self.dir / "calls.jsonl"
        os.environ.update(FAKE_WINE_SCRIPT=str(self.script), FAKE_WINE_CALLS=str(self.calls))
        self.env = winenv.Env({"build_dir": str(self.dir), "env_dir": str(self.dir), "prefix": str(self.dir),
                               "display": ":99", "wine": str(loader), "arch": "win64",
                               "environ": {"WINEDEBUG": "-all"}})
        self.logged = []
        original_log = winenv._log
        winenv._log = self.logged.append
        self.addCleanup(setattr, winenv, "_log", original_log)

    def answer(self, *answers):
        self.script.write_text(json.dumps([list(a) for a in answers]))

    def runs(self):
        return [json.loads(line) for line in self.calls.read_text().splitlines()] if self.calls.exists() else []


class SilentFailures(StandInWine):
    def test_a_repeatable_command_that_failed_without_a_word_runs_again_with_wines_errors_on(self):
        self.answer((1, ""), (0, ""))
        self.env.reg_delete_key(r"HKCU\Software\Kestrin\Settings")
        self.assertEqual([run[-1] for run in self.runs()], ["-all", "err+all"])
        self.assertEqual(len(self.logged), 1)
        self.assertIn(r"kestrin_svctool.exe reg-delete-key 'HKCU\Software\Kestrin\Settings' exited with code 1: "
                      "(no output)", self.logged[0])

    def test_three_silent_failures_fail_with_the_command_the_code_and_no_output(self):
        self.answer((1, ""), (1, ""), (1, ""))
        with self.assertRaises(winenv.ProgramFailed) as caught:
            self.env.check_svc("reset", "KestrinTestSvc")
        self.assertEqual(str(caught.exception), "kestrin_svctool.exe reset KestrinTestSvc exited with code 1: (no output)")
        self.assertEqual(len(self.runs()), 3)

    def test_a_failure_the_tool_explains_is_not_run_again(self):
        self.answer((1, "error 5: cannot delete HKLM\\Software\n"))
        with self.assertRaises(winenv.ProgramFailed) as caught:
            self.env.reg_delete_key(r"HKLM\Software")
        self.assertTrue(str(caught.exception).endswith("exited with code 1: error 5: cannot delete HKLM\\Software"))
        self.assertEqual(len(self.runs()), 1)

    def test_a_start_is_never_repeated(self):
        # A second start of a service the first one started would fail with "already running".
        self.answer((1, ""))
        self.assertEqual(self.env.svc("start", "KestrinTestSvc"), (1, ""))
        self.assertEqual(len(self.runs()), 1)
        self.assertEqual(self.logged, [])


class DriverRuns(StandInWine):
    def driver(self):
        sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "e2e"))
        os.environ["KESTRIN_BUILD_DIR"] = str(self.dir)
        import kestrin_e2e
        return kestrin_e2e.Driver(self.env)

    def test_a_look_that_wine_ended_silently_is_made_again_on_the_other_desktop_too(self):
        self.answer((1, ""), (0, "1\n"))
        self.assertEqual(self.driver()("--desktop", "KestrinNoTray", "visible", "KestrinFrmSrvMan:Kestrin"), "1")
        self.assertEqual([run[1:4] for run in self.runs()], [["--desktop", "KestrinNoTray", "visible"]] * 2)

    def test_a_click_is_made_once_and_its_silent_failure_fails_the_test_with_no_output(self):
        self.answer((1, ""))
        with self.assertRaises(AssertionError) as caught:
            self.driver()("click", "KestrinFrmSrvMan:Kestrin", 101)
        self.assertEqual(str(caught.exception),
                         "kestrin_driver.exe click KestrinFrmSrvMan:Kestrin 101 exited with code 1: (no output)")
        self.assertEqual(len(self.runs()), 1)


class Answers(StandInWine):
    def test_reg_get_is_none_only_for_a_missing_key_or_value(self):
        self.answer((1, "error 2: no value Service Name\n"), (1, "error 5: cannot read Service Name\n"))
        self.assertIsNone(self.env.reg_get(r"HKCU\Software\Kestrin\Settings", "Service Name"))
        with self.assertRaisesRegex(winenv.ProgramFailed, "exited with code 1: error 5: cannot read"):
            self.env.reg_get(r"HKCU\Software\Kestrin\Settings", "Service Name")

    def test_service_state_is_0_only_when_the_tool_says_why(self):
        self.answer((0, "4 Running\n"), (1, "0 error 1060: cannot query Nothing\n"), (1, ""), (1, ""), (1, ""))
        self.assertEqual(self.env.service_state(), winenv.SERVICE_RUNNING)
        self.assertEqual(self.env.service_state("Nothing"), 0)
        with self.assertRaisesRegex(winenv.ProgramFailed, r"state KestrinTestSvc exited with code 1: \(no output\)"):
            self.env.service_state()

    def test_the_whole_output_of_a_failed_program_is_in_the_message(self):
        self.answer((67, "line one\nline two\n"))
        with self.assertRaises(winenv.ProgramFailed) as caught:
            self.env.check("msiexec", "/i", "kestrin 1.msi", "/qn")
        self.assertEqual(str(caught.exception),
                         "msiexec /i 'kestrin 1.msi' /qn exited with code 67; its output:\n    line one\n    line two")


class Endings(unittest.TestCase):
    def run_script(self, name, text, timeout):
        """Runs a shell script as the loader would run a program: (returncode, output) or ProgramFailed."""
        with tempfile.TemporaryDirectory() as scratch:
            program = pathlib.Path(scratch) / name
            program.write_text(text)
            return winenv._run_program(["/bin/sh", str(program)], dict(os.environ), timeout=timeout)

    def test_a_program_over_its_time_is_killed_and_reported_with_what_it_printed(self):
        with self.assertRaises(winenv.ProgramFailed) as caught:
            self.run_script("slow.exe", "echo started; exec sleep 30\n", timeout=0.5)
        self.assertIsNone(caught.exception.returncode)
        self.assertEqual(str(caught.exception), "slow.exe did not finish within 0.5 s and was killed: started")

    def test_a_killed_program_is_named_by_its_signal(self):
        returncode, output = self.run_script("killed.exe", "kill -KILL $$\n", timeout=10)
        self.assertEqual(winenv.describe_failure(["killed.exe"], returncode, output),
                         "killed.exe was killed by SIGKILL: (no output)")


if __name__ == "__main__":
    unittest.main(verbosity=2)
