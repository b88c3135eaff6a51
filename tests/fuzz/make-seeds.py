#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into tests/fuzz/corpus/<target>/.

The seeds are the shipped assets, small well-formed files in each layout the readers take, a few
truncated or corrupt ones, and the malformed files of the reader tests (tests/gfx/data). The
images are made from assets/graph.bmp and a gradient with ImageMagick's convert (stripped of
dates, so the bytes are the same on every run). Run it again after changing it and commit the
files it writes; the fuzzers never write into these folders (scripts/fuzz works on a copy).
"""
import pathlib
import shutil
import struct
import subprocess
import tempfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
ASSETS = ROOT / "assets"
CORPUS = ROOT / "tests" / "fuzz" / "corpus"


def dds(width, height, data, *, mips=0, pf_flags=0x41, fourcc=b"\0\0\0\0", bits=32,
        masks=(0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000), caps2=0):
    flags = 0x1007 | (0x20000 if mips else 0)
    header = struct.pack("<4s7I44x", b"DDS ", 124, flags, height, width, 0, 0, mips)
    pixel_format = struct.pack("<2I4s5I", 32, pf_flags, fourcc, bits, *masks)
    caps = struct.pack("<5I", 0x1000, caps2, 0, 0, 0)
    out = header + pixel_format + caps
    assert len(out) == 128
    return out + bytes(data)


def ramp(n, step=37):
    return bytes((i * step + 11) & 0xFF for i in range(n))


def dxt_block(kind):
    colour = struct.pack("<HHI", 0xF800, 0x001F, 0xE4E4E4E4)
    if kind == "DXT1":
        return colour
    if kind == "DXT3":
        return bytes([0x0F, 0xF0, 0x5A, 0xA5, 0x00, 0xFF, 0x12, 0x34]) + colour
    return bytes([255, 0, 0b10001000, 0b00001110, 0x6D, 0xB6, 0x6D, 0xB6]) + colour


def dds_seeds():
    seeds = {"torvanine.dds": (ASSETS / "torvanine.dds").read_bytes()}
    seeds["rgba32-2x2.dds"] = dds(2, 2, ramp(16))
    seeds["rgb32-noalpha-1x1.dds"] = dds(1, 1, ramp(4), pf_flags=0x40)
    seeds["bgr32-1x1.dds"] = dds(1, 1, ramp(4), masks=(0xFF, 0xFF00, 0xFF0000, 0xFF000000))
    seeds["rgb24-3x1.dds"] = dds(3, 1, ramp(9), pf_flags=0x40, bits=24,
                                 masks=(0xFF0000, 0xFF00, 0xFF, 0))
    seeds["rgb565-in-32bit-2x1.dds"] = dds(2, 1, ramp(8), pf_flags=0x40,
                                           masks=(0xF800, 0x07E0, 0x001F, 0))
    seeds["rgba32-mips-8x8.dds"] = dds(8, 8, ramp((64 + 16 + 4 + 1) * 4), mips=4)
    seeds["rgba32-mips-4x2.dds"] = dds(4, 2, ramp((8 + 2 + 1) * 4), mips=3)
    for kind in ("DXT1", "DXT3", "DXT5"):
        block = dxt_block(kind)
        seeds[f"{kind.lower()}-4x4.dds"] = dds(4, 4, block, pf_flags=0x4, fourcc=kind.encode())
        seeds[f"{kind.lower()}-5x3.dds"] = dds(5, 3, block * 2, pf_flags=0x4, fourcc=kind.encode())
        seeds[f"{kind.lower()}-mips-8x8.dds"] = dds(8, 8, block * (4 + 1 + 1 + 1), mips=4,
                                                    pf_flags=0x4, fourcc=kind.encode())
    # Malformed: cut header, cut pixels, mip count past the data, refused layouts.
    seeds["cut-header.dds"] = seeds["rgba32-2x2.dds"][:100]
    seeds["cut-pixels.dds"] = seeds["rgba32-2x2.dds"][:-1]
    seeds["mips-past-end.dds"] = dds(8, 8, ramp(64 * 4), mips=4)
    seeds["cubemap.dds"] = dds(1, 1, ramp(4 * 6), caps2=0xFE00)
    seeds["dx10.dds"] = dds(1, 1, bytes(20) + ramp(4), pf_flags=0x4, fourcc=b"DX10")
    return seeds


def convert(source, target, *options):
    subprocess.run(["convert", str(source), "-strip", *options, str(target)], check=True)


def image_seeds(tmp):
    small = tmp / "small.png"
    # 16 x 16: a red to blue gradient, its alpha the particle sprite.
    subprocess.run(["convert", "-size", "16x16", "gradient:#ff2000-#0040ff", "(", str(ASSETS / "graph.bmp"),
                    "-resize", "16x16", ")", "-alpha", "off", "-compose", "CopyOpacity", "-composite", "-depth", "8",
                    "-strip", str(small)], check=True)
    made = {
        "rgba.png": ["PNG32:"],
        "rgb.png": ["-alpha", "off", "PNG24:"],
        "gray.png": ["-colorspace", "Gray", "-alpha", "off"],
        "palette.png": ["-alpha", "off", "-colors", "16", "-type", "Palette", "PNG8:"],
        "interlaced.png": ["-interlace", "PNG", "PNG32:"],
        "deep.png": ["-depth", "16", "PNG64:"],
        "rgb24.bmp": ["-alpha", "off", "-type", "TrueColor", "BMP3:"],
        "palette8.bmp": ["-alpha", "off", "-colors", "16", "-type", "Palette", "BMP3:"],
        "mono.bmp": ["-alpha", "off", "-monochrome", "BMP3:"],
        "bitfields.bmp": ["-type", "TrueColorAlpha", "BMP:"],
        "rgba.tga": [],
        "rle.tga": ["-compress", "RLE"],
        "gray.tga": ["-colorspace", "Gray", "-alpha", "off"],
        "palette.tga": ["-alpha", "off", "-colors", "16", "-type", "Palette"],
        "baseline.jpg": ["-alpha", "off", "-quality", "80"],
        "progressive.jpg": ["-alpha", "off", "-interlace", "JPEG", "-quality", "80"],
        "gray.jpg": ["-alpha", "off", "-colorspace", "Gray", "-quality", "80"],
        "subsampled.jpg": ["-alpha", "off", "-sampling-factor", "2x2", "-quality", "50"],
    }
    seeds = {"graph.bmp": (ASSETS / "graph.bmp").read_bytes()}
    for name, options in made.items():
        prefix = next((o for o in options if o.endswith(":")), "")
        options = [o for o in options if not o.endswith(":")]
        out = tmp / name
        convert(small, f"{prefix}{out}", *options)
        seeds[name] = out.read_bytes()
    # OS/2 bitmap: 12-byte info header, 2 x 2, 24 bits, rows padded to four bytes.
    rows = (ramp(6) + b"\0\0") * 2
    seeds["os2.bmp"] = struct.pack("<2sI4xI", b"BM", 26 + len(rows), 26) + \
        struct.pack("<IHHHH", 12, 2, 2, 1, 24) + rows
    # Malformed: each container cut short, and a BMP whose size does not fit its pixels.
    seeds["cut.png"] = seeds["rgba.png"][: len(seeds["rgba.png"]) // 2]
    seeds["cut.jpg"] = seeds["baseline.jpg"][: len(seeds["baseline.jpg"]) * 2 // 3]
    seeds["cut.tga"] = seeds["rle.tga"][:-5]
    huge = bytearray(seeds["rgb24.bmp"])
    struct.pack_into("<ii", huge, 18, 16384, 16384)
    seeds["huge.bmp"] = bytes(huge)
    # The malformed files of the reader tests, found by fuzzing or made by hand.
    for path in sorted((ROOT / "tests" / "gfx" / "data").iterdir()):
        seeds[path.name] = path.read_bytes()
    # A few DDS files, since the loader picks the reader by the bytes.
    for name, data in dds_seeds().items():
        if name in ("rgba32-2x2.dds", "dxt5-5x3.dds", "dxt1-mips-8x8.dds", "cut-pixels.dds"):
            seeds[name] = data
    return seeds


MINIMAL = """gfx-effect 1
parameter float4x4 m
parameter float4 v
parameter texture t
source vs
void main() { gl_Position = m * vec4(0.0); }
end
source fs
out vec4 c;
void main() { c = v * texture(t, vec2(0.5)); }
end
technique T
pass 0 vs fs
"""


def effect_seeds():
    seeds = {"shader.bin": (ASSETS / "shader.bin").read_bytes(), "minimal.fx": MINIMAL.encode()}
    seeds["crlf.fx"] = MINIMAL.replace("\n", "\r\n\r\n# note\r\n").encode()
    seeds["tabs.fx"] = MINIMAL.replace(" ", "\t  ").encode()
    passes = "".join(f"pass {i} vs fs\n" for i in range(16))
    seeds["sixteen-passes.fx"] = (MINIMAL + "technique U\n" + passes).encode()
    seeds["unterminated.fx"] = MINIMAL.split("end\nsource fs")[0].encode()
    seeds["pass-gap.fx"] = MINIMAL.replace("pass 0", "pass 1").encode()
    seeds["missing-source.fx"] = MINIMAL.replace("pass 0 vs fs", "pass 0 vs ps").encode()
    seeds["no-pass.fx"] = MINIMAL.replace("pass 0 vs fs\n", "").encode()
    seeds["binary.fx"] = b"gfx-effect 1\n\x00\xff\xfe" + ramp(40)
    return seeds


def write(target, seeds):
    folder = CORPUS / target
    if folder.exists():
        shutil.rmtree(folder)
    folder.mkdir(parents=True)
    for name, data in sorted(seeds.items()):
        (folder / name).write_bytes(data)


def main():
    with tempfile.TemporaryDirectory() as tmp:
        write("dds", dds_seeds())
        write("texture", image_seeds(pathlib.Path(tmp)))
        write("effect", effect_seeds())


if __name__ == "__main__":
    main()
