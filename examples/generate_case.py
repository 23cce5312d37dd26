#!/usr/bin/env python3
"""Generates every input file of the example case from physical parameters.

    python3 examples/generate_case.py [case directory]     (default: examples/case)

The case: a 32 m simply supported single-track prestressed-concrete box girder
with one straight ballastless track, crossed by a train of three high-speed
passenger cars. Every number in the case files is computed here:

* the bridge modes are the analytic modes of a simply supported Euler-Bernoulli
  beam in vertical bending, lateral bending and Saint-Venant torsion,
  mass-normalised, written as the text output of a structural analysis (one
  substructure modal file) with displacement and internal-force mode shapes;
* the vehicle modes are the car's longitudinal rigid-body mode, which carries
  the brake and traction forces, and the eigenvectors of the mass and
  stiffness matrices of a rigid-body car (car body, two bogie frames, four
  wheelsets; primary and secondary suspension; anti-yaw dampers), all
  mass-normalised, with modal damping ratios from the projected damping matrix;
* "Geometry.dat" is the contact geometry of a conical wheel tread on a rail head
  of constant crown radius;
* "WormCoeefficient.dat" holds the Hertz ellipse factors and Kalker's creep
  coefficients against the table argument g = 4/(r/Rw + 1 + r/Rr) = 4A/(A+B).

Published tables and formulas used:

* Hertz contact of two elastic bodies (H. Hertz, "Ueber die Beruehrung fester
  elastischer Koerper", J. reine angew. Math. 92, 1882): the ellipse's
  eccentricity and its factors m, n are computed here from the complete
  elliptic integrals; the result is checked against the table of m and n in
  S. Timoshenko, J. N. Goodier, "Theory of Elasticity", 2nd ed., McGraw-Hill
  1951, section 140.
* Kalker's creepage and spin coefficients C11, C22, C23, C33 for Poisson's ratio
  0, 1/4 and 1/2 (J. J. Kalker, "On the rolling contact of two elastic bodies
  in the presence of dry friction", thesis, Delft 1967; reprinted in J. J.
  Kalker, "Three-Dimensional Elastic Bodies in Rolling Contact", Kluwer 1990,
  table E3); the table below is interpolated linearly to nu = 0.3.
* The irregularity is the program's own two-corner spectrum of the low-
  interference class (spectrum code 7).

Units are SI (m, s, N, kg); axes: x along the track, y up, z lateral.
"""

import math
import os
import sys

# ---------------------------------------------------------------------------
# Physical parameters
# ---------------------------------------------------------------------------

GRAVITY = 9.81

# Steel of wheel and rail.
STEEL_E = 2.1e11          # Young's modulus (Pa)
STEEL_NU = 0.3            # Poisson's ratio
STEEL_G = STEEL_E / (2.0 * (1.0 + STEEL_NU))

# The creep routine multiplies the Kalker columns of the coefficient table by
# this fixed modulus; the columns are written as C * G / CREEP_MODULUS so that
# the creep coefficients come out as G * (ab) * C with the shear modulus of steel.
CREEP_MODULUS = 1.4609375e11
# The creep routine forms the semi-axis product as (r N)^(2/3) * 1.0E-6 * m * n.
HERTZ_PRODUCT_FACTOR = 1.0e-6

# Girder: single-track prestressed-concrete box girder, C50 concrete.
SPAN = 32.0                    # m, between bearings
CONCRETE_E = 3.55e10           # Pa
CONCRETE_G = CONCRETE_E / (2.0 * (1.0 + 0.2))
MASS_PER_LENGTH = 2.0e4        # kg/m, girder with track, ballastless slab and equipment
INERTIA_VERTICAL = 5.0         # m^4, second moment for vertical bending
INERTIA_LATERAL = 35.0         # m^4, second moment for lateral bending
TORSION_CONSTANT = 10.0        # m^4, Saint-Venant constant of the closed cell
MASS_POLAR_INERTIA = 2.4e5     # kg m^2/m, about the girder axis
RAIL_HEIGHT = 1.6              # m, top of rail above the girder axis
SOFFIT_DEPTH = 1.2             # m, bottom flange below the girder axis
NODE_SPACING = 1.0             # m, nodes along the girder axis
LOAD_NODE_BASE = 200           # girder-axis nodes for the loads: 201, 202, ...
# Bridge modes per kind (analytic, simply supported): n = 1..count.
VERTICAL_MODES = 5
LATERAL_MODES = 3
TORSIONAL_MODES = 3
# Rayleigh damping through two points (frequency in Hz, damping ratio).
DAMPING_POINTS = ((None, 0.02), (30.0, 0.02))   # None: the first vertical frequency

# Track: one straight track, approaches of 40 m on both sides of the bridge.
TRACK_START = -40.0
TRACK_END = SPAN + 40.0
TRACK_NODE_SPACING = 0.25
CONTACT_SPACING = 1.493        # m, distance between the nominal contact points

# Conical wheel tread on a rail head of constant crown radius.
CONICITY = 0.05                # tread slope 1:20
TABLE_WHEEL_RADIUS = 0.42      # m, the radius the geometry table is written for
WHEEL_PROFILE_RADIUS = 1.0e6   # m, transverse radius of the straight cone
RAIL_HEAD_RADIUS = 0.3         # m, crown radius of the rail head
GEOMETRY_OFFSET_STEP = 1.0e-4  # m between table rows (fixed by the program)
GEOMETRY_ROWS = 241
GEOMETRY_YAW_COLUMNS = 21

