#!/usr/bin/env python3
"""Writes the readable form of a library of N records, for tgv's benchmarks.

Usage: MakeLibrarySource.py N OUT.json [--full] [--per-category K]

The records look like the starter library's: a name, a category among a
hundred, short and long descriptions, three colours and a texture or two.
With --full every member is written, as `tgv dump --full` does. With
--per-category K there are N/K categories (K records each), taken in turn,
so that no two neighbouring records share one.
"""
import json
import random
import sys

ZERO_SLOT = {
    "params1": [0] * 11, "params2": [0] * 3, "triple": [0] * 3, "params3": [0] * 2, "slotWord": 0,
    "vector": [0.0] * 3, "params4": [0] * 4, "triples": [[0] * 3] * 6, "params5": [0] * 6, "params6": [0] * 2,
}


def colour(rng):
    return [round(rng.random(), 3) for _ in range(3)]


def slot(rng, full, texture):
    s = {"color": colour(rng)}
    maps = [texture] if texture else []
    if full:
        s["mapFile"] = (maps + [""] * 6)[:6]
        s.update(ZERO_SLOT)
    elif maps:
        s["mapFile"] = maps
    return s


def main():
    count, out = int(sys.argv[1]), sys.argv[2]
    full = "--full" in sys.argv[3:]
    per = int(sys.argv[sys.argv.index("--per-category") + 1]) if "--per-category" in sys.argv else 0
    categories = max(1, count // per) if per else 100
    rng = random.Random(7)
    records = []
    for i in range(count):
        r = {
            "name": "方案%05d" % i,
            "roomCategory": ("住宅/房间%02d/" if not per else "住宅/房间%05d/") % (i % categories),
            "shortDescription": "浅色墙面配木地板，明亮温馨 %d" % i,
            "ceiling": slot(rng, full, None),
            "floor": slot(rng, full, "oak_floor.jpg" if i % 3 == 0 else None),
            "wall": slot(rng, full, "wallpaper_%d.jpg" % (i % 7) if i % 5 == 0 else None),
            "longDescription": "适合朝南的房间：暖白墙面反射自然光，浅橡木地板增加温暖感。",
        }
        if full:
            r.update({"indexList1": "1,2,3,4,5", "indexList2": "1,2,3,4,5", "extraText1": "", "extraText2": ""})
        records.append(r)
    with open(out, "w", encoding="utf-8") as f:
        json.dump({"signature": "ZK_Tintgrove_V1.0", "records": records}, f, ensure_ascii=False, indent=2)


if __name__ == "__main__":
    main()
