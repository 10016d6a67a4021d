#!/usr/bin/python3
"""Writes skin.svg, Vorlan's panel, from the layout table below.

Every label is turned into glyph outlines of the DejaVu fonts, so the skin
draws the same everywhere. Needs python3-fonttools and fonts-dejavu-core.
Run it from anywhere: it writes skin.svg next to itself.

The editor reads these elements by id (everything else is background art):
  background            the panel; its bounds are the editor's size
  knob_<i>              body and pointer, drawn turned about its centre
  slider_<i>            child 0 the track, child 1 the thumb at the bottom
  button_<i>            child 0 the picture for off, child 1 for on
  radio_<i>             one child per option (id radio_<i>_<k>), each with
                        child 0 off and child 1 on
  combo_<i>             field, arrow, and the popup cells "cell" and
                        "cell_selected" (transparent: they only size the rows)
  vmeter                back, bar, over-range
  oscilloscope          a filled rectangle: its fill is the trace background
  screen                the preset display; arrows at (10, 7) and (24, 7)
  action_midilearning   child 0 off, child 1 on
  action_menu           child 0 up, child 1 down
Each control's <title> holds its parameter's name and each choice's its
option's, so a test can hold the labels to the engine's table.
"""

import math
import os

from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

HERE = os.path.dirname(os.path.abspath(__file__))
FONT_DIR = "/usr/share/fonts/truetype/dejavu"

WIDTH, HEIGHT = 980, 604

# ---------------------------------------------------------------- colours
PANEL_BG = "#1d1e21"        # the instrument's face
GROUP_BG = "#2a2c30"        # a group's panel, at its top
GROUP_FOOT = "#25272a"      # and at its foot
GROUP_EDGE = "#35373c"
GROUP_TOP = "#2e3035"       # title band
TITLE = "#f0b35c"           # group titles: the accent, lightened for text
LABEL = "#d3d6db"           # control labels
SUBTLE = "#9ea3ab"          # small print
ACCENT = "#f29b38"          # pointers, lit LEDs, chosen options
ACCENT_DIM = "#5a3a17"
TICK = "#62666e"
TICK_HI = "#8d929b"
DISPLAY = "#0c0d0f"         # screen, scope and meter wells
SEG_OFF = "#17181b"
SEG_OFF_TEXT = "#c3c7cd"
SEG_ON_TEXT = "#1a1508"
KNOB_RIM = "#121315"
KNOB_BODY_IN = "#4a4d54"
KNOB_BODY_OUT = "#303237"
KNOB_CAP = "#3f4248"
OVER = "#e5484d"
SCOPE = "#0a0c0b"

LABEL_SIZE = 11.5
LABEL_GAP = 8           # from a label's baseline down to its control or scale
SEG_SIZE = 10.5
TITLE_SIZE = 12.5

# ---------------------------------------------------------------- parameters
# The engine's table: name and option names (None for continuous ones).
PARAMS = [
    ("Wave", ["Sine", "Square", "SH", "Noise", "Sine VCO", "Wow envelope"]),
    ("Freq", None),
    ("Mode", ["Zero", "Harm", "32'", "16'", "4'", "8'", "2'"]),
    ("Adsr sync", ["Gate+trig", "Gate", "LFO"]),
    ("Wheel", ["Off", "HPF", "LPF", "Mod"]),
    ("Sync", ["Key", "None", "Tempo"]),
    ("Velocity", None),
    ("Wave1", None),
    ("Wave2", None),
    ("Width1", None),
    ("Width2", None),
    ("Mod", None),
    ("Mod target", ["Mod", "Env", "Manual"]),
    ("Type", ["12", "18", "24A", "24B"]),
    ("Drive", None),
    ("Cutoff", None),
    ("Res", None),
    ("Env", None),
    ("Kbd", ["Off", "On"]),
    ("Mod", None),
    ("Osc mod", None),
    ("Wheel", ["Off", "On"]),
    ("A", None),
    ("D", None),
    ("S", None),
    ("R", None),
    ("Type", ["Zero", "Harm", "32'", "16'", "4'", "8'", "2'"]),
    ("Drive Q", ["0", "1", "2"]),
    ("Amount", None),
    ("Amount", None),
    ("Amp mod", None),
    ("Amp mode", ["Pre", "-", "Post"]),
    ("Cutoff", None),
    ("Res", None),
    ("Track", ["Off", "On"]),
    ("GlidePoly", None),
    ("Glide auto", ["Off", "On"]),
    ("Mode", ["Mono", "Para", "Unison", "1", "2", "3"]),
    ("spread auto", ["Off", "On"]),
    ("Vco trig", ["Off", "On"]),
    ("VCO mix", None),
    ("Phase/detune", None),
    ("Octave", ["-2", "-1", "0", "1", "2"]),
    ("Vco Sync", ["Off", "On"]),
]
BIPOLAR = {40, 41}

