#!/usr/bin/env python3
"""Writes the seeds of this corpus that are made rather than found (run from this folder).

A seed named ok-* is a file the program must read; one named bad-* a file it must refuse (the
unit tests check both); other names are inputs a fuzzer found.

config/: settings files, good and damaged.
xmesh/: the two-material quad of ok-quad.x in binary and compressed form, and damaged variants.
image/: damaged, hostile and false pictures."""
import random
import struct
import zlib

# ---- .x files ------------------------------------------------------------------------------

NAME, STRING, INTS, FLOATS, OPEN, CLOSE, SEMICOLON = 1, 2, 6, 7, 0x0A, 0x0B, 0x14


def name(text):
    return struct.pack('<HI', NAME, len(text)) + text.encode()


def string(text):
    return struct.pack('<HI', STRING, len(text)) + text.encode() + struct.pack('<H', SEMICOLON)


def ints(*values):
    return struct.pack('<HI', INTS, len(values)) + struct.pack('<%dI' % len(values), *values)


def floats(*values):
    return struct.pack('<HI', FLOATS, len(values)) + struct.pack('<%df' % len(values), *values)


def obj(head, *body):
    return (b''.join(name(part) for part in head.split()) + struct.pack('<H', OPEN) + b''.join(body) +
            struct.pack('<H', CLOSE))


