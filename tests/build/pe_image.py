"""A small reader of PE images (exports, machine, resource directory) for checks made on
the Linux side, without running the program."""
import struct

MACHINES = {0x14C: "x86", 0x8664: "x64"}
RT_STRING, RT_VERSION = 6, 16


class PeImage:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError(f"{path}: not an MZ image")
        pe = self._u32(0x3C)
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", self.data, pe + 4)
        optional = pe + 24
        magic = self._u16(optional)
        directories = optional + (112 if magic == 0x20B else 96)
        self.directories = [struct.unpack_from("<II", self.data, directories + 8 * i) for i in range(16)]
        table = optional + optional_size
        self.sections = [struct.unpack_from("<8sIIII", self.data, table + 40 * i) for i in range(sections)]

    def _u16(self, offset):
        return struct.unpack_from("<H", self.data, offset)[0]

    def _u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for _, virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"RVA {rva:#x} outside every section")

    def _text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    @property
    def arch(self):
        return MACHINES.get(self.machine, hex(self.machine))

    def exports(self):
        rva, size = self.directories[0]
        if not size:
            return []
        at = self.offset(rva)
        names, name_table = self._u32(at + 24), self._u32(at + 32)
        return [self._text(self._u32(self.offset(name_table) + 4 * i)) for i in range(names)]

    def resources(self):
        """{(type, name): data} where type and name are ids or upper-case strings."""
        rva, size = self.directories[2]
        if not size:
            return {}
        base = self.offset(rva)
        found = {}

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, base + directory + 12)
            for i in range(named + numbered):
                key, target = struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)
                if key & 0x80000000:
                    at = base + (key & 0x7FFFFFFF)
                    length = self._u16(at)
                    key = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le").upper()
                yield key, target

        for kind, names in entries(0):
            for name, languages in entries(names & 0x7FFFFFFF):
                for _, leaf in entries(languages & 0x7FFFFFFF):
                    data_rva, data_size = struct.unpack_from("<II", self.data, base + leaf)
                    at = self.offset(data_rva)
                    found[(kind, name)] = self.data[at:at + data_size]
        return found

    def string(self, number):
        """The text of string-table entry `number`, or None."""
        block = self.resources().get((RT_STRING, number // 16 + 1))
        if block is None:
            return None
        at = 0
        for _ in range(number % 16):
            at += 2 + 2 * struct.unpack_from("<H", block, at)[0]
        length = struct.unpack_from("<H", block, at)[0]
        return block[at + 2:at + 2 + 2 * length].decode("utf-16-le")