# ---------------------------------------------------------------- layout
# Groups: title, x, y, width, height, controls. Control positions are
# relative to the group. Knobs: centre and size ("L", "M", "S"); faders,
# buttons, combos and radios: top-left corner. A radio lays its choices out
# in a row ("h") or a column ("v"). Every label sits above its control.
KNOB_RADIUS = {"L": 40, "M": 22, "S": 18}

# Rows of groups; inside a group, labels of the upper line of controls stand
# on y = 36 and those of the lower line on y = 110, 8 px above the control or
# its scale. Lower-line knobs are small: a middle-sized one's scale would
# reach the panel's foot.
ROW1, ROW2, ROW3 = 70, 254, 438
ROW_H, ROW3_H = 176, 156
A_KNOB_M, A_KNOB_S, A_TOP = 74, 70, 44
B_KNOB_S, B_TOP = 144, 118

LAYOUT = [
    ("Modulator", 12, ROW1, 470, ROW_H, [
        ("combo", 0, 16, A_TOP, 128),       # Wave
        ("combo", 2, 16, B_TOP, 128),       # Mode
        ("knob", 1, 198, A_KNOB_M, "M"),    # Freq
        ("knob", 6, 198, B_KNOB_S, "S"),    # Velocity
        ("radio", 3, 258, A_TOP, "v", 62),  # Adsr sync
        ("radio", 4, 336, A_TOP, "v", 44),  # Wheel
        ("radio", 5, 396, A_TOP, "v", 56),  # Sync
    ]),
    ("VCO", 490, ROW1, 478, ROW_H, [
        ("radio", 42, 18, A_TOP, "h", 21),  # Octave
        ("button", 39, 22, B_TOP),          # Vco trig
        ("button", 43, 84, B_TOP),          # Vco Sync
        ("knob", 7, 168, A_KNOB_M, "M"),    # Wave1
        ("knob", 9, 168, B_KNOB_S, "S"),    # Width1
        ("knob", 8, 236, A_KNOB_M, "M"),    # Wave2
        ("knob", 10, 236, B_KNOB_S, "S"),   # Width2
        ("knob", 40, 306, A_KNOB_M, "M"),   # VCO mix
        ("knob", 41, 306, B_KNOB_S, "S"),   # Phase/detune
        ("knob", 11, 404, A_KNOB_M, "M"),   # Mod
        ("radio", 12, 342, B_TOP, "h", 40), # Mod target
    ]),
    ("HPF", 12, ROW2, 176, ROW_H, [
        ("knob", 32, 54, A_KNOB_M, "M"),    # Cutoff
        ("knob", 33, 128, A_KNOB_S, "S"),   # Res
        ("button", 34, 72, B_TOP),          # Track
    ]),
    ("Shaper", 196, ROW2, 210, ROW_H, [
        ("knob", 28, 58, A_KNOB_M, "M"),    # Amount
        ("radio", 27, 140, A_TOP, "v", 36), # Drive Q
        ("combo", 26, 22, B_TOP, 96),       # Type
    ]),
    ("LPF", 414, ROW2, 554, ROW_H, [
        ("radio", 13, 18, A_TOP, "v", 40),  # Type
        ("knob", 15, 140, 95, "L"),         # Cutoff
        ("knob", 16, 256, A_KNOB_M, "M"),   # Res
        ("knob", 14, 256, B_KNOB_S, "S"),   # Drive
        ("knob", 17, 346, A_KNOB_S, "S"),   # Env
        ("button", 18, 328, B_TOP),         # Kbd
        ("knob", 19, 430, A_KNOB_S, "S"),   # Mod
        ("button", 21, 412, B_TOP),         # Wheel
        ("knob", 20, 514, A_KNOB_S, "S"),   # Osc mod
    ]),
    ("Params", 12, ROW3, 200, ROW3_H, [
        ("knob", 35, 48, A_KNOB_M, "M"),    # GlidePoly
        ("combo", 37, 100, A_TOP, 86),      # Mode
        ("button", 36, 30, B_TOP),          # Glide auto
        ("button", 38, 124, B_TOP),         # spread auto
    ]),
    ("Env", 220, ROW3, 236, ROW3_H, [
        ("slider", 22, 40, A_TOP),          # A
        ("slider", 23, 92, A_TOP),          # D
        ("slider", 24, 144, A_TOP),         # S
        ("slider", 25, 196, A_TOP),         # R
    ]),
    ("Amp", 464, ROW3, 200, ROW3_H, [
        ("knob", 29, 56, A_KNOB_M, "M"),    # Amount
        ("knob", 30, 144, A_KNOB_S, "S"),   # Amp mod
        ("radio", 31, 38, B_TOP, "h", 40),  # Amp mode
    ]),
]

