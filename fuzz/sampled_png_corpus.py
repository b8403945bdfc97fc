# Writes the seeds of the sampled_png harness (fuzz/sampled_png.cpp): small PNGs of every colour
# type at the bit depths it allows, interlaced and not, with transparency of each kind, of sizes
# that no step divides, and broken the ways downloads break. Each seed is the harness's three
# bytes (the step, then the bound in pixels less one, big-endian) and the PNG.
#   python3 fuzz/sampled_png_corpus.py fuzz/corpus/sampled_png CASES_FOLDER
# CASES_FOLDER holds the project's picture-decoding cases, copied in behind a prefix each.
# Only the standard library: the chunks are written here, so that a seed can break them.
import os
import struct
import sys
import zlib

GREY, RGB, PALETTE, GREY_ALPHA, RGBA = 0, 2, 3, 4, 6
CHANNELS = {GREY: 1, RGB: 3, PALETTE: 1, GREY_ALPHA: 2, RGBA: 4}
# Steps the harness reads from the first byte: 8, 4, 2, or the one the image reader takes.
STEP_8, STEP_4, STEP_2, READER = 0, 1, 2, 3

# Adam7: each pass's first column and row, and how far apart its pixels lie.
PASSES = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
          (0, 1, 1, 2)]


def chunk(kind, data):
    return (struct.pack('>I', len(data)) + kind + data +
            struct.pack('>I', zlib.crc32(kind + data) & 0xffffffff))


def sample(x, y, channel, depth, width):
    # Unlike its neighbours at every pixel and channel; a one-pixel checkerboard on the left
    # third, which a block showing one of its pixels would show black or white.
    top = (1 << depth) - 1
    if x * 3 < width:
        return top if (x + y + channel) % 2 else 0
    # An odd factor spreads the levels over every bit, a 16-bit sample's high byte too.
    return ((x * 37 + y * 101 + channel * 53 + x * y) * 40503) % (top + 1)


