#!/usr/bin/env python3
"""Checks on the built 32-bit PE files, read through objdump as a game's loader would see them.

Usage: pe_checks.py CHECK --objdump OBJDUMP --dll mvcefdll.dll --exe marovekcef.exe [--header mvcefdll.h]
                      [--xp-lists DIR]
Each CHECK exits 0 when it holds and prints what differs when it does not.
"""
import argparse
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

# The names a game binds with GetProcAddress, irregular ones included.
PLAIN_EXPORTS = {
    "fnmvPackCefDllInitializeCef", "fnmvPackCefDllUninitializeCef", "fnmvPackCefDllInitCefBrowserInApp",
    "fnmvPackCefDllCreateBrowser", "fnmvPackCefDllSelectHandler", "fnmvPackCefDllDoClose",
    "fnmvPackCefDllGotoUrl", "fnmvPackCefDllGoBack", "fnmvPackCefDllGoForward", "fnmvPackCefDllReload",
    "fnmvPackCefDllDoZoom", "fnmvPackCefDLLGetSource", "fnmvPackCefDllGetMsg", "fnmvPackCefDllIsDirty",
    "fnmvPackCefDllSetUploadIsDone", "fnmvPackCefDllGetBrowserHasNewFrame",
    "fnmvPackCefDllGetBrowserRenderData", "fnmvPackCefDllSendWMButtonDown", "fnmvPackCefDllSendDWMButtonUp",
    "fnmvPackCefDllSendWMMouseMove", "fnmvPackCefDllSendSendWMMouseLeave", "fnmvPackCefDllSendWMMouseWheel",
    "fnmvPackCefDllSendWMFocus", "fnmvPackCefDllSendSendWMCancel", "fnmvPackCefDllSendSendKeyEvent",
    "fnmvPackCefDllImeComposition", "fnmvPackCefDllImeCancelComposition",
}

# Microsoft-decorated member name -> the GCC symbol it must lead to (None: the constructor wrapper).
MEMBER_EXPORTS = {
    "??0CmvPackCefDll@@QAE@XZ": None,
    "??4CmvPackCefDll@@QAEAAV0@ABV0@@Z": "__ZN13CmvPackCefDllaSERKS_",
    "?InitializeCef@CmvPackCefDll@@QAEXPAUHINSTANCE__@@@Z": "__ZN13CmvPackCefDll13InitializeCefEP11HINSTANCE__",
    "?InitializeClientCef@CmvPackCefDll@@QAEXPAUHINSTANCE__@@@Z":
        "__ZN13CmvPackCefDll19InitializeClientCefEP11HINSTANCE__",
    "?UninitializeCef@CmvPackCefDll@@QAEXXZ": "__ZN13CmvPackCefDll15UninitializeCefEv",
    "?InitCefBrowserInApp@CmvPackCefDll@@QAEXPAUHWND__@@UtagRECT@@PBD@Z":
        "__ZN13CmvPackCefDll19InitCefBrowserInAppEP6HWND__7tagRECTPKc",
    "?CreateBrowser@CmvPackCefDll@@QAEHUtagRECT@@PBDPAUHWND__@@2@Z":
        "__ZN13CmvPackCefDll13CreateBrowserE7tagRECTPKcP6HWND__S4_",
    "?GotoUrl@CmvPackCefDll@@QAEXPBD@Z": "__ZN13CmvPackCefDll7GotoUrlEPKc",
    "?GoBack@CmvPackCefDll@@QAEXXZ": "__ZN13CmvPackCefDll6GoBackEv",
    "?GoForward@CmvPackCefDll@@QAEXXZ": "__ZN13CmvPackCefDll9GoForwardEv",
    "?Reload@CmvPackCefDll@@QAEXXZ": "__ZN13CmvPackCefDll6ReloadEv",
    "?DoClose@CmvPackCefDll@@QAEXXZ": "__ZN13CmvPackCefDll7DoCloseEv",
}
GCC_CONSTRUCTOR = "__ZN13CmvPackCefDllC1Ev"