# Car: high-speed passenger car, rigid bodies.
CAR_BODY_MASS = 40000.0
CAR_BODY_INERTIA = (1.0e5, 1.8e6, 1.9e6)   # roll (x), yaw (y), pitch (z), kg m^2
BOGIE_MASS = 3200.0
BOGIE_INERTIA = (2400.0, 2800.0, 2800.0)
WHEELSET_MASS = 1900.0
WHEELSET_INERTIA = (1100.0, 1100.0)        # roll, yaw
CAR_LENGTH = 25.0
BOGIE_HALF_SPACING = 8.75                  # m, car centre to bogie centre
WHEELBASE_HALF = 1.25                      # m, bogie centre to wheelset
WHEEL_RADIUS = 0.43                        # m, nominal rolling radius (860 mm wheel)
FRICTION = 0.3
CAR_BODY_HEIGHT = 1.80                     # m, centre of gravity above rail
FLOOR_HEIGHT = 1.20
BOGIE_HEIGHT = 0.60
PRIMARY_HEIGHT = 0.45
SECONDARY_HEIGHT = 0.90
PRIMARY_HALF_SPACING = 1.0                 # m, lateral, axle boxes
SECONDARY_HALF_SPACING = 1.0               # m, lateral, air springs
YAW_DAMPER_HALF_SPACING = 1.35
# Per axle box (x, y, z): stiffness N/m and damping N s/m.
PRIMARY_STIFFNESS = (1.2e7, 1.0e6, 4.0e6)
PRIMARY_DAMPING = (0.0, 1.5e4, 0.0)
# Per air spring.
SECONDARY_STIFFNESS = (1.6e5, 2.5e5, 1.6e5)
SECONDARY_DAMPING = (0.0, 2.0e4, 3.0e4)
YAW_DAMPER = 2.5e5                         # N s/m, longitudinal, per damper

# Train and run.
CARS_IN_TRAIN = 3
STAGE_SPEEDS_KMH = (160.0, 250.0)
TIME_STEP = 2.0e-4
OUTPUT_INTERVAL = 10
# Wheel-rail contact through the track contact spring (IsContact 1): a linear
# spring-damper per wheel for the rail, its fastenings and the slab under it,
# with the stiffness and damping the program itself takes off the bridge. With
# IsContact 0 the program switches every wheel pair from that spring to Hertz
# contact on a rigid rail as soon as the girder moves under it; the ~180 Hz
# resonance of the wheelset on the Hertz spring is then almost undamped, and
# at the switch the wheel loads of the example swing between lift-off and
# three times the static load at 250 km/h.
TRACK_CONTACT_STIFFNESS = 6.0e7   # N/m
TRACK_CONTACT_DAMPING = 8.0e4     # N s/m

# Air and wind (the default run has no wind: mean wind speed 0).
AIR_DENSITY = 1.225
MEAN_WIND_SPEED = 0.0


# ---------------------------------------------------------------------------
# Output helpers
# ---------------------------------------------------------------------------

def num(v):
    """A compact number that reads back as the same single-precision value."""
    if v == 0.0:
        return "0.0"
    return "%.7g" % v


def rows(values, per_line=6, indent="  "):
    """Values spread over lines (a free-format read takes them across lines)."""
    out = []
    for i in range(0, len(values), per_line):
        out.append(indent + " ".join(num(v) if isinstance(v, float) else str(v)
                                     for v in values[i:i + per_line]))
    return out


def write(path, lines):
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


# ---------------------------------------------------------------------------
# Small linear algebra: symmetric eigenproblem by cyclic Jacobi rotations
# ---------------------------------------------------------------------------

def jacobi_eigen(a):
    n = len(a)
    a = [row[:] for row in a]
    v = [[1.0 if i == j else 0.0 for j in range(n)] for i in range(n)]
    for _ in range(100):
        off = sum(a[i][j] ** 2 for i in range(n) for j in range(n) if i != j)
        if off < 1e-22 * sum(a[i][i] ** 2 for i in range(n)):
            break
        for p in range(n - 1):
            for q in range(p + 1, n):
                if abs(a[p][q]) < 1e-300:
                    continue
                theta = (a[q][q] - a[p][p]) / (2.0 * a[p][q])
                t = (1.0 if theta >= 0 else -1.0) / (abs(theta) + math.sqrt(theta * theta + 1.0))
                c = 1.0 / math.sqrt(t * t + 1.0)
                s = t * c
                for k in range(n):
                    akp, akq = a[k][p], a[k][q]
                    a[k][p] = c * akp - s * akq
                    a[k][q] = s * akp + c * akq
                for k in range(n):
                    apk, aqk = a[p][k], a[q][k]
                    a[p][k] = c * apk - s * aqk
                    a[q][k] = s * apk + c * aqk
                for k in range(n):
                    vkp, vkq = v[k][p], v[k][q]
                    v[k][p] = c * vkp - s * vkq
                    v[k][q] = s * vkp + c * vkq
    values = [a[i][i] for i in range(n)]
    vectors = [[v[k][i] for k in range(n)] for i in range(n)]
    return values, vectors


# ---------------------------------------------------------------------------
# Hertz contact and Kalker coefficients
# ---------------------------------------------------------------------------

def elliptic_k_e(k):
    """Complete elliptic integrals K(k), E(k) of modulus k (arithmetic-geometric mean)."""
    a, b = 1.0, math.sqrt(1.0 - k * k)
    c_sum, power = k * k / 2.0, 0.5
    while abs(a - b) > 1e-15 * a:
        a, b, c = (a + b) / 2.0, math.sqrt(a * b), (a - b) / 2.0
        power *= 2.0
        c_sum += power * c * c
    kk = math.pi / (2.0 * a)
    return kk, kk * (1.0 - c_sum)


def hertz_ellipse(ratio):
    """For the semi-axis ratio k = minor/major (0 < k <= 1): the curvature ratio
    B/A >= 1 (A the curvature along the major axis) and the factors m, n with
    major = m c, minor = n c, c^3 = 3 N (1 - nu^2) / (2 E (A + B))."""
    if ratio >= 1.0:
        return 1.0, 1.0, 1.0
    e = math.sqrt(1.0 - ratio * ratio)
    kk, ee = elliptic_k_e(e)
    curvature_ratio = (ee / (ratio * ratio) - kk) / (kk - ee)
    m = (2.0 * ee / (math.pi * ratio * ratio)) ** (1.0 / 3.0)
    return curvature_ratio, m, ratio * m


def hertz_factors_for_ratio(target):
    """Hertz's m and n for the curvature ratio B/A = target, the ellipse found
    by bisection on its axis ratio."""
    lo, hi = 1e-6, 1.0
    for _ in range(200):
        mid = 0.5 * (lo + hi)
        if hertz_ellipse(mid)[0] > target:
            lo = mid
        else:
            hi = mid
    _, m, n = hertz_ellipse(0.5 * (lo + hi))
    return m, n