def packed_row(values, depth):
    if depth == 16:
        return b''.join(struct.pack('>H', v) for v in values)
    if depth == 8:
        return bytes(values)
    out = bytearray((len(values) * depth + 7) // 8)
    for i, v in enumerate(values):
        bit = i * depth
        out[bit // 8] |= v << (8 - depth - bit % 8)
    return bytes(out)


def pixels_of(width, height, colour, depth, alpha=None, index_count=None):
    channels = CHANNELS[colour]

    def value(x, y, c):
        if colour == PALETTE:
            return sample(x, y, c, depth, width) % index_count
        if alpha is not None and c == channels - 1:
            return alpha(x, y, depth)
        return sample(x, y, c, depth, width)
    return [[[value(x, y, c) for c in range(channels)] for x in range(width)]
            for y in range(height)]


def image_data(pixels, depth, interlaced):
    height, width = len(pixels), len(pixels[0])
    rows = []
    passes = PASSES if interlaced else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        columns = list(range(x0, width, dx))
        if not columns:
            continue
        for y in range(y0, height, dy):
            values = [v for x in columns for v in pixels[y][x]]
            rows.append(b'\x00' + packed_row(values, depth))
    return b''.join(rows)


def png(width, height, colour, depth, interlaced, pixels, before_idat=(), level=9,
        idat_size=None):
    # The compressed rows in IDAT chunks of `idat_size` bytes, or in one.
    header = struct.pack('>IIBBBBB', width, height, depth, colour, 0, 0, int(interlaced))
    data = zlib.compress(image_data(pixels, depth, interlaced), level)
    size = idat_size or len(data)
    idats = [chunk(b'IDAT', data[at:at + size]) for at in range(0, len(data), size)]
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + b''.join(before_idat) +
            b''.join(idats) + chunk(b'IEND', b''))


def palette_chunk(count):
    return chunk(b'PLTE', b''.join(bytes(((i * 37) % 256, 255 - i, (i * 7) % 256))
                                   for i in range(count)))


def ramp_alpha(x, y, depth):
    # Transparent at the top, opaque at the bottom, changing at every pixel between.
    top = (1 << depth) - 1
    if y < 2:
        return 0
    if y >= 9:
        return top
    return (x * 59 + y * 13) % (top + 1)


def prefix(step, bound):
    return bytes((step,)) + struct.pack('>H', bound - 1)


def main():
    out, cases = sys.argv[1], sys.argv[2]
    os.makedirs(out, exist_ok=True)
    seeds = {}

    # Every colour type at every bit depth it allows, on sizes no step divides, each type
    # interlaced at some depths and not at others (the seeds below hold more of each); the
    # bounds alternate between one the averages fit whole and one that scales them.
    kinds = [(GREY, 1, True), (GREY, 2, False), (GREY, 4, True), (GREY, 8, False),
             (GREY, 16, True), (RGB, 8, False), (RGB, 16, True), (PALETTE, 1, False),
             (PALETTE, 2, True), (PALETTE, 4, False), (PALETTE, 8, True),
             (GREY_ALPHA, 8, True), (GREY_ALPHA, 16, False), (RGBA, 8, False), (RGBA, 16, True)]
    names = {GREY: 'grey', RGB: 'rgb', PALETTE: 'palette', GREY_ALPHA: 'grey_alpha',
             RGBA: 'rgba'}
    for number, (colour, depth, interlaced) in enumerate(kinds):
        width, height = (23, 13) if interlaced else (19, 11)
        count = min(1 << depth, 256)
        pixels = pixels_of(width, height, colour, depth,
                           ramp_alpha if colour in (GREY_ALPHA, RGBA) else None, count)
        extra = [palette_chunk(count)] if colour == PALETTE else []
        step = number % 4
        bound = 40 if step == READER else (9 if number % 2 else 400)
        name = '%s_%d%s.png' % (names[colour], depth, '_interlaced' if interlaced else '')
        seeds[name] = prefix(step, bound) + png(width, height, colour, depth, interlaced, pixels,
                                                extra)

    # Transparency by a tRNS chunk: a grey level, an RGB colour of 16 bits (present in the
    # picture), and a palette whose tRNS is shorter than the palette (the rest opaque).
    grey = pixels_of(21, 10, GREY, 8)
    seeds['grey_8_trns.png'] = prefix(STEP_2, 400) + png(
        21, 10, GREY, 8, False, grey, [chunk(b'tRNS', struct.pack('>H', grey[3][5][0]))])
    low = pixels_of(17, 9, GREY, 2)
    seeds['grey_2_trns_interlaced.png'] = prefix(STEP_4, 400) + png(
        17, 9, GREY, 2, True, low, [chunk(b'tRNS', struct.pack('>H', 1))])
    deep = pixels_of(13, 11, RGB, 16)
    deep[4] = [[0xc8c8, 0x0a0a, 0x1e1e] if x % 3 == 0 else p for x, p in enumerate(deep[4])]
    seeds['rgb_16_trns.png'] = prefix(READER, 30) + png(
        13, 11, RGB, 16, False, deep, [chunk(b'tRNS', struct.pack('>HHH', 0xc8c8, 0x0a0a, 0x1e1e))])
    seeds['rgb_16_trns_interlaced.png'] = prefix(STEP_2, 9) + png(
        13, 11, RGB, 16, True, deep, [chunk(b'tRNS', struct.pack('>HHH', 0xc8c8, 0x0a0a, 0x1e1e))])
    colours = pixels_of(19, 10, RGB, 8)
    seeds['rgb_8_trns_interlaced.png'] = prefix(READER, 40) + png(
        19, 10, RGB, 8, True, colours, [chunk(b'tRNS', struct.pack('>HHH', *colours[2][7]))])
    indexed = pixels_of(27, 14, PALETTE, 4, index_count=16)
    short_trns = chunk(b'tRNS', bytes((0, 90, 180)))
    seeds['palette_4_short_trns.png'] = prefix(STEP_4, 400) + png(
        27, 14, PALETTE, 4, False, indexed, [palette_chunk(16), short_trns])
    seeds['palette_4_short_trns_interlaced.png'] = prefix(READER, 30) + png(
        27, 14, PALETTE, 4, True, indexed, [palette_chunk(16), short_trns])
    # Indices past a palette of 5 colours: opaque black.
    seeds['palette_8_indices_past_palette.png'] = prefix(STEP_2, 400) + png(
        17, 9, PALETTE, 8, False, pixels_of(17, 9, PALETTE, 8, index_count=9),
        [palette_chunk(5), chunk(b'tRNS', bytes((7, 250)))])

    # Odd shapes: a single pixel, a column and a row thinner than a block, a picture of one
    # block and one pixel each way; rows stored, not compressed, so that a byte changed is a
    # sample changed.
    seeds['rgba_8_one_pixel.png'] = prefix(STEP_8, 1) + png(
        1, 1, RGBA, 8, False, pixels_of(1, 1, RGBA, 8, ramp_alpha), level=0)
    seeds['grey_8_column_interlaced.png'] = prefix(STEP_2, 20) + png(
        1, 37, GREY, 8, True, pixels_of(1, 37, GREY, 8), level=0)
    seeds['rgb_8_row.png'] = prefix(STEP_8, 5) + png(
        41, 1, RGB, 8, False, pixels_of(41, 1, RGB, 8), level=0)
    seeds['rgba_8_nine_interlaced.png'] = prefix(STEP_8, 4) + png(
        9, 9, RGBA, 8, True, pixels_of(9, 9, RGBA, 8, ramp_alpha), level=0)
    seeds['palette_1_stored_interlaced.png'] = prefix(READER, 50) + png(
        33, 17, PALETTE, 1, True, pixels_of(33, 17, PALETTE, 1, index_count=2),
        [palette_chunk(2), chunk(b'tRNS', bytes((128,)))], level=0)

    # Broken: an IDAT whose length is longer than the file, and files cut in the middle of
    # an IDAT: of a single IDAT, and interlaced ones in IDATs of a few hundred bytes or in one,
    # cut after the passes that bring a pixel of every block of 4 x 4 and 2 x 2, which show
    # the averages of the pixels that came.
    whole = png(19, 11, RGB, 8, False, pixels_of(19, 11, RGB, 8), level=0)
    at = whole.index(b'IDAT') - 4
    seeds['rgb_8_idat_longer_than_file.png'] = prefix(STEP_4, 400) + \
        whole[:at] + struct.pack('>I', 0x7ffffff0) + whole[at + 4:]
    seeds['rgb_8_cut_in_idat.png'] = prefix(STEP_2, 400) + whole[:at + 8 + 300]
    cut = png(25, 19, RGBA, 8, True, pixels_of(25, 19, RGBA, 8, ramp_alpha), level=0,
              idat_size=200)
    seeds['rgba_8_interlaced_cut_in_idat.png'] = prefix(STEP_4, 400) + cut[:len(cut) * 2 // 3]
    one = png(25, 19, RGBA, 8, True, pixels_of(25, 19, RGBA, 8, ramp_alpha), level=0)
    seeds['rgba_8_interlaced_one_idat_cut.png'] = prefix(STEP_2, 400) + one[:len(one) * 3 // 4]
    grey_cut = png(29, 21, GREY, 4, True, pixels_of(29, 21, GREY, 4), level=0, idat_size=64)
    seeds['grey_4_interlaced_cut_in_idat.png'] = prefix(READER, 60) + \
        grey_cut[:len(grey_cut) * 3 // 4]

    # The project's picture-decoding cases.
    case_prefixes = {
        'one-pixel-checkerboard-grey.png': prefix(READER, 256),
        'sixteen-bit-rgb-transparent-colour.png': prefix(READER, 600),
        'text-chunk-longer-than-file.png': prefix(READER, 256),
        'first-frame-own-colour-table.gif': prefix(STEP_2, 16),
    }
    for name, first in case_prefixes.items():
        with open(os.path.join(cases, name), 'rb') as case:
            seeds['case_' + name.replace('-', '_')] = first + case.read()

    for name, data in sorted(seeds.items()):
        with open(os.path.join(out, name), 'wb') as seed:
            seed.write(data)


main()
