#!/usr/bin/env python3
"""The media sizes of one corpus as a table: each row's bytes (a folder counts every file below it)
and its ratio to the NSIS solid-LZMA installer and to the NSIS zlib installer, which are rows too.

  bench/size_table.py LZMA_LABEL ZLIB_LABEL LABEL=PATH...

The two reference labels name rows given among the LABEL=PATH arguments (split at the last "="),
which print in their order.
"""
import os
import sys


def size_of(path):
    """Bytes of a file, or of every file below a folder."""
    if os.path.isfile(path):
        return os.path.getsize(path)
    if not os.path.isdir(path):
        sys.exit(f"size_table: {path} is missing")
    return sum(os.path.getsize(os.path.join(folder, name))
               for folder, _, names in os.walk(path) for name in names)


def main():
    if len(sys.argv) < 4 or any("=" not in arg for arg in sys.argv[3:]):
        sys.exit(__doc__)
    lzma_label, zlib_label = sys.argv[1:3]
    rows = [arg.rsplit("=", 1) for arg in sys.argv[3:]]
    sizes = {label: size_of(path) for label, path in rows}
    for label in (lzma_label, zlib_label):
        if label not in sizes:
            sys.exit(f"size_table: no row is labelled {label!r}")
    width = max(len(label) for label, _ in rows)
    print(f"{'':<{width}}  {'bytes':>12}  {'/ NSIS lzma':>11}  {'/ NSIS zlib':>11}")
    for label, _ in rows:
        size = sizes[label]
        print(f"{label:<{width}}  {size:>12}  {size / sizes[lzma_label]:>11.3f}  "
              f"{size / sizes[zlib_label]:>11.3f}")


if __name__ == "__main__":
    main()