OUTPUT = (672, ROW3, 296, ROW3_H)      # level meter and oscilloscope

# Arrows in the gaps where the sound passes from one group to the next.
FLOW = [(188, ROW2), (406, ROW2), (664, ROW3)]

# ---------------------------------------------------------------- fonts


def num(v):
    s = "%.2f" % v
    s = s.rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


class Font:
    def __init__(self, file_name):
        self.font = TTFont(os.path.join(FONT_DIR, file_name))
        self.glyphs = self.font.getGlyphSet()
        self.cmap = self.font.getBestCmap()
        self.upem = self.font["head"].unitsPerEm
        self.hmtx = self.font["hmtx"]
        self.kerning = self.font["kern"].kernTables[0].kernTable if "kern" in self.font else {}

    def advance(self, ch, following=None):
        """Advance of ch in font units, kerned against the following character."""
        name = self.cmap[ord(ch)]
        kern = self.kerning.get((name, self.cmap[ord(following)]), 0) if following else 0
        return self.hmtx[name][0] + kern

    def width(self, text, size, spacing=0.0):
        units = sum(self.advance(c, n) for c, n in zip(text, list(text[1:]) + [None]))
        return units * size / self.upem + spacing * max(0, len(text) - 1)

    def draw(self, pen, text, x, baseline, size, anchor="start", spacing=0.0):
        w = self.width(text, size, spacing)
        if anchor == "middle":
            x -= w / 2
        elif anchor == "end":
            x -= w
        scale = size / self.upem
        for ch, following in zip(text, list(text[1:]) + [None]):
            name = self.cmap[ord(ch)]
            self.glyphs[name].draw(TransformPen(pen, (scale, 0, 0, -scale, x, baseline)))
            x += self.advance(ch, following) * scale + spacing
        return pen

    def path(self, *args, **kwargs):
        return self.draw(SVGPathPen(self.glyphs, ntos=num), *args, **kwargs).getCommands()

    def bounds(self, *args, **kwargs):
        """(left, top, right, bottom) of the ink, in panel coordinates."""
        return self.draw(BoundsPen(self.glyphs), *args, **kwargs).bounds


SANS = Font("DejaVuSans.ttf")
BOLD = Font("DejaVuSans-Bold.ttf")
COND = Font("DejaVuSansCondensed.ttf")

# ---------------------------------------------------------------- contrast


def luminance(colour):
    def channel(c):
        c /= 255.0
        return c / 12.92 if c <= 0.03928 else ((c + 0.055) / 1.055) ** 2.4
    r, g, b = (int(colour[i:i + 2], 16) for i in (1, 3, 5))
    return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b)


def contrast(a, b):
    la, lb = sorted((luminance(a), luminance(b)), reverse=True)
    return (la + 0.05) / (lb + 0.05)


