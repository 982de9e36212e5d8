#!/usr/bin/env python3
"""Writes a UTF-8 source file in a Windows code page, as the client ships its data files.

    encode.py CODEC LINE_ENDS SOURCE TARGET      e.g. encode.py gbk crlf Uninstall.bin.utf8 Uninstall.bin

CODEC is a Python codec name (gbk, cp1252); LINE_ENDS is "lf" (kept as written) or "crlf"
(every line end becomes CR LF: "Uninstall.bin" lines end at a carriage return). A character the
code page cannot hold stops the build instead of being replaced.
"""
import sys


def main():
    if len(sys.argv) != 5 or sys.argv[2] not in ("lf", "crlf"):
        sys.exit(__doc__)
    codec, line_ends, source, target = sys.argv[1:]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("\r\n", "\n")
    if line_ends == "crlf":
        text = text.replace("\n", "\r\n")
    try:
        data = text.encode(codec)
    except UnicodeEncodeError as error:
        sys.exit("%s: %s" % (source, error))
    with open(target, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