# What a stock Windows XP installation has; anything else (a MinGW runtime DLL above all) would
# have to ship with the game. The engine library is allowed where the SDK build links it.
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "imm32.dll", "shell32.dll", "advapi32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "comdlg32.dll", "comctl32.dll", "ws2_32.dll", "shlwapi.dll",
    "version.dll", "winmm.dll", "winspool.drv", "psapi.dll", "dbghelp.dll", "rpcrt4.dll", "ntdll.dll",
}
ENGINE_DLLS = {"libcef.dll"}


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


class Pe:
    def __init__(self, objdump, path):
        self.objdump = objdump
        self.path = path
        self.headers = run(objdump, "-p", path)

    def field(self, name):
        m = re.search(r"^%s\s+(\S+)" % re.escape(name), self.headers, re.M)
        if not m:
            raise SystemExit("no %s in the headers of %s" % (name, self.path))
        return m.group(1)

    def image_base(self):
        return int(self.field("ImageBase"), 16)

    def exports(self):
        """Export name -> RVA, joined through the ordinal table as a loader does."""
        # By the address table's own index: linkers differ in where it starts (GNU ld 0, lld 1).
        rvas = {int(m.group(1)): int(m.group(2), 16) for m in
                re.finditer(r"^\s*\[\s*(\d+)\] \+base\[\s*\d+\]\s+([0-9a-f]+) Export RVA", self.headers, re.M)}
        table = self.headers.split("[Ordinal/Name Pointer] Table", 1)
        if len(table) < 2:
            return {}
        names = {}
        for m in re.finditer(r"^\s*\[\s*(\d+)\] (\S+)\s*$", table[1], re.M):
            names[m.group(2)] = rvas[int(m.group(1))]
        return names

    def imported_dlls(self):
        return [m.group(1) for m in re.finditer(r"DLL Name: (\S+)", self.headers)]

    def imports(self):
        """(dll in lower case, function name or None for an import by ordinal) for every import."""
        found, dll = [], None
        for line in self.headers.splitlines():
            m = re.match(r"^\tDLL Name: (\S+)", line)
            if m:
                dll = m.group(1).lower()
                continue
            m = re.match(r"^\t[0-9a-f]+\t\s*(\d+)\s+(\S+)", line)
            if dll and m:
                found.append((dll, None if m.group(2) == "<none>" else m.group(2)))
            elif dll and line.strip() == "":
                dll = None
        return found

    def resources(self):
        """(type, id, language, rva, size) for every leaf of the resource tree."""
        text = self.headers.split("The .rsrc Resource Directory section:", 1)
        if len(text) < 2:
            return []
        leaves, path = [], []
        for line in text[1].splitlines():
            m = re.match(r"^\S+(\s+)Entry: ID: 0x([0-9a-f]+)", line)
            if m:
                depth = (len(m.group(1)) - 3) // 2
                path = path[:depth] + [int(m.group(2), 16)]
                continue
            if re.match(r"^\S+\s+Entry: name:", line):
                path = path + ["<named>"]
                continue
            m = re.search(r"Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+)", line)
            if m:
                leaves.append((tuple(path[:3]), int(m.group(1), 16), int(m.group(2), 16)))
            if line.strip() == "" and leaves:
                break
        return leaves

    def bytes_at(self, rva, size):
        vma = self.image_base() + rva
        dump = run(self.objdump, "-s", "--start-address=0x%x" % vma, "--stop-address=0x%x" % (vma + size),
                   self.path)
        data = bytearray()
        for m in re.finditer(r"^ ([0-9a-f]{4,}) ((?:[0-9a-f]{2,8} ){1,4})", dump, re.M):
            data += bytes.fromhex(m.group(2).replace(" ", ""))
        return bytes(data[:size])

    def disassembly(self):
        return run(self.objdump, "-d", "--no-show-raw-insn", self.path)


