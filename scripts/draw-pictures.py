#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Draws the program's pictures (resources/pictures/*.svg) and the resource list.

Every toolbar picture is a rounded tile with a white glyph; the "-hot" variant, shown
under the mouse, has a lighter tile and a soft ring. Run again after changing a glyph."""
import math
import pathlib

ROOT = pathlib.Path(__file__).resolve().parent.parent
OUT = ROOT / "resources" / "pictures"

TILE = {False: ("#2f5f96", "#1f4470"), True: ("#3d8ee0", "#2566b0")}

GLYPHS = {
    # paper plane
    "send": '<path d="M11 22 L39 10 L31 36 L24 27 Z" fill="#fff"/>'
            '<path d="M24 27 L39 10 L20 25 L21 33 Z" fill="#cfe0f5"/>',
    # a page with lines and a folded corner
    "message": '<path d="M15 8 H30 L36 14 V37 H15 Z" fill="#fff"/>'
               '<path d="M30 8 V14 H36" fill="#cfe0f5"/>'
               '<g stroke="#2f5f96" stroke-width="2"><path d="M19 19 H32"/><path d="M19 24 H32"/>'
               '<path d="M19 29 H28"/></g>',
    # a folder with an @ sign
    "recipients": '<path d="M8 14 H19 L22 17 H42 V36 H8 Z" fill="#ffd66b"/>'
                  '<path d="M8 19 H42 V36 H8 Z" fill="#ffe49a"/>'
                  '<text x="25" y="33" font-family="DejaVu Sans, sans-serif" font-size="15" '
                  'font-weight="bold" fill="#1f4470" text-anchor="middle">@</text>',
    # speech bubbles with the language's letters
    "slovenian": '<path d="M9 10 H41 V31 H22 L15 37 V31 H9 Z" fill="#fff"/>'
                 '<text x="25" y="26" font-family="DejaVu Sans, sans-serif" font-size="13" '
                 'font-weight="bold" fill="#1f4470" text-anchor="middle">SL</text>',
    "english": '<path d="M9 10 H41 V31 H22 L15 37 V31 H9 Z" fill="#fff"/>'
               '<text x="25" y="26" font-family="DejaVu Sans, sans-serif" font-size="13" '
               'font-weight="bold" fill="#1f4470" text-anchor="middle">EN</text>',
    # a page under a magnifying glass
    "preview": '<path d="M12 8 H27 L33 14 V37 H12 Z" fill="#fff"/>'
               '<path d="M27 8 V14 H33" fill="#cfe0f5"/>'
               '<g stroke="#2f5f96" stroke-width="2"><path d="M16 19 H28"/><path d="M16 24 H23"/>'
               '<path d="M16 29 H21"/></g>'
               '<circle cx="30" cy="27" r="7" fill="#cfe0f5" fill-opacity="0.85" stroke="#ffd66b" stroke-width="3"/>'
               '<path d="M35 32 L41 38" stroke="#ffd66b" stroke-width="4.5" stroke-linecap="round"/>',
    # a globe
    "web": '<g fill="none" stroke="#fff" stroke-width="2.2"><circle cx="25" cy="22.5" r="12"/>'
           '<ellipse cx="25" cy="22.5" rx="5.5" ry="12"/><path d="M13 22.5 H37"/>'
           '<path d="M15 16 H35"/><path d="M15 29 H35"/></g>',
}


def gear():
    points = []
    teeth, outer, inner = 8, 13.0, 10.0
    for i in range(teeth * 4):
        angle = 2 * math.pi * i / (teeth * 4)
        r = outer if i % 4 in (1, 2) else inner
        points.append(f"{25 + r * math.cos(angle):.2f},{22.5 + r * math.sin(angle):.2f}")
    return (f'<polygon points="{" ".join(points)}" fill="#fff"/>'
            '<circle cx="25" cy="22.5" r="4.5" fill="#2f5f96"/>')


GLYPHS["settings"] = gear()


def tile(glyph, hot):
    light, dark = TILE[hot]
    ring = '<rect x="1" y="1" width="48" height="43" rx="9" fill="none" stroke="#9fd0ff" stroke-width="2"/>' if hot else ""
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="50" height="45" viewBox="0 0 50 45">'
            '<defs><linearGradient id="t" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="{dark}"/>'
            '</linearGradient></defs>'
            '<rect x="2" y="2" width="46" height="41" rx="8" fill="url(#t)"/>'
            f'{ring}{glyph}</svg>\n')


def word_button(word, colour):
    return ('<svg xmlns="http://www.w3.org/2000/svg" width="230" height="33" viewBox="0 0 230 33">'
            '<defs><linearGradient id="b" x1="0" y1="0" x2="0" y2="1">'
            f'<stop offset="0" stop-color="#ffffff"/><stop offset="1" stop-color="{colour}"/>'
            '</linearGradient></defs>'
            '<rect x="1" y="1" width="228" height="31" rx="7" fill="url(#b)" stroke="#1f4470" stroke-width="1.5"/>'
            '<text x="115" y="22.5" font-family="DejaVu Sans, sans-serif" font-size="15" '
            f'font-weight="bold" fill="#1f4470" text-anchor="middle" letter-spacing="2">{word}</text>'
            '</svg>\n')


BACKGROUND = (
    '<svg xmlns="http://www.w3.org/2000/svg" width="574" height="346" viewBox="0 0 574 346" '
    'preserveAspectRatio="none"><defs><linearGradient id="g" x1="0" y1="0" x2="1" y2="1">'
    '<stop offset="0" stop-color="#eaf2fb"/><stop offset="1" stop-color="#c9dcf1"/></linearGradient></defs>'
    '<rect width="574" height="346" fill="url(#g)"/>'
    '<path d="M0 300 C150 260 380 350 574 290 V346 H0 Z" fill="#b6cfea" opacity="0.6"/>'
    '<path d="M0 320 C200 290 360 346 574 315 V346 H0 Z" fill="#9dbde2" opacity="0.5"/></svg>\n')

LOGO = (
    '<svg xmlns="http://www.w3.org/2000/svg" width="152" height="80" viewBox="0 0 152 80">'
    '<rect x="1" y="1" width="150" height="78" rx="10" fill="#1f4470"/>'
    '<path d="M14 24 H50 V56 H14 Z" fill="#fff"/><path d="M14 24 L32 42 L50 24" fill="none" '
    'stroke="#1f4470" stroke-width="3"/>'
    '<text x="100" y="47" font-family="DejaVu Sans, sans-serif" font-size="22" font-weight="bold" '
    'fill="#fff" text-anchor="middle">Drelko</text>'
    '<path d="M62 56 H138" stroke="#3d8ee0" stroke-width="3"/></svg>\n')



def envelope(x, y, fill):
    return (f'<rect x="{x}" y="{y}" width="128" height="84" rx="8" fill="{fill}" stroke="#1f4470" '
            'stroke-width="4"/>'
            f'<path d="M{x + 4} {y + 6} L{x + 64} {y + 48} L{x + 124} {y + 6}" fill="none" '
            'stroke="#2f5f96" stroke-width="6" stroke-linejoin="round" stroke-linecap="round"/>')


# The program's own icon (the desktop's menus, the window): one message fanned out into
# copies, on the toolbar's blue tile. Square, and without text, so it reads at any size.
APP_ICON = (
    '<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">'
    '<defs><linearGradient id="a" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#3d8ee0"/><stop offset="1" stop-color="#1f4470"/>'
    '</linearGradient></defs>'
    '<rect x="16" y="16" width="224" height="224" rx="44" fill="url(#a)"/>'
    + envelope(92, 52, "#9fc3ea") + envelope(72, 86, "#cfe0f5") + envelope(52, 120, "#ffffff")
    + '</svg>\n')


def main():
    OUT.mkdir(parents=True, exist_ok=True)
    names = []
    for name, glyph in GLYPHS.items():
        for hot in (False, True):
            file = f"{name}-hot.svg" if hot else f"{name}.svg"
            (OUT / file).write_text(tile(glyph, hot))
            names.append(file)
    extras = {"ok.svg": word_button("OK", "#bfe3c0"), "cancel.svg": word_button("CANCEL", "#f0c8c8"),
              "settings-background.svg": BACKGROUND, "logo.svg": LOGO, "pelmar.svg": APP_ICON}
    for file, text in extras.items():
        (OUT / file).write_text(text)
        names.append(file)
    entries = "\n".join(f"  <file>pictures/{n}</file>" for n in sorted(names))
    (ROOT / "resources" / "resources.qrc").write_text(
        f'<!DOCTYPE RCC><RCC version="1.0">\n<qresource prefix="/">\n{entries}\n</qresource>\n</RCC>\n')


if __name__ == "__main__":
    main()
