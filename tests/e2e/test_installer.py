"""The Windows Installer package under Wine's msiexec: a silent install with the machine's defaults,
the installed exe starting on them without a prompt, an upgrade in place, and an uninstall that
leaves nothing behind."""

import pathlib
import re
import subprocess
import tempfile

from kestrin_e2e import LBL_STS_TTL, MAIN, SERVICE, SETTINGS_KEY, KestrinTestCase, build_dir, main

SOURCE = pathlib.Path(__file__).resolve().parents[2] / "src" / "app"
DEFAULTS_KEY = r"HKLM\Software\Kestrin\Defaults"
SOURCE_KEY = r"HKLM\SYSTEM\CurrentControlSet\Services\EventLog\Application\Kestrin"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PROMPT = "#32770:Kestrin"


class Installer(KestrinTestCase):
    def setUp(self):
        super().setUp()
        self.packages = pathlib.Path(tempfile.mkdtemp(dir=build_dir()))
        self.addCleanup(self.uninstall_everything)

    def uninstall_everything(self):
        for package in [self.package(), *self.packages.glob("*.msi")]:
            self.msiexec("/x", str(package), "/qn", check=False)

    def package(self, version=None):
        """The package the build made, or one built now with a later version to upgrade to."""
        arch = "x64" if self.env.arch == "win64" else "win32"
        built = build_dir() / f"kestrin-1.1.0.1-{arch}.msi"
        if version is None:
            return built
        output = self.packages / f"kestrin-{version}-{arch}.msi"
        if output.exists():  # built once: every build is a product of its own (a new product code)
            return output
        subprocess.run(["cmake", "-DWIXL=wixl", f"-DWXS={SOURCE / 'msi' / 'kestrin.wxs'}",
                        f"-DEXE={build_dir() / 'kestrin.exe'}", f"-DICON={SOURCE / 'icon' / 'kestrin.ico'}",
                        f"-DVERSION={version}", f"-DARCH={'x64' if arch == 'x64' else 'x86'}", f"-DOUTPUT={output}",
                        "-P", str(SOURCE / "msi" / "build_msi.cmake")], check=True, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL)
        return output

    def msiexec(self, *args, check=True):
        rc, out = self.env.run("msiexec", *args, timeout=180)
        if check:
            self.assertEqual(rc, 0, f"msiexec {' '.join(args)}: {out.strip()}")
        return rc

    def installed_exe(self):
        # The package of the prefix's own architecture: its Program Files folder either way.
        return pathlib.Path(self.env.prefix) / "drive_c" / "Program Files" / "Kestrin" / "kestrin.exe"

    def entries(self):
        """The DisplayVersion of every Apps & features entry named Kestrin."""
        rc, out = self.env.run("reg", "query", UNINSTALL_KEY, "/s")
        versions = []
        for block in out.split("\n\n"):  # one key and its values each
            if re.search(r"^\s*DisplayName\s+REG_SZ\s+Kestrin\s*$", block, re.M):
                version = re.search(r"^\s*DisplayVersion\s+REG_SZ\s+(\S+)", block, re.M)
                versions.append(version.group(1) if version else "")
        return versions

    def test_install_start_upgrade_and_uninstall(self):
        self.msiexec("/i", str(self.package()), "/qn", f"SERVICE={SERVICE}", "MINUTES=5")
        exe = self.installed_exe()
        self.assertTrue(exe.exists(), f"{exe} was not installed")
        self.assertEqual(self.env.reg_get(DEFAULTS_KEY, "Service Name"), SERVICE)
        self.assertEqual(self.env.reg_get(DEFAULTS_KEY, "Restart Minutes"), "5")
        self.assertEqual(self.env.reg_get(SOURCE_KEY, "TypesSupported"), "7")
        self.assertTrue(self.env.reg_get(SOURCE_KEY, "EventMessageFile").lower().endswith(r"\kestrin\kestrin.exe"))
        self.assertEqual(self.entries(), ["1.1.0.1"])

        # Nothing stored for this user: the defaults are watched at once, and stored as answers.
        proc = self.env.spawn(exe)
        self.addCleanup(self.stop_kestrin, proc)
        self.driver.wait_text(MAIN, LBL_STS_TTL, f"{SERVICE} Status", timeout_ms=15000)
        self.assertEqual(self.driver.count(PROMPT), 0)
        self.assertEqual(self.stored("Service Name"), SERVICE)
        self.driver("menu-file-exit", MAIN)  # ended as a user ends it: a killed one can hold the exe
        self.wait_exit(proc)

        # A later package replaces this one and keeps the defaults it was not given.
        self.msiexec("/i", str(self.package("1.1.1.1")), "/qn")
        self.assertEqual(self.entries(), ["1.1.1.1"])
        self.assertEqual(self.env.reg_get(DEFAULTS_KEY, "Service Name"), SERVICE)
        self.assertEqual(self.env.reg_get(DEFAULTS_KEY, "Restart Minutes"), "5")
        self.assertNotEqual(self.msiexec("/i", str(self.package()), "/qn", check=False), 0,
                            "an older package installed over a newer one")

        self.msiexec("/x", str(self.package("1.1.1.1")), "/qn")
        self.assertFalse(exe.exists())
        self.assertEqual(self.entries(), [])
        self.assertIsNone(self.env.reg_get(DEFAULTS_KEY, "Service Name"))
        self.assertIsNone(self.env.reg_get(SOURCE_KEY, "TypesSupported"))
        self.assertEqual(self.stored("Service Name"), SERVICE, "the uninstall touched the user's settings")
        self.env.reg_delete_key(SETTINGS_KEY)


if __name__ == "__main__":
    main()