def function_at(disassembly, vma):
    """The label and instructions of the function that starts at vma (up to the next label)."""
    lines = disassembly.splitlines()
    start = "%08x <" % vma
    for i, line in enumerate(lines):
        if line.startswith(start) and line.endswith(">:"):
            label = line[len(start):-2]
            body = []
            for insn in lines[i + 1:]:
                if re.match(r"^[0-9a-f]{8} <", insn) or insn.startswith("Disassembly of section"):
                    break
                m = re.match(r"^\s*[0-9a-f]+:\s+(.*\S)\s*$", insn)
                if m:
                    body.append(re.sub(r"\s+", " ", m.group(1)))
            return label, body
    raise SystemExit("no function label at 0x%x: is the DLL stripped?" % vma)


def labels(disassembly):
    return {m.group(2): int(m.group(1), 16) for m in re.finditer(r"^([0-9a-f]{8}) <([^>]+)>:$", disassembly, re.M)}


def returns(body):
    return [insn for insn in body if insn.split(" ")[0] in ("ret", "retl", "lret")]


PADDING = re.compile(r"^(nop|xchg %ax,%ax|int3|data16 |cs nop|lea 0x0\(%e[sd]i)")


def last_instruction(body):
    meaningful = [insn for insn in body if not PADDING.match(insn)]
    return meaningful[-1] if meaningful else ""


def check_exports(a):
    got = set(Pe(a.objdump, a.dll).exports())
    want = PLAIN_EXPORTS | set(MEMBER_EXPORTS)
    ok = len(PLAIN_EXPORTS) == 27 and len(MEMBER_EXPORTS) == 12 and got == want
    for name in sorted(want - got):
        print("missing export:", name)
    for name in sorted(got - want):
        print("unexpected export:", name)
    return ok


def check_member_names_match_header(a):
    """The decorated names a Microsoft compiler derives from our header are the ones we export."""
    clang = shutil.which("clang++")
    if not clang:
        print("clang++ is not installed; scripts/setup installs it")
        return False
    header = Path(a.header).read_text()
    m = re.search(r"^class (\w+ )?CmvPackCefDll \{.*?^\};", header, re.S | re.M)
    if not m:
        print("no class CmvPackCefDll in", a.header)
        return False
    members = re.findall(r"^\s+(?:[\w&*]+\s+)?((?:operator=)|~?\w+)\(([^)]*)\);", m.group(0), re.M)
    calls = []
    for name, params in members:
        count = len([p for p in params.split(",") if p.strip()])
        args = ", ".join("{}" for _ in range(count))
        if name == "CmvPackCefDll":
            calls.append("CmvPackCefDll made;")
        elif name == "operator=":
            calls.append("o = o;")
        else:
            calls.append("o.%s(%s);" % (name, args))
    source = ("struct HINSTANCE__; typedef HINSTANCE__* HINSTANCE; struct HWND__; typedef HWND__* HWND;\n"
              "typedef unsigned int UINT; typedef struct tagRECT { long left, top, right, bottom; } RECT;\n"
              + m.group(0).replace(m.group(1) or "", "", 1) +
              "\nvoid use(CmvPackCefDll& o) {\n  " + "\n  ".join(calls) + "\n}\n")
    with tempfile.TemporaryDirectory() as tmp:
        cpp, obj = Path(tmp, "m.cpp"), Path(tmp, "m.obj")
        cpp.write_text(source)
        subprocess.run([clang, "--target=i686-pc-windows-msvc", "-c", str(cpp), "-o", str(obj)], check=True)
        nm = shutil.which("llvm-nm") or shutil.which("llvm-nm-14") or "nm"
        undefined = {line.split()[-1] for line in run(nm, "-u", str(obj)).splitlines() if line.strip()}
    derived = {n for n in undefined if "CmvPackCefDll" in n}
    exported = {n for n in Pe(a.objdump, a.dll).exports() if n.startswith("?")}
    for name in sorted(derived - exported):
        print("the header declares", name, "but the DLL does not export it")
    for name in sorted(exported - derived):
        print("the DLL exports", name, "which the header does not declare")
    return len(derived) == 12 and derived == exported


