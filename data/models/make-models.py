#!/usr/bin/env python3
"""Writes the real-world test rooms of this folder: small interior models with
the traits of models designers bring rather than of the demo apartment.

  living-room/  one default material shared by three walls and the furniture,
                a transparent window pane (d 0.35), a floor whose texture file
                is missing, a ceiling;
  scanned-room/ six wall materials of nearly one grey as a scanner splits them,
                no ceiling, a glass door given by Tr;
  atrium/       a court 14 m across and 9 m high, no ceiling, faceted columns
                and a barrel vault given without normals.

Y is up, one unit is a metre; faces wind counter-clockwise seen from the side
they face. Run it from anywhere: it writes beside itself.
"""
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))


class Model:
    def __init__(self, name, comment):
        self.name, self.comment = name, comment
        self.v, self.lines, self.mtl = [], [], []

    def point(self, p):
        self.v.append(p)
        return len(self.v)

    def group(self, group, material):
        self.lines.append(f"g {group}")
        self.lines.append(f"usemtl {material}")

    def face(self, *points):
        self.lines.append("f " + " ".join(str(self.point(p)) for p in points))

    def quad(self, a, b, c, d):
        self.face(a, b, c, d)

    def box(self, lo, hi):
        """A closed box from corner lo to corner hi, faces outward."""
        (x0, y0, z0), (x1, y1, z1) = lo, hi
        self.quad((x0, y1, z0), (x0, y1, z1), (x1, y1, z1), (x1, y1, z0))  # top
        self.quad((x0, y0, z0), (x1, y0, z0), (x1, y0, z1), (x0, y0, z1))  # bottom
        self.quad((x0, y0, z1), (x1, y0, z1), (x1, y1, z1), (x0, y1, z1))  # +z
        self.quad((x1, y0, z0), (x0, y0, z0), (x0, y1, z0), (x1, y1, z0))  # -z
        self.quad((x1, y0, z1), (x1, y0, z0), (x1, y1, z0), (x1, y1, z1))  # +x
        self.quad((x0, y0, z0), (x0, y0, z1), (x0, y1, z1), (x0, y1, z0))  # -x

    def material(self, name, kd, *extra):
        self.mtl.append(f"newmtl {name}")
        self.mtl.append("Kd %.3f %.3f %.3f" % kd)
        self.mtl.extend(extra)

    def write(self):
        folder = os.path.join(HERE, self.name)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, self.name + ".obj"), "w", newline="\n") as f:
            for line in self.comment.strip().splitlines():
                f.write(f"# {line}\n")
            f.write(f"mtllib {self.name}.mtl\n")
            for p in self.v:
                f.write("v %g %g %g\n" % p)
            f.write("\n".join(self.lines) + "\n")
        with open(os.path.join(folder, self.name + ".mtl"), "w", newline="\n") as f:
            f.write("\n".join(self.mtl) + "\n")


def wall_with_opening(m, x0, x1, z, h, ox0, ox1, oy0, oy1, inward):
    """A wall in the plane z from x0 to x1 and height h with a rectangular
    opening; inward is +1 when the room lies towards +z."""
    def q(a, b, c, d):
        if inward > 0:
            m.quad(a, b, c, d)
        else:
            m.quad(b, a, d, c)
    q((x0, 0, z), (ox0, 0, z), (ox0, h, z), (x0, h, z))      # left of it
    q((ox1, 0, z), (x1, 0, z), (x1, h, z), (ox1, h, z))      # right of it
    q((ox0, 0, z), (ox1, 0, z), (ox1, oy0, z), (ox0, oy0, z))  # below
    q((ox0, oy1, z), (ox1, oy1, z), (ox1, h, z), (ox0, h, z))  # above


def living_room():
    m = Model("living-room", """
A living room of 6 x 4.5 x 2.7 m as a modelling program exports it: the
walls, the sofa, the shelf and the desk share the default material; the
window pane is transparent (d 0.35); the floor's texture file is missing.
Made by the Tintgrove project; public domain (CC0 1.0).""")
    W, D, H = 3.0, 2.25, 2.7
    m.group("floor", "floor_oak")
    m.quad((-W, 0, D), (W, 0, D), (W, 0, -D), (-W, 0, -D))
    m.group("ceiling", "ceiling_white")
    m.quad((-W, H, D), (-W, H, -D), (W, H, -D), (W, H, D))
    m.group("wall.north", "Default")
    m.quad((-W, 0, -D), (W, 0, -D), (W, H, -D), (-W, H, -D))
    m.group("wall.east", "Default")
    m.quad((W, 0, -D), (W, 0, D), (W, H, D), (W, H, -D))
    m.group("wall.west", "Default")
    m.quad((-W, 0, D), (-W, 0, -D), (-W, H, -D), (-W, H, D))
    m.group("wall.south", "wall_south")
    wall_with_opening(m, -W, W, D, H, -0.8, 0.8, 0.9, 2.1, -1)
    m.group("window.pane", "glass")
    m.quad((0.8, 0.9, D - 0.02), (-0.8, 0.9, D - 0.02), (-0.8, 2.1, D - 0.02), (0.8, 2.1, D - 0.02))
    m.group("sofa", "Default")
    m.box((-2.0, 0, -2.2), (0.2, 0.45, -1.3))
    m.box((-2.0, 0.45, -2.2), (0.2, 0.9, -1.95))
    m.group("shelf", "Default")
    m.box((2.6, 0, -1.5), (2.95, 2.0, 0.5))
    m.group("desk", "Default")
    m.box((-2.9, 0.72, 0.6), (-2.2, 0.76, 2.0))
    m.box((-2.85, 0, 0.65), (-2.8, 0.72, 0.7))
    m.box((-2.85, 0, 1.9), (-2.8, 0.72, 1.95))
    m.group("rug", "rug")
    m.quad((-1.5, 0.005, 0.2), (0.8, 0.005, 0.2), (0.8, 0.005, -1.2), (-1.5, 0.005, -1.2))
    m.material("Default", (0.80, 0.80, 0.80))
    m.material("wall_south", (0.86, 0.84, 0.78))
    m.material("floor_oak", (0.55, 0.40, 0.25), "map_Kd oak-parquet.jpg")
    m.material("ceiling_white", (0.95, 0.95, 0.93))
    m.material("glass", (0.70, 0.85, 0.90), "d 0.35")
    m.material("rug", (0.60, 0.22, 0.20))
    m.write()


