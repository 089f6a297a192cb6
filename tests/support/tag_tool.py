#!/usr/bin/python3
"""Makes and reads MP3 tags with mutagen, an independent reader, for the tag tests.

  tag_tool.py make PATH VERSION ENCODING [--extras] [NAME=VALUE...]  ID3v2.VERSION (3 or 4) with
      texts in ENCODING (0-3) and the fields named (TITLE, ARTIST, ALBUM, YEAR, COMMENT, GENRE);
      --extras adds a picture, lyrics, ReplayGain, a track, a described comment, a private frame
      and a frame no program knows
  tag_tool.py ape PATH [NAME=VALUE...]  an APEv2 tag with the fields named
  tag_tool.py read PATH        one line per field ("title<TAB>text") and per raw frame
                               ("frame<TAB>ID<TAB>hex"), and the version ("version<TAB>2.3")
"""
import sys

from mutagen.apev2 import APEv2
from mutagen.id3 import APIC, COMM, ID3, PRIV, TALB, TCON, TDRC, TIT2, TPE1, TRCK, TXXX, TYER, USLT

FIELDS = ("TITLE", "ARTIST", "ALBUM", "YEAR", "COMMENT", "GENRE")


def make(path, version, encoding, extras, env):
    tag = ID3()
    for name, frame in (("TITLE", TIT2), ("ARTIST", TPE1), ("ALBUM", TALB), ("YEAR", TYER if version == 3 else TDRC), ("GENRE", TCON)):
        if name in env:
            tag.add(frame(encoding=encoding, text=env[name]))
    if "COMMENT" in env:
        tag.add(COMM(encoding=encoding, lang="eng", desc="", text=env["COMMENT"]))
    if extras:
        tag.add(APIC(encoding=0, mime="image/png", type=3, desc="cover", data=bytes(range(256)) * 40))
        tag.add(USLT(encoding=1, lang="eng", desc="", text="la la la"))
        tag.add(TXXX(encoding=0, desc="REPLAYGAIN_TRACK_GAIN", text="-6.50 dB"))
        tag.add(TRCK(encoding=0, text="7/12"))
        tag.add(COMM(encoding=0, lang="eng", desc="iTunNORM", text=" 0000044E 00000000"))
        tag.add(PRIV(owner="vorne.test", data=b"\x00\x01\x02private"))
    tag.save(path, v2_version=version, v1=0, padding=lambda info: 512)
    if extras:
        # A frame of an identifier nobody knows, written over the start of the padding.
        with open(path, "r+b") as f:
            data = bytearray(f.read())
            end = frames_end(data)
            body = b"\x01\x02\x03unknown"
            size = len(body).to_bytes(4, "big") if version == 3 else synchsafe(len(body))
            f.seek(end)
            f.write(b"XVRN" + size + b"\x00\x00" + body)


def synchsafe(n):
    return bytes(((n >> 21) & 0x7F, (n >> 14) & 0x7F, (n >> 7) & 0x7F, n & 0x7F))


def frames(data):
    """The raw frames of the ID3v2 tag at the start of `data`: (id, bytes with header)."""
    if data[:3] != b"ID3":
        return []
    major = data[3]
    size = int.from_bytes(synchsafe_decode(data[6:10]), "big")
    pos, end, out = 10, 10 + size, []
    while pos + 10 <= end and data[pos:pos + 4].isalnum():
        raw = data[pos + 4:pos + 8]
        n = int.from_bytes(raw, "big") if major == 3 else int.from_bytes(synchsafe_decode(raw), "big")
        out.append((data[pos:pos + 4].decode(), bytes(data[pos:pos + 10 + n])))
        pos += 10 + n
    return out


def synchsafe_decode(raw):
    n = (raw[0] << 21) | (raw[1] << 14) | (raw[2] << 7) | raw[3]
    return n.to_bytes(4, "big")


def frames_end(data):
    return 10 + sum(len(raw) for _, raw in frames(data))


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    try:
        tag = ID3(path)
    except Exception:
        tag = None
    if tag is not None:
        print("version\t%d.%d" % tag.version[:2])
        for name, key in (("title", "TIT2"), ("artist", "TPE1"), ("album", "TALB"), ("year", "TDRC"), ("year", "TYER"),
                          ("genre", "TCON")):
            if key in tag:
                print("%s\t%s" % (name, tag[key].text[0]))
        for frame in tag.getall("COMM"):
            if frame.desc == "":
                print("comment\t%s" % frame.text[0])
    for ident, raw in frames(data):
        print("frame\t%s\t%s" % (ident, raw.hex()))


def ape(path, env):
    tag = APEv2()
    for name in FIELDS:
        if name in env:
            tag[name.capitalize()] = env[name]
    tag.save(path)


def named(words):
    return dict(word.split("=", 1) for word in words if "=" in word)


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "make":
        make(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), "--extras" in sys.argv, named(sys.argv[5:]))
    elif command == "ape":
        ape(sys.argv[2], named(sys.argv[3:]))
    elif command == "read":
        read(sys.argv[2])