def check_members_reach_their_code(a):
    pe = Pe(a.objdump, a.dll)
    exports, base = pe.exports(), pe.image_base()
    disassembly = pe.disassembly()
    where = labels(disassembly)
    ok = True
    for name, symbol in MEMBER_EXPORTS.items():
        if name not in exports:
            print("missing export:", name)
            ok = False
            continue
        vma = base + exports[name]
        if symbol is None:
            continue
        if where.get(symbol) != vma:
            label, _ = function_at(disassembly, vma)
            print("%s leads to %s, not %s" % (name, label, symbol))
            ok = False
    # The constructor export must be the wrapper that hands this back, never GCC's constructor.
    vma = base + exports.get("??0CmvPackCefDll@@QAE@XZ", 0)
    if vma == where.get(GCC_CONSTRUCTOR):
        print("the constructor export is GCC's constructor, which leaves EAX undefined")
        return False
    label, body = function_at(disassembly, vma)
    saved = {m.group(1) for insn in body for m in [re.match(r"^mov %ecx,(%e[a-z]{2})$", insn)] if m}
    calls_ctor = any(insn.startswith("call") and GCC_CONSTRUCTOR in insn for insn in body)
    sources = "|".join(sorted(saved | {"%ecx"}))
    sets_eax = any(re.match(r"^mov (" + sources + r"),%eax$", insn) for insn in body)
    if not (calls_ctor and sets_eax and returns(body) and all(r == "ret" for r in returns(body))):
        print("the constructor export (%s) does not construct and return this in EAX:" % label)
        print("\n".join("  " + insn for insn in body))
        ok = False
    return ok


# Bytes of arguments each thiscall member pops (Microsoft's compiler: RECT by value is 16, a pointer 4).
MEMBER_ARGUMENT_BYTES = {
    "??0CmvPackCefDll@@QAE@XZ": 0,
    "??4CmvPackCefDll@@QAEAAV0@ABV0@@Z": 4,
    "?InitializeCef@CmvPackCefDll@@QAEXPAUHINSTANCE__@@@Z": 4,
    "?InitializeClientCef@CmvPackCefDll@@QAEXPAUHINSTANCE__@@@Z": 4,
    "?UninitializeCef@CmvPackCefDll@@QAEXXZ": 0,
    "?InitCefBrowserInApp@CmvPackCefDll@@QAEXPAUHWND__@@UtagRECT@@PBD@Z": 24,
    "?CreateBrowser@CmvPackCefDll@@QAEHUtagRECT@@PBDPAUHWND__@@2@Z": 28,
    "?GotoUrl@CmvPackCefDll@@QAEXPBD@Z": 4,
    "?GoBack@CmvPackCefDll@@QAEXXZ": 0,
    "?GoForward@CmvPackCefDll@@QAEXXZ": 0,
    "?Reload@CmvPackCefDll@@QAEXXZ": 0,
    "?DoClose@CmvPackCefDll@@QAEXXZ": 0,
}


def check_calling_conventions(a):
    """Every export: cdecl ones leave the arguments to the caller (plain 'ret'); thiscall members pop
    their own ('ret $N' with N their argument bytes). Code that ends in a tail jump returns through
    the function it jumps to, which has the same arguments."""
    pe = Pe(a.objdump, a.dll)
    exports, base = pe.exports(), pe.image_base()
    disassembly = pe.disassembly()
    cases = [(name, "ret") for name in sorted(PLAIN_EXPORTS)]
    cases += [(name, "ret $0x%x" % n if n else "ret") for name, n in sorted(MEMBER_ARGUMENT_BYTES.items())]
    ok = len(cases) == 39 and set(MEMBER_ARGUMENT_BYTES) == set(MEMBER_EXPORTS)
    if not ok:
        print("the table of argument bytes does not name the 12 members")
    for name, form in cases:
        if name not in exports:
            print("missing export:", name)
            ok = False
            continue
        label, body = function_at(disassembly, base + exports[name])
        rets = returns(body)
        tail = last_instruction(body)
        if any(r != form for r in rets) or (not rets and not tail.startswith("jmp")):
            print("%s (%s): expected every return as '%s' (or a tail jump); returns %s, ends in '%s'"
                  % (name, label, form, rets, tail))
            ok = False
    return ok


