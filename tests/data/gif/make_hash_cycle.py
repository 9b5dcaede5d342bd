#!/usr/bin/python3
"""Makes hash_cycle.pixels: 2-bit pixels on which an LZW encoder with an 8009-slot hash table
probed by doubling (next slot 2h mod 8009, from slot 0 to 8008) never ends.

2 has order 4004 modulo 8009, so the doubling probe from a slot on that cycle only ever visits its
4004 slots. With code size 2, codes 6 to 4094 (4089 entries) are defined between clear codes. The
pixels are picked one at a time, steering the dictionary so that each new entry's slot,
((key >> 4) xor key) mod 8009 with key = (prefix code << 8) or pixel, lies on the cycle or is slot 0
(which leads onto it): the shortest path through the string table to such an entry is taken (pixel
values tried in order 0 to 3); when none lies within a few pixels, the nearest new entry of any slot
is let in. Once every slot of the cycle is taken, the next entry whose slot lies on it finds no free
slot. The output is checked by a literal model of that encoder, which must report a probe that comes
back to a slot it has already seen.

Writes one byte per pixel beside itself. Run: /usr/bin/python3 make_hash_cycle.py
"""
import os
import sys

P = 8009
CYCLE = set()
h = 1
for _ in range(4004):
    CYCLE.add(h)
    h = 2 * h % P
assert len(CYCLE) == 4004


def slot(key):
    return ((key >> 4) ^ key) % P


def step(h):
    return 8008 if h == 0 else 2 * h % P


def steer(depth_limit=10):
    children = {c: {} for c in range(4)}
    occupied = set()
    free = 6
    pixels = [0]
    prefix = 0
    while True:
        found = None
        fallback = None
        level = [(prefix, [])]
        for _ in range(depth_limit):
            nxt = []
            for node, path in level:
                for c in range(4):
                    if c in children[node]:
                        nxt.append((children[node][c], path + [c]))
                        continue
                    key = node << 8 | c
                    s = slot(key)
                    if fallback is None:
                        fallback = (node, c, path + [c])
                    if s == 0 or s in CYCLE:
                        found = (node, c, path + [c])
                        break
                if found:
                    break
            if found or not nxt:
                break
            level = nxt
        node, c, path = found or fallback
        pixels += path
        key = node << 8 | c
        # The doubling probe from the key's slot, as an insert walks it.
        h, seen = slot(key), set()
        while h in occupied:
            if h in seen:
                return pixels
            seen.add(h)
            h = step(h)
        occupied.add(h)
        children[node][c] = free
        children[free] = {}
        free += 1
        if free > 4094:
            sys.exit("the table filled before the cycle did")
        prefix = c


def literal_model(pixels):
    """The encoder's dictionary loop with the doubling probe; returns the pixel index at which a
    probe comes back to a slot it has seen, or None."""
    table = [-1] * P
    free = 6

    def probe(key, inserting):
        h, seen = slot(key), set()
        while True:
            v = table[h]
            if v == -1:
                return h if inserting else -1
            if not inserting and v >> 12 == key:
                return v & 0xFFF
            if h in seen:
                raise RuntimeError("cycle")
            seen.add(h)
            h = step(h)

    prefix = pixels[0]
    for i, c in enumerate(pixels[1:], 1):
        key = prefix << 8 | c
        try:
            code = probe(key, False)
            if code >= 0:
                prefix = code
                continue
            prefix = c
            if free >= 4095:
                table = [-1] * P
                free = 6
            else:
                table[probe(key, True)] = key << 12 | free
                free += 1
        except RuntimeError:
            return i
    return None


def main():
    pixels = steer()
    at = literal_model(pixels)
    if at is None:
        sys.exit("the literal model ended")
    print(f"{len(pixels)} pixels; the probe repeats a slot at pixel {at}")
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "hash_cycle.pixels")
    with open(out, "wb") as f:
        f.write(bytes(pixels))


if __name__ == "__main__":
    main()
