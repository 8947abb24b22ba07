#!/usr/bin/env python3
"""Writes the sample trajectories in examples/ (deterministic; run again to regenerate).

water.xyz   a water molecule vibrating, turning slowly and drifting, 50 frames in the
            default common layout: count line, "time energy" line, then per atom
            name x y z charge px py pz and one orbital coefficient
single.xyz  one frame of a small molecule (methanol) in the same layout
table.prn   the water run as a table: two header lines, then one row per frame with
            the default table columns (time 2, energy 3, charges 7-9, xyz 10-18 in Bohr)
custom.txt  the water run in the default custom layout: 9 lines per frame, energy on
            line 3, atoms on lines 7-9 (xyz in Bohr, charge token 7, impulse 10-12,
            coefficient 13)
"""
import math
import os
import sys

BOHR = 0.52917706
FRAMES = 50
CHARGES = (-0.834, 0.417, 0.417)
NAMES = ("O", "H", "H")
MASSES = (15.999, 1.008, 1.008)


def water_frames():
    """Yield (time, energy, [(name, pos, charge, impulse)]) for each frame."""
    r0, theta0 = 0.9572, math.radians(104.52)
    prev = None
    frames = []
    for f in range(FRAMES):
        t = f * 0.5
        stretch = 0.06 * math.sin(2 * math.pi * f / 12.0)
        bend = math.radians(6.0) * math.sin(2 * math.pi * f / 17.0)
        r, theta = r0 + stretch, theta0 + bend
        turn = 2 * math.pi * f / FRAMES
        drift = (0.02 * f, 0.01 * f, -0.015 * f)
        local = [(0.0, 0.0, 0.0),
                 (r * math.sin(theta / 2), r * math.cos(theta / 2), 0.0),
                 (-r * math.sin(theta / 2), r * math.cos(theta / 2), 0.0)]
        atoms = []
        for (x, y, z) in local:
            xr = x * math.cos(turn) + z * math.sin(turn)
            zr = -x * math.sin(turn) + z * math.cos(turn)
            atoms.append((xr + drift[0], y - 0.065 + drift[1], zr + drift[2]))
        frames.append(atoms)
    for f, atoms in enumerate(frames):
        nxt = frames[min(f + 1, FRAMES - 1)]
        prv = frames[max(f - 1, 0)]
        energy = -76.4 + 0.01 * math.sin(2 * math.pi * f / 12.0) ** 2
        out = []
        for k in range(3):
            v = [(nxt[k][i] - prv[k][i]) / 1.0 for i in range(3)]
            p = tuple(0.1 * MASSES[k] * c for c in v)
            out.append((NAMES[k], atoms[k], CHARGES[k], p))
        yield f * 0.5, energy, out


def write_common(path):
    with open(path, "w", newline="\n") as out:
        for time, energy, atoms in water_frames():
            out.write("%d\n" % len(atoms))
            out.write("%.4f %.6f  water, frame at %.1f fs\n" % (time, energy, time))
            for name, (x, y, z), q, (px, py, pz) in atoms:
                out.write("%-2s %10.6f %10.6f %10.6f %8.4f %10.6f %10.6f %10.6f %6.3f\n"
                          % (name, x, y, z, q, px, py, pz, 1.0))


def write_single(path):
    atoms = [("C", (-0.0467, 0.6606, 0.0), -0.18, 0.72),
             ("O", (-0.0467, -0.7645, 0.0), -0.60, 0.85),
             ("H", (-1.0880, 0.9730, 0.0), 0.10, 1.0),
             ("H", (0.4413, 1.0813, 0.8920), 0.10, 1.0),
             ("H", (0.4413, 1.0813, -0.8920), 0.10, 1.0),
             ("H", (0.8608, -1.0817, 0.0), 0.48, 1.0)]
    with open(path, "w", newline="\n") as out:
        out.write("%d\n" % len(atoms))
        out.write("0.0 -115.0712  methanol, optimised\n")
        for name, (x, y, z), q, c in atoms:
            out.write("%-2s %10.6f %10.6f %10.6f %8.4f %10.6f %10.6f %10.6f %6.3f\n"
                      % (name, x, y, z, q, 0.0, 0.0, 0.0, c))


def write_table(path):
    with open(path, "w", newline="\n") as out:
        out.write("water run, one frame per row\n")
        out.write("step time energy - - - q1 q2 q3 x1 y1 z1 x2 y2 z2 x3 y3 z3 (Bohr)\n")
        for f, (time, energy, atoms) in enumerate(water_frames()):
            cols = [str(f), "%.4f" % time, "%.6f" % energy, "0", "0", "0"]
            cols += ["%.4f" % q for _, _, q, _ in atoms]
            for _, pos, _, _ in atoms:
                cols += ["%.6f" % (c / BOHR) for c in pos]
            out.write(" ".join(cols) + "\n")


def write_custom(path):
    with open(path, "w", newline="\n") as out:
        for f, (time, energy, atoms) in enumerate(water_frames()):
            out.write("step %d at %.1f fs\n" % (f, time))
            out.write("units bohr\n")
            out.write("%.6f  total energy\n" % energy)
            out.write("-\n-\n-\n")
            for _, pos, q, imp in atoms:
                tokens = ["%.6f" % (c / BOHR) for c in pos]
                tokens += ["0", "0", "0", "%.4f" % q, "0", "0"]
                tokens += ["%.6f" % c for c in imp]
                tokens += ["1.0"]
                out.write(" ".join(tokens) + "\n")


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "examples")
    os.makedirs(folder, exist_ok=True)
    write_common(os.path.join(folder, "water.xyz"))
    write_single(os.path.join(folder, "single.xyz"))
    write_table(os.path.join(folder, "table.prn"))
    write_custom(os.path.join(folder, "custom.txt"))
    return 0


if __name__ == "__main__":
    sys.exit(main())
