#!/usr/bin/env python3
"""The export table Microsoft's toolchain makes of mvcefdll.h and mvcefdll.def, without an SDK.

Usage: msvc_exports.py --header mvcefdll/mvcefdll.h --def mvcefdll/mvcefdll.def --rules cmake/windows_binary.cmake
Compiles the header, with an empty body for every function it declares, by clang for the Microsoft
ABI (i686-pc-windows-msvc), links a DLL with lld-link and the .def the MSVC build uses, and checks
that exactly the 27 plain names and the 12 decorated member names leave it. Exits 0 when they do.
"""
import argparse
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).parent))
from pe_checks import MEMBER_EXPORTS, PLAIN_EXPORTS, Pe  # noqa: E402

# Only the types mvcefdll.h uses, at their 32-bit sizes.
WINDOWS_H = """#pragma once
struct HINSTANCE__; typedef HINSTANCE__* HINSTANCE;
struct HWND__; typedef HWND__* HWND;
typedef unsigned int UINT; typedef unsigned int WPARAM; typedef long LPARAM;
typedef struct tagRECT { long left, top, right, bottom; } RECT;
"""


def stub_bodies(header):
    """An empty definition of every member and plain function the header declares."""
    text = re.sub(r"//[^\n]*", "", header)
    cls = re.search(r"^class (\w+ )?CmvPackCefDll \{(.*?)^\};", text, re.S | re.M).group(2)
    bodies = []
    for ret, name, params in re.findall(r"^\s+([\w&]+\s+)?((?:operator=)|\w+)\(([^)]*)\);", cls, re.M):
        ret = ret.strip()
        if name == "CmvPackCefDll":
            bodies.append("CmvPackCefDll::CmvPackCefDll() {}")
        elif name == "operator=":
            bodies.append("CmvPackCefDll& CmvPackCefDll::operator=(const CmvPackCefDll&) { return *this; }")
        else:
            bodies.append("%s CmvPackCefDll::%s(%s) {%s}" % (ret, name, params, "" if ret == "void" else " return 0; "))
    for ret, name, params in re.findall(r"MVCEF_EXPORT (\w+) MVCEF_CALL (\w+)\(([^)]*)\);", text, re.S):
        bodies.append('extern "C" %s MVCEF_CALL %s(%s) {%s}' % (ret, name, " ".join(params.split()),
                                                             "" if ret == "void" else " return 0; "))
    return bodies


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--header", required=True)
    parser.add_argument("--def", dest="def_file", required=True)
    parser.add_argument("--rules", required=True, help="cmake/windows_binary.cmake (makes the MSVC .def)")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    a = parser.parse_args()
    tools = {t: shutil.which(t) for t in ("clang++", "lld-link", "cmake")}
    if not all(tools.values()):
        print("missing tools:", [t for t, p in tools.items() if not p], "(scripts/setup installs them)")
        return 1
    header = Path(a.header).resolve()
    root = header.parent.parent
    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        (tmp / "windows.h").write_text(WINDOWS_H)
        msvc_def = tmp / "mvcefdll_msvc.def"
        script = tmp / "make_def.cmake"
        script.write_text('include("%s")\nmvcef_msvc_def("%s" "%s")\n' % (Path(a.rules).resolve(),
                                                                        Path(a.def_file).resolve(), msvc_def))
        subprocess.run([tools["cmake"], "-P", str(script)], check=True)
        bodies = stub_bodies(header.read_text())
        if len(bodies) != 39:
            print("found %d declarations in %s, expected 39" % (len(bodies), header))
            return 1
        source = tmp / "exports.cpp"
        source.write_text('#include "mvcefdll/mvcefdll.h"\n' + "\n".join(bodies) + "\n")
        obj, dll = tmp / "exports.obj", tmp / "mvcefdll.dll"
        subprocess.run([tools["clang++"], "--target=i686-pc-windows-msvc", "-std=c++17", "-c", str(source),
                        "-I", str(tmp), "-I", str(root), "-o", str(obj)], check=True)
        subprocess.run([tools["lld-link"], "/dll", "/noentry", "/nodefaultlib", "/machine:x86",
                        "/subsystem:windows,5.01", "/def:" + str(msvc_def), "/out:" + str(dll), str(obj)],
                       check=True)
        got = set(Pe(a.objdump, str(dll)).exports())
    want = PLAIN_EXPORTS | set(MEMBER_EXPORTS)
    for name in sorted(want - got):
        print("missing export:", name)
    for name in sorted(got - want):
        print("unexpected export:", name)
    return 0 if got == want else 1


if __name__ == "__main__":
    sys.exit(main())
