#!/usr/bin/env python3
"""Reads a property list with Python's plistlib and writes it again: plistlib_echo.py IN OUT xml|binary"""

import plistlib
import sys

source, target, form = sys.argv[1:4]
with open(source, "rb") as f:
    values = plistlib.load(f)
if not isinstance(values, list):
    sys.exit("the root is not an array")
with open(target, "wb") as f:
    plistlib.dump(values, f, fmt=plistlib.FMT_BINARY if form == "binary" else plistlib.FMT_XML)
