"""The Windows Installer package under Wine's msiexec: a silent install with the machine's defaults,
the installed exe starting on them without a prompt, an upgrade in place, and an uninstall that
leaves nothing behind."""

import pathlib
import re
import subprocess
import tempfile

from kestrin_e2e import LBL_STS_TTL, MAIN, SERVICE, SETTINGS_KEY, KestrinTestCase, build_dir, main, winenv

SOURCE = pathlib.Path(__file__).resolve().parents[2] / "src" / "app"
DEFAULTS_KEY = r"HKLM\Software\Kestrin\Defaults"
SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrin"


class Installer(KestrinTestCase):
    def setUp(self):
        super().setUp()
        self.arch = "x64" if self.env.arch == "win64" else "win32"
        self.built = build_dir() / f"kestrin-1.1.0.1-{self.arch}.msi"
        # A later version, built once: every wixl build is a product of its own (a new product code).
        self.later = pathlib.Path(tempfile.mkdtemp(dir=build_dir())) / f"kestrin-1.1.1.1-{self.arch}.msi"
        subprocess.run(["cmake", "-DWIXL=wixl", f"-DWXS={SOURCE / 'msi' / 'kestrin.wxs'}",
                        f"-DEXE={build_dir() / 'kestrin.exe'}", f"-DICON={SOURCE / 'icon' / 'kestrin.ico'}",
                        "-DVERSION=1.1.1.1", f"-DARCH={'x64' if self.arch == 'x64' else 'x86'}",
                        f"-DOUTPUT={self.later}", "-P", str(SOURCE / "msi" / "build_msi.cmake")],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        for package in (self.built, self.later):
            self.addCleanup(self.msiexec, "/x", package, "/qn", expect=None)

    def msiexec(self, *args, expect=0):
        rc, out = self.env.run("msiexec", *args, timeout=180)
        if expect is not None:
            self.assertEqual(rc == 0, expect == 0, winenv.describe_failure(["msiexec", *args], rc, out))

    def entries(self):
        """The DisplayVersion of every Apps & features entry named Kestrin."""
        _, out = self.env.run("reg", "query", r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall", "/s")
        return [re.search(r"DisplayVersion\s+REG_SZ\s+(\S+)", block).group(1) for block in out.split("\n\n")
                if re.search(r"^\s*DisplayName\s+REG_SZ\s+Kestrin\s*$", block, re.M)]

    def test_install_start_upgrade_and_uninstall(self):
        self.msiexec("/i", self.built, "/qn", f"SERVICE={SERVICE}", "MINUTES=5")
        # The package of the prefix's own architecture: its Program Files folder either way.
        exe = pathlib.Path(self.env.prefix) / "drive_c" / "Program Files" / "Kestrin" / "kestrin.exe"
        self.assertTrue(exe.exists(), f"{exe} was not installed")
        written = [self.env.reg_get(key, name) for key, name in
                   ((DEFAULTS_KEY, "Service Name"), (DEFAULTS_KEY, "Restart Minutes"), (SOURCE_KEY, "TypesSupported"))]
        self.assertEqual(written, [SERVICE, "5", "7"])
        self.assertTrue(self.env.reg_get(SOURCE_KEY, "EventMessageFile").lower().endswith(r"\kestrin\kestrin.exe"))
        self.assertEqual(self.entries(), ["1.1.0.1"])

        # Nothing stored for this user: the defaults are watched at once, and stored as answers.
        proc = self.env.spawn(exe)
        self.addCleanup(self.stop_kestrin, proc)
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status", timeout_ms=15000)
        self.assertEqual(self.driver.count("#32770:Kestrin"), 0)
        self.assertEqual(self.stored("Service Name"), SERVICE)
        self.driver("menu-file-exit", MAIN)  # ended as a user ends it: a killed one can hold the exe
        self.wait_exit(proc)

        # A later package replaces this one and keeps the defaults it was not given; no way back.
        self.msiexec("/i", self.later, "/qn")
        self.assertEqual(self.entries(), ["1.1.1.1"])
        self.assertEqual(self.env.reg_get(DEFAULTS_KEY, "Restart Minutes"), "5")
        self.msiexec("/i", self.built, "/qn", expect=1)

        self.msiexec("/x", self.later, "/qn")
        self.assertFalse(exe.exists())
        self.assertEqual(self.entries(), [])
        self.assertIsNone(self.env.reg_get(DEFAULTS_KEY, "Service Name"))
        self.assertIsNone(self.env.reg_get(SOURCE_KEY, "TypesSupported"))
        self.assertEqual(self.stored("Service Name"), SERVICE, "the uninstall touched the user's settings")
        self.env.reg_delete_key(SETTINGS_KEY)


if __name__ == "__main__":
    main()
