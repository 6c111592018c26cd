#!/usr/bin/env python3
"""Reads the headers of the built autorun.exe and checks what the program promises the system:
a 32-bit GUI image with ASLR and DEP, relocations, the manifest that runs it as the invoking
user, the DLL search restriction, imports from system DLLs only, and the size budget."""
import struct
import sys

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
SIZE_BUDGET = 96 * 1024
IMAGE_FILE_MACHINE_I386 = 0x14C
SUBSYSTEM_WINDOWS_GUI = 2
DYNAMIC_BASE = 0x40
NX_COMPAT = 0x100
RT_MANIFEST = 24


class Image:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ signature")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        self.machine, sections, _, _, _, optional_size, self.characteristics = struct.unpack_from(
            "<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic != 0x10B:
            raise ValueError("not a 32-bit (PE32) image")
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, opt + 68)
        directory_count = struct.unpack_from("<I", data, opt + 92)[0]
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(directory_count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, vaddr, rsize, raddr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), vaddr, max(vsize, rsize), raddr))

    def offset(self, rva):
        for _, vaddr, size, raddr in self.sections:
            if vaddr <= rva < vaddr + size:
                return raddr + rva - vaddr
        raise ValueError("address %#x is in no section" % rva)

    def text_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imports(self):
        rva, size = self.directories[1]
        found = {}
        entry = self.offset(rva)
        while True:
            lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", self.data, entry)
            if name == 0:
                return found
            functions = []
            thunk = self.offset(lookup or first_thunk)
            while True:
                value = struct.unpack_from("<I", self.data, thunk)[0]
                if value == 0:
                    break
                if not value & 0x80000000:
                    functions.append(self.text_at(value + 2))
                thunk += 4
            found[self.text_at(name).lower()] = functions
            entry += 20

    def resources(self, type_id):
        """The data of every resource of the given numeric type."""
        base_rva, base_size = self.directories[2]
        if base_size == 0:
            return []
        base = self.offset(base_rva)

        def entries(directory):
            named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + numbered):
                ident, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
                yield ident, target

        out = []
        for ident, target in entries(base):
            if ident != type_id or not target & 0x80000000:
                continue
            for _, name_target in entries(base + (target & 0x7FFFFFFF)):
                for _, lang_target in entries(base + (name_target & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, base + lang_target)
                    start = self.offset(rva)
                    out.append(self.data[start:start + size])
        return out


def main(path):
    data = open(path, "rb").read()
    image = Image(data)
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    expect(image.machine == IMAGE_FILE_MACHINE_I386, "not a 32-bit x86 image")
    expect(image.subsystem == SUBSYSTEM_WINDOWS_GUI, "not a GUI program (a console would open)")
    expect(image.dll_characteristics & DYNAMIC_BASE, "no DYNAMIC_BASE: the image is not relocated by ASLR")
    expect(image.dll_characteristics & NX_COMPAT, "no NX_COMPAT: data pages would be executable")
    expect(any(name == ".reloc" for name, _, _, _ in image.sections), "no .reloc section for ASLR")
    expect(image.directories[5][1] > 0, "empty base relocation directory")
    expect(len(data) <= SIZE_BUDGET, "%d bytes, over the budget of %d" % (len(data), SIZE_BUDGET))

    imports = image.imports()
    extra = set(imports) - ALLOWED_DLLS
    expect(not extra, "imports DLLs beyond the system ones: %s" % sorted(extra))
    kernel = imports.get("kernel32.dll", [])
    expect("GetProcAddress" in kernel, "GetProcAddress is not imported, so the DLL search cannot be restricted")
    expect(b"SetDefaultDllDirectories\0" in data, "SetDefaultDllDirectories is never looked up")
    expect("SetDefaultDllDirectories" not in kernel,
           "SetDefaultDllDirectories is imported directly, so the program would not start before Windows 7")

    manifests = image.resources(RT_MANIFEST)
    expect(len(manifests) == 1, "expected one manifest resource, found %d" % len(manifests))
    if manifests:
        manifest = manifests[0].decode("utf-8", "replace")
        expect('level="asInvoker"' in manifest, "the manifest does not request asInvoker")
        for os_id in ("e2011457-1546-43c5-a5fe-008deee3d3f0", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"):
            expect(os_id in manifest, "the manifest lacks supportedOS %s" % os_id)
        expect("dpiAware" not in manifest, "the manifest declares DPI awareness; the bitmaps would not be scaled")
    expect(len(image.resources(16)) == 1, "no version resource")

    for failure in failures:
        print("%s: %s" % (path, failure))
    if not failures:
        print("%s: %d bytes, ASLR, NX, manifest asInvoker, imports %s" % (path, len(data), ", ".join(sorted(imports))))
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 2:
        print("usage: check_pe.py autorun.exe", file=sys.stderr)
        sys.exit(2)
    try:
        sys.exit(main(sys.argv[1]))
    except (OSError, ValueError, struct.error) as error:
        print("%s: %s" % (sys.argv[1], error))
        sys.exit(1)
