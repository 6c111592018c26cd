#!/usr/bin/env python3
"""Reads the headers of the built autorun.exe and checks what the program promises the system:
a 32-bit GUI image with ASLR and DEP, relocations, the manifest that runs it as the invoking
user, the DLL search restriction, imports from system DLLs only, and the size budget."""
import struct
import sys

ALLOWED_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll"}
SIZE_BUDGET = 40 * 1024
WINDOWS_7, WINDOWS_10 = "e2011457-1546-43c5-a5fe-008deee3d3f0", "8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a"
RT_VERSION, RT_MANIFEST = 16, 24


class Image:
    def __init__(self, data):
        self.data = data
        pe = self.u32(0x3C)
        if data[:2] != b"MZ" or data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no MZ or PE signature")
        self.machine, sections, _, _, _, optional_size, _, magic = struct.unpack_from("<HHIIIHHH", data, pe + 4)
        if magic != 0x10B:
            raise ValueError("not a 32-bit (PE32) image")
        opt = pe + 24
        self.subsystem, self.dll_flags = struct.unpack_from("<HH", data, opt + 68)
        self.directories = [struct.unpack_from("<II", data, opt + 96 + 8 * i) for i in range(self.u32(opt + 92))]
        self.sections = [struct.unpack_from("<8sIIII", data, opt + optional_size + 40 * i) for i in range(sections)]

    def u32(self, offset):
        return struct.unpack_from("<I", self.data, offset)[0]

    def offset(self, rva):
        for _, vsize, vaddr, rsize, raddr in self.sections:
            if vaddr <= rva < vaddr + max(vsize, rsize):
                return raddr + rva - vaddr
        raise ValueError("address %#x is in no section" % rva)

    def text_at(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def imports(self):
        """{dll name in lower case: [functions imported by name]}."""
        found, entry = {}, self.offset(self.directories[1][0])
        while self.u32(entry + 12):
            lookup, _, _, name, first_thunk = struct.unpack_from("<IIIII", self.data, entry)
            thunk, functions = self.offset(lookup or first_thunk), []
            while self.u32(thunk):
                if not self.u32(thunk) & 0x80000000:
                    functions.append(self.text_at(self.u32(thunk) + 2))
                thunk += 4
            found[self.text_at(name).lower()] = functions
            entry += 20
        return found

    def resources(self, type_id):
        """The data of every resource of the given numeric type."""
        rva, size = self.directories[2]
        base = self.offset(rva) if size else None

        def entries(directory):
            count = sum(struct.unpack_from("<HH", self.data, base + directory + 12))
            return [struct.unpack_from("<II", self.data, base + directory + 16 + 8 * i)[1] & 0x7FFFFFFF
                    for i in range(count) if directory or self.u32(base + 16 + 8 * i) == type_id]

        leaves = [leaf for names in (entries(0) if base is not None else []) for name in entries(names)
                  for leaf in entries(name)]
        return [self.data[self.offset(self.u32(base + leaf)):][:self.u32(base + leaf + 4)] for leaf in leaves]


def failures(data):
    image = Image(data)
    imports = image.imports()
    kernel = imports.get("kernel32.dll", [])
    manifests = image.resources(RT_MANIFEST)
    manifest = manifests[0].decode("utf-8", "replace") if manifests else ""
    checks = [
        (image.machine == 0x14C, "not a 32-bit x86 image"),
        (image.subsystem == 2, "not a GUI program (a console would open)"),
        (image.dll_flags & 0x40, "no DYNAMIC_BASE: the image is not relocated by ASLR"),
        (image.dll_flags & 0x100, "no NX_COMPAT: data pages would be executable"),
        (b".reloc\0\0" in [s[0] for s in image.sections], "no .reloc section for ASLR"),
        (image.directories[5][1] > 0, "empty base relocation directory"),
        (len(data) <= SIZE_BUDGET, "%d bytes, over the budget of %d" % (len(data), SIZE_BUDGET)),
        (set(imports) <= ALLOWED_DLLS, "imports DLLs beyond the system ones: %s" % sorted(set(imports) - ALLOWED_DLLS)),
        ("GetProcAddress" in kernel, "GetProcAddress is not imported, so the DLL search cannot be restricted"),
        (b"SetDefaultDllDirectories\0" in data, "SetDefaultDllDirectories is never looked up"),
        ("SetDefaultDllDirectories" not in kernel,
         "SetDefaultDllDirectories is imported directly, so the program would not start before Windows 7"),
        (len(manifests) == 1, "expected one manifest resource, found %d" % len(manifests)),
        ('level="asInvoker"' in manifest, "the manifest does not request asInvoker"),
        (WINDOWS_7 in manifest, "the manifest lacks supportedOS %s" % WINDOWS_7),
        (WINDOWS_10 in manifest, "the manifest lacks supportedOS %s" % WINDOWS_10),
        ("dpiAware" not in manifest, "the manifest declares DPI awareness; the bitmaps would not be scaled"),
        (len(image.resources(RT_VERSION)) == 1, "no version resource"),
    ]
    return [message for passed, message in checks if not passed], imports


def main(path):
    data, imports = b"", {}
    try:
        data = open(path, "rb").read()
        found, imports = failures(data)
    except (OSError, ValueError, IndexError, struct.error) as error:
        found = [str(error)]
    summary = "%d bytes, ASLR, NX, manifest asInvoker, imports %s" % (len(data), ", ".join(sorted(imports)))
    for line in found or [summary]:
        print("%s: %s" % (path, line))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]) if len(sys.argv) == 2 else "usage: check_pe.py autorun.exe")
