#!/usr/bin/env python3
"""Writes WormCoeefficient.dat, the contact coefficient table of the tests.

Each of the 56 rows holds, against the curvature argument g = 4A/(A+B)
(A = 1/(2r) the longitudinal and B = (1/Rw + 1/Rr)/2 the transverse relative
curvature of wheel and rail), the Hertz factors m and n and Kalker's creep
coefficients C11, C22, C23, C33.

Sources:
- Hertz factors: the Hertz solution for the elliptic contact area, as tabulated
  by S. Timoshenko and J. N. Goodier, Theory of Elasticity, 2nd ed., McGraw-Hill
  1951, Art. 140 (m = 2.731, n = 0.493 at 30 degrees ... m = n = 1 at 90
  degrees, with cos(theta) = |B - A|/(A + B) = |1 - g/2|). They are computed
  here from the complete elliptic integrals, which reproduces that table.
- Creep coefficients: J. J. Kalker, On the rolling contact of two elastic
  bodies in the presence of dry friction, thesis, Delft University of
  Technology 1967 (the table of C11, C22, C23, C33 against the semi-axis ratio
  a/b, Poisson's ratio 0.25), taken linearly between his ratios; a is the
  semi-axis in the rolling direction.

The rows lie at equal steps of g from 0.11625 to 3.88375, inside the range
of Kalker's table (a/b from 10 to 0.1).

Run: python3 worm_coefficients.py > WormCoeefficient.dat
"""
import math

# Kalker 1967, Poisson's ratio 0.25: a/b = 0.1 .. 1.0, then b/a = 0.9 .. 0.1.
KALKER_AB = [  # (a/b, C11, C22, C23, C33)
    (0.1, 3.31, 2.52, 0.473, 8.28), (0.2, 3.37, 2.63, 0.603, 4.27),
    (0.3, 3.44, 2.75, 0.715, 2.96), (0.4, 3.53, 2.88, 0.823, 2.32),
    (0.5, 3.62, 3.01, 0.929, 1.93), (0.6, 3.72, 3.14, 1.03, 1.68),
    (0.7, 3.81, 3.28, 1.14, 1.50), (0.8, 3.91, 3.41, 1.25, 1.37),
    (0.9, 4.01, 3.54, 1.36, 1.27), (1.0, 4.12, 3.67, 1.47, 1.19),
]
KALKER_BA = [  # (b/a, C11, C22, C23, C33)
    (1.0, 4.12, 3.67, 1.47, 1.19), (0.9, 4.22, 3.81, 1.59, 1.11),
    (0.8, 4.36, 3.99, 1.75, 1.04), (0.7, 4.54, 4.21, 1.95, 0.965),
    (0.6, 4.78, 4.50, 2.23, 0.892), (0.5, 5.10, 4.90, 2.62, 0.819),
    (0.4, 5.57, 5.48, 3.24, 0.747), (0.3, 6.34, 6.40, 4.32, 0.674),
    (0.2, 7.78, 8.14, 6.63, 0.601), (0.1, 11.7, 12.8, 14.6, 0.526),
]


def elliptic_ke(e):
    """Complete elliptic integrals K(e), E(e) by the arithmetic-geometric mean."""
    a, b, c = 1.0, math.sqrt(1.0 - e * e), e
    s, p = 0.5 * c * c, 1.0
    while abs(c) > 1e-16:
        a, b, c = (a + b) / 2, math.sqrt(a * b), (a - b) / 2
        p *= 2
        s += 0.5 * p * c * c
    k = math.pi / (2 * a)
    return k, k * (1 - s)


def hertz(ratio):
    """cos(theta), m, n of an ellipse with semi-axis ratio b/a = ratio <= 1."""
    e = math.sqrt(1.0 - ratio * ratio)
    if e < 1e-9:
        return 0.0, 1.0, 1.0
    k, E = elliptic_ke(e)
    cos_theta = (E * (2 - e * e) - 2 * k * (1 - e * e)) / (E * e * e)
    m = (2 * E / (math.pi * (1 - e * e))) ** (1 / 3)
    n = (2 * E * math.sqrt(1 - e * e) / math.pi) ** (1 / 3)
    return cos_theta, m, n


def ratio_for(cos_theta):
    lo, hi = 1e-9, 1.0  # cos(theta) falls as b/a grows
    for _ in range(200):
        mid = (lo + hi) / 2
        if hertz(mid)[0] > cos_theta:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def kalker(a_over_b):
    if a_over_b <= 1.0:
        x, table = a_over_b, KALKER_AB
    else:
        x, table = 1.0 / a_over_b, KALKER_BA
    for (x0, *c0), (x1, *c1) in zip(table, table[1:]):
        if min(x0, x1) <= x <= max(x0, x1):
            u = (x - x0) / (x1 - x0)
            return [p + u * (q - p) for p, q in zip(c0, c1)]
    raise ValueError(a_over_b)


print("Hertz factors m, n and Kalker creep coefficients C11 C22 C23 C33 (Poisson 0.25) against g = 4A/(A+B)")
print("Timoshenko & Goodier, Theory of Elasticity (1951) Art. 140; Kalker, thesis Delft (1967)")
for k in range(1, 57):
    g = 2.0 + (k - 28.5) * 0.0685
    ratio = ratio_for(abs(1.0 - g / 2.0))  # b/a with a the larger semi-axis
    _, m, n = hertz(ratio)
    # g < 2: the rail's transverse curvature dominates, the ellipse is long
    # in the rolling direction.
    a_over_b = 1.0 / ratio if g < 2.0 else ratio
    c11, c22, c23, c33 = kalker(a_over_b)
    print(f"{g:9.5f} {m:9.4f} {n:9.4f} {c11:9.4f} {c22:9.4f} {c23:9.4f} {c33:9.4f}")
