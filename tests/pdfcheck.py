#!/usr/bin/env python3
"""Reads a PDF of the print library without PDF tools: pages, images and the text, for the e2e scripts.

Prints one line each: "pages N", "images WxH ...", and "text ..." with the page's text in drawing order,
line breaks read as blanks. With a second argument, the first image is written to that file: as JPEG
when the PDF holds it so, else as a PPM picture.
"""
import re
import sys
import zlib


def streams(data):
    for m in re.finditer(rb"(\d+) 0 obj\s*<<(.*?)>>\s*stream\r?\n", data, re.S):
        end = data.index(b"endstream", m.end())
        raw = data[m.end():end]
        try:
            raw = zlib.decompress(raw)
        except zlib.error:
            pass
        yield m.group(2), raw


def write_first_image(data, out):
    for header, body in streams(data):
        if b"/Image" not in header:
            continue
        with open(out, "wb") as f:
            if b"/DCTDecode" in header:
                f.write(body)
            else:
                w = int(re.search(rb"/Width\s+(\d+)", header).group(1))
                h = int(re.search(rb"/Height\s+(\d+)", header).group(1))
                f.write(b"P6 %d %d 255\n" % (w, h) + body)
        return
    sys.exit("no image in the PDF file")


def main(path, image_out=None):
    data = open(path, "rb").read()
    if not data.startswith(b"%PDF-"):
        sys.exit("not a PDF file")
    pages = len(re.findall(rb"/Type\s*/Page[^s]", data))
    images = [(int(w), int(h)) for w, h in re.findall(rb"/Subtype\s*/Image.*?/Width\s+(\d+).*?/Height\s+(\d+)", data, re.S)]
    # Glyph codes to characters, from the fonts' ToUnicode maps (Qt writes one bfrange array each).
    codes = {}
    contents = []
    for header, body in streams(data):
        if b"begincmap" in body:
            for first, array in re.findall(rb"<([0-9A-Fa-f]+)>\s*<[0-9A-Fa-f]+>\s*\[([^\]]*)\]", body):
                for i, u in enumerate(re.findall(rb"<([0-9A-Fa-f]+)>", array)):
                    codes[int(first, 16) + i] = chr(int(u, 16))
        elif b"Tj" in body:
            contents.append(body)
    # A glyph moved down from the last one starts a new line, which reads as one blank.
    text = ""
    for body in contents:
        for dy, hexcodes in re.findall(rb"[-\d.]+\s+([-\d.]+)\s+Td\s*<([0-9A-Fa-f]+)>\s*Tj", body):
            if float(dy) != 0 and text and not text.endswith(" "):
                text += " "
            for i in range(0, len(hexcodes), 4):
                c = codes.get(int(hexcodes[i:i + 4], 16), "?")
                text += " " if c.isspace() else c
    print("pages", pages)
    print("images", " ".join("%dx%d" % i for i in images))
    print("text", text)
    if image_out:
        write_first_image(data, image_out)


if __name__ == "__main__":
    main(*sys.argv[1:3])