def binary_quad(last_face):
    return obj('Mesh Quad',
               ints(4), floats(-1, 1, .5, 1, 1, .5, 1, -1, .5, -1, -1, .5),
               ints(2, 3, 0, 1, 2, 3, *last_face),
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


def replace(text, old, new):
    assert old in text, old
    return text.replace(old, new, 1)


quad = open('xmesh/ok-quad.x').read()
body = quad.split('\n', 1)[1].encode()
polygon = replace(replace(replace(quad, ' 2;\n 3;0,1,2;,\n 3;0,2,3;;', ' 1;\n 4;0,1,2,3;;'),
                          '  2;\n  0,\n  1;;', '  1;\n  0;;'), '  2;\n  3;0,0,0;,\n  3;0,0,0;;', '  1;\n  4;0,0,0,0;;')
meshes = {
    'ok-quad-bin.x': b'xof 0303bin 0032' + binary_quad((0, 2, 3)),
    'ok-quad-bzip.x': b'xof 0303bzip0032' + mszip(binary_quad((0, 2, 3))),
    'ok-quad-tzip.x': b'xof 0303tzip0032' + mszip(body),
    'ok-polygon.x': polygon,
    # What the importer takes on trust: a corner one past the last vertex (read from beyond the
    # vertex list), a bad corner of a polygon (dropped without notice), a face of a material that
    # does not exist (lost).
    'bad-corner-one-past-the-last-vertex.x': replace(quad, '3;0,2,3;;', '3;0,2,4;;'),
    'bad-corner-one-past-the-last-vertex-bin.x': b'xof 0303bin 0032' + binary_quad((0, 2, 4)),
    'bad-corner-of-a-polygon.x': replace(polygon, '4;0,1,2,3;;', '4;0,1,2,7;;'),
    'bad-face-of-a-missing-material.x': replace(quad, '  0,\n  1;;', '  0,\n  2;;'),
    'bad-more-materials-declared-than-given.x': replace(quad, '  2;\n  2;', '  3;\n  2;'),
    'bad-corner-far-beyond.x': replace(quad, '3;0,1,2;,', '3;0,1,2000000000;,'),
    'bad-normal-one-past.x': replace(quad, '3;0,0,0;;', '3;0,0,1;;'),
    'bad-normal-far-beyond.x': replace(quad, '3;0,0,0;,', '3;0,0,2000000000;,'),
    'bad-normals-of-another-shape.x': replace(quad, '3;0,0,0;;', '4;0,0,0,0;;'),
    'bad-four-billion-vertices.x': replace(quad, ' 4;\n -1.0;1.0', ' 4000000000;\n -1.0;1.0'),
    'bad-face-of-two-corners.x': replace(quad, '3;0,2,3;;', '2;0,2;;'),
    'bad-empty.x': '',
    'bad-half.x': quad[:len(quad) // 2],
    'bad-cut-in-a-material.x': quad[:300],
}

# What the model reader's child hands back for the quad (first as 'M', then vertices, indices,
# subsets and materials), for the fuzzer to start the checked hand-over from.
corners = [(-1, 1, .5, 0, 0), (1, 1, .5, 1, 0), (1, -1, .5, 1, 1), (-1, -1, .5, 0, 1)]
handover = b'M' + struct.pack('<I', 4) + b''.join(struct.pack('<8f', x, y, z, 0, 0, -1, u, v) for x, y, z, u, v in corners)
handover += struct.pack('<7I', 6, 0, 1, 2, 0, 2, 3) + struct.pack('<5I', 2, 0, 3, 3, 3)
handover += struct.pack('<I', 2) + (bytes(68) + struct.pack('<I', 0)) + (bytes(68) + struct.pack('<I', 4) + b'a.png')
meshes['handover-quad'] = handover

# ---- pictures ------------------------------------------------------------------------------

noise = random.Random(1)


def random_bytes(count):
    return bytes(noise.randrange(256) for _ in range(count))


png = open('image/ok-a.png', 'rb').read()
bmp_header = b'BM' + bytes(12) + struct.pack('<I', 40)
tga_header = bytearray(18)
tga_header[2], tga_header[12], tga_header[14], tga_header[16] = 2, 64, 64, 32
rle_tga = bytearray(tga_header)
rle_tga[2], rle_tga[12], rle_tga[14], rle_tga[16] = 10, 129, 1, 24  # 129 pixels need two packets
rows = b'\x00\x00\xff' * 4 + b'\xff\x00\x00' * 4
pictures = {
    # 4 x 2 pixels stored top row first (a negative height).
    'ok-top-down.bmp': (b'BM' + struct.pack('<IHHI', 54 + len(rows), 0, 0, 54) +
                        struct.pack('<IiiHHIIiiII', 40, 4, -2, 1, 24, 0, len(rows), 0, 0, 0, 0) + rows),
    'bad-rle-tga-one-packet-for-two.tga': bytes(rle_tga) + b'\xff\x10\x20\x30',
    'bad-tga-named-png.png': open('image/ok-raw.tga', 'rb').read(),
    # A JPEG frame header (260 x 260) on an SVG picture: only the JPEG decoder may run.
    'bad-jpeg-header-on-an-svg.jpg': (b'\xff\xd8\xff\xc0\x01\x11\x08\x01\x04\x01\x04\x03' +
                                      b"<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'>"
                                      b"<rect width='4' height='4' fill='red'/></svg>"),
    'bad-empty.png': b'',
    'bad-words.png': b'this is not a picture',
    'bad-truncated.png': png[:len(png) // 2],
    'bad-header-only.png': png[:33],
    'bad-corrupt.png': png[:41] + b'\xaa' * (len(png) - 53) + png[-12:],
    'bad-huge.bmp': bmp_header + struct.pack('<ii', 100000, 100000),
    'bad-zero-wide.bmp': bmp_header + struct.pack('<ii', 0, 100000),
    'bad-truncated.jpg': b'\xff\xd8\xff\xe0\x00\x10JFIF',
    'bad-noise.jpg': b'\xff\xd8\xff' + random_bytes(4000),
    # A frame header of 60000 x 60000 pixels and nothing after it.
    'bad-huge.jpg': bytes.fromhex('ffd8ffc0001108ea60ea60030122000211010311 01'.replace(' ', '')),
    'bad-short.tga': bytes(tga_header),
    'bad-unknown-kind.tga': bytes(tga_header[:2]) + b'\x07' + bytes(tga_header[3:]),
    'bad-noise.tga': random_bytes(4000),
    'bad-picture.gif': b'GIF89a' + random_bytes(100),
}

# ---- settings files ------------------------------------------------------------------------

settings = {
    'ok-crlf': '1024,768,32,0\r\n',
    'ok-lf': '800,600,16,1\n',
    'ok-lines': '800\r\n600\r\n32\r\n2\r\n',
    'ok-blanks': ' 640 , 480 ,16 ,\t0',
    'ok-text-after': '320,200,16,0 and then,some,text\r\n\x00\xff',
    'ok-negative': '-640,-480,-16,0',
    'ok-extremes': '2147483647,-2147483648,0000000000032,1',
    'bad-empty': '',
    'bad-two-numbers': '640,480\r\n',
    'bad-huge': '99999999999,600,32,0',
    'bad-one-past': '800,2147483648,32,0',
    'bad-windowed-5': '800,600,32,5',
    'bad-windowed-negative': '800,600,32,-1',
    'bad-lone-sign': '-,600,32,0',
    'bad-nul-after-a-number': '800\x00,600,32,0',
    'bad-utf16': '\ufeff800,600,32,0'.encode('utf-16-le'),
    'bad-binary': random.Random(3).randbytes(64),
}

for folder, files in (('xmesh', meshes), ('image', pictures), ('config', settings)):
    for file, content in files.items():
        with open(folder + '/' + file, 'wb') as out:
            out.write(content.encode('latin-1') if isinstance(content, str) else content)