def check_contrast(fg, bg, what):
    ratio = contrast(fg, bg)
    assert ratio >= 4.5, "%s: contrast %.2f below 4.5" % (what, ratio)

# ---------------------------------------------------------------- clearance
# The ink of every text and every scale tick, as boxes (left, top, right,
# bottom), so no label touches a scale and no scale leaves its panel.
TEXT_BOXES = []
TICK_BOXES = []
LABEL_CLEARANCE = 4     # between a text and a tick
EDGE_CLEARANCE = 6      # between a tick and its group panel's edge


def tick(x1, y1, x2, y2, colour, width):
    # Round caps: the ink reaches half the width past each end.
    h = width / 2
    TICK_BOXES.append((min(x1, x2) - h, min(y1, y2) - h, max(x1, x2) + h, max(y1, y2) + h))
    return line(x1, y1, x2, y2, colour, width)


def gap(a, b):
    """Distance between two boxes; 0 when they overlap."""
    dx = max(b[0] - a[2], a[0] - b[2], 0)
    dy = max(b[1] - a[3], a[1] - b[3], 0)
    return math.hypot(dx, dy)


def check_clearance(groups):
    for t in TEXT_BOXES:
        for k in TICK_BOXES:
            assert gap(t[1], k) >= LABEL_CLEARANCE, "text '%s' touches a tick at %s" % (t[0], k)
    for k in TICK_BOXES:
        inside = [g for g in groups if g[0] <= k[0] and k[2] <= g[0] + g[2] and g[1] <= k[1] and k[3] <= g[1] + g[3]]
        assert inside, "tick %s outside every panel" % (k,)
        g = inside[0]
        margin = min(k[0] - g[0], g[0] + g[2] - k[2], k[1] - g[1], g[1] + g[3] - k[3])
        assert margin >= EDGE_CLEARANCE, "tick %s %.1f px from its panel's edge" % (k, margin)

# ---------------------------------------------------------------- svg output


class Svg:
    def __init__(self):
        self.lines = []
        self.defs = []
        self.gradients = set()

    def add(self, text):
        self.lines.append(text)

    def gradient(self, gid, kind, stops, **attrs):
        if gid in self.gradients:
            return "url(#%s)" % gid
        self.gradients.add(gid)
        extra = "".join(' %s="%s"' % (k, v) for k, v in attrs.items())
        body = "".join('<stop offset="%s" stop-color="%s"/>' % (num(o), c) for o, c in stops)
        self.defs.append('<%s id="%s"%s>%s</%s>' % (kind, gid, extra, body, kind))
        return "url(#%s)" % gid


def rect(x, y, w, h, fill, rx=0, extra=""):
    r = ' rx="%s"' % num(rx) if rx else ""
    return '<rect x="%s" y="%s" width="%s" height="%s"%s fill="%s"%s/>' % (
        num(x), num(y), num(w), num(h), r, fill, extra)


def circle(cx, cy, r, fill, extra=""):
    return '<circle cx="%s" cy="%s" r="%s" fill="%s"%s/>' % (num(cx), num(cy), num(r), fill, extra)


def text(font, label, x, baseline, size, fill, anchor="middle", spacing=0.0, on=None):
    assert size >= 10, "text '%s' smaller than 10 px" % label
    if on is not None:
        check_contrast(fill, on, "text '%s'" % label)
    TEXT_BOXES.append((label, font.bounds(label, x, baseline, size, anchor, spacing)))
    d = font.path(label, x, baseline, size, anchor, spacing)
    return '<path d="%s" fill="%s"/>' % (d, fill)


def title(name):
    # The name a control or choice stands for; the importer skips titles.
    return "<title>%s</title>" % name.replace("&", "&amp;").replace("<", "&lt;")


def polar(cx, cy, radius, degrees):
    a = math.radians(degrees)
    return cx + radius * math.sin(a), cy - radius * math.cos(a)


def line(x1, y1, x2, y2, colour, width):
    return ('<path d="M%s %sL%s %s" fill="none" stroke="%s" stroke-width="%s" '
            'stroke-linecap="round"/>' % (num(x1), num(y1), num(x2), num(y2), colour, num(width)))

