#!/usr/bin/env python3
"""Writes the binary and compressed forms of the two-material quad of XFileSamples.h:
quad-bin.x, quad-bzip.x and quad-tzip.x (run from this folder)."""
import re
import struct
import zlib

NAME, STRING, INTS, FLOATS, OPEN, CLOSE, SEMICOLON = 1, 2, 6, 7, 0x0A, 0x0B, 0x14


def name(text):
    return struct.pack('<HI', NAME, len(text)) + text.encode()


def string(text):
    return struct.pack('<HI', STRING, len(text)) + text.encode() + struct.pack('<H', SEMICOLON)


def ints(*values):
    return struct.pack('<HI', INTS, len(values)) + struct.pack('<%dI' % len(values), *values)


def floats(*values):
    return struct.pack('<HI', FLOATS, len(values)) + struct.pack('<%df' % len(values), *values)


def symbol(code):
    return struct.pack('<H', code)


def obj(head, *body):
    return b''.join(name(part) for part in head.split()) + symbol(OPEN) + b''.join(body) + symbol(CLOSE)


quad = obj('Mesh Quad',
           ints(4), floats(-1, 1, .5, 1, 1, .5, 1, -1, .5, -1, -1, .5),
           ints(2, 3, 0, 1, 2, 3, 0, 2, 3),
           obj('MeshMaterialList', ints(2, 2, 0, 1),
               obj('Material Red', floats(1, 0, 0, 1, 8, .5, .5, .5, 0, 0, .25)),
               obj('Material Textured', floats(1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0),
                   obj('TextureFilename', string('Skins\\Wall.PNG')))),
           obj('MeshNormals', ints(1), floats(0, 0, -1), ints(2, 3, 0, 0, 0, 3, 0, 0, 0)),
           obj('MeshTextureCoords', ints(4), floats(0, 0, 1, 0, 1, 1, 0, 1)))


def mszip(data):
    """One MSZIP block, laid out as the importer reads it."""
    packer = zlib.compressobj(9, zlib.DEFLATED, -15)
    packed = packer.compress(data) + packer.flush()
    return struct.pack('<IHH', len(data), len(data), len(packed)) + b'CK' + packed


text = open('../XFileSamples.h').read()
text = re.search(r'R"\((.*)\)"', text, re.S).group(1)
body = text.split('\n', 1)[1].encode()
open('quad-bin.x', 'wb').write(b'xof 0303bin 0032' + quad)
open('quad-bzip.x', 'wb').write(b'xof 0303bzip0032' + mszip(quad))
open('quad-tzip.x', 'wb').write(b'xof 0303tzip0032' + mszip(body))
