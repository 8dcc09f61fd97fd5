"""The built kestrin.exe imports only DLLs Windows protects, and carries its hardening flags."""

import os
import sys
import unittest

import pe_file

# KnownDLLs, loaded from System32 whatever folder the exe sits in; comctl32 is bound by the manifest.
ALLOWED_IMPORTS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll",
                   "comctl32.dll"}


class PeHeaders(unittest.TestCase):
    exe = None

    def setUp(self):
        self.pe = pe_file.read(self.exe)

    def test_imports_only_protected_dlls(self):
        self.assertLessEqual(set(self.pe.imports()), ALLOWED_IMPORTS)

    def test_is_a_hardened_windows_7_gui_program(self):
        self.assertEqual(self.pe.subsystem, pe_file.SUBSYSTEM_GUI, "not a GUI program")
        self.assertEqual(self.pe.os_version, (6, 1))
        self.assertEqual(self.pe.subsystem_version, (6, 1))
        wanted = pe_file.DYNAMIC_BASE | pe_file.NX_COMPAT | pe_file.TERMINAL_SERVER_AWARE
        if self.pe.magic == pe_file.PE32_PLUS:
            wanted |= pe_file.HIGH_ENTROPY_VA
        self.assertEqual(self.pe.dll_characteristics & wanted, wanted,
                         f"DllCharacteristics {self.pe.dll_characteristics:#06x}")


if __name__ == "__main__":
    PeHeaders.exe = sys.argv.pop(1)
    unittest.main(verbosity=2)
