#!/usr/bin/env python3
"""Generate the artwork resources of the progress dialog.

Writes, relative to the repository root:

  res/icons/icon111.ico            open folder (the destination of the copy animation)
  res/icons/icon112.ico .. 130     a sheet of paper turning and tilting in flight
  res/icons/icon131.ico            the sheet's edge as it drops into the folder
  res/banner.bmp                   421 x 79, 24-bit banner of the compact layout

Every icon holds a single 32 x 32, 16-colour (4 bpp) image with the standard
VGA palette, an XOR bitmap and a 1-bpp AND mask.  The banner is an
uncompressed bottom-up 24-bit BMP.

For visual checking, a contact sheet (icons and banner, scaled x4) is written
to --preview (default: art_preview.png in the temporary directory) and every
animation frame composited as the window draws it next to it (*_anim.png).

Only the Python standard library is used, and no randomness: every run
produces the same bytes.

Usage (from the repository root):
    python3 tools/make_art.py [--preview PATH] [--no-preview]
"""

import argparse
import math
import os
import struct
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

ICON_SIZE = 32

# Standard 16-colour VGA palette, (r, g, b), in Windows index order.
PALETTE = [
    (0x00, 0x00, 0x00),  # 0  black
    (0x80, 0x00, 0x00),  # 1  maroon
    (0x00, 0x80, 0x00),  # 2  green
    (0x80, 0x80, 0x00),  # 3  olive
    (0x00, 0x00, 0x80),  # 4  navy
    (0x80, 0x00, 0x80),  # 5  purple
    (0x00, 0x80, 0x80),  # 6  teal
    (0xC0, 0xC0, 0xC0),  # 7  silver
    (0x80, 0x80, 0x80),  # 8  grey
    (0xFF, 0x00, 0x00),  # 9  red
    (0x00, 0xFF, 0x00),  # 10 lime
    (0xFF, 0xFF, 0x00),  # 11 yellow
    (0x00, 0x00, 0xFF),  # 12 blue
    (0xFF, 0x00, 0xFF),  # 13 fuchsia
    (0x00, 0xFF, 0xFF),  # 14 aqua
    (0xFF, 0xFF, 0xFF),  # 15 white
]
BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER = range(8)
GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(8, 16)


# ---------------------------------------------------------------------------
# Raster helpers (palette-indexed canvas, None = transparent)
# ---------------------------------------------------------------------------

