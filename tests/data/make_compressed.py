#!/usr/bin/env python3
"""Writes customers_rdw.dat (its records as GnuCOBOL wrote them, behind record
descriptor words) compressed three ways, each in several pieces:

  customers_rdw.dat.gz    two gzip members, cut after record 5; deflate with
                          zlib's smallest memory level, so that its blocks are
                          short and end inside bytes (many checkpoints)
  customers_rdw.dat.bz2   two bzip2 streams, cut after byte 1000 (inside a record)
  customers_rdw.dat.zst   three zstd frames, cut after bytes 700 and 1500

Usage: make_compressed.py   (run from generate.sh, in this folder; needs the zstd
command)

Each decompresses to customers_rdw.dat byte for byte (checked here), so its
records, offsets and values are customers_rdw.dat's. Members, streams and frames
are where decompression can start; the cuts are printed for the tests' notes.
"""
import bz2
import gzip
import os
import subprocess
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
FILES = os.path.join(HERE, "files")
SOURCE = os.path.join(FILES, "customers_rdw.dat")
GZIP_CUT = 5 * 204          # after record 5: 5 records of 4 + 200 bytes
BZIP2_CUT = 1000
ZSTD_CUTS = (700, 1500)
SMALLEST_MEMORY = 1         # zlib memLevel: blocks of 128 symbols


def gzip_member(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, 16 + 15, SMALLEST_MEMORY)
    return packer.compress(data) + packer.flush()


def zstd_frame(data):
    return subprocess.run(["zstd", "-q", "-c", "-19"], input=data, capture_output=True,
                          check=True).stdout


def pieces(data, cuts):
    starts = (0,) + tuple(cuts)
    return [data[a:b] for a, b in zip(starts, tuple(cuts) + (len(data),))]


def write(name, data, original, unpack):
    if unpack(data) != original:
        sys.exit("%s does not decompress to the original" % name)
    with open(os.path.join(FILES, name), "wb") as f:
        f.write(data)


def main():
    if len(sys.argv) != 1:
        sys.exit(__doc__)
    data = open(SOURCE, "rb").read()
    gz = b"".join(gzip_member(p) for p in pieces(data, (GZIP_CUT,)))
    write("customers_rdw.dat.gz", gz, data, gzip.decompress)
    bz = b"".join(bz2.compress(p, 9) for p in pieces(data, (BZIP2_CUT,)))
    write("customers_rdw.dat.bz2", bz, data, bz2.decompress)
    zst = b"".join(zstd_frame(p) for p in pieces(data, ZSTD_CUTS))
    write("customers_rdw.dat.zst", zst, data,
          lambda d: subprocess.run(["zstd", "-q", "-d", "-c"], input=d, capture_output=True,
                                   check=True).stdout)
    print("gzip: second member at compressed byte %d" % len(gzip_member(data[:GZIP_CUT])))
    print("bzip2: second stream at compressed byte %d" % len(bz2.compress(data[:BZIP2_CUT], 9)))


if __name__ == "__main__":
    main()