# ---------------------------------------------------------------- controls


def option_count(i):
    options = PARAMS[i][1]
    return len(options) if options else 0


def label_above(bg, i, cx, top):
    bg.append(text(SANS, PARAMS[i][0], cx, top - LABEL_GAP, LABEL_SIZE, LABEL, on=GROUP_BG))


def knob(svg, bg, i, cx, cy, size):
    assert option_count(i) == 0, "knob %d is a choice" % i
    r = KNOB_RADIUS[size]
    big = size == "L"
    # Scale on the panel: 11 ticks over +-138 degrees, longer at the ends and
    # the centre; bipolar knobs get a bright centre tick.
    inner, outer = r + (5 if big else 4), r + (11 if big else 8)
    for k in range(11):
        deg = -138 + k * 27.6
        major = k in (0, 5, 10)
        o = outer if major else outer - 2
        colour = TICK_HI if major else TICK
        if k == 5 and i in BIPOLAR:
            colour, o = ACCENT, outer + 1
        x1, y1 = polar(cx, cy, inner, deg)
        x2, y2 = polar(cx, cy, o, deg)
        bg.append(tick(x1, y1, x2, y2, colour, 1.6 if big else 1.3))
    size_text = 13 if big else LABEL_SIZE
    font = BOLD if big else SANS
    bg.append(text(font, PARAMS[i][0], cx, cy - outer - LABEL_GAP, size_text, LABEL, on=GROUP_BG))

    body = svg.gradient("knobBody", "radialGradient",
                        [(0, KNOB_BODY_IN), (1, KNOB_BODY_OUT)], cx="50%", cy="50%", r="50%")
    cap = svg.gradient("knobCap", "radialGradient",
                       [(0, "#4b4e55"), (0.8, KNOB_CAP), (1, "#2c2e33")], cx="50%", cy="50%", r="50%")
    pw = 3.2 if big else 2.6
    parts = [
        circle(cx, cy, r, KNOB_RIM),
        circle(cx, cy, r - 2, body),
        circle(cx, cy, r * 0.66, cap),
        rect(cx - pw / 2, cy - r + 3, pw, r * 0.62, ACCENT, rx=pw / 2),
    ]
    if big:
        # grip ridges around the rim of the big knob
        for k in range(24):
            x1, y1 = polar(cx, cy, r - 6, k * 15)
            x2, y2 = polar(cx, cy, r - 2.5, k * 15)
            parts.append(line(x1, y1, x2, y2, "#26282c", 1.4))
    svg.add('<g id="knob_%d">%s%s</g>' % (i, title(PARAMS[i][0]), "".join(parts)))


FADER_W, FADER_H, THUMB_H = 24, 96, 18


def fader(svg, bg, i, x, y):
    assert option_count(i) == 0
    cx = x + FADER_W / 2
    label_above(bg, i, cx, y - 2)
    # Thumb centre travels from y + H - 9 (value 0) to y + 9 (value 1).
    lo, hi = y + FADER_H - THUMB_H / 2, y + THUMB_H / 2
    for k in range(11):
        ty = lo + (hi - lo) * k / 10
        major = k in (0, 5, 10)
        w = 7 if major else 4
        colour = TICK_HI if major else TICK
        bg.append(tick(x - 4 - w, ty, x - 4, ty, colour, 1.2))
    track = "".join([
        rect(x, y, FADER_W, FADER_H, "none"),
        rect(cx - 3, y + 4, 6, FADER_H - 8, "#0b0c0e", rx=3),
        rect(cx - 1, y + 8, 2, FADER_H - 16, "#202226", rx=1),
    ])
    cap = svg.gradient("faderCap", "linearGradient",
                       [(0, "#676b73"), (0.5, "#4a4d54"), (1, "#36383d")], x1="0", y1="0", x2="0", y2="1")
    ty = y + FADER_H - THUMB_H
    thumb = "".join([
        rect(x, ty, FADER_W, THUMB_H, "#141518", rx=3),
        rect(x + 1, ty + 1, FADER_W - 2, THUMB_H - 2, cap, rx=2.5),
        rect(x + 3, ty + THUMB_H / 2 - 1, FADER_W - 6, 2, ACCENT, rx=1),
    ])
    svg.add('<g id="slider_%d">%s<g>%s</g><g>%s</g></g>' % (i, title(PARAMS[i][0]), track, thumb))


