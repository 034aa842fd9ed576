#!/usr/bin/env python3
"""Prints the accessible objects of the programs on an accessibility bus, one a line: role, screen
extents (x y width height) and name, tab-separated. A label's name is its text, so a walk-through reads
what the program shows without looking at pixels. Usage: atspi_texts.py BUS_ADDRESS"""
import re
import subprocess
import sys

address = sys.argv[1]


def call(dest, path, method, *args):
    out = subprocess.run(["gdbus", "call", "--address", address, "--dest", dest, "--object-path", path,
                          "--method", method, *args], capture_output=True, text=True, timeout=20)
    return out.stdout.strip() if out.returncode == 0 else ""


def children(dest, path):
    return re.findall(r"\('([^']*)', (?:objectpath )?'([^']*)'\)", call(dest, path, "org.a11y.atspi.Accessible.GetChildren"))


def walk(dest, path, depth=0):
    if depth > 30:
        return
    role = call(dest, path, "org.a11y.atspi.Accessible.GetRoleName")
    name = call(dest, path, "org.freedesktop.DBus.Properties.Get", "org.a11y.atspi.Accessible", "Name")
    extents = call(dest, path, "org.a11y.atspi.Component.GetExtents", "0")
    role = re.sub(r"^\('(.*)',\)$", r"\1", role)
    m = re.match(r"^\(<'(.*)'>,\)$", name) or re.match(r'^\(<"(.*)">,\)$', name)
    name = m.group(1) if m else ""
    box = " ".join(re.findall(r"-?\d+", extents)) if extents else ""
    print(f"{role}\t{box}\t{name}", flush=True)
    for child_dest, child_path in children(dest, path):
        walk(child_dest, child_path, depth + 1)


for app, path in children("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"):
    walk(app, path)