def scanned_room():
    m = Model("scanned-room", """
A room of 4.2 x 3.6 x 2.5 m as a phone scan gives it: no ceiling, six wall
materials of nearly one grey (the scanner splits walls where it likes), a
glass door given by Tr 0.5, a table.
Made by the Tintgrove project; public domain (CC0 1.0).""")
    W, D, H = 2.1, 1.8, 2.5
    m.group("mesh0", "scan_floor")
    m.quad((-W, 0, D), (W, 0, D), (W, 0, -D), (-W, 0, -D))
    greys = [0.780, 0.775, 0.786, 0.772, 0.783, 0.778]
    # North and south walls in two pieces each, east and west whole.
    segments = [
        ((-W, -D), (0.3, -D)), ((0.3, -D), (W, -D)),   # north
        ((W, -D), (W, D)),                             # east
        ((W, D), (-0.4, D)),                           # south, the door beside it
        ((-1.3, D), (-W, D)),                          # south, past the door
        ((-W, D), (-W, -D)),                           # west
    ]
    for i, ((xa, za), (xb, zb)) in enumerate(segments):
        m.group(f"mesh{i + 1}", f"scan_wall_{i}")
        m.quad((xa, 0, za), (xb, 0, zb), (xb, H, zb), (xa, H, za))
    m.group("mesh7", "scan_wall_3")
    m.quad((-0.4, 2.1, D), (-1.3, 2.1, D), (-1.3, H, D), (-0.4, H, D))  # over the door
    m.group("mesh8", "scan_glass")
    m.quad((-0.4, 0, D), (-1.3, 0, D), (-1.3, 2.1, D), (-0.4, 2.1, D))
    m.group("mesh9", "scan_table")
    m.box((-0.6, 0.70, -0.5), (0.6, 0.75, 0.3))
    for x in (-0.55, 0.5):
        for z in (-0.45, 0.2):
            m.box((x, 0, z), (x + 0.05, 0.70, z + 0.05))
    m.material("scan_floor", (0.52, 0.45, 0.38))
    for i, g in enumerate(greys):
        m.material(f"scan_wall_{i}", (g, g - 0.01, g - 0.025))
    m.material("scan_glass", (0.75, 0.85, 0.88), "Tr 0.5")
    m.material("scan_table", (0.35, 0.25, 0.18))
    m.write()


def atrium():
    m = Model("atrium", """
A court of 14 x 14 m and 9 m high, open to the sky: stone floor, plastered
walls, twelve-sided columns and a barrel vault over the north walk, given
without normals (plain colours that show facets unless shaded smooth).
Made by the Tintgrove project; public domain (CC0 1.0).""")
    W, H = 7.0, 9.0
    m.group("court.floor", "stone_floor")
    m.quad((-W, 0, W), (W, 0, W), (W, 0, -W), (-W, 0, -W))
    m.group("court.walls", "plaster")
    m.quad((-W, 0, -W), (W, 0, -W), (W, H, -W), (-W, H, -W))
    m.quad((W, 0, -W), (W, 0, W), (W, H, W), (W, H, -W))
    m.quad((W, 0, W), (-W, 0, W), (-W, H, W), (W, H, W))
    m.quad((-W, 0, W), (-W, 0, -W), (-W, H, -W), (-W, H, W))
    sides, r = 12, 0.35
    m.group("columns", "column_stone")
    for cx in (-4.5, -1.5, 1.5, 4.5):
        cz = -3.0
        for i in range(sides):
            a0, a1 = 2 * math.pi * i / sides, 2 * math.pi * (i + 1) / sides
            p0 = (cx + r * math.cos(a0), cz + r * math.sin(a0))
            p1 = (cx + r * math.cos(a1), cz + r * math.sin(a1))
            m.quad((p1[0], 0, p1[1]), (p0[0], 0, p0[1]), (p0[0], 5.0, p0[1]), (p1[0], 5.0, p1[1]))
    # The vault spans the walk between the columns (z = -3) and the north
    # wall (z = -7), springing at 5 m; seen from below.
    m.group("vault", "vault_plaster")
    steps, zc, rad = 16, -5.0, 2.0
    for i in range(steps):
        a0, a1 = math.pi * i / steps, math.pi * (i + 1) / steps
        z0, y0 = zc + rad * math.cos(a0), 5.0 + rad * math.sin(a0)
        z1, y1 = zc + rad * math.cos(a1), 5.0 + rad * math.sin(a1)
        m.quad((W, y0, z0), (-W, y0, z0), (-W, y1, z1), (W, y1, z1))
    m.material("stone_floor", (0.62, 0.58, 0.50))
    m.material("plaster", (0.88, 0.84, 0.74))
    m.material("column_stone", (0.74, 0.70, 0.62))
    m.material("vault_plaster", (0.90, 0.88, 0.82))
    m.write()


if __name__ == "__main__":
    living_room()
    scanned_room()
    atrium()
