#!/usr/bin/env python3
"""Checks that the manual page velbrix-convert(1) describes every option of velbrix-convert --help.

Usage: man_page_test.py VELBRIX_CONVERT MAN_PAGE_SOURCE
"""
import re
import subprocess
import sys


def main():
    program, page = sys.argv[1], sys.argv[2]
    help_text = subprocess.run([program, "--help"], check=True, capture_output=True,
                               text=True).stdout
    options = set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", help_text.split("\n\n", 1)[1]))
    with open(page, encoding="utf-8") as f:
        # roff writes a minus sign as \- ; the options section lists each option in bold.
        text = f.read().replace("\\-", "-")
    described = set(re.findall(r"(?<![\w-])(--?[A-Za-z][\w-]*)", text))
    missing = sorted(options - described)
    if missing:
        sys.exit(f"{page} does not describe: {' '.join(missing)}")
    print(f"{len(options)} options of --help, all described")


if __name__ == "__main__":
    main()
