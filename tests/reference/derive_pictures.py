#!/usr/bin/env python3
"""Works out the start-up pictures independently of the C++ code.

Plain Python doubles, rounded to single precision with struct wherever the
program stores a float. Prints, for the main picture (530 x 409), the overview
(81 x 65), a 320 x 240 centred render and two 145 x 105 file dialog previews:
an FNV-1a 64 hash over the blue, green, red bytes row by row, and a few
sampled pixels.
"""
from fractions import Fraction
import struct

def f32(v):
    return struct.unpack('<f', struct.pack('<f', v))[0]

def f32q(q):
    # An exact rational rounded to the nearest float, ties to even.
    q = Fraction(q)
    if q == 0:
        return 0.0
    sign, q = (-1, -q) if q < 0 else (1, q)
    e = q.numerator.bit_length() - q.denominator.bit_length()
    if q < Fraction(2) ** e:
        e -= 1
    ulp = Fraction(2) ** (e - 23)
    return sign * float(round(q / ulp) * ulp)

CX, CY = 0.402, 0.339
LIMIT = 254
STARTUP_LEVELS = (36, 16, 12, 26, 18, 8)  # R0, G0, B0, R1, G1, B1

def linear_table(levels):
    # Palette kind 1: three linear channels, the low byte of P*n + L; entry 0
    # is the levels themselves.
    r0, g0, b0, r1, g1, b1 = levels
    table = [(b0 % 256, g0 % 256, r0 % 256)]
    for n in range(1, LIMIT + 1):
        table.append(((b0 + b1 * n) % 256, (g0 + g1 * n) % 256, (r0 + r1 * n) % 256))
    return table

def escape_count(x, y, cx, cy):
    # 0 when the orbit is still bounded past the limit.
    n = 0
    while True:
        nx = f32((x * x - y * y) + cx)
        ny = f32((x * y) * 2.0 + cy)
        n += 1
        x, y = nx, ny
        if n > LIMIT:
            return 0
        if (x * x + y * y) - 4.0 >= 0.0:
            return n

def render(w, h, cx, cy, ax, ay, step, c=(CX, CY), levels=STARTUP_LEVELS):
    table = linear_table(levels)
    x0 = f32(cx - ax * step)
    y = f32(ay * step + cy)
    rows = []
    for _ in range(h):
        x = x0
        row = []
        for _ in range(w):
            row.append(table[escape_count(x, y, *c)])
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

def preview(center_x, center_y, width, c, levels):
    # 145 x 105 around the centre, anchor (72, 52), step width / 145.
    step = f32q(Fraction(width) / 145)
    # The rounding through a double gives the same floats here.
    assert step == f32(width / 145)
    assert f32q(Fraction(center_x) - 72 * Fraction(step)) == f32(center_x - 72 * step)
    assert f32q(52 * Fraction(step) + Fraction(center_y)) == f32(52 * step + center_y)
    return render(145, 105, center_x, center_y, 72, 52, step, c, levels)

# Samples: interior, low and deep escape counts, the last entry (254).
report('fractal preview', preview(f32(0.1), f32(-0.05), 1.5, (-0.7455, 0.1),
                                  (50, 20, 90, 7, 33, 12)),
       [(0, 0), (72, 52), (144, 104), (22, 0), (0, 100), (103, 35), (35, 28)])
report('palette preview', preview(0.0, 0.0, 5.0, (CX, CY), (80, 5, 40, 3, 29, 17)),
       [(0, 0), (72, 52), (144, 104), (64, 15), (91, 82), (76, 38)])