class Canvas:
    def __init__(self, w=ICON_SIZE, h=ICON_SIZE):
        self.w = w
        self.h = h
        self.px = [[None] * w for _ in range(h)]

    def inside(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h

    def set(self, x, y, c):
        if self.inside(x, y):
            self.px[y][x] = c

    def get(self, x, y):
        return self.px[y][x] if self.inside(x, y) else None


def line_pixels(p0, p1):
    """Bresenham line between two points (rounded to whole pixels)."""
    x0, y0 = int(round(p0[0])), int(round(p0[1]))
    x1, y1 = int(round(p1[0])), int(round(p1[1]))
    dx, dy = abs(x1 - x0), -abs(y1 - y0)
    sx = 1 if x0 < x1 else -1
    sy = 1 if y0 < y1 else -1
    err = dx + dy
    out = []
    while True:
        out.append((x0, y0))
        if x0 == x1 and y0 == y1:
            return out
        e2 = 2 * err
        if e2 >= dy:
            err += dy
            x0 += sx
        if e2 <= dx:
            err += dx
            y0 += sy


def point_in_polygon(px, py, pts):
    """Crossing-number test; points exactly on an edge count as inside."""
    n = len(pts)
    inside = False
    for i in range(n):
        ax, ay = pts[i]
        bx, by = pts[(i + 1) % n]
        # On the segment?
        cross = (bx - ax) * (py - ay) - (by - ay) * (px - ax)
        if abs(cross) < 1e-9 and min(ax, bx) - 1e-9 <= px <= max(ax, bx) + 1e-9 \
                and min(ay, by) - 1e-9 <= py <= max(ay, by) + 1e-9:
            return True
        if (ay > py) != (by > py):
            xcross = ax + (py - ay) * (bx - ax) / (by - ay)
            if px < xcross:
                inside = not inside
    return inside


def polygon_mask(pts, w=ICON_SIZE, h=ICON_SIZE):
    """Set of pixels covered by a polygon: pixel centres inside it plus the
    Bresenham lines along its edges, so even very thin shapes stay connected.
    Pixel (x, y) has its centre at (x, y) in these coordinates."""
    mask = set()
    xs = [p[0] for p in pts]
    ys = [p[1] for p in pts]
    for y in range(max(0, int(math.floor(min(ys)))), min(h, int(math.ceil(max(ys))) + 1)):
        for x in range(max(0, int(math.floor(min(xs)))), min(w, int(math.ceil(max(xs))) + 1)):
            if point_in_polygon(x, y, pts):
                mask.add((x, y))
    for i in range(len(pts)):
        for p in line_pixels(pts[i], pts[(i + 1) % len(pts)]):
            if 0 <= p[0] < w and 0 <= p[1] < h:
                mask.add(p)
    return mask


def mask_outline(mask):
    """Pixels of the mask that touch (4-neighbourhood) a pixel outside it."""
    out = set()
    for (x, y) in mask:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            if (x + dx, y + dy) not in mask:
                out.add((x, y))
                break
    return out


def paint(canvas, pixels, colour, clip=None):
    for (x, y) in pixels:
        if clip is None or (x, y) not in clip:
            canvas.set(x, y, colour)


def filled_polygon(canvas, pts, fill, outline=BLACK, clip=None):
    """Fill a polygon and give it a crisp one-pixel outline; returns the
    interior pixels (mask without the outline)."""
    mask = polygon_mask(pts, canvas.w, canvas.h)
    edge = mask_outline(mask)
    inner = mask - edge
    paint(canvas, inner, fill, clip)
    paint(canvas, edge, outline, clip)
    return inner


def draw_line(canvas, p0, p1, colour, only=None, clip=None):
    for p in line_pixels(p0, p1):
        if only is not None and p not in only:
            continue
        if clip is not None and p in clip:
            continue
        canvas.set(p[0], p[1], colour)


# ---------------------------------------------------------------------------
# Icon 111: open folder
# ---------------------------------------------------------------------------

# Front flap of the open folder; the flying sheet disappears behind it.
FOLDER_FRONT = [(7, 14), (31, 14), (26, 28), (1, 28)]


def draw_folder():
    c = Canvas()
    # Back panel with its tab, upright.
    back = [(1, 9), (3, 7), (11, 7), (13, 9), (25, 9), (25, 28), (1, 28)]
    inner = filled_polygon(c, back, OLIVE)
    # Lit top strip of the back panel and the tab.
    for x in range(3, 12):
        if (x, 8) in inner:
            c.set(x, 8, YELLOW)
    for x in range(2, 25):
        if (x, 10) in inner:
            c.set(x, 10, YELLOW)
    # Below the strip the inside of the back panel stays in shade (olive).
    # Front flap, leaning forward.
    front_inner = filled_polygon(c, FOLDER_FRONT, YELLOW)
    # Shade the lower part of the flap and give its top edge a highlight.
    for (x, y) in front_inner:
        if y >= 26:
            c.set(x, y, OLIVE)
    for x in range(8, 30):
        if (x, 15) in front_inner:
            c.set(x, 15, WHITE)
    return c


# Offset of the folder, in icon pixels, as seen from the sheet one frame
# before it lands (the sheet icon is drawn 6 dialog units left of and 2
# above the folder then: about 9 to 12 pixels across and 4 down).
FOLDER_OFFSET_BEFORE_LANDING = (10, 4)


def folder_front_mask(dx=0, dy=0):
    """All pixels covered by the folder's front flap (outline included),
    with the folder moved by (dx, dy)."""
    return polygon_mask([(x + dx, y + dy) for (x, y) in FOLDER_FRONT])


# ---------------------------------------------------------------------------
# Icons 112-131: the sheet of paper
# ---------------------------------------------------------------------------

SHEET_W = 16.0
SHEET_H = 20.0
VIEW_DIST = 55.0     # perspective strength: smaller = stronger
# Lines of text as (v, u_start, u_end) in sheet coordinates, the sheet's
# centre at (0, 0), u to the right, v downwards.
TEXT_LINES = [
    (-6.0, -5.0, 4.5),
    (-3.0, -5.0, 5.0),
    (0.0, -5.0, 3.0),
    (3.0, -5.0, 5.0),
    (6.0, -5.0, 1.5),
]


def rot_x(a):
    ca, sa = math.cos(a), math.sin(a)
    return ((1, 0, 0), (0, ca, -sa), (0, sa, ca))


def rot_y(a):
    ca, sa = math.cos(a), math.sin(a)
    return ((ca, 0, sa), (0, 1, 0), (-sa, 0, ca))


def rot_z(a):
    ca, sa = math.cos(a), math.sin(a)
    return ((ca, -sa, 0), (sa, ca, 0), (0, 0, 1))


def mat_mul(a, b):
    return tuple(tuple(sum(a[i][k] * b[k][j] for k in range(3)) for j in range(3))
                 for i in range(3))


def mat_vec(m, v):
    return tuple(sum(m[i][k] * v[k] for k in range(3)) for i in range(3))


class SheetPose:
    """Position and orientation of the sheet inside one icon.

    spin: turn about the sheet's own vertical axis (degrees; 90 = edge on),
    tumble: tip about its horizontal axis (degrees),
    tilt: rotation in the picture plane (degrees, positive = clockwise),
    cx, cy: centre in icon pixels, scale: size factor."""

    def __init__(self, spin, tumble, tilt, cx, cy, scale=1.0):
        self.spin = spin
        self.tumble = tumble
        self.tilt = tilt
        self.cx = cx
        self.cy = cy
        self.scale = scale
        self.m = mat_mul(rot_z(math.radians(tilt)),
                         mat_mul(rot_y(math.radians(spin)), rot_x(math.radians(tumble))))

    def project(self, u, v):
        x, y, z = mat_vec(self.m, (u * self.scale, v * self.scale, 0.0))
        # z grows towards the viewer.
        s = VIEW_DIST / (VIEW_DIST - z)
        return (self.cx + x * s, self.cy + y * s)

    def facing(self):
        """z component of the sheet's normal: > 0 shows the printed side."""
        return mat_vec(self.m, (0.0, 0.0, 1.0))[2]


def sheet_corners(pose):
    hw, hh = SHEET_W / 2, SHEET_H / 2
    return [pose.project(-hw, -hh), pose.project(hw, -hh),
            pose.project(hw, hh), pose.project(-hw, hh)]


def draw_sheet(pose, clip=None):
    """One sheet icon.  The printed side shows a folded corner and navy lines
    of text; the back is plain paper with the lines faintly showing through.
    Pixels in clip stay transparent (hidden behind the folder's flap)."""
    c = Canvas()
    hw, hh = SHEET_W / 2, SHEET_H / 2
    corners = sheet_corners(pose)
    front = pose.facing() > 0
    inner = filled_polygon(c, corners, WHITE, BLACK, clip)
    width = min(math.dist(corners[0], corners[1]), math.dist(corners[3], corners[2]))
    if width < 4.5:
        return c                      # too narrow for any detail
    fold = 3.0
    dog_mask = set()
    if front:
        dog = [pose.project(hw - fold, -hh), pose.project(hw, -hh + fold),
               pose.project(hw - fold, -hh + fold)]
        dog_mask = polygon_mask(dog)
        paint(c, dog_mask & inner, SILVER, clip)
        draw_line(c, dog[0], dog[2], GREY, inner, clip)
        draw_line(c, dog[2], dog[1], GREY, inner, clip)
    for v, u0, u1 in TEXT_LINES:
        if front and v < -hh + fold + 1:
            u1 = min(u1, hw - fold - 0.5)
        draw_line(c, pose.project(u0, v), pose.project(u1, v),
                  NAVY if front else SILVER, inner - dog_mask, clip)
    return c


def smooth_keys(keys, x):
    """Interpolate (position, value) keyframes with an ease in and out
    between neighbouring keys."""
    if x <= keys[0][0]:
        return keys[0][1]
    for (x0, v0), (x1, v1) in zip(keys, keys[1:]):
        if x <= x1:
            t = (x - x0) / (x1 - x0)
            t = t * t * (3 - 2 * t)
            return v0 + (v1 - v0) * t
    return keys[-1][1]


# Keyframes over the flight, by frame index 0..18 (icons 112..130) and,
# continuing the motion, 19 for the edge-on sheet of icon 131.
TILT_KEYS = [(0, -16), (3, -9), (6, 0), (9, 7), (12, 0), (14, 3), (16, 18),
             (17, 22), (18, 20), (19, 26)]
SCALE_KEYS = [(0, 1.0), (15, 1.0), (17, 0.9), (18, 0.86), (19, 0.84)]
CENTRE_KEYS_Y = [(0, 15.5), (16, 15.5), (17, 12.5), (18, 12.0), (19, 14.0)]
CENTRE_KEYS_X = [(0, 15.5), (16, 15.5), (17, 17.0), (18, 15.5), (19, 16.5)]
SPIN_START, SPIN_STEP = 15.0, 22.5       # degrees; 90 is edge on


def sheet_pose(i):
    # Icon 131 (index 19) keeps a sliver of width rather than going fully
    # edge on, so that the edge still reads as paper.
    spin = SPIN_START + SPIN_STEP * i if i <= 18 else 438.0
    tumble = 16 * math.sin(math.pi * min(i, 16) / 16)
    return SheetPose(spin, tumble, smooth_keys(TILT_KEYS, i),
                     smooth_keys(CENTRE_KEYS_X, i), smooth_keys(CENTRE_KEYS_Y, i),
                     smooth_keys(SCALE_KEYS, i))


def sheet_poses():
    """Poses of the sheet for icons 112 to 130 (19 frames).

    The sheet leaves the host's icon nearly face on and turns about its own
    vertical axis a little more than once on the way, so its apparent width
    swells and shrinks and its back shows for a while; it sways in the
    picture plane, and over the last frames tips forward toward the folder
    and sinks into it, behind the folder's front flap."""
    return [sheet_pose(i) for i in range(19)]


def draw_edge_into_folder():
    """Icon 131: only the sheet's edge is still visible, a thin slanted
    sliver sticking out of the folder's opening."""
    return draw_sheet(sheet_pose(19), folder_front_mask())


# ---------------------------------------------------------------------------
# File writers
# ---------------------------------------------------------------------------

def ico_bytes(canvas):
    w, h = canvas.w, canvas.h
    assert w == h == ICON_SIZE
    xor_stride = ((w * 4 + 31) // 32) * 4        # 16 bytes for 32 pixels
    and_stride = ((w + 31) // 32) * 4            # 4 bytes for 32 pixels
    xor = bytearray()
    andm = bytearray()
    for y in range(h - 1, -1, -1):               # bottom-up
        row = canvas.px[y]
        xrow = bytearray(xor_stride)
        arow = bytearray(and_stride)
        for x in range(w):
            c = row[x]
            if c is None:
                arow[x >> 3] |= 0x80 >> (x & 7)  # transparent, XOR colour 0
                c = 0
            if x & 1:
                xrow[x >> 1] |= c
            else:
                xrow[x >> 1] |= c << 4
        xor += xrow
        andm += arow
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 4, 0,
                         len(xor) + len(andm), 0, 0, 16, 0)
    pal = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    image = header + pal + bytes(xor) + bytes(andm)
    icondir = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', w, h, 16, 0, 1, 4, len(image), 6 + 16)
    return icondir + entry + image


def bmp_bytes(w, h, rgb_rows):
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for y in range(h - 1, -1, -1):               # bottom-up
        row = bytearray()
        for (r, g, b) in rgb_rows[y]:
            row += bytes((b, g, r))
        row += bytes(stride - len(row))
        data += row
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    filehdr = struct.pack('<2sIHHI', b'BM', 14 + 40 + len(data), 0, 0, 54)
    return filehdr + info + bytes(data)


def png_bytes(w, h, rgb_rows):
    raw = bytearray()
    for row in rgb_rows:
        raw.append(0)
        for (r, g, b) in row:
            raw += bytes((r, g, b))

    def chunk(kind, payload):
        return (struct.pack('>I', len(payload)) + kind + payload
                + struct.pack('>I', zlib.crc32(kind + payload) & 0xFFFFFFFF))

    return (b'\x89PNG\r\n\x1a\n'
            + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def write_file(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(data)


# ---------------------------------------------------------------------------
# Banner (421 x 79, 24-bit)
# ---------------------------------------------------------------------------

BANNER_W, BANNER_H = 421, 79


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def draw_banner():
    w, h = BANNER_W, BANNER_H
    left = (0x0B, 0x24, 0x5E)      # deep blue
    right = (0x3F, 0x8A, 0xD8)     # lighter blue
    img = []
    for y in range(h):
        row = []
        for x in range(w):
            t = x / (w - 1)
            t = t * t * (3 - 2 * t) * 0.85 + t * 0.15
            c = mix(left, right, t)
            # Gentle vertical shading: a touch lighter at the top.
            c = mix(c, (255, 255, 255), 0.06 * (1 - y / (h - 1)))
            row.append(list(c))
        img.append(row)

    def blend(x, y, colour, alpha):
        if 0 <= x < w and 0 <= y < h and alpha > 0:
            p = img[y][x]
            for i in range(3):
                p[i] += (colour[i] - p[i]) * alpha

    ss = 4   # supersampling per axis for the accents

    def coverage(x, y, inside):
        n = 0
        for j in range(ss):
            for i in range(ss):
                if inside(x + (i + 0.5) / ss, y + (j + 0.5) / ss):
                    n += 1
        return n / (ss * ss)

    white = (255, 255, 255)
    # Diagonal light bands sweeping across the right-hand part.
    bands = [(250, 34, 0.07), (300, 20, 0.09), (334, 8, 0.12), (355, 46, 0.06)]
    for x0, bw, a in bands:
        def in_band(px, py, x0=x0, bw=bw):
            u = px - x0 + (py - h) * 0.55
            return 0 <= u < bw
        for y in range(h):
            for x in range(int(x0 - h), min(w, int(x0 + bw + h))):
                cov = coverage(x, y, in_band)
                blend(x, y, white, a * cov)

    # Concentric rings on the right, partly leaving the banner.
    rings = [(372, 40, 30, 2.0, 0.22), (372, 40, 21, 1.5, 0.16), (372, 40, 12, 1.2, 0.12)]
    for cx, cy, r, t, a in rings:
        def in_ring(px, py, cx=cx, cy=cy, r=r, t=t):
            d = math.hypot(px - cx, py - cy)
            return r - t / 2 <= d <= r + t / 2
        for y in range(max(0, cy - r - 3), min(h, cy + r + 4)):
            for x in range(max(0, cx - r - 3), min(w, cx + r + 4)):
                blend(x, y, white, a * coverage(x, y, in_ring))

    # Two small squares, source and destination, joined by a dotted arc
    # that echoes the flight of the copy animation.
    src_x, dst_x, base_y, rise = 14, 210, 48, 30
    for sx in (src_x, dst_x):
        for y in range(base_y, base_y + 10):
            for x in range(sx, sx + 10):
                edge = x in (sx, sx + 9) or y in (base_y, base_y + 9)
                blend(x, y, white, 0.75 if edge else 0.18)
    x0, x1, y0 = src_x + 4.5, dst_x + 4.5, base_y - 3.0
    for k in range(1, 12):
        s = k / 12
        px = x0 + s * (x1 - x0)
        py = y0 - math.sin(math.pi * s) * rise
        def in_dot(qx, qy, px=px, py=py, rr=1.5 + 0.6 * math.sin(math.pi * s)):
            return math.hypot(qx - px, qy - py) <= rr
        for y in range(int(py) - 3, int(py) + 4):
            for x in range(int(px) - 3, int(px) + 4):
                blend(x, y, white, 0.55 * coverage(x, y, in_dot))

    # Thin warm accent line along the bottom edge, fading out to the right.
    gold = (0xF2, 0xB1, 0x34)
    for x in range(w):
        a = 1.0 - 0.7 * (x / (w - 1))
        blend(x, h - 3, gold, a)
        blend(x, h - 2, gold, a * 0.45)
    for x in range(w):
        blend(x, h - 1, (0, 0, 0), 0.35)

    return [[tuple(int(round(max(0, min(255, v)))) for v in p) for p in row] for row in img]


# ---------------------------------------------------------------------------
# Previews
# ---------------------------------------------------------------------------

def icon_rgb(canvas, bg):
    return [[PALETTE[c] if c is not None else bg(x, y) for x, c in enumerate(row)]
            for y, row in enumerate(canvas.px)]


def checker(x, y):
    return (0xE8, 0xE8, 0xE8) if ((x >> 2) + (y >> 2)) & 1 else (0xFF, 0xDD, 0xEE)


def contact_sheet(icons, banner):
    scale = 4
    cols = 7
    cell = ICON_SIZE * scale + 8
    grid_w = cols * cell + 8
    rows_n = (len(icons) + cols - 1) // cols
    grid_h = rows_n * cell + 8
    bw, bh = BANNER_W * scale, BANNER_H * scale
    W = max(grid_w, bw + 16)
    H = grid_h + bh + 16
    img = [[(0x60, 0x60, 0x60)] * W for _ in range(H)]
    for n, ic in enumerate(icons):
        ox = 8 + (n % cols) * cell
        oy = 8 + (n // cols) * cell
        rgb = icon_rgb(ic, checker)
        for y in range(ICON_SIZE * scale):
            src = rgb[y // scale]
            row = img[oy + y]
            for x in range(ICON_SIZE * scale):
                row[ox + x] = src[x // scale]
    oy = grid_h + 8
    for y in range(bh):
        src = banner[y // scale]
        row = img[oy + y]
        for x in range(bw):
            row[8 + x] = src[x // scale]
    return W, H, img


# Flight path in dialog units, indexed by animation frame; the same table
# drives the animation window, reproduced here for the preview only.
FLIGHT_PATH = [(113, 8), (14, 6), (18, 6), (24, 6), (32, 1), (38, 0), (46, 0),
               (52, 0), (55, 0), (59, 0), (63, 0), (68, 0), (74, 0), (79, 0),
               (85, 0), (90, 0), (97, 0), (101, 3), (107, 6), (113, 8), (113, 8)]


def animation_strip(icons, bx=8, by=16, scale=2):
    """Every animation frame composited as the dialog would draw it, with
    a stand-in for the host's icon on the left."""
    aw = (113 * bx) // 4 + ICON_SIZE + 4
    ah = by + ICON_SIZE + 4
    face = (0xD4, 0xD0, 0xC8)
    host = Canvas()
    filled_polygon(host, [(4, 6), (27, 6), (27, 26), (4, 26)], TEAL)
    filled_polygon(host, [(8, 10), (23, 10), (23, 22), (8, 22)], AQUA)
    frames = []
    for f in list(range(1, 21)) + [0]:
        fr = [[face] * aw for _ in range(ah)]

        def draw(ic, px, py):
            for y in range(ICON_SIZE):
                for x in range(ICON_SIZE):
                    c = ic.px[y][x]
                    if c is not None and 0 <= px + x < aw and 0 <= py + y < ah:
                        fr[py + y][px + x] = PALETTE[c]
        draw(host, 0, by)
        draw(icons[0], (113 * bx) // 4, by)
        sheet = icons[20] if f == 0 else icons[f]
        x, y = FLIGHT_PATH[f]
        draw(sheet, (x * bx) // 4, (y * by) // 8)
        frames.append(fr)
    cols = 3
    W = cols * (aw * scale + 6) + 6
    H = ((len(frames) + cols - 1) // cols) * (ah * scale + 6) + 6
    img = [[(0x40, 0x40, 0x40)] * W for _ in range(H)]
    for n, fr in enumerate(frames):
        ox = 6 + (n % cols) * (aw * scale + 6)
        oy = 6 + (n // cols) * (ah * scale + 6)
        for y in range(ah * scale):
            for x in range(aw * scale):
                img[oy + y][ox + x] = fr[y // scale][x // scale]
    return W, H, img


# ---------------------------------------------------------------------------
# Self-checks
# ---------------------------------------------------------------------------

def decode_ico(data):
    """Read back the pixels of a single-image 32 x 32 4-bpp icon as a
    Canvas (None where the AND mask is set)."""
    offset = struct.unpack_from('<I', data, 18)[0]
    xor_at = offset + 40 + 64
    and_at = xor_at + 32 * 16
    c = Canvas()
    for row in range(32):
        y = 31 - row
        for x in range(32):
            b = data[xor_at + row * 16 + (x >> 1)]
            colour = (b & 0x0F) if x & 1 else (b >> 4)
            transparent = data[and_at + row * 4 + (x >> 3)] & (0x80 >> (x & 7))
            if transparent:
                assert colour == 0
                colour = None
            c.px[y][x] = colour
    return c


def check_ico(data):
    reserved, kind, count = struct.unpack_from('<HHH', data, 0)
    assert (reserved, kind, count) == (0, 1, 1), (reserved, kind, count)
    w, h, colours, res, planes, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
    assert (w, h, colours, res, planes, bits) == (32, 32, 16, 0, 1, 4)
    assert offset == 22 and offset + size == len(data), (offset, size, len(data))
    (bi_size, bi_w, bi_h, bi_planes, bi_bits, bi_comp, bi_image,
     _, _, bi_used, _) = struct.unpack_from('<IiiHHIIiiII', data, offset)
    assert (bi_size, bi_w, bi_h, bi_planes, bi_bits, bi_comp) == (40, 32, 64, 1, 4, 0)
    xor_size = 32 * 16
    and_size = 32 * 4
    assert bi_image == xor_size + and_size
    assert size == 40 + 16 * 4 + xor_size + and_size == 744
    assert bi_used in (0, 16)
    pal = data[offset + 40: offset + 40 + 64]
    for i, (r, g, b) in enumerate(PALETTE):
        assert pal[4 * i: 4 * i + 4] == bytes((b, g, r, 0))


def check_bmp(data, w, h):
    magic, fsize, r1, r2, off = struct.unpack_from('<2sIHHI', data, 0)
    assert magic == b'BM' and r1 == r2 == 0
    assert fsize == len(data), (fsize, len(data))
    assert off == 54
    (bi_size, bi_w, bi_h, planes, bits, comp, image, _, _, used, _) = \
        struct.unpack_from('<IiiHHIIiiII', data, 14)
    stride = (w * 3 + 3) & ~3
    assert (bi_size, bi_w, bi_h, planes, bits, comp, used) == (40, w, h, 1, 24, 0, 0)
    assert image == stride * h and fsize == 54 + stride * h


# ---------------------------------------------------------------------------

PICTURE_W, PICTURE_H = 111, 72


def draw_host_picture():
    """The sample host's picture: a setup box on a soft gradient, sized for
    the 74 x 44 dialog-unit picture area at 150 x 163 pixels a 100 units."""
    rows = []
    for y in range(PICTURE_H):
        row = []
        for x in range(PICTURE_W):
            t = (x + y) / float(PICTURE_W + PICTURE_H)
            row.append(tuple(int(v) for v in mix((236, 242, 250), (168, 196, 232), t)))
        rows.append(row)

    def put(x, y, c):
        if 0 <= x < PICTURE_W and 0 <= y < PICTURE_H:
            rows[y][x] = c

    # A box in isometric view: front, side and lid.
    ox, oy, bw, bh, d = 58, 30, 34, 26, 12
    for y in range(bh):
        for x in range(bw):
            put(ox + x, oy + y, tuple(int(v) for v in mix((40, 90, 170), (24, 60, 130), y / float(bh))))
        for k in range(d):
            put(ox + bw + k, oy + y - k, (20, 50, 110))
    for k in range(d):
        for x in range(bw):
            put(ox + x + k, oy - 1 - k, (90, 140, 210))
    # A disc leaning on the box.
    cx, cy, r = 34, 46, 17
    for y in range(cy - r, cy + r + 1):
        for x in range(cx - r, cx + r + 1):
            dd = (x - cx) ** 2 + (y - cy) ** 2
            if dd <= r * r:
                shade = 200 + int(55 * (x - cx + r) / (2.0 * r))
                put(x, y, (shade, shade, min(255, shade + 20)) if dd > 16 else (120, 120, 140))
    return rows


def build():
    icons = [draw_folder()]
    poses = sheet_poses()
    # In flight (icons 112 to 128).
    icons += [draw_sheet(p) for p in poses[:-2]]
    # Entering the folder (129) and inside it (130): the parts of the sheet
    # behind the folder's front flap are left transparent.
    icons.append(draw_sheet(poses[-2], folder_front_mask(*FOLDER_OFFSET_BEFORE_LANDING)))
    icons.append(draw_sheet(poses[-1], folder_front_mask()))
    icons.append(draw_edge_into_folder())
    assert len(icons) == 21
    return icons


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split('\n\n')[0])
    ap.add_argument('--preview', default=os.path.join(tempfile.gettempdir(), 'art_preview.png'),
                    help='contact sheet PNG to write (default: %(default)s)')
    ap.add_argument('--no-preview', action='store_true', help='write no preview images')
    args = ap.parse_args(argv)

    icons = build()
    icon_dir = os.path.join(ROOT, 'res', 'icons')
    for n, ic in enumerate(icons):
        data = ico_bytes(ic)
        check_ico(data)
        assert decode_ico(data).px == ic.px
        assert any(v is None for r in ic.px for v in r)     # has transparency
        write_file(os.path.join(icon_dir, 'icon%d.ico' % (111 + n)), data)

    banner = draw_banner()
    bmp = bmp_bytes(BANNER_W, BANNER_H, banner)
    check_bmp(bmp, BANNER_W, BANNER_H)
    write_file(os.path.join(ROOT, 'res', 'banner.bmp'), bmp)

    picture = draw_host_picture()
    bmp = bmp_bytes(PICTURE_W, PICTURE_H, picture)
    check_bmp(bmp, PICTURE_W, PICTURE_H)
    write_file(os.path.join(ROOT, 'samples', 'picture.bmp'), bmp)

    # Re-read what was written and check it once more.
    for n in range(21):
        with open(os.path.join(icon_dir, 'icon%d.ico' % (111 + n)), 'rb') as f:
            check_ico(f.read())
    with open(os.path.join(ROOT, 'res', 'banner.bmp'), 'rb') as f:
        check_bmp(f.read(), BANNER_W, BANNER_H)

    if not args.no_preview:
        write_file(os.path.abspath(args.preview), png_bytes(*contact_sheet(icons, banner)))
        base, ext = os.path.splitext(os.path.abspath(args.preview))
        write_file(base + '_anim' + ext, png_bytes(*animation_strip(icons)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
