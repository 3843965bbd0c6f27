#!/usr/bin/python3
"""Checks that what the project's peers and scripts load comes from the
Debian packages of tools/packages.txt, installed without Recommends (the way
tools/deps.sh installs), whatever else happens to be on this machine.

1. Each Python script of the project is started with --check-imports under
   /usr/bin/python3 -I; every module file it loads must belong to a package
   in the dependency closure of the list (Depends and Pre-Depends only).
2. The libmodbus header the test slave is built against must be found by
   pkg-config and belong to that closure too.

Prints one line per problem, naming the package to add, and exits 1; prints
one line and exits 0 when all is well.
"""

import os
import re
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCRIPTS = ["tests/support/peers/pymodbus_slave.py", "tools/demo_slave.py"]

# Runs a script up to the end of its imports, then prints every module file
# that the script made the process load (what site.py loaded for whatever
# happens to be installed, before the script ran, is not the script's need).
LOADER = r"""
import sys
before = set(sys.modules)
import runpy
path = sys.argv[1]
sys.argv = [path, "--check-imports"]
status = 0
try:
    runpy.run_path(path, run_name="__main__")
except SystemExit as e:
    status = e.code or 0
for name, m in list(sys.modules.items()):
    f = getattr(m, "__file__", None) if name not in before else None
    if f:
        print("FILE", f)
sys.exit(status)
"""


def listed_packages():
    with open(os.path.join(ROOT, "tools", "packages.txt"), encoding="utf-8") as f:
        return [re.sub(r"#.*", "", line).strip() for line in f if re.sub(r"#.*", "", line).strip()]


def installed_fields():
    """Package -> (Depends + Pre-Depends, Provides) of every installed package."""
    out = subprocess.run(
        ["dpkg-query", "-W", "-f=${Package}\t${db:Status-Status}\t${Pre-Depends}, ${Depends}\t${Provides}\n"],
        capture_output=True, text=True, check=True).stdout
    deps, provides = {}, {}
    for line in out.splitlines():
        name, state, depends, provided = (line.split("\t") + ["", "", ""])[:4]
        if state != "installed":
            continue
        deps[name] = depends
        for p in provided.split(","):
            p = p.strip().split(" ")[0]
            if p:
                provides.setdefault(p, set()).add(name)
    return deps, provides


def closure(roots, deps, provides):
    """Installed packages reached from roots through Depends and Pre-Depends."""
    seen, todo = set(), list(roots)
    while todo:
        name = todo.pop()
        candidates = [name] if name in deps else sorted(provides.get(name, ()))
        for c in candidates:
            if c in seen:
                continue
            seen.add(c)
            for group in deps[c].split(","):
                # "a | b": whichever alternative is installed satisfies it.
                for alt in group.split("|"):
                    alt = re.sub(r"\(.*?\)|\[.*?\]|<.*?>", "", alt).strip().split(":")[0]
                    if alt and (alt in deps or alt in provides):
                        todo.append(alt)
                        break
    return seen


def owners(files):
    """File -> owning package(s), from dpkg's database."""
    result = {}
    if not files:
        return result
    out = subprocess.run(["dpkg", "-S"] + sorted(files), capture_output=True, text=True).stdout
    for line in out.splitlines():
        if ": " not in line:
            continue
        pkgs, path = line.split(": ", 1)
        if "diversion" in pkgs:
            continue
        result.setdefault(path, set()).update(p.strip().split(":")[0] for p in pkgs.split(","))
    return result


def loaded_files(script):
    proc = subprocess.run(["/usr/bin/python3", "-I", "-c", LOADER, os.path.join(ROOT, script)],
                          capture_output=True, text=True, cwd="/")
    files = {os.path.realpath(l[5:]) for l in proc.stdout.splitlines() if l.startswith("FILE ")}
    return proc.returncode, proc.stderr.strip(), files


def main():
    problems = []
    if not os.path.exists("/usr/bin/python3"):
        print("check_deps: /usr/bin/python3 is missing: add python3 to tools/packages.txt")
        return 1
    deps, provides = installed_fields()
    wanted = listed_packages()
    missing = [p for p in wanted if p not in deps and p not in provides]
    for p in missing:
        problems.append(f"package {p} of tools/packages.txt is not installed")
    have = closure(wanted, deps, provides)

    files_by_script = {}
    for script in SCRIPTS:
        code, err, files = loaded_files(script)
        if code != 0:
            last = err.splitlines()[-1] if err else f"exit code {code}"
            problems.append(f"{script} cannot start: {last}")
        files_by_script[script] = files

    header = None
    cflags = subprocess.run(["pkg-config", "--cflags-only-I", "libmodbus"],
                            capture_output=True, text=True)
    if cflags.returncode != 0:
        problems.append("libmodbus is not found by pkg-config: add libmodbus-dev to tools/packages.txt")
    else:
        dirs = [f[2:] for f in cflags.stdout.split() if f.startswith("-I")] + ["/usr/include"]
        for d in dirs:
            for name in ("modbus.h", "modbus/modbus.h"):
                if os.path.exists(os.path.join(d, name)):
                    header = header or os.path.realpath(os.path.join(d, name))
        if header is None:
            problems.append("the libmodbus header modbus.h is missing: add libmodbus-dev to tools/packages.txt")

    all_files = set().union(*files_by_script.values()) | ({header} if header else set())
    # dpkg knows files by the path they were installed under; /usr-merged
    # systems load them through /usr/lib as well as /lib.
    owned = owners(all_files | {f.replace("/usr/lib/", "/lib/", 1) for f in all_files})
    reported = set()
    for f in sorted(all_files):
        pkgs = owned.get(f, set()) | owned.get(f.replace("/usr/lib/", "/lib/", 1), set())
        if not pkgs:
            if f.startswith(ROOT):
                continue  # the project's own files
            problems.append(f"{f} belongs to no Debian package (installed by hand?)")
            continue
        if pkgs & have:
            continue
        for p in sorted(pkgs - reported):
            reported.add(p)
            problems.append(f"{p} is used ({f}) but a fresh machine would not have it: "
                            f"add {p} to tools/packages.txt")
    if problems:
        for p in problems:
            print(f"check_deps: {p}")
        return 1
    print("check_deps: the peers start, and everything they load comes from tools/packages.txt")
    return 0


if __name__ == "__main__":
    sys.exit(main())
