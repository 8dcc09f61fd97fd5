"""The few PE header facts the release checks read: the optional header's fields and the import
table's DLL names, straight from the file (no tools)."""

import struct

PE32, PE32_PLUS = 0x10B, 0x20B
DYNAMIC_BASE, NX_COMPAT, HIGH_ENTROPY_VA, GUARD_CF, TERMINAL_SERVER_AWARE = 0x40, 0x100, 0x20, 0x4000, 0x8000
SUBSYSTEM_GUI = 2


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("not an MZ executable")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        (self.os_version, self.subsystem_version) = (struct.unpack_from("<HH", data, opt + 40),
                                                     struct.unpack_from("<HH", data, opt + 48))
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        directories = opt + (96 if self.magic == PE32 else 112)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        self.sections = []
        for i in range(sections):
            at = opt + optional_size + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from("<IIII", data, at + 8)
            self.sections.append((virtual_address, max(virtual_size, raw_size), raw_pointer))

    def _offset(self, rva):
        for address, size, raw in self.sections:
            if address <= rva < address + size:
                return rva - address + raw
        raise ValueError(f"RVA {rva:#x} is in no section")

    def imports(self):
        """The imported DLLs' names, lower case."""
        names, at = [], self._offset(self.import_rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name_rva or thunks):
                return names
            start = self._offset(name_rva)
            names.append(self.data[start:self.data.index(b"\0", start)].decode("ascii").lower())
            at += 20


def read(path):
    with open(path, "rb") as f:
        return PeFile(f.read())
