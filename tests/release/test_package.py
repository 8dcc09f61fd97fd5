"""The release zip holds the exe just built, the README and the licence, and nothing else."""

import sys
import unittest
import zipfile

import pe_file


class Package(unittest.TestCase):
    zip_path = exe_path = None

    def test_holds_the_built_exe_the_readme_and_the_licence(self):
        with zipfile.ZipFile(self.zip_path) as package:
            self.assertEqual(sorted(package.namelist()), ["LICENSE", "README.md", "kestrin.exe"])
            packed = package.read("kestrin.exe")
        with open(self.exe_path, "rb") as f:
            built = f.read()
        self.assertEqual(packed, built, "the zip holds another kestrin.exe than the one just built")
        wanted = pe_file.PE32_PLUS if self.zip_path.endswith("-x64.zip") else pe_file.PE32
        self.assertEqual(pe_file.PeFile(packed).magic, wanted)


if __name__ == "__main__":
    Package.zip_path, Package.exe_path = sys.argv.pop(1), sys.argv.pop(1)
    unittest.main(verbosity=2)