def check_exe_headers(a):
    pe = Pe(a.objdump, a.exe)
    want = {"Subsystem": "00000002", "MajorSubsystemVersion": "5", "MinorSubsystemVersion": "1",
            "MajorOSystemVersion": "5", "MinorOSystemVersion": "1"}
    ok = True
    for field, value in want.items():
        if pe.field(field) != value:
            print("%s is %s, not %s" % (field, pe.field(field), value))
            ok = False
    if "(Windows GUI)" not in pe.headers:
        print("the subsystem is not Windows GUI")
        ok = False
    return ok


def check_exe_resources(a):
    pe = Pe(a.objdump, a.exe)
    leaves = pe.resources()
    ids = [path[:2] for path, _, _ in leaves]
    if ids != [(24, 1)]:
        print("resources (type, id):", ids, "- expected only the manifest (24, 1)")
        return False
    _, rva, size = leaves[0]
    manifest = pe.bytes_at(rva, size).decode("utf-8", "replace")
    m = re.search(r"<requestedExecutionLevel\s+([^>]*)/?>", manifest)
    attrs = dict(re.findall(r'(\w+)\s*=\s*"([^"]*)"', m.group(1))) if m else {}
    if attrs != {"level": "asInvoker", "uiAccess": "false"}:
        print("the manifest requests", attrs or "nothing", "- expected asInvoker without uiAccess:")
        print(manifest)
        return False
    return True


def check_imports(a):
    ok = True
    for path in (a.dll, a.exe):
        dlls = Pe(a.objdump, path).imported_dlls()
        if not dlls:
            print(path, "imports nothing, which no Windows program can do")
            ok = False
        for dll in dlls:
            if dll.lower() not in SYSTEM_DLLS | ENGINE_DLLS:
                print("%s imports %s, which is not a system DLL" % (Path(path).name, dll))
                ok = False
    return ok


def xp_exports(directory, dll):
    """The names a DLL of Windows XP SP3 exports as listed in the repository, or None without a list."""
    path = Path(directory, dll[:-4] + ".txt") if dll.endswith(".dll") else None
    if not path or not path.is_file():
        return None
    return {line.split("#")[0].strip() for line in path.read_text().splitlines()} - {""}


def check_xp_imports(a):
    """Every imported function exists in Windows XP SP3, so both files load there."""
    ok = True
    for path in (a.dll, a.exe):
        name = Path(path).name
        for dll, function in Pe(a.objdump, path).imports():
            if dll in ENGINE_DLLS:
                continue
            exports = xp_exports(a.xp_lists, dll)
            if exports is None:
                print("%s imports from %s, which has no list of XP SP3 exports in %s" % (name, dll, a.xp_lists))
                ok = False
            elif function is None:
                print("%s imports from %s by ordinal, which no list can vouch for" % (name, dll))
                ok = False
            elif function not in exports:
                print("%s imports %s!%s, which Windows XP SP3 does not have" % (name, dll, function))
                ok = False
    return ok


def check_no_other_exports_in_exe(a):
    pe = Pe(a.objdump, a.exe)
    names = pe.exports()
    if names:
        print("marovekcef.exe exports", sorted(names))
    return not names


CHECKS = {
    "exports": check_exports,
    "member-names-match-header": check_member_names_match_header,
    "members-reach-their-code": check_members_reach_their_code,
    "calling-conventions": check_calling_conventions,
    "exe-headers": check_exe_headers,
    "exe-resources": check_exe_resources,
    "imports": check_imports,
    "xp-imports": check_xp_imports,
    "exe-exports-nothing": check_no_other_exports_in_exe,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("check", choices=sorted(CHECKS))
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    parser.add_argument("--dll", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--header")
    parser.add_argument("--xp-lists", default=str(Path(__file__).parent / "xp_sp3"))
    a = parser.parse_args()
    for path in (a.dll, a.exe):
        if not Path(path).is_file():
            print("not built:", path)
            return 1
    return 0 if CHECKS[a.check](a) else 1


if __name__ == "__main__":
    sys.exit(main())
