#!/usr/bin/python3
"""Writes the example models of this folder: a cube, a low-poly figure with
UVs, two materials and a small texture, and a house with quads and a concave
face. Run from anywhere: python3 examples/make_examples.py"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


def write(name, text):
    with open(os.path.join(HERE, name), "w") as f:
        f.write(text)


def png(name, width, height, pixel):
    """A plain RGB PNG; pixel(x, y) gives (r, g, b)."""
    rows = b"".join(b"\x00" + bytes(c for x in range(width) for c in pixel(x, y))
                    for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def cube():
    lines = ["# A 4 cm cube", "o cube"]
    for i in range(8):
        lines.append("v %g %g %g" % (4 * (i & 1), 4 * ((i >> 1) & 1), 4 * ((i >> 2) & 1)))
    for q in ((1, 3, 4, 2), (5, 6, 8, 7), (1, 2, 6, 5), (3, 7, 8, 4), (1, 5, 7, 3), (2, 4, 8, 6)):
        lines.append("f %d %d %d %d" % q)
    write("cube.obj", "\n".join(lines) + "\n")


class Builder:
    def __init__(self):
        self.v, self.vt, self.groups = [], [], []

    def box(self, material, lo, hi, uv_rect):
        """An axis-aligned box; every face shows the whole uv_rect."""
        base = len(self.v)
        for i in range(8):
            self.v.append(tuple(hi[a] if (i >> a) & 1 else lo[a] for a in range(3)))
        u0, v0, u1, v1 = uv_rect
        tb = len(self.vt)
        self.vt += [(u0, v0), (u1, v0), (u1, v1), (u0, v1)]
        quads = ((0, 2, 3, 1), (4, 5, 7, 6), (0, 1, 5, 4), (2, 6, 7, 3), (0, 4, 6, 2), (1, 3, 7, 5))
        faces = [[(base + q[k] + 1, tb + k + 1) for k in range(4)] for q in quads]
        self.groups.append((material, faces))

    def obj(self, mtl, name):
        lines = ["# A low-poly figure: textured head and hands, cloth body", "mtllib " + mtl,
                 "o " + name]
        lines += ["v %g %g %g" % p for p in self.v]
        lines += ["vt %g %g" % t for t in self.vt]
        for material, faces in self.groups:
            lines.append("usemtl " + material)
            lines += ["f " + " ".join("%d/%d" % c for c in face) for face in faces]
        return "\n".join(lines) + "\n"


def face_texture(x, y):
    """16 x 16: skin with two eyes and a mouth, a darker rim."""
    if x in (0, 15) or y in (0, 15):
        return (196, 140, 110)
    if y == 5 and x in (4, 5, 10, 11):
        return (40, 40, 60)
    if y == 11 and 5 <= x <= 10:
        return (170, 60, 60)
    return (236, 190, 160)


def figure():
    b = Builder()
    b.box("skin", (-1.5, -1.5, 11), (1.5, 1.5, 14), (0, 0, 1, 1))       # head
    b.box("cloth", (-2.5, -1.25, 5), (2.5, 1.25, 11), (0, 0, 1, 1))     # body
    b.box("cloth", (-2.2, -1, 0), (-0.2, 1, 5), (0, 0, 1, 1))           # legs
    b.box("cloth", (0.2, -1, 0), (2.2, 1, 5), (0, 0, 1, 1))
    b.box("skin", (-4, -0.75, 7), (-2.5, 0.75, 11), (0.2, 0.2, 0.8, 0.8))  # arms
    b.box("skin", (2.5, -0.75, 7), (4, 0.75, 11), (0.2, 0.2, 0.8, 0.8))
    write("figure.obj", b.obj("figure.mtl", "figure"))
    write("figure.mtl", "newmtl skin\nKd 0.93 0.75 0.63\nmap_Kd figure_face.png\n\n"
                        "newmtl cloth\nKd 0.2 0.35 0.7\n")
    png("figure_face.png", 16, 16, face_texture)


def house():
    """An L-shaped house: its two gable walls are concave hexagons, the other
    walls and the flat roof quads."""
    outline = [(0, 0), (6, 0), (6, 3), (3, 3), (3, 6), (0, 6)]  # concave at (3, 3)
    height = 3
    lines = ["# An L-shaped block: quads and two concave faces", "o house"]
    for z in (0, height):
        lines += ["v %g %g %g" % (x, y, z) for x, y in outline]
    n = len(outline)
    lines.append("f " + " ".join(str(i + 1) for i in reversed(range(n))))  # floor, facing down
    lines.append("f " + " ".join(str(n + i + 1) for i in range(n)))        # roof, facing up
    for i in range(n):
        j = (i + 1) % n
        lines.append("f %d %d %d %d" % (i + 1, j + 1, n + j + 1, n + i + 1))
    write("house.obj", "\n".join(lines) + "\n")


if __name__ == "__main__":
    cube()
    figure()
    house()
