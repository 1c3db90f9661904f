#!/usr/bin/env python3
"""Peer of bench_extract: the same extraction with Python's re module.

Usage: extract_peer.py RUNS PAGE...
For each page prints one line: "<best milliseconds> <address count>".
"""
import re
import sys
import time

FLAGS = re.DOTALL | re.IGNORECASE
HEAD = r'<img\s.*?src\s*=\s*"'
TAIL = r'".*?>'


def extract(page):
    # Compiled at each call, as the program does.
    tag = re.compile(HEAD + '.+?' + TAIL, FLAGS)
    head = re.compile(HEAD, FLAGS)
    tail = re.compile(TAIL, FLAGS)
    tags = []
    m = tag.search(page)
    while m:
        tags.append(m.group(0))
        m = tag.search(page, m.end())
    return [tail.sub('', head.sub('', t, count=1), count=1) for t in tags]


def main():
    runs = int(sys.argv[1])
    for path in sys.argv[2:]:
        with open(path, encoding='latin-1') as f:
            page = f.read()
        best = None
        found = []
        for _ in range(runs):
            re.purge()
            t0 = time.perf_counter()
            found = extract(page)
            ms = (time.perf_counter() - t0) * 1000.0
            best = ms if best is None else min(best, ms)
        print(f'{best:.3f} {len(found)}', flush=True)


if __name__ == '__main__':
    main()