BUTTON_W, BUTTON_H = 36, 20


def button(svg, bg, i, x, y):
    assert option_count(i) == 2, "button %d needs two options" % i
    label_above(bg, i, x + BUTTON_W / 2, y)
    face = svg.gradient("buttonFace", "linearGradient",
                        [(0, "#4a4d54"), (1, "#35373c")], x1="0", y1="0", x2="0", y2="1")

    def picture(lit):
        led = ACCENT if lit else "#3a2d1d"
        parts = [
            rect(x, y, BUTTON_W, BUTTON_H, "#121315", rx=3),
            rect(x + 1, y + 1, BUTTON_W - 2, BUTTON_H - 2, face, rx=2.5),
        ]
        if lit:
            parts.append(rect(x + 6, y + 5.5, BUTTON_W - 12, 9, ACCENT, rx=4.5, extra=' opacity="0.3"'))
        parts.append(rect(x + 8, y + 8, BUTTON_W - 16, 4, led, rx=2))
        return "<g>%s</g>" % "".join(parts)

    svg.add('<g id="button_%d">%s%s%s</g>' % (i, title(PARAMS[i][0]), picture(False), picture(True)))


SEG_H = 18


def radio(svg, bg, i, x, y, direction, seg_w):
    options = PARAMS[i][1]
    assert options and 3 <= len(options) <= 5, "radio %d needs 3 to 5 options" % i
    n = len(options)
    gap = 2
    if direction == "h":
        total_w = n * seg_w + (n - 1) * gap
        label_above(bg, i, x + total_w / 2, y)
    else:
        label_above(bg, i, x + seg_w / 2, y)
    check_contrast(SEG_OFF_TEXT, SEG_OFF, "choice text")
    check_contrast(SEG_ON_TEXT, ACCENT, "chosen text")
    choices = []
    for k, name in enumerate(options):
        if direction == "h":
            sx, sy = x + k * (seg_w + gap), y
        else:
            sx, sy = x, y + k * (SEG_H + gap)
        font = COND if SANS.width(name, SEG_SIZE) > seg_w - 6 else SANS
        assert font.width(name, SEG_SIZE) <= seg_w - 4, "option '%s' too wide" % name
        baseline = sy + SEG_H / 2 + SEG_SIZE * 0.36
        off = "<g>%s%s</g>" % (rect(sx, sy, seg_w, SEG_H, SEG_OFF, rx=2),
                               text(font, name, sx + seg_w / 2, baseline, SEG_SIZE, SEG_OFF_TEXT))
        on = "<g>%s%s</g>" % (rect(sx, sy, seg_w, SEG_H, ACCENT, rx=2),
                              text(font, name, sx + seg_w / 2, baseline, SEG_SIZE, SEG_ON_TEXT))
        choices.append('<g id="radio_%d_%d">%s%s%s</g>' % (i, k, title(name), off, on))
    svg.add('<g id="radio_%d">%s%s</g>' % (i, title(PARAMS[i][0]), "".join(choices)))


COMBO_H = 22


def combo(svg, bg, i, x, y, w):
    options = PARAMS[i][1]
    assert options and 6 <= len(options) <= 7, "combo %d needs 6 or 7 options" % i
    label_above(bg, i, x + w / 2, y)
    ax, ay = x + w - 10, y + COMBO_H / 2
    arrow = "M%s %sL%s %sL%s %sZ" % (num(ax - 3.5), num(ay - 2), num(ax + 3.5), num(ay - 2), num(ax), num(ay + 2.5))
    parts = [
        # The stroke straddles the edge: inset by half of it, the element's
        # bounds stay whole pixels.
        rect(x + 0.5, y + 0.5, w - 1, COMBO_H - 1, DISPLAY, rx=3, extra=' stroke="#3a3d43" stroke-width="1"'),
        '<path d="%s" fill="%s"/>' % (arrow, ACCENT),
        # The popup's rows take the cells' size; transparent, they draw nothing.
        rect(x, y, w, COMBO_H, "none", extra=' id="cell"'),
        rect(x, y, w, COMBO_H, "none", extra=' id="cell_selected"'),
    ]
    svg.add('<g id="combo_%d">%s%s</g>' % (i, title(PARAMS[i][0]), "".join(parts)))