def check_hertz_factors():
    # Timoshenko & Goodier, section 140: theta (deg), m, n with cos(theta) = (B-A)/(B+A).
    published = ((30.0, 2.731, 0.493), (60.0, 1.486, 0.717), (80.0, 1.128, 0.893))
    for theta, m_pub, n_pub in published:
        target = (1.0 + math.cos(math.radians(theta))) / (1.0 - math.cos(math.radians(theta)))
        m, n = hertz_factors_for_ratio(target)
        assert abs(m / m_pub - 1.0) < 0.01 and abs(n / n_pub - 1.0) < 0.01, (theta, m, n)


# Kalker's table: rows by the axis ratio a/b (a along the rolling direction)
# from 0.1 to 1, then b/a from 0.9 to 0.1; per coefficient the values for
# nu = 0, 1/4, 1/2.
KALKER_ROWS = (
    # ratio a/b, C11 (0, .25, .5), C22, C23, C33
    (0.1, (2.51, 3.31, 4.85), (2.51, 2.52, 2.53), (0.334, 0.473, 0.731), (6.42, 8.28, 11.7)),
    (0.2, (2.59, 3.37, 4.81), (2.59, 2.63, 2.66), (0.483, 0.603, 0.809), (3.46, 4.27, 5.66)),
    (0.3, (2.68, 3.44, 4.80), (2.68, 2.75, 2.81), (0.607, 0.715, 0.889), (2.49, 2.96, 3.72)),
    (0.4, (2.78, 3.53, 4.82), (2.78, 2.88, 2.98), (0.720, 0.823, 0.977), (2.02, 2.32, 2.77)),
    (0.5, (2.88, 3.62, 4.83), (2.88, 3.01, 3.14), (0.827, 0.929, 1.07), (1.74, 1.93, 2.22)),
    (0.6, (2.98, 3.72, 4.91), (2.98, 3.14, 3.31), (0.930, 1.03, 1.18), (1.56, 1.68, 1.86)),
    (0.7, (3.09, 3.81, 4.97), (3.09, 3.28, 3.48), (1.03, 1.14, 1.29), (1.43, 1.50, 1.60)),
    (0.8, (3.19, 3.91, 5.05), (3.19, 3.41, 3.65), (1.13, 1.25, 1.40), (1.34, 1.37, 1.42)),
    (0.9, (3.29, 4.01, 5.12), (3.29, 3.54, 3.82), (1.23, 1.36, 1.51), (1.27, 1.27, 1.27)),
    (1.0, (3.40, 4.12, 5.20), (3.40, 3.67, 3.98), (1.33, 1.47, 1.63), (1.21, 1.19, 1.16)),
    (1 / 0.9, (3.51, 4.22, 5.30), (3.51, 3.81, 4.16), (1.44, 1.59, 1.77), (1.16, 1.11, 1.06)),
    (1 / 0.8, (3.65, 4.36, 5.42), (3.65, 3.99, 4.39), (1.58, 1.75, 1.94), (1.10, 1.04, 0.954)),
    (1 / 0.7, (3.82, 4.54, 5.58), (3.82, 4.21, 4.67), (1.76, 1.95, 2.18), (1.05, 0.965, 0.852)),
    (1 / 0.6, (4.06, 4.78, 5.80), (4.06, 4.50, 5.04), (2.01, 2.23, 2.50), (1.01, 0.892, 0.751)),
    (1 / 0.5, (4.37, 5.10, 6.11), (4.37, 4.90, 5.56), (2.35, 2.62, 2.96), (0.958, 0.819, 0.650)),
    (1 / 0.4, (4.84, 5.57, 6.57), (4.84, 5.48, 6.31), (2.88, 3.24, 3.70), (0.912, 0.747, 0.549)),
    (1 / 0.3, (5.57, 6.34, 7.34), (5.57, 6.40, 7.51), (3.79, 4.32, 5.01), (0.868, 0.674, 0.446)),
    (1 / 0.2, (6.96, 7.78, 8.82), (6.96, 8.14, 9.79), (5.72, 6.63, 7.89), (0.828, 0.601, 0.341)),
    (1 / 0.1, (10.7, 11.7, 12.9), (10.7, 12.8, 16.0), (12.2, 14.6, 18.0), (0.795, 0.526, 0.228)),
)


def kalker_coefficients(ratio_ab, nu):
    """C11, C22, C23, C33 at the axis ratio a/b (a along the rolling direction):
    linear in nu between the table's 1/4 and 1/2 columns, quadratic Lagrange in
    ln(a/b) over the three nearest rows."""
    w = (nu - 0.25) / 0.25
    u = math.log(ratio_ab)
    xs = [math.log(r[0]) for r in KALKER_ROWS]
    i = min(range(len(xs)), key=lambda j: abs(xs[j] - u))
    i = min(max(i, 1), len(xs) - 2)
    window = (i - 1, i, i + 1)
    out = []
    for c in range(4):
        total = 0.0
        for j in window:
            vals = KALKER_ROWS[j][1 + c]
            value = vals[1] + w * (vals[2] - vals[1])
            basis = 1.0
            for q in window:
                if q != j:
                    basis *= (u - xs[q]) / (xs[j] - xs[q])
            total += value * basis
        out.append(total)
    return out


def coefficient_table():
    """56 rows: g, m', n', C11', C22', C23', C33'.

    g = 4A/(A+B) with A the curvature sum along the rolling direction and B
    across it. The rows run over axis ratios a/b (a along the rolling
    direction) from 10 down to 0.1, evenly on a logarithmic scale, which makes
    g ascend from about 0.1 to about 3.9.

    m' and n' carry the elastic constants: with c^3 = 3 N (1-nu^2)/(2E(A+B))
    and A + B = 2/(r g), the Hertz product is
        a b = m n c^2 = (r N)^(2/3) * m n * (3 (1-nu^2) g / (4 E))^(2/3),
    so m' = m s and n' = n s with s = (3 (1-nu^2) g / (4 E))^(1/3) / 1.0E-3
    give (r N)^(2/3) * 1.0E-6 * m' * n' = a b.
    """
    check_hertz_factors()
    table = []
    count = 56
    for i in range(count):
        ratio_ab = 10.0 ** (1.0 - 2.0 * i / (count - 1))
        minor_over_major = min(ratio_ab, 1.0 / ratio_ab)
        curvature_ratio, m, n = hertz_ellipse(minor_over_major)
        if ratio_ab >= 1.0:      # long along the rolling direction: A < B
            g = 4.0 / (1.0 + curvature_ratio)
        else:                    # long across: A > B
            g = 4.0 * curvature_ratio / (1.0 + curvature_ratio)
        scale = (3.0 * (1.0 - STEEL_NU ** 2) * g / (4.0 * STEEL_E)) ** (1.0 / 3.0) / math.sqrt(HERTZ_PRODUCT_FACTOR)
        c = kalker_coefficients(ratio_ab, STEEL_NU)
        to_program = STEEL_G / CREEP_MODULUS
        table.append([g, m * scale, n * scale] + [v * to_program for v in c])
    return table


