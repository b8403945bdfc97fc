# Writes the test pictures that Pillow makes, and the sources of those ImageMagick and the JPEG
# tools make (README.md).
import math, sys
from PIL import Image

out = sys.argv[1]
W, H = 67, 45

def level(x, y):
    # left half: one-pixel checkerboard; right half: fine diagonal stripes over a gradient
    if x < W // 2:
        return 255 if (x + y) % 2 else 0
    return (x * 3 + y * 5) % 256 if (x + 2 * y) % 3 else 255 - (y * 255 // (H - 1))

def alpha(x, y):
    if y < 6:
        return 0
    if y >= H - 6:
        return 255
    return (x * 37 + y * 11) % 256

def rgb(x, y):
    return (level(x, y), (x * 255 // (W - 1)) if (x + y) % 2 else (y * 255 // (H - 1)),
            ((x * x + y * 3) * 7) % 256)

grey = Image.new('L', (W, H)); grey.putdata([level(x, y) for y in range(H) for x in range(W)])
grey.save(out + '/grey.png')
la = Image.new('LA', (W, H)); la.putdata([(level(x, y), alpha(x, y)) for y in range(H) for x in range(W)])
la.save(out + '/grey-alpha.png')
colour = Image.new('RGB', (W, H)); colour.putdata([rgb(x, y) for y in range(H) for x in range(W)])
colour.save('rgb.png')
# Progressive CMYK: Pillow's script writes 18 scans for four components.
colour.convert('CMYK').save(out + '/progressive-cmyk.jpg', progressive=True)
rgba = Image.new('RGBA', (W, H)); rgba.putdata([rgb(x, y) + (alpha(x, y),) for y in range(H) for x in range(W)])
rgba.save('rgba.png')

palette = colour.quantize(256)
palette.save(out + '/palette.png')
# A palette whose entries are each as transparent as its index says (tRNS of 256 entries).
palette.save(out + '/palette-trns.png', transparency=bytes((i * 53) % 256 for i in range(256)))
colour.quantize(4).save(out + '/palette-2bit.png', bits=2)
colour.quantize(16).save(out + '/palette-4bit.png', bits=4)

deep = Image.new('I;16', (W, H))
deep.putdata([level(x, y) * 257 ^ ((x * 131 + y * 71) % 256) for y in range(H) for x in range(W)])
deep.save(out + '/grey-16bit.png')

checker = Image.new('L', (64, 64)); checker.putdata([255 * ((x + y) % 2) for y in range(64) for x in range(64)])
checker.save(out + '/checkerboard-grey.png')

# Rings whose width shrinks outwards, dithered to black and white (Floyd-Steinberg).
side = 240
rings = Image.new('L', (side, side))
rings.putdata([int(127.5 + 127.5 * math.cos(((x - 120) ** 2 + (y - 120) ** 2) / 900.0))
               for y in range(side) for x in range(side)])
rings.convert('1').save(out + '/dithered-1bit.png')