# ---------------------------------------------------------------- displays

SCREEN_W, SCREEN_H = 200, 30


def screen(svg, x, y):
    # The widget draws its text at (45, -1, 150, 30) and its arrows at
    # (10, 7) and (24, 7), each 14 x 12.
    glass = svg.gradient("screenGlass", "linearGradient",
                         [(0, "#15171a"), (1, DISPLAY)], x1="0", y1="0", x2="0", y2="1")
    parts = [
        rect(x, y, SCREEN_W, SCREEN_H, "#3a3d43", rx=4),
        rect(x + 1, y + 1, SCREEN_W - 2, SCREEN_H - 2, glass, rx=3),
        rect(x + 40, y + 6, 1, SCREEN_H - 12, "#2c2f34"),
    ]
    svg.add('<g id="screen">%s</g>' % "".join(parts))


def action_button(svg, eid, x, y, w, h, label, kind):
    face = svg.gradient("actionFace", "linearGradient",
                        [(0, "#44474e"), (1, "#313338")], x1="0", y1="0", x2="0", y2="1")
    pressed = svg.gradient("actionPressed", "linearGradient",
                           [(0, "#2a2c30"), (1, "#36383d")], x1="0", y1="0", x2="0", y2="1")
    check_contrast(LABEL, "#313338", "action text")

    def picture(on):
        parts = [rect(x, y, w, h, "#121315", rx=4),
                 rect(x + 1, y + 1, w - 2, h - 2, pressed if on else face, rx=3)]
        tx = x + 10
        if kind == "learn":
            led = ACCENT if on else "#3a2d1d"
            if on:
                parts.append(circle(x + 12, y + h / 2, 5.5, ACCENT, extra=' opacity="0.3"'))
            parts.append(circle(x + 12, y + h / 2, 3, led))
            tx = x + 22
        else:
            for k in range(3):
                parts.append(rect(x + 9, y + h / 2 - 4.5 + k * 3.5, 10, 1.6, ACCENT if on else LABEL, rx=0.8))
            tx = x + 25
        parts.append(text(SANS, label, tx, y + h / 2 + 4, LABEL_SIZE, LABEL, anchor="start"))
        return "<g>%s</g>" % "".join(parts)

    svg.add('<g id="%s">%s%s</g>' % (eid, picture(False), picture(True)))


def output_panel(svg, bg, x, y, w, h):
    group_panel(svg, bg, "Output", x, y, w, h)
    # Level meter: back, bar, over-range. The bar is stretched to the level.
    mx, my, mw, mh = x + 18, y + 44, 14, h - 58
    bg.append(text(SANS, "Level", mx + mw / 2, my - 6, LABEL_SIZE, LABEL, on=GROUP_BG))
    meter = [
        rect(mx, my, mw, mh, DISPLAY, rx=2),
        rect(mx + 3, my + 3, mw - 6, mh - 6, ACCENT),
        rect(mx + 3, my + 3, mw - 6, mh - 6, OVER),
    ]
    svg.add('<g id="vmeter">%s</g>' % "".join(meter))
    # Oscilloscope: a well on the panel, the element's fill is its background.
    sx, sy, sw, sh = x + 52, y + 44, w - 68, h - 58
    bg.append(text(SANS, "Scope", sx + sw / 2, sy - 6, LABEL_SIZE, LABEL, on=GROUP_BG))
    bg.append(rect(sx - 3, sy - 3, sw + 6, sh + 6, "#141518", rx=4))
    bg.append(rect(sx - 2, sy - 2, sw + 4, sh + 4, "#3a3d43", rx=3))
    bg.append(rect(sx, sy, sw, sh, SCOPE))
    svg.add('<rect id="oscilloscope" x="%d" y="%d" width="%d" height="%d" fill="%s"/>'
            % (sx, sy, sw, sh, SCOPE))


