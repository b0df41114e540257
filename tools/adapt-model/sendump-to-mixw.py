#!/usr/bin/env python3
"""Expands the compressed mixture weights of a PocketSphinx model (sendump) into the
SphinxTrain mixture_weights file that training tools read.

Usage: sendump-to-mixw.py SENDUMP MIXTURE_WEIGHTS

sendump: a header of length-prefixed strings ended by a zero length, then the number of
codewords and of senones, then per feature stream and codeword one byte per senone: the
weight's negative log (base 1.0001) shifted right by 10 bits.
"""
import array
import struct
import sys


def read_sendump(path):
    with open(path, "rb") as f:
        data = f.read()
    pos = 0

    def int32():
        nonlocal pos
        (v,) = struct.unpack_from("<i", data, pos)
        pos += 4
        return v

    features, shift = 1, 10
    while True:
        n = int32()
        if n == 0:
            break
        if n < 0 or n > 65536:
            raise SystemExit("%s: not a little-endian sendump" % path)
        line = data[pos:pos + n].rstrip(b"\0").decode("ascii", "replace")
        pos += n
        key, _, value = line.partition(" ")
        if key == "feature_count":
            features = int(value)
        elif key == "mixw_shift":
            shift = int(value)
        elif key == "cluster_count" and int(value) != 0:
            raise SystemExit("%s: clustered weights are not supported" % path)
    codewords, senones = int32(), int32()
    if len(data) - pos != features * codewords * senones:
        raise SystemExit("%s: %d bytes of weights, expected %d x %d x %d"
                         % (path, len(data) - pos, features, codewords, senones))
    return data[pos:], features, codewords, senones, shift


def main():
    raw, features, codewords, senones, shift = read_sendump(sys.argv[1])
    # Byte (feature, codeword, senone) -> weight (senone, feature, codeword), each senone's
    # weights of a stream summing to 1.
    out = array.array("f", bytes(4 * senones * features * codewords))
    table = [1.0001 ** -(b << shift) for b in range(256)]
    for f in range(features):
        for c in range(codewords):
            row = raw[(f * codewords + c) * senones:(f * codewords + c + 1) * senones]
            base = f * codewords + c
            for s, b in enumerate(row):
                out[(s * features) * codewords + base] = table[b]
    for s in range(senones):
        for f in range(features):
            start = (s * features + f) * codewords
            total = sum(out[start:start + codewords]) or 1.0
            for c in range(start, start + codewords):
                out[c] /= total
    if sys.byteorder != "little":
        out.byteswap()
    with open(sys.argv[2], "wb") as f:
        header = b"s3\nversion 1.0\n"
        pad = (4 - (len(header) + len(b"endhdr\n")) % 4) % 4
        f.write(header + b" " * pad + b"endhdr\n")
        f.write(struct.pack("<i", 0x11223344))
        f.write(struct.pack("<IIII", senones, features, codewords, senones * features * codewords))
        f.write(out.tobytes())


if __name__ == "__main__":
    main()