def hertz_semi_axis_product(r, n_force, rw, rr):
    """Reference: a b of steel on steel for rolling radius r, transverse radii rw, rr."""
    a_curv = 0.5 / r
    b_curv = 0.5 * (1.0 / rw + 1.0 / rr)
    m, n = hertz_factors_for_ratio(max(a_curv, b_curv) / min(a_curv, b_curv))
    c3 = 3.0 * n_force * (1.0 - STEEL_NU ** 2) / (2.0 * STEEL_E * (a_curv + b_curv))
    return m * n * c3 ** (2.0 / 3.0)


def check_coefficient_table(table):
    """The product the creep routine forms from the table equals Hertz's."""
    r, load = WHEEL_RADIUS, 70000.0
    g = 4.0 / (r / WHEEL_PROFILE_RADIUS + 1.0 + r / RAIL_HEAD_RADIUS)
    i = min(range(1, len(table) - 1), key=lambda j: abs(table[j][0] - g))
    xs = [table[j][0] for j in (i - 1, i, i + 1)]
    def interp(col):
        total = 0.0
        for a, j in enumerate((i - 1, i, i + 1)):
            basis = 1.0
            for b in range(3):
                if b != a:
                    basis *= (g - xs[b]) / (xs[a] - xs[b])
            total += table[j][col] * basis
        return total
    product = (r * load) ** (2.0 / 3.0) * HERTZ_PRODUCT_FACTOR * interp(1) * interp(2)
    reference = hertz_semi_axis_product(r, load, WHEEL_PROFILE_RADIUS, RAIL_HEAD_RADIUS)
    assert abs(product / reference - 1.0) < 0.002, (product, reference)
    return g, product


def write_coefficient_table(path):
    table = coefficient_table()
    g, product = check_coefficient_table(table)
    lines = [
        " Hertz ellipse factors and Kalker creep coefficients, steel on steel (E=2.1E11 Pa, nu=0.3)."
        " Columns: g=4A/(A+B), m', n', C11', C22', C23', C33'",
        " m'n' = m n (3(1-nu^2)g/(4E))^(2/3)/1.0E-6 so that (rN)^(2/3)*1.0E-6*m'n' is Hertz's ab;"
        " Cij' = Cij(Kalker) * G / 1.4609375E11. Written by examples/generate_case.py",
    ]
    for row in table:
        lines.append("  " + " ".join("%.6e" % v for v in row))
    write(path, lines)
    return g, product


# ---------------------------------------------------------------------------
# Contact geometry of a conical tread
# ---------------------------------------------------------------------------