# ---------------------------------------------------------------- panel


def group_panel(svg, bg, title, x, y, w, h):
    # Lit from above: the panel darkens slightly towards its foot.
    face = svg.gradient("groupFace", "linearGradient",
                        [(0, GROUP_BG), (1, GROUP_FOOT)], x1="0", y1="0", x2="0", y2="1")
    bg.append(rect(x, y, w, h, GROUP_EDGE, rx=6))
    bg.append(rect(x + 1, y + 1, w - 2, h - 2, face, rx=5))
    bg.append(rect(x + 1, y + 1, w - 2, 22, GROUP_TOP, rx=5))
    bg.append(rect(x + 1, y + 18, w - 2, 5, GROUP_TOP))
    bg.append(rect(x + 1, y + 23, w - 2, 1, "#222428"))
    bg.append(text(BOLD, title.upper(), x + 12, y + 17, TITLE_SIZE, TITLE, anchor="start",
                   spacing=1.4, on=GROUP_TOP))
    bg.append(rect(x + 12, y + 21, BOLD.width(title.upper(), TITLE_SIZE, 1.4), 1, ACCENT_DIM))


def build():
    svg = Svg()
    bg = []
    del TEXT_BOXES[:], TICK_BOXES[:]
    bg.append(rect(0, 0, WIDTH, HEIGHT, PANEL_BG))
    bg.append(rect(0, 0, WIDTH, 2, "#34363b"))

    # Header: wordmark, preset screen, learn and menu.
    bg.append(text(BOLD, "VORLAN", 16, 38, 26, "#ece6da", anchor="start", spacing=4.5, on=PANEL_BG))
    bg.append(text(SANS, "Quillmoor  \u00b7  monophonic synthesizer", 17, 56, 11, SUBTLE,
                   anchor="start", on=PANEL_BG))

    used = set()
    for title, gx, gy, gw, gh, controls in LAYOUT:
        group_panel(svg, bg, title, gx, gy, gw, gh)
        for c in controls:
            kind, i = c[0], c[1]
            assert i not in used, "parameter %d placed twice" % i
            used.add(i)
            if kind == "knob":
                knob(svg, bg, i, gx + c[2], gy + c[3], c[4])
            elif kind == "slider":
                fader(svg, bg, i, gx + c[2], gy + c[3])
            elif kind == "button":
                button(svg, bg, i, gx + c[2], gy + c[3])
            elif kind == "radio":
                radio(svg, bg, i, gx + c[2], gy + c[3], c[4], c[5])
            elif kind == "combo":
                combo(svg, bg, i, gx + c[2], gy + c[3], c[4])
    output_panel(svg, bg, *OUTPUT)
    for fx, fy in FLOW:
        cy = fy + 88
        bg.append('<path d="M%s %sL%s %sL%s %sZ" fill="%s"/>' % (
            num(fx + 1.5), num(cy - 5), num(fx + 6.5), num(cy), num(fx + 1.5), num(cy + 5), ACCENT_DIM))
    screen(svg, 380, 20)
    action_button(svg, "action_midilearning", 800, 22, 92, 26, "MIDI learn", "learn")
    action_button(svg, "action_menu", 900, 22, 68, 26, "Menu", "menu")
    missing = sorted(set(range(44)) - used)
    assert not missing, "parameters without a control: %s" % missing
    check_clearance([g[1:5] for g in LAYOUT])

    out = svg
    out.lines.insert(0, '<g id="background">%s</g>' % "".join(bg))
    return out


def main():
    svg = build()
    doc = ['<?xml version="1.0" encoding="UTF-8"?>',
           '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
           % (WIDTH, HEIGHT, WIDTH, HEIGHT),
           '<!-- Generated by generate_skin.py: edit the layout there, not here. -->']
    if svg.defs:
        doc.append("<defs>%s</defs>" % "".join(svg.defs))
    doc.extend(svg.lines)
    doc.append("</svg>")
    with open(os.path.join(HERE, "skin.svg"), "w", encoding="utf-8") as f:
        f.write("\n".join(doc) + "\n")


if __name__ == "__main__":
    main()
