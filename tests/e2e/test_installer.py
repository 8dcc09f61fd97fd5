"""The Windows Installer packages under Wine's msiexec: a silent install with the machine's defaults,
the installed exe starting on them without a prompt, values refused or stored as typed, upgrades that
keep what they are not given, the x64 package replacing the win32 one, and an uninstall that leaves
nothing behind."""

import pathlib
import re
import shutil
import subprocess
import tempfile

from kestrin_e2e import LBL_STS_TTL, MAIN, SERVICE, SETTINGS_KEY, KestrinTestCase, build_dir, main, winenv

SOURCE = pathlib.Path(__file__).resolve().parents[2] / "src" / "app"
DEFAULTS_KEY = r"HKLM\Software\Kestrin\Defaults"
DEFAULTS_KEY_32 = r"HKLM\Software\WOW6432Node\Kestrin\Defaults"
SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrin"
UNINSTALL_KEYS = (r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall",
                  r"HKLM\Software\WOW6432Node\Microsoft\Windows\CurrentVersion\Uninstall")
REFUSED_TITLE = "#32770:Install Failed"  # Wine's box for a launch condition's message
MESSAGE_TEXT, MESSAGE_OK = 65535, 1


class Installer(KestrinTestCase):
    def setUp(self):
        super().setUp()
        # Last of all, whatever an uninstall that failed left behind, so the next test starts clean.
        for key in (DEFAULTS_KEY, DEFAULTS_KEY_32, SOURCE_KEY):
            self.addCleanup(self.env.reg_delete_key, key)
        self.packages = pathlib.Path(tempfile.mkdtemp(dir=build_dir()))
        self.addCleanup(shutil.rmtree, self.packages, True)
        self.native = "x64" if self.env.arch == "win64" else "win32"
        self.built = build_dir() / f"kestrin-1.1.0.1-{self.native}.msi"
        self.addCleanup(self.msiexec, "/x", self.built, "/qn", expect=None)
        self.program_files = pathlib.Path(self.env.prefix) / "drive_c" / "Program Files"

    def package(self, version, arch, name=None):
        """Builds a package of this exe; every wixl build is a product of its own (a new product code)."""
        path = self.packages / (name or f"kestrin-{version}-{arch}.msi")
        subprocess.run(["cmake", "-DWIXL=wixl", f"-DWXS={SOURCE / 'msi' / 'kestrin.wxs'}",
                        f"-DEXE={build_dir() / 'kestrin.exe'}", f"-DICON={SOURCE / 'icon' / 'kestrin.ico'}",
                        f"-DVERSION={version}", f"-DARCH={'x64' if arch == 'x64' else 'x86'}",
                        f"-DOUTPUT={path}", "-P", str(SOURCE / "msi" / "build_msi.cmake")],
                       check=True, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL)
        self.addCleanup(self.msiexec, "/x", path, "/qn", expect=None)
        return path

    def msiexec(self, *args, expect=0):
        rc, out = self.env.run("msiexec", *args, timeout=180)
        if expect is not None:
            self.assertEqual(rc == 0, expect == 0, winenv.describe_failure(["msiexec", *args], rc, out))

    def entries(self):
        """The DisplayVersion of every Apps & features entry named Kestrin, in either registry view."""
        versions = []
        for key in UNINSTALL_KEYS:
            _, out = self.env.run("reg", "query", key, "/s")
            versions += [re.search(r"DisplayVersion\s+REG_SZ\s+(\S+)", block).group(1) for block in out.split("\n\n")
                         if re.search(r"^\s*DisplayName\s+REG_SZ\s+Kestrin\s*$", block, re.M)]
        return versions

    def values(self, key):
        """{name: (type, data)} of a key's values, or None when there is no such key."""
        rc, out = self.env.run("reg", "query", key)
        if rc != 0:
            return None
        return {m.group(1): (m.group(2), m.group(3) or "")
                for m in re.finditer(r"^ {4}(.+?) {4}(REG_[A-Z_]+)(?: {4}(.*))?$", out, re.M)}

    def defaults(self, key=DEFAULTS_KEY):
        """The machine's defaults as text; fails unless every one is a REG_SZ."""
        values = self.values(key)
        self.assertIsNotNone(values, f"no {key}")
        self.assertEqual({kind for kind, _ in values.values()}, {"REG_SZ"}, values)
        return {name: data for name, (_, data) in values.items()}

    def test_install_start_refuse_upgrade_and_uninstall(self):
        later = self.package("1.1.1.1", self.native)
        self.msiexec("/i", self.built, "/qn", f"SERVICE={SERVICE}", "MINUTES=5")
        # The package of the prefix's own architecture: its Program Files folder either way.
        exe = self.program_files / "Kestrin" / "kestrin.exe"
        self.assertTrue(exe.exists(), f"{exe} was not installed")
        self.assertEqual(self.defaults(), {"Service Name": SERVICE, "Computer Name": "", "Restart Minutes": "5",
                                           "Restart Delay": "", "Restart Retries": ""})
        source = self.values(SOURCE_KEY)
        self.assertEqual(source["TypesSupported"], ("REG_DWORD", "0x7"))
        self.assertEqual(source["EventMessageFile"][0], "REG_EXPAND_SZ")
        self.assertTrue(source["EventMessageFile"][1].lower().endswith(r"\kestrin\kestrin.exe"))
        self.assertEqual(self.entries(), ["1.1.0.1"])

        # Nothing stored for this user: the defaults are watched at once, and stored as answers.
        proc = self.env.spawn(exe)
        self.addCleanup(self.stop_kestrin, proc)
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status", timeout_ms=15000)
        self.assertEqual(self.driver.count("#32770:Kestrin"), 0)
        self.assertEqual(self.stored("Service Name"), SERVICE)
        self.driver("menu-file-exit", MAIN)  # ended as a user ends it: a killed one can hold the exe
        self.wait_exit(proc)

        # Values the program would not read as given are refused, before anything changes.
        for refused in ("MINUTES=61", "MINUTES=05", "DELAY=3601", "DELAY=-0", "RETRIES=0",
                        "RETRIES=1e2", "COMPUTER=SERVER2", "MINUTES=5 DELAY=5"):
            with self.subTest(refused=refused):
                self.msiexec("/i", later, "/qn", *refused.split(), expect=1)
        self.assertEqual(self.entries(), ["1.1.0.1"])

        # A later package replaces this one and keeps the defaults it was not given; a delay replaces
        # the minutes, as the timing is one choice; no way back.
        self.msiexec("/i", later, "/qn", "DELAY=0", "RETRIES=100")
        self.assertEqual(self.entries(), ["1.1.1.1"])
        self.assertEqual(self.defaults(), {"Service Name": SERVICE, "Computer Name": "", "Restart Minutes": "",
                                           "Restart Delay": "0", "Restart Retries": "100"})
        self.msiexec("/i", self.built, "/qn", expect=1)

        # The uninstall removes the keys themselves, with values someone else added.
        self.env.reg_set(DEFAULTS_KEY, "Added by hand", "x")
        self.env.reg_set(SOURCE_KEY, "CategoryCount", "1", "REG_DWORD")
        self.msiexec("/x", later, "/qn")
        self.assertFalse(exe.exists())
        self.assertEqual(self.entries(), [])
        self.assertIsNone(self.values(DEFAULTS_KEY))
        self.assertIsNone(self.values(SOURCE_KEY))
        self.assertEqual(self.stored("Service Name"), SERVICE, "the uninstall touched the user's settings")
        self.env.reg_delete_key(SETTINGS_KEY)

    def test_x64_package_replaces_the_win32_one_and_keeps_its_defaults(self):
        if self.env.arch != "win64":
            self.skipTest("the x64 package needs a 64-bit prefix")
        # The package's architecture decides its folder and registry view, whatever exe it holds.
        win32 = self.package("1.1.0.1", "win32")
        win32_later = self.package("1.1.1.1", "win32")
        later = self.package("1.1.1.1", "x64")
        rebuilt = self.package("1.1.1.1", "x64", name="kestrin-1.1.1.1-x64-rebuilt.msi")

        self.msiexec("/i", win32, "/qn", "SERVICE=#Sync", "COMPUTER=SERVER1", "MINUTES=60", "RETRIES=100")
        typed = {"Service Name": "#Sync", "Computer Name": "SERVER1", "Restart Minutes": "60",
                 "Restart Delay": "", "Restart Retries": "100"}
        self.assertEqual(self.defaults(DEFAULTS_KEY_32), typed)

        # The x64 package of the same version, given nothing: one Kestrin, the 64-bit one, on the same
        # defaults.
        self.msiexec("/i", self.built, "/qn")
        self.assertEqual(self.entries(), ["1.1.0.1"])
        self.assertEqual(self.defaults(), typed)
        self.assertIsNone(self.values(DEFAULTS_KEY_32))
        self.assertFalse((self.program_files.with_name("Program Files (x86)") / "Kestrin").exists())
        self.assertEqual(self.values(SOURCE_KEY)["EventMessageFile"][1].lower(),
                         r"c:\program files\kestrin\kestrin.exe")

        # No win32 package replaces it, not even a later one; the refusal names the package that will.
        proc = self.env.spawn("msiexec", "/i", win32_later, "/qb")
        self.addCleanup(self.env.kill, proc, sweep_tray=False)
        self.driver.find(REFUSED_TITLE, timeout_ms=30000)
        message = self.driver.text(REFUSED_TITLE, MESSAGE_TEXT)
        self.driver("click", REFUSED_TITLE, MESSAGE_OK)
        self.assertNotEqual(proc.wait(timeout=60), 0)
        self.assertIn("kestrin-1.1.1.1-x64.msi", message)
        self.assertEqual(self.entries(), ["1.1.0.1"])

        # Given MINUTES alone, an upgrade keeps both names; given SERVICE, it replaces both (no COMPUTER:
        # this computer). A rebuild of the installed version replaces it too.
        self.msiexec("/i", later, "/qn", "MINUTES=15")
        self.assertEqual(self.entries(), ["1.1.1.1"])
        self.assertEqual(self.defaults(), dict(typed, **{"Restart Minutes": "15"}))
        self.msiexec("/i", rebuilt, "/qn", "SERVICE=Spooler")
        self.assertEqual(self.entries(), ["1.1.1.1"])
        self.assertEqual(self.defaults(), dict(typed, **{"Service Name": "Spooler", "Computer Name": "",
                                                         "Restart Minutes": "15"}))


if __name__ == "__main__":
    main()
