#!/usr/bin/env python3
"""Writes a model file (.pin) as a CalculiX input deck (.inp) for measuring corvane against a
general finite-element code on the same mesh, loads and supports.

  bench/pin_to_inp.py model.pin model.inp [--solver "ITERATIVE SCALING"]

Solids become C3D8 elements with their modulus, Poisson's ratio and unit weight (as a density
under a unit gravity, so the self weight is the same); each joint element becomes, per facing
node pair, three SPRING2 elements (x, y, z) of stiffness k * A / 36, the pair's share of the
joint's springs on a rectangular face of area A (the joint convention); the joints are taken
as linear (closed), which is what a wheel load on the block's interface keeps them. Supports
as *BOUNDARY, the loaded faces' tractions (face frame) as the nodal forces p A / 4 of a
uniform pressure on each face (*CLOAD). One linear static step.
"""
import sys


def read_pin(path):
    tokens = open(path).read().split()
    pos = 0

    def take(n):
        nonlocal pos
        v = tokens[pos:pos + n]
        pos += n
        return v

    np_, nm, ne, nb, _ = (int(t) for t in take(5))
    mats = [[float(v) for v in take(12)] for _ in range(nm)]
    nodes = [[float(v) for v in take(6)][:3] for _ in range(np_)]
    elems = [[int(v) for v in take(9)] for _ in range(ne)]
    bcs = [[int(v) for v in take(4)] for _ in range(nb)]
    nedge = int(take(1)[0])
    faces = []
    for _ in range(nedge):
        corners = []
        for _ in range(4):
            node = int(take(1)[0])
            t = [float(v) for v in take(3)]
            corners.append((node, t))
        faces.append(corners)
    return nodes, mats, elems, bcs, faces


def sub(a, b):
    return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


def norm(a):
    return (a[0] ** 2 + a[1] ** 2 + a[2] ** 2) ** 0.5


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    solver = "ITERATIVE SCALING"
    if "--solver" in sys.argv:
        solver = sys.argv[sys.argv.index("--solver") + 1]
    nodes, mats, elems, bcs, faces = read_pin(sys.argv[1])
    out = open(sys.argv[2], "w")
    out.write("*HEADING\nfrom %s\n*NODE, NSET=NALL\n" % sys.argv[1])
    for i, (x, y, z) in enumerate(nodes):
        out.write("%d, %.9g, %.9g, %.9g\n" % (i + 1, x, y, z))
    solids = {}
    springs = []  # (node a, node b, dof, stiffness)
    for e in elems:
        m = mats[e[8]]
        kind = int(m[11])
        if kind == 0:
            solids.setdefault(e[8], []).append(e[:8])
        elif kind in (1, 2, 10, 11, 12, 13, 14):
            p = [nodes[n] for n in e[:4]]
            area = norm(cross(sub(p[1], p[0]), sub(p[3], p[0])))
            normal = cross(sub(p[1], p[0]), sub(p[2], p[0]))
            # local springs: entries 0, 1 tangential, 2 normal; axis-parallel joints only
            axis = max(range(3), key=lambda k: abs(normal[k]))
            stiff = [0.0, 0.0, 0.0]
            stiff[axis] = m[2]
            others = [k for k in range(3) if k != axis]
            stiff[others[0]] = m[0]
            stiff[others[1]] = m[1]
            for k in range(4):
                for dof in range(3):
                    if stiff[dof] > 0:
                        springs.append((e[k], e[k + 4], dof + 1, stiff[dof] * area / 36.0))
    eid = 1
    for m_index, conn in solids.items():
        out.write("*ELEMENT, TYPE=C3D8, ELSET=S%d\n" % m_index)
        for c in conn:
            out.write("%d, %s\n" % (eid, ", ".join(str(n + 1) for n in c)))
            eid += 1
    for k, (a, b, dof, s) in enumerate(springs):
        out.write("*ELEMENT, TYPE=SPRING2, ELSET=K%d\n%d, %d, %d\n" % (k, eid, a + 1, b + 1))
        out.write("*SPRING, ELSET=K%d\n%d, %d\n%.9g\n" % (k, dof, dof, s))
        eid += 1
    for m_index in solids:
        m = mats[m_index]
        out.write("*MATERIAL, NAME=M%d\n*ELASTIC\n%.9g, %.9g\n" % (m_index, m[0], m[1]))
        out.write("*DENSITY\n%.9g\n" % max(m[2], 1e-30))
        out.write("*SOLID SECTION, ELSET=S%d, MATERIAL=M%d\n" % (m_index, m_index))
    out.write("*BOUNDARY\n")
    for node, fx, fy, fz in bcs:
        for dof, flag in ((1, fx), (2, fy), (3, fz)):
            if flag:
                out.write("%d, %d, %d\n" % (node + 1, dof, dof))
    forces = {}
    for corners in faces:
        p = [nodes[n] for n, _ in corners]
        e1 = sub(p[1], p[0])
        e3 = cross(e1, sub(p[2], p[0]))
        e1 = [v / norm(e1) for v in e1]
        e3 = [v / norm(e3) for v in e3]
        e2 = cross(e3, e1)
        area = norm(cross(sub(p[2], p[0]), sub(p[3], p[1]))) / 2
        for n, t in corners:
            f = [t[0] * e1[k] + t[1] * e2[k] + t[2] * e3[k] for k in range(3)]
            acc = forces.setdefault(n, [0.0, 0.0, 0.0])
            for k in range(3):
                acc[k] += f[k] * area / 4
    out.write("*STEP\n*STATIC, SOLVER=%s\n*CLOAD\n" % solver)
    for n, f in sorted(forces.items()):
        for k in range(3):
            if f[k] != 0:
                out.write("%d, %d, %.9g\n" % (n + 1, k + 1, f[k]))
    out.write("*DLOAD\n")
    for m_index in solids:
        out.write("S%d, GRAV, 1., 0., 0., -1.\n" % m_index)
    out.write("*NODE FILE\nU\n*END STEP\n")


if __name__ == "__main__":
    main()
