"""The Windows Installer package passes its command line to a managed, elevated install: every property
it takes and every property FindRelatedProducts sets are in SecureCustomProperties."""

import subprocess
import sys
import unittest

TAKEN = ["SERVICE", "COMPUTER", "MINUTES", "DELAY", "RETRIES"]


def table(msiinfo, package, name):
    """A table's rows as dicts by column name, as msiinfo exports it."""
    text = subprocess.run([msiinfo, "export", package, name], check=True, stdout=subprocess.PIPE,
                          stdin=subprocess.DEVNULL).stdout.decode()
    lines = text.replace("\r", "").split("\n")
    columns = lines[0].split("\t")
    return [dict(zip(columns, line.split("\t"))) for line in lines[3:] if line]


class Package(unittest.TestCase):
    msiinfo = msi_path = None

    def test_secure_custom_properties_hold_the_command_line_and_the_upgrade_properties(self):
        properties = {row["Property"]: row["Value"] for row in table(self.msiinfo, self.msi_path, "Property")}
        upgrades = [row["ActionProperty"] for row in table(self.msiinfo, self.msi_path, "Upgrade")]
        self.assertIn("WIX_UPGRADE_DETECTED", upgrades)
        secure = properties.get("SecureCustomProperties", "").split(";")
        self.assertEqual([name for name in TAKEN + upgrades if name not in secure], [])


if __name__ == "__main__":
    Package.msiinfo, Package.msi_path = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
