#!/usr/bin/env python3
"""Makes an Exif header file for SetExifHeaderFile: the start of a JPEG whose Exif data a
reader finds, ready to be placed in front of the JPEG that the encoder writes.

    tools/make-exif-header.py OUTPUT [exiftool tag assignments...]
    tools/make-exif-header.py script/exif_header.exif -Make=Tessavel -Copyright="(c) Me"

Layout of the result:
    FF D8                      start of image
    FF E1 <length> Exif...     the APP1 Exif segment, as exiftool wrote it
    FF EF 00 04                an APP15 segment of two payload bytes: the encoder's own
                               start of image (FF D8) becomes its payload, so a reader
                               goes on into the encoder's segments
The Exif segment comes from a 1 x 1 JPEG made with ImageMagick and tagged with exiftool.
"""
import os
import struct
import subprocess
import sys
import tempfile

DEFAULT_TAGS = [
    "-Make=Tessavel",
    "-Model=Sample header",
    "-Copyright=(c) Tessavel contributors, sample Exif header",
    "-DateTimeOriginal=2024:01:02 03:04:05",
    "-Artist=Tessavel",
]


def exif_segment(jpeg):
    """The bytes of the first APP1 Exif segment of a JPEG, marker included."""
    if jpeg[:2] != b"\xff\xd8":
        raise ValueError("not a JPEG")
    position = 2
    while position + 4 <= len(jpeg):
        marker, length = struct.unpack(">HH", jpeg[position:position + 4])
        if marker in (0xFFDA, 0xFFD9):
            break
        segment = jpeg[position:position + 2 + length]
        if marker == 0xFFE1 and segment[4:10] == b"Exif\x00\x00":
            return segment
        position += 2 + length
    raise ValueError("no Exif segment")


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    output = sys.argv[1]
    tags = sys.argv[2:] or DEFAULT_TAGS
    with tempfile.TemporaryDirectory() as work:
        jpeg = os.path.join(work, "tiny.jpg")
        subprocess.run(["/usr/bin/convert", "-size", "1x1", "xc:gray", jpeg], check=True)
        subprocess.run(["exiftool", "-q", "-overwrite_original", "-all="] + tags + [jpeg],
                       check=True)
        with open(jpeg, "rb") as f:
            segment = exif_segment(f.read())
    with open(output, "wb") as f:
        f.write(b"\xff\xd8" + segment + b"\xff\xef\x00\x04")


if __name__ == "__main__":
    main()