def write_geometry_table(path):
    """Twenty blocks of 241 rows: lateral offset dy (rail minus wheel, of the
    pair's first wheel, which runs on rail 1 at negative z), then 21 yaw
    columns of one quantity. For a cone of slope lambda the first wheel's
    rolling radius grows by lambda*dy and the second's shrinks by as much; the
    wheelset rolls by lambda*dy/b (b half the contact spacing); both contact
    angles equal the cone angle; the tread is straight and the rail head has
    its crown radius. Quantities the program does not use are zero."""
    b = 0.5 * CONTACT_SPACING
    cone = math.degrees(math.atan(CONICITY))
    offsets = [(-(GEOMETRY_ROWS // 2) + i) * GEOMETRY_OFFSET_STEP for i in range(GEOMETRY_ROWS)]
    quantities = {
        1: ("roll angle of the wheelset (degree)", lambda dy: math.degrees(CONICITY * dy / b)),
        10: ("rolling radius, first wheel (m)", lambda dy: TABLE_WHEEL_RADIUS + CONICITY * dy),
        11: ("contact angle, first wheel (degree)", lambda dy: cone),
        12: ("transverse radius of the wheel profile, first wheel (m)", lambda dy: WHEEL_PROFILE_RADIUS),
        13: ("transverse radius of the rail head, first wheel (m)", lambda dy: RAIL_HEAD_RADIUS),
        17: ("rolling radius, second wheel (m)", lambda dy: TABLE_WHEEL_RADIUS - CONICITY * dy),
        18: ("contact angle, second wheel (degree)", lambda dy: cone),
        19: ("transverse radius of the wheel profile, second wheel (m)", lambda dy: WHEEL_PROFILE_RADIUS),
        20: ("transverse radius of the rail head, second wheel (m)", lambda dy: RAIL_HEAD_RADIUS),
    }
    yaw = [0.001 * (j - GEOMETRY_YAW_COLUMNS // 2) for j in range(GEOMETRY_YAW_COLUMNS)]
    lines = [" Contact geometry of a conical wheel tread (slope 1:%g) on a rail head of crown radius %g m;"
             % (1.0 / CONICITY, RAIL_HEAD_RADIUS),
             " rows: lateral offset of the wheelset (m), columns: yaw angle (rad). Written by examples/generate_case.py"]
    for q in range(1, 21):
        title, f = quantities.get(q, ("not used by the program", lambda dy: 0.0))
        lines.append(" Quantity %d: %s" % (q, title))
        lines.append(" deltay   phi= " + " ".join("%.3f" % a for a in yaw))
        for dy in offsets:
            value = f(dy)
            cell = "0" if value == 0.0 else "%.7g" % value
            lines.append(" %.4f %s" % (dy, " ".join([cell] * GEOMETRY_YAW_COLUMNS)))
    write(path, lines)


# ---------------------------------------------------------------------------
# Bridge: analytic modes of a simply supported girder
# ---------------------------------------------------------------------------

def bridge_model():
    nodes = []   # (number, x, y, z)
    count = int(round(SPAN / NODE_SPACING)) + 1
    for i in range(count):
        nodes.append((i + 1, i * NODE_SPACING, 0.0, 0.0))
    axis_count = count
    quarter, middle = 101, 102
    nodes.append((quarter, SPAN / 4.0, -SOFFIT_DEPTH, 0.0))
    nodes.append((middle, SPAN / 2.0, -SOFFIT_DEPTH, 0.0))
    # Nodes 1 to 33 are the interface nodes: the program carries their mode
    # shapes to the track's centre line at rail height, and whatever acts on
    # them acts there. Nodes 201 to 233, at the same stations of the girder
    # axis, are not interface nodes and keep the girder axis' shapes: the
    # wind on the girder acts on them.
    for i in range(count):
        nodes.append((LOAD_NODE_BASE + i + 1, i * NODE_SPACING, 0.0, 0.0))

    ei_v = CONCRETE_E * INERTIA_VERTICAL
    ei_l = CONCRETE_E * INERTIA_LATERAL
    gj = CONCRETE_G * TORSION_CONSTANT
    modes = []   # dicts: kind, n, frequency, shape(x) -> (translation, rotation) and forces(x)
    for n in range(1, VERTICAL_MODES + 1):
        k = n * math.pi / SPAN
        amp = math.sqrt(2.0 / (MASS_PER_LENGTH * SPAN))
        modes.append(dict(kind="vertical bending", n=n,
                          omega=k * k * math.sqrt(ei_v / MASS_PER_LENGTH),
                          # (ty, tz, rx, ry, rz) of the girder axis
                          axis=lambda x, k=k, a=amp: (a * math.sin(k * x), 0.0, 0.0, 0.0, a * k * math.cos(k * x)),
                          # (N, Vy, Vz, T, My, Mz): sagging moment Mz = -EI w'' positive
                          forces=lambda x, k=k, a=amp: (0.0, ei_v * a * k ** 3 * math.cos(k * x), 0.0, 0.0, 0.0,
                                                        ei_v * a * k * k * math.sin(k * x))))
    for n in range(1, LATERAL_MODES + 1):
        k = n * math.pi / SPAN
        amp = math.sqrt(2.0 / (MASS_PER_LENGTH * SPAN))
        modes.append(dict(kind="lateral bending", n=n,
                          omega=k * k * math.sqrt(ei_l / MASS_PER_LENGTH),
                          axis=lambda x, k=k, a=amp: (0.0, a * math.sin(k * x), 0.0, -a * k * math.cos(k * x), 0.0),
                          forces=lambda x, k=k, a=amp: (0.0, 0.0, ei_l * a * k ** 3 * math.cos(k * x), 0.0,
                                                        ei_l * a * k * k * math.sin(k * x), 0.0)))
    for n in range(1, TORSIONAL_MODES + 1):
        k = n * math.pi / SPAN
        amp = math.sqrt(2.0 / (MASS_POLAR_INERTIA * SPAN))
        modes.append(dict(kind="torsion", n=n,
                          omega=k * math.sqrt(gj / MASS_POLAR_INERTIA),
                          axis=lambda x, k=k, a=amp: (0.0, 0.0, a * math.sin(k * x), 0.0, 0.0),
                          forces=lambda x, k=k, a=amp: (0.0, 0.0, 0.0, gj * a * k * math.cos(k * x), 0.0, 0.0)))
    modes.sort(key=lambda m: m["omega"])
    return nodes, axis_count, quarter, middle, modes


def node_shape(mode, node):
    """Six components at a node: the girder axis motion carried rigidly to the node."""
    _, x, y, z = node
    ty, tz, rx, ry, rz = mode["axis"](x)
    # u = t + theta x r with r = (0, y, z) measured from the girder axis.
    ux = ry * z - rz * y
    uy = ty - rx * z
    uz = tz + rx * y
    # sin(n pi) at the bearings is written as an exact zero.
    return tuple(0.0 if abs(v) < 1e-12 else v for v in (ux, uy, uz, rx, ry, rz))


def write_bridge(input_dir, modal_file_name, subdir):
    nodes, axis_count, quarter, middle, modes = bridge_model()
    f1 = next(m for m in modes if m["kind"] == "vertical bending")["omega"] / (2.0 * math.pi)
    frequencies = [m["omega"] / (2.0 * math.pi) for m in modes]
    interface = [n[0] for n in nodes[:axis_count]]
    middle_axis = axis_count // 2 + 1
    outputs = [(middle, 2), (quarter, 2), (middle, 3), (middle_axis, 4)]
    elements = axis_count - 1

    # Master file.
    lines = ["  %d %d 0 %d %d 0" % (len(nodes), len(interface), len(outputs), len(modes))]
    for number, x, y, z in nodes:
        lines.append("  %d %s %s %s" % (number, num(x), num(y), num(z)))
    lines += rows(interface, per_line=11)
    lines += ["  %d %d" % o for o in outputs]
    d1 = DAMPING_POINTS[0][0] if DAMPING_POINTS[0][0] is not None else f1
    lines += ["  1", subdir, modal_file_name, "  %d" % len(modes),
              "  %s %s %s %s" % (num(d1), num(DAMPING_POINTS[1][0]), num(DAMPING_POINTS[0][1]),
                                 num(DAMPING_POINTS[1][1])),
              " Bridge response recovery: girder axis nodes every 4 m and the two soffit nodes, and the",
              " six internal forces (N, Vy, Vz, T, My, Mz) of every element, requested after the next line.",
              " Post",
              "  2",
              "  1 %d 4" % axis_count,
              "  %d %d 1" % (quarter, middle),
              "  1",
              "  1 %d 1 6" % elements]
    write(os.path.join(input_dir, "Modal_Substructure_Bridge.dat"), lines)

    # Substructure modal file: the text output of a modal analysis.
    lines = [" NATURAL VIBRATION ANALYSIS - SIMPLY SUPPORTED SINGLE-TRACK BOX GIRDER, SPAN %.1f m" % SPAN,
             " Euler-Bernoulli beam, mass %.0f kg/m, EIv %.4e, EIl %.4e, GJ %.4e N m2, Ip %.4e kg m2/m"
             % (MASS_PER_LENGTH, CONCRETE_E * INERTIA_VERTICAL, CONCRETE_E * INERTIA_LATERAL,
                CONCRETE_G * TORSION_CONSTANT, MASS_POLAR_INERTIA),
             " Mode shapes normalised to unit modal mass. Written by examples/generate_case.py",
             "",
             "  MODE   CIRCULAR FREQUENCY (rad/s)   FREQUENCY (cycle/sec)   PERIOD (s)   TYPE"]
    for q, m in enumerate(modes, 1):
        f = m["omega"] / (2.0 * math.pi)
        lines.append("  %4d   %14.6f   %14.6f   %12.6f   %s %d" % (q, m["omega"], f, 1.0 / f, m["kind"], m["n"]))
    lines += ["",
              " DISPLACEMENT MODE SHAPES, UNITS (N,m)",
              "  NODE  MODE            UX              UY              UZ              RX              RY"
              "              RZ      (N,m)"]
    for q, m in enumerate(modes, 1):
        for node in nodes:
            lines.append("  %4d  %4d  " % (node[0], q) + " ".join("%15.7e" % v for v in node_shape(m, node)))
    lines += ["",
              " ELEMENT INTERNAL FORCES AT MID-LENGTH: N, Vy, Vz, T, My, Mz  (Stress resultants, N and N*m)"]
    for q, m in enumerate(modes, 1):
        for e in range(1, elements + 1):
            x = (e - 0.5) * NODE_SPACING
            lines.append("  %4d  %4d  " % (e, q) + " ".join("%15.7e" % v for v in m["forces"](x)))
    write(os.path.join(input_dir, modal_file_name), lines)
    return dict(f1=f1, frequencies=frequencies, modes=modes)


# ---------------------------------------------------------------------------
# Vehicle: rigid-body car
# ---------------------------------------------------------------------------

def vehicle_model():
    """Bodies with their degrees of freedom (translations y, z; rotations about
    x, y, z), mass matrix (diagonal), stiffness and damping matrices from the
    suspension elements."""
    bodies = []   # name, centre (x, y, z), dofs (subset of 'y','z','rx','ry','rz'), masses
    bodies.append(("car body", (0.0, CAR_BODY_HEIGHT, 0.0), ("y", "z", "rx", "ry", "rz"),
                   (CAR_BODY_MASS, CAR_BODY_MASS) + CAR_BODY_INERTIA))
    bogie_x = (BOGIE_HALF_SPACING, -BOGIE_HALF_SPACING)
    for xb in bogie_x:
        bodies.append(("bogie frame", (xb, BOGIE_HEIGHT, 0.0), ("y", "z", "rx", "ry", "rz"),
                       (BOGIE_MASS, BOGIE_MASS) + BOGIE_INERTIA))
    wheelset_x = []
    for xb in bogie_x:
        for dx in (WHEELBASE_HALF, -WHEELBASE_HALF):
            wheelset_x.append(xb + dx)
            bodies.append(("wheelset", (xb + dx, WHEEL_RADIUS, 0.0), ("y", "z", "rx", "ry"),
                           (WHEELSET_MASS, WHEELSET_MASS) + WHEELSET_INERTIA))
    offset = []
    total = 0
    for b in bodies:
        offset.append(total)
        total += len(b[2])

    def point_map(body, p):
        """3 x ndof matrix: displacement (x, y, z) of point p fixed to body."""
        _, c, dofs, _ = bodies[body]
        dx, dy, dz = p[0] - c[0], p[1] - c[1], p[2] - c[2]
        # u = t + theta x r
        cols = {"y": (0.0, 1.0, 0.0), "z": (0.0, 0.0, 1.0),
                "rx": (0.0, -dz, dy), "ry": (dz, 0.0, -dx), "rz": (-dy, dx, 0.0)}
        t = [[0.0] * total for _ in range(3)]
        for j, d in enumerate(dofs):
            for i in range(3):
                t[i][offset[body] + j] = cols[d][i]
        return t

    stiffness = [[0.0] * total for _ in range(total)]
    damping = [[0.0] * total for _ in range(total)]

    def connect(a, b, p, k, c):
        ta, tb = point_map(a, p), point_map(b, p)
        rel = [[tb[i][j] - ta[i][j] for j in range(total)] for i in range(3)]
        for i in range(3):
            for r in range(total):
                if rel[i][r] == 0.0:
                    continue
                for s in range(total):
                    if rel[i][s] != 0.0:
                        stiffness[r][s] += k[i] * rel[i][r] * rel[i][s]
                        damping[r][s] += c[i] * rel[i][r] * rel[i][s]

    for w, xw in enumerate(wheelset_x):
        bogie = 1 + w // 2
        for side in (-1.0, 1.0):
            connect(3 + w, bogie, (xw, PRIMARY_HEIGHT, side * PRIMARY_HALF_SPACING),
                    PRIMARY_STIFFNESS, PRIMARY_DAMPING)
    for i, xb in enumerate(bogie_x):
        for side in (-1.0, 1.0):
            connect(1 + i, 0, (xb, SECONDARY_HEIGHT, side * SECONDARY_HALF_SPACING),
                    SECONDARY_STIFFNESS, SECONDARY_DAMPING)
            connect(1 + i, 0, (xb, SECONDARY_HEIGHT, side * YAW_DAMPER_HALF_SPACING),
                    (0.0, 0.0, 0.0), (YAW_DAMPER, 0.0, 0.0))
    masses = []
    for b in bodies:
        names = ("y", "z", "rx", "ry", "rz")
        full = dict(zip(names, b[3]))
        masses += [full[d] for d in b[2]]
    return bodies, point_map, masses, stiffness, damping, wheelset_x


def vehicle_modes():
    """The car's modes: first its longitudinal rigid-body mode (every node
    moves along x by 1/sqrt(total mass); the bodies' eigenproblem has no
    longitudinal degree of freedom), then the eigenvectors of the bodies'
    degrees of freedom by frequency. The train advances with the longitudinal
    acceleration of its lead vehicle's first node, which only the first mode
    carries: with it a brake or traction command changes the train's speed."""
    bodies, point_map, masses, stiffness, damping, wheelset_x = vehicle_model()
    n = len(masses)
    inv_sqrt = [1.0 / math.sqrt(m) for m in masses]
    scaled = [[stiffness[i][j] * inv_sqrt[i] * inv_sqrt[j] for j in range(n)] for i in range(n)]
    values, vectors = jacobi_eigen(scaled)
    order = sorted(range(n), key=lambda i: values[i])
    modes = [(0.0, 0.0, None)]   # the longitudinal rigid-body mode
    largest = max(abs(v) for v in values)
    for i in order:
        lam = values[i] if values[i] > 1e-9 * largest else 0.0
        phi = [vectors[i][j] * inv_sqrt[j] for j in range(n)]
        # A sign convention for readability: the largest component positive.
        big = max(range(n), key=lambda j: abs(phi[j] * math.sqrt(masses[j])))
        if phi[big] < 0.0:
            phi = [-v for v in phi]
        omega = math.sqrt(lam)
        modal_c = sum(phi[r] * damping[r][s] * phi[s] for r in range(n) for s in range(n))
        ratio = modal_c / (2.0 * omega) if omega > 1e-6 else 0.0
        modes.append((omega / (2.0 * math.pi), ratio, phi))
    return bodies, point_map, modes, wheelset_x


def write_vehicle(input_dir):
    bodies, point_map, modes, wheelset_x = vehicle_modes()
    b = 0.5 * CONTACT_SPACING
    half = 0.5 * CAR_LENGTH
    # Nodes: number, position, body. Positions 1, 2 and 3 are the front
    # coupling node, the node of the whole-vehicle loads (car body centre of
    # gravity) and the rear coupling node; the coupling nodes lie on the car
    # body axis at its centre-of-gravity height.
    nodes = [(1, (half, CAR_BODY_HEIGHT, 0.0), 0), (2, (0.0, CAR_BODY_HEIGHT, 0.0), 0),
             (3, (-half, CAR_BODY_HEIGHT, 0.0), 0)]
    wheel_nodes = []
    for w, xw in enumerate(wheelset_x):
        # The first wheel of a pair runs on rail 1, on the side of negative z.
        for side, s in ((1, -1.0), (2, 1.0)):
            number = 10 * (w + 1) + side
            nodes.append((number, (xw, WHEEL_RADIUS, s * b), 3 + w))
            wheel_nodes.append(number)
    floor = [(51, BOGIE_HALF_SPACING), (52, 0.0), (53, -BOGIE_HALF_SPACING)]
    for number, x in floor:
        nodes.append((number, (x, FLOOR_HEIGHT, 0.0), 0))
    nodes.append((61, (BOGIE_HALF_SPACING, BOGIE_HEIGHT, 0.0), 1))
    nodes.append((62, (-BOGIE_HALF_SPACING, BOGIE_HEIGHT, 0.0), 2))
    outputs = [(51, 2), (51, 3), (52, 2), (52, 3), (53, 2), (53, 3)]

    total_mass = CAR_BODY_MASS + 2 * BOGIE_MASS + 4 * WHEELSET_MASS
    wheel_load = total_mass * GRAVITY / len(wheel_nodes)

    def shape(phi, node):
        if phi is None:   # longitudinal rigid-body mode, mass-normalised
            return [1.0 / math.sqrt(total_mass), 0.0, 0.0, 0.0, 0.0, 0.0]
        _, p, body = node
        t = point_map(body, p)
        trans = [sum(t[i][j] * phi[j] for j in range(len(phi))) for i in range(3)]
        _, _, dofs, _ = bodies[body]
        start = sum(len(bb[2]) for bb in bodies[:body])
        rot = {d: phi[start + j] for j, d in enumerate(dofs)}
        return trans + [rot.get("rx", 0.0), rot.get("ry", 0.0), rot.get("rz", 0.0)]

    def clean(v):
        return 0.0 if abs(v) < 1e-12 else v

    lines = ["  1 1 %d %d 0 %d %d" % (len(nodes), len(wheel_nodes), len(outputs), len(modes)),
             "  1 %d %d 0 %d %d" % (len(nodes), len(wheel_nodes), len(outputs), len(modes))]
    for number, p, _ in nodes:
        lines.append("  %d %s %s %s" % (number, num(p[0]), num(p[1]), num(p[2])))
    lines.append("  " + " ".join(str(n) for n in wheel_nodes))
    lines.append("  " + " ".join(num(wheel_load) for _ in wheel_nodes) + "  0")
    lines.append("  %s %s %s" % (num(WHEEL_RADIUS), num(FRICTION), num(b)))
    lines.append("  " + "  ".join("%d %d" % o for o in outputs))
    lines += rows([clean(f) for f, _, _ in modes], per_line=8)
    lines += rows([clean(r) for _, r, _ in modes], per_line=8)
    for _, _, phi in modes:
        for node in nodes:
            lines.append("  " + " ".join("%.7e" % clean(v) for v in shape(phi, node)))
    write(os.path.join(input_dir, "Modal_Substructure_Vehicletypes.dat"), lines)
    return dict(wheel_load=wheel_load, length=CAR_LENGTH, modes=modes, wheel_x=wheelset_x)


# ---------------------------------------------------------------------------
# The other input files
# ---------------------------------------------------------------------------

def write_inputs(input_dir, vehicle):
    write(os.path.join(input_dir, "SolutionParameters.dat"), [
        "    1                   !Integral Method (Wilson:0;Newmark:1;New Explicit:2;Rugge-kutta:4;PostPro:-1)",
        "  %s   !Time step for integration" % num(TIME_STEP),
        "   %d                   !Output Result Every N Steps" % OUTPUT_INTERVAL,
        "    1                   !Option for wheel-rail contact (Sptial:1;Vertical only:0;Moving load:-1)",
        "    0                   !Coordination_sys_bridge (Z axis upward:1;Y axis upward:0)",
        "    1 %s %s         !IsContact,StiContact and DamContact of track contact,for wheel-rail jump"
        % (num(TRACK_CONTACT_STIFFNESS), num(TRACK_CONTACT_DAMPING)),
    ])
    points = [TRACK_START, 0.0, SPAN, TRACK_END]
    lines = ["  %s 4           track node spacing (m), largest number of control points" % num(TRACK_NODE_SPACING),
             "  1                  number of tracks",
             "  %d %s          control points of track 1, gauge (m): distance of the contact points"
             % (len(points), num(CONTACT_SPACING))]
    for x in points:
        lines.append("  %s %s 0.0 0.0 0.0 %s 0.0     x, vertical, lateral, direction, curvature, arc length, cant"
                     % (num(x), num(RAIL_HEIGHT), num(x)))
    lines.append("  0                  rail geometry option (0: the rails carry the irregularity only)")
    write(os.path.join(input_dir, "Rails_Location.dat"), lines)

    write(os.path.join(input_dir, "Irregularity.dat"), [
        " source (1 generate, 0 stored), spectrum code, seed, shortest and longest wavelength, length,"
        " spacing, filter wavelength (m)",
        "  1 7 2718 1.0 80.0 200.0 0.25 0.0",
        " taper length at both ends of the track (m)",
        "  10.0",
        " scale factors of vertical profile, alignment and cross level",
        "  1.0 1.0 1.0",
    ])

    speeds = " ".join(num(v) for v in STAGE_SPEEDS_KMH)
    zeros = " ".join("0.0" for _ in STAGE_SPEEDS_KMH)
    write(os.path.join(input_dir, "VehicleOrganization.dat"), [
        "  1 %d               fleets, largest number of vehicles of a fleet" % CARS_IN_TRAIN,
        "  %d                 vehicles of fleet 1" % CARS_IN_TRAIN,
        "  " + " ".join("1" for _ in range(CARS_IN_TRAIN)) + "              their vehicle types, front to rear",
        "  1 %d               trains, speed stages" % len(STAGE_SPEEDS_KMH),
        "  1 1  %s  %s  %s  %s  %s" % (speeds, zeros, zeros, zeros, zeros),
        " train 1: fleet, track, speeds (km/h), lead-in (m), run-out (m), brake settings, brake times (s)",
    ])

    write(os.path.join(input_dir, "ExternalForces.dat"), [
        "  0                  number of external forces at bridge nodes"])
    write(os.path.join(input_dir, "NonlinearSpringParameters_Vehicletypes.dat"), [
        "  0 0                spring ids, largest value count (the suspension is in the vehicle modes)"])
    write(os.path.join(input_dir, "NonlinearSpringParameters_Bridge.dat"), [
        "  0 0                spring ids, largest value count (no nonlinear elements on the girder)"])
    # Read only when a train has a brake command of 10 or more.
    write(os.path.join(input_dir, "BrakePara.dat"), [
        "  1                  brake parameter sets",
        "  0                  set 1: kind (below 2: five values d, p, r, e, n follow)",
        "  0.254 4.0E5 0.2 0.9 4.0   cylinder diameter (m), pressure (Pa), lever ratio, efficiency, divisor",
        "  1                  brake set of vehicle type 1",
        "  0                  coupler spring id of vehicle type 1 (0: no coupler)",
    ])

    # Wind. The field covers the track; set 1 is the girder, set 2 the cars.
    # The girder coefficients are representative of a single-cell box girder
    # (drag on the depth, lift and moment on the deck width); the car
    # coefficients are linear fits in the relative-wind angle a, which vanish
    # when the relative wind runs along the track (a = -pi/2).
    field_length = TRACK_END - TRACK_START
    lines = [
        "  %s %s 0.0       air density (kg/m3), mean wind speed (m/s; 0: no wind), wind direction (rad)"
        % (num(AIR_DENSITY), num(MEAN_WIND_SPEED)),
        "  %s              start of the wind field along the line (m)" % num(TRACK_START),
        "  1                  1: mean wind with turbulence",
        "  0.05 0.0 12.0 32 %s 10.0 0 12.8 10.0 1.0   z0, zd, height, points, length, cut-off (Hz),"
        " unused, duration (s), smoothing distance (m) and time (s)" % num(field_length),
        "  2                  coefficient sets",
    ]
    sets = [
        ((3.0, 7.0, 1.0), ([1.3, 0.0], [-0.15, 3.5], [0.05, 1.1], [0.0], [0.0], [0.0])),
        ((3.7, 3.3, 1.0), ([1.68, 1.07], [0.785, 0.5], [0.47, 0.3], [0.0], [0.0], [0.16, 0.1])),
    ]
    for dims, polys in sets:
        lines.append("  %s %s %s" % tuple(num(v) for v in dims))
        for poly in polys:
            lines.append("  %d" % len(poly))
            lines.append("  " + " ".join(num(v) for v in poly))
    lines.append("  1                  vehicle stations")
    lines.append("  %s" % num(TRACK_START))
    for _ in range(CARS_IN_TRAIN):
        lines.append("  2")
    bridge_nodes = int(round(SPAN / NODE_SPACING)) + 1
    # The girder's wind acts on its axis: on the load nodes, not on the
    # interface nodes, whose shapes are those of the track at rail height.
    lines.append("  1 %d               bridge node groups under wind, largest group" % bridge_nodes)
    lines.append("  1 %d" % bridge_nodes)
    lines += rows(list(range(LOAD_NODE_BASE + 1, LOAD_NODE_BASE + bridge_nodes + 1)), per_line=11)
    write(os.path.join(input_dir, "Wind_Coefficients.dat"), lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    case = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "case")
    input_dir = os.path.join(case, "input")
    os.makedirs(input_dir, exist_ok=True)
    write(os.path.join(case, "QEL.PATH"), ["input"])
    g, product = write_coefficient_table(os.path.join(case, "WormCoeefficient.dat"))
    write_geometry_table(os.path.join(case, "Geometry.dat"))
    bridge = write_bridge(input_dir, "Girder32m_Modes.out", "input")
    vehicle = write_vehicle(input_dir)
    write_inputs(input_dir, vehicle)
    print("bridge frequencies (Hz):", " ".join("%.2f" % f for f in bridge["frequencies"]))
    print("vehicle frequencies (Hz):", " ".join("%.2f" % f for f, _, _ in vehicle["modes"]))
    print("vehicle damping ratios:", " ".join("%.3f" % r for _, r, _ in vehicle["modes"]))
    print("static wheel load %.0f N; table argument of the wheel g = %.4f, Hertz ab at 70 kN = %.4e m2"
          % (vehicle["wheel_load"], g, product))


if __name__ == "__main__":
    main()
