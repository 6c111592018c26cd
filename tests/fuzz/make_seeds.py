#!/usr/bin/env python3
"""Writes the fuzzers' seed corpus: pictures of every kind the reader meets, made with
tests/support/bmp.py, and the hand-written seeds of tests/fuzz/seeds. Usage: CORPUS SEEDS"""
import pathlib
import shutil
import sys

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[1] / "support"))
from bmp import bmp  # noqa: E402

corpus, seeds = map(pathlib.Path, sys.argv[1:3])
for kind in ("bmp", "menu", "reg", "script"):
    (corpus / kind).mkdir(parents=True, exist_ok=True)
    if (seeds / kind).exists():
        shutil.copytree(seeds / kind, corpus / kind, dirs_exist_ok=True)
pictures = [bmp(5, 3, lambda x, y: x * 0x102030 + y, bits=bits, top_down=top_down)
            for bits in (1, 4, 8, 16, 24, 32) for top_down in (False, True)]
pictures += [bmp(4, 2, lambda x, y: 1, bits=bits, compression=c) for bits, c in ((8, 1), (4, 2),
                                                                                  (32, 3))]
pictures += [bmp(3, 2, lambda x, y: 7, header_size=124), bmp(2, 2, lambda x, y: 7, header_size=12),
             bmp(3, 2, lambda x, y: 7, trailing=0), bmp(5, 3, lambda x, y: 9, truncate_to=60)]
for number, picture in enumerate(pictures):
    (corpus / "bmp" / f"seed-{number}.bmp").write_bytes(picture)
