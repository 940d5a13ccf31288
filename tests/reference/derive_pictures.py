#!/usr/bin/env python3
"""Works out the start-up pictures independently of the C++ code.

Plain Python doubles, rounded to single precision with struct wherever the
program stores a float. Prints, for the main picture (530 x 409), the overview
(81 x 65) and a 320 x 240 centred render: an FNV-1a 64 hash over the
blue, green, red bytes row by row, and a few sampled pixels.
"""
import struct

def f32(v):
    return struct.unpack('<f', struct.pack('<f', v))[0]

CX, CY = 0.402, 0.339
LIMIT = 254
R0, G0, B0, R1, G1, B1 = 36, 16, 12, 26, 18, 8

def entry(n):
    # Default palette: three linear channels, wrapping at 256.
    if n == 0:
        return (B0, G0, R0)
    return ((B0 + B1 * n) % 256, (G0 + G1 * n) % 256, (R0 + R1 * n) % 256)

def colour(x, y):
    n = 0
    while True:
        nx = f32((x * x - y * y) + CX)
        ny = f32((x * y) * 2.0 + CY)
        n += 1
        x, y = nx, ny
        if n > LIMIT:
            return entry(0)
        if (x * x + y * y) - 4.0 >= 0.0:
            return entry(n)

def render(w, h, cx, cy, ax, ay, step):
    x0 = f32(cx - ax * step)
    y = f32(ay * step + cy)
    rows = []
    for _ in range(h):
        x = x0
        row = []
        for _ in range(w):
            row.append(colour(x, y))
            x = f32(x + step)
        rows.append(row)
        y = f32(y - step)
    return rows

def fnv(rows):
    hsh = 0xcbf29ce484222325
    for row in rows:
        for px in row:
            for b in px:
                hsh ^= b
                hsh = (hsh * 0x100000001b3) & 0xFFFFFFFFFFFFFFFF
    return hsh

def report(name, rows, samples):
    print(f'{name}: hash 0x{fnv(rows):016x}')
    for (c, r) in samples:
        print(f'  pixel ({c}, {r}) = BGR {rows[r][c]}')

pic_step = f32(5.0 / 530)
report('main', render(530, 409, 0.0, 0.0, 265, 204, pic_step),
       [(0, 0), (265, 204), (529, 408), (200, 150), (300, 250), (250, 120)])
report('overview', render(81, 65, 0.0, 0.0, 40, 32, f32(5.0 / 81)),
       [(0, 0), (40, 32), (80, 64), (30, 20)])
report('render320', render(320, 240, 0.0, 0.0, 160, 120, f32(5.0 / 320)),
       [(0, 0), (160, 120), (319, 239), (120, 80)])
