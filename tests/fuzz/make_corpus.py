#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets from the test tables in tests/data.

    python3 tests/fuzz/make_corpus.py [OUTPUT_DIR]    (default: tests/fuzz/corpus)

Each target gets a few dozen small inputs in its own folder, named after what they
hold. The byte layouts are those described at the top of each target's source.
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
DATA = os.path.join(ROOT, "tests", "data")

# The symbology enumeration in declaration order (its value is the index).
with open(os.path.join(ROOT, "engine", "symbology.h"), encoding="utf-8") as f:
    body = re.search(r"enum TksBarcodeSymbology : uint8_t \{(.*?)\};", f.read(), re.S).group(1)
SYMBOLOGIES = [s.strip() for s in body.split(",") if s.strip()]

# Every path ListProperties gives for a fresh barcode object, read-only ones included, in
# table order (the --set target indexes this list); the encode target indexes the
# writable ones less those its fixed header sets. When the tables change, stale indexes
# only make the seeds less targeted: the fuzzer takes any byte as some path.
ALL_PATHS = """
Name Tag BackgroundColor Options BarCode BarcodeSymbology QuietZone.IndicatorSize
QuietZone.Style QuietZone.Pen.Color QuietZone.Pen.Mode QuietZone.Pen.Style QuietZone.Pen.Width
QuietZone.Left QuietZone.Top QuietZone.Right QuietZone.Bottom QuietZone.Visible HorzLines.Color
HorzLines.Mode HorzLines.Style HorzLines.Width HorzLines.LinesCount ErrorInfo.Mode ErrorInfo.Code
ErrorInfo.Idx ErrorInfo.Par1 ErrorInfo.Par2 ErrorInfo.ErrorChar ErrorInfo.HelpIndex LinesColor Angle
""".split()
for cap in ("CaptionUpper", "CaptionBottom", "CaptionHuman"):
    ALL_PATHS += [cap + "." + p for p in """Visible Text.Count Font.Charset Font.Color Font.Height Font.Name
                  Font.Pitch Font.Size Font.Style AutoSize Alignment AutoCaption MaxHeight ParentFont
                  LineSpacing BgColor""".split()]
ALL_PATHS += """
Params.SegmentCount Params.SegmentIndex Params.ECI Params.Ratio Params.GS1.FNC1Type
Params.GS1.FNC1InputType Params.PDF417.Mode Params.PDF417.Rows Params.PDF417.Cols
Params.PDF417.SecurityLevel Params.PDF417.FileSize Params.PDF417.Sender Params.PDF417.Addresse
Params.PDF417.TimeStamp Params.PDF417.Kind Params.PDF417.UseMacro Params.PDF417.FileName
Params.PDF417.Checksum Params.PDF417.UsedRows Params.PDF417.UsedCols Params.PDF417.UsedECL
Params.FileID Params.DataMatrix.Encoding Params.DataMatrix.Version Params.QRCode.Mode
Params.QRCode.MicroQR Params.QRCode.EccLevel Params.QRCode.Version Params.QRCode.Mask
Params.QRCode.FileName Params.QRCode.Checksum Params.QRCode.UsedVersion Params.QRCode.UsedMask
Params.QRCode.UsedMicroQR Params.QRCode.UsedMode Params.QRCode.UsedECCLevel
""".split()
# The --set target adds two line keys after them.
SET_PATHS = ALL_PATHS + ["CaptionUpper.Text.Line0", "CaptionHuman.Text.Line3"]
READ_ONLY = {p for p in ALL_PATHS if p.split(".")[-1].startswith("Used") or
             (p.startswith("ErrorInfo.") and p != "ErrorInfo.Mode")}
HEADER_SET = {"Name", "Tag", "BarCode", "BarcodeSymbology", "Options", "Angle", "Params.Ratio", "ErrorInfo.Mode"}
SETTABLE = [p for p in ALL_PATHS if p not in READ_ONLY and p not in HEADER_SET]

ENUMS = {
    "GS1.FNC1Type": ["fnc1None", "fnc1FirstPosition", "fnc1SecondPosition", "fnc1GS1"],
    "GS1.FNC1InputType": ["gs1Separators", "gs1Percent", "gs1Classic", "gs1Tilde"],
    "PDF417.Mode": ["alpha", "binary", "hex", "numeric", "auto"],
    "PDF417.Kind": ["standard", "truncated", "micro"],
    "DataMatrix.Encoding": ["dmeAutomatic", "dmeASCII", "dmeBinary", "dmeEDIFACT", "dmeText", "dmeX12", "dmeC40"],
    "QRCode.EccLevel": ["L", "M", "Q", "H"],
    "QuietZone.Style": ["qzNone", "qzLines", "qzTriangel", "qzRectangle"],
}
DM_VERSIONS = ("ksDMAutomatic ksDM10x10 ksDM12x12 ksDM14x14 ksDM16x16 ksDM18x18 ksDM20x20 ksDM22x22 ksDM24x24 "
               "ksDM26x26 ksDM32x32 ksDM36x36 ksDM40x40 ksDM44x44 ksDM48x48 ksDM52x52 ksDM64x64 ksDM72x72 "
               "ksDM80x80 ksDM88x88 ksDM96x96 ks104x104 ksDM120x120 ksDM132x132 ksDM144x144 ksDM8x18 ksDM8x32 "
               "ksDM12x26 ksDM12x36 ksDM16x36 ksDm16x48").split()
OPTIONS = ["boTransparent", "boSecurity", "boStartStopLines", "boAddOnUp", "boEnableEditor", "boAutoSize",
           "boAutoHint", "boAutoCheckDigit", "boEditorAfterCreate", "boFlipVertical", "boFlipHorizontal",
           "boReflectanceReversal", "boPaintIfSmall", "boAddLeadingZero", "boAutoSecurity", "boHideIfEmpty",
           "boHideIfException"]
DEFAULT_OPTIONS = 0x1FF


def enum_byte(kind, name):
    return bytes([ENUMS[kind].index(name)])


def int_bytes(v):
    """An integer value as the encode target reads it: small ones in one byte."""
    if -64 <= v <= 63:
        return bytes([v & 0x7F])
    return bytes([0x80]) + (v & 0xFFFFFFFF).to_bytes(4, "big")


def setting(path, value_bytes):
    return bytes([SETTABLE.index(path)]) + value_bytes


def encode_input(symbology, data, options=DEFAULT_OPTIONS, angle=0, ratio=0, error_mode=1, w=120, h=60,
                 settings=(), utf16=False):
    assert len(settings) < 16
    head = bytes([SYMBOLOGIES.index(symbology), (options >> 16) & 0xFF, (options >> 8) & 0xFF, options & 0xFF,
                  angle, ratio, error_mode, w, h, len(settings) << 4 | (1 if utf16 else 0)])
    return head + b"".join(settings) + data


def unescape(s):
    return re.sub(r"\\x([0-9A-Fa-f]{2})", lambda m: chr(int(m.group(1), 16)), s)


def table_rows(name):
    with open(os.path.join(DATA, name), encoding="utf-8") as f:
        return [line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")]


def encode_seeds():
    seeds = {}
    # One row of every linear symbology in the EAN / 2 of 5 / Code 39 / Code 93 table.
    seen = set()
    for row in table_rows("ean_2of5_39_93_vectors.txt"):
        sym, opts, text = row.split("\t")[:3]
        if sym in seen:
            continue
        seen.add(sym)
        options = DEFAULT_OPTIONS
        for o in filter(None, opts.split(",")):
            if o.startswith("+"):
                options |= 1 << OPTIONS.index(o[1:])
            elif o.startswith("-") and len(o) > 1:
                options &= ~(1 << OPTIONS.index(o[1:]))
        seeds[f"{sym}-{text}"] = encode_input(sym, text.encode(), options=options)
    families = {"code128": "bcCode128", "codabar": "bcCodabar", "abccodabar": "bcABCCodabar", "code11": "bcCode11"}
    taken = {}
    for row in table_rows("code128_codabar_vectors.txt"):
        fam, _, text = row.split("\t")[:3]
        if fam in families and taken.get(fam, 0) < 2:
            taken[fam] = taken.get(fam, 0) + 1
            seeds[f"{fam}-{taken[fam]}"] = encode_input(families[fam], unescape(text).encode("latin-1"))
    postal = {"4state": "bc4State", "auspost": "bcAustraliaPost", "imb": "bcIntelligentMail",
              "kix": "bcDutch4StatePostal", "planet": "bcPlanet", "postnet": "bcPostNet",
              "royalmail": "bcRoyalMail", "singapore": "bcSingapore4StatePostalCode"}
    for row in table_rows("postal_vectors.txt"):
        fam, _, text = row.split(" ", 2)
        if f"postal-{fam}" not in seeds:
            seeds[f"postal-{fam}"] = encode_input(postal[fam], text.encode(), angle=1)
    # PDF417: one case per kind and mode, with its columns, rows and level.
    lines = open(os.path.join(DATA, "pdf417_vectors.txt"), encoding="utf-8").read().split("\ncase ")[1:]
    kinds_modes = set()
    for block in lines:
        f = dict(l.split(" ", 1) for l in block.splitlines()[1:] if " " in l and not l.startswith("row "))
        key = (f["kind"], f["mode"])
        if key in kinds_modes:
            continue
        kinds_modes.add(key)
        settings = [setting("Params.PDF417.Kind", enum_byte("PDF417.Kind", f["kind"])),
                    setting("Params.PDF417.Mode", enum_byte("PDF417.Mode", f["mode"])),
                    setting("Params.PDF417.Cols", int_bytes(int(f["cols"]))),
                    setting("Params.PDF417.Rows", int_bytes(int(f["rows"]))),
                    setting("Params.PDF417.SecurityLevel", bytes([int(f["level"]) + 1]))]
        if f["eci"] != "-1":
            settings.append(setting("Params.ECI", int_bytes(int(f["eci"]))))
        seeds[f"pdf417-{f['kind']}-{f['mode']}"] = encode_input("bcPDF417", bytes.fromhex(f["hex"]),
                                                                 settings=settings, w=200, h=100)
    # Data Matrix: the encodations and a fixed size.
    for row in table_rows("datamatrix_vectors.txt"):
        parts = row.split()
        if parts[0] != "text":
            continue
        _, ident, enc, ver, data = parts[:5]
        name = f"datamatrix-{ident}"
        if len([k for k in seeds if k.startswith("datamatrix-")]) >= 6:
            break
        settings = [setting("Params.DataMatrix.Encoding", enum_byte("DataMatrix.Encoding", enc)),
                    setting("Params.DataMatrix.Version", bytes([DM_VERSIONS.index(ver)]))]
        seeds[name] = encode_input("bcDataMatrix", bytes.fromhex(data), settings=settings, w=80, h=80)
    # QR Code and Micro QR with version, level and mask.
    count = 0
    for row in table_rows("qr_vectors.txt"):
        if not row.startswith("case ") or count >= 8:
            continue
        label, micro, version, level, mask, eci, hexdata = row[5:].split("|")
        settings = [setting("Params.QRCode.MicroQR", bytes([int(micro)])),
                    setting("Params.QRCode.Version", int_bytes(int(version))),
                    setting("Params.QRCode.EccLevel", enum_byte("QRCode.EccLevel", level)),
                    setting("Params.QRCode.Mask", int_bytes(int(mask) + 1))]
        if eci != "-1":
            settings.append(setting("Params.ECI", int_bytes(int(eci))))
        count += 1
        seeds["qr-" + re.sub(r"[^A-Za-z0-9]+", "-", label).strip("-")] = encode_input(
            "bcQRCode", bytes.fromhex(hexdata), settings=settings, w=100, h=100)
    # GS1 element strings in the classic notation on the three symbologies that take them.
    for i, row in enumerate(table_rows("gs1_vectors.txt")[:3]):
        classic = row.split("\t")[0]
        gs1 = [setting("Params.GS1.FNC1Type", enum_byte("GS1.FNC1Type", "fnc1GS1")),
               setting("Params.GS1.FNC1InputType", enum_byte("GS1.FNC1InputType", "gs1Classic"))]
        sym = ["bcQRCode", "bcDataMatrix", "bcUccEan128"][i]
        seeds[f"gs1-{sym}"] = encode_input(sym, classic.encode(), settings=gs1, w=120, h=80)
    # Decorations: captions, quiet zone, lines, turned and with raw UTF-16 text.
    deco = [setting("CaptionUpper.Text.Count", b"\x02\x05Upper\x03top"),
            setting("CaptionBottom.Text.Count", b"\x01\x06Bottom"),
            setting("QuietZone.Visible", b"\x01"),
            setting("QuietZone.Left", int_bytes(10)), setting("QuietZone.Right", int_bytes(10)),
            setting("QuietZone.Style", enum_byte("QuietZone.Style", "qzTriangel")),
            setting("HorzLines.LinesCount", int_bytes(3))]
    seeds["decorated-code39"] = encode_input("bcCode39Standard", b"BARVELLO", angle=3, settings=deco, w=200, h=120)
    seeds["utf16-code128"] = encode_input("bcCode128", "Bar\u010dod \ud800x".encode("utf-16-le", "surrogatepass"),
                                          utf16=True)
    seeds["security-ean8"] = encode_input("bcEan8", b"1234567", options=DEFAULT_OPTIONS | 1 << 14, w=250)
    seeds["ratio-itf"] = encode_input("bcITF", b"1234567890123", ratio=2, angle=2)
    return seeds


INI_SECTION = """[ksBarcode]
BarCode={data}
BarcodeSymbology={sym}
Options=boSecurity,boAutoCheckDigit
Angle={angle}
CaptionUpper.Text.Count=2
CaptionUpper.Text.Line0=Upper caption
CaptionUpper.Text.Line1=second line
CaptionUpper.Font.Name=Liberation Sans
CaptionUpper.Font.Height=-16
QuietZone.Visible=True
QuietZone.Left=5
{extra}"""


def ini_seeds():
    seeds = {}
    cases = [("bcEan13", "400638133393", 0, ""), ("bcCode128", "Barvello 2024", 90, "Params.Ratio=ra25\n"),
             ("bcQRCode", "https://example.com", 0, "Params.QRCode.EccLevel=QrEccLevelH\nParams.QRCode.Mask=3\n"),
             ("bcQRCode", "12345", 0, "Params.QRCode.MicroQR=True\nParams.QRCode.Version=2\n"),
             ("bcDataMatrix", "Data Matrix", 180, "Params.DataMatrix.Encoding=dmeC40\n"
                                                  "Params.DataMatrix.Version=ksDM16x16\n"),
             ("bcPDF417", "PDF417 text", 270, "Params.PDF417.Kind=pkMicro\nParams.PDF417.Cols=2\n"
                                              "Params.PDF417.UseMacro=True\nParams.PDF417.FileName=x.txt\n"),
             ("bcUccEan128", "(01)12345678901231(10)ABC", 0, "Params.GS1.FNC1Type=fnc1GS1\n"
                                                             "Params.GS1.FNC1InputType=gs1Classic\n"),
             ("bcIntelligentMail", "00040123456200800001", 0, "ErrorInfo.Mode=emPaintRedCross\n"),
             ("bcCode39Full", "@esc:a\\r\\nb", 0, "BackgroundColor=$00FF00\n")]
    for i, (sym, data, angle, extra) in enumerate(cases):
        text = INI_SECTION.format(data=data, sym=sym, angle=angle, extra=extra)
        seeds[f"{i:02d}-{sym}"] = text.encode()
    base = INI_SECTION.format(data="ABC", sym="bcCode93Standard", angle=0, extra="")
    seeds["crlf-with-other-sections"] = ("; settings\r\n[Other]\r\nKey=Value\r\n\r\n" +
                                         base.replace("\n", "\r\n") + "[Last]\r\nx=1\r\n").encode()
    seeds["mixed-line-ends"] = ("[A]\r\na=1\n" + base + "[B]\rb=2").encode()
    seeds["bom-and-comments"] = ("\ufeff# comment\n" + base + "; trailing\n").encode()
    seeds["no-final-newline"] = base.rstrip("\n").encode()
    seeds["header-only"] = b"[ksBarcode]"
    seeds["unknown-key-first"] = b"[ksBarcode]\nNoSuchKey=1\nBarCode=123\n"
    seeds["duplicate-sections"] = ("[ksBarcode]\nBarCode=1\n[x]\n[KSBARCODE]\nBarCode=2\n").encode()
    seeds["spaces"] = b"  [ ksBarcode ]  \n  BarcodeSymbology = bcCode128 \n BarCode= x y \n"
    return seeds


def cli_ini_seeds():
    """The INI seeds behind the header fuzz_cli_ini reads: flags, symbology, data text."""
    headers = [(0x00, 0, "400638133393"), (0x05, SYMBOLOGIES.index("bcCode128"), "Barvello"),
               (0x08, 0, "https://example.com"), (0x0C, 0, "12345"), (0x02, 0, "ABC"),
               (0x01, SYMBOLOGIES.index("bcQRCode"), "\u010d\u00e1p")]
    seeds = {}
    for i, (name, text) in enumerate(sorted(ini_seeds().items())):
        flags, sym, data = headers[i % len(headers)]
        seeds[name] = bytes([flags, sym, len(data.encode())]) + data.encode() + text
    # Padded past the size limit.
    seeds["over-the-limit"] = bytes([0x10, 0, 1]) + b"x" + ini_seeds()["header-only"]
    return seeds


def set_seeds():
    values = {
        "BarCode": [b"400638133393", b"\xc4\x8d\xc3\xa1", b""],
        "BarcodeSymbology": [b"bcQRCode", b"QRCode", b"53", b"bcAztec"],
        "Options": [b"boSecurity,boAutoCheckDigit", b"[boTransparent, boFlipVertical]", b"", b"$1FFFF"],
        "Angle": [b"90", b"-270", b"2147483647"],
        "BackgroundColor": [b"$00FF00", b"0x1FFFFFFF", b"-1", b"4294967295"],
        "QuietZone.Left": [b"100", b"-5"],
        "QuietZone.Style": [b"qzTriangel", b"3"],
        "CaptionUpper.Text.Count": [b"3", b"100000", b"x"],
        "CaptionUpper.Font.Height": [b"-2147483648", b"0", b"72"],
        "CaptionHuman.Font.Style": [b"fsBold,fsUnderline"],
        "CaptionBottom.Font.Name": [b"Liberation Serif", b""],
        "Params.QRCode.EccLevel": [b"QrEccLevelH"],
        "Params.QRCode.Mask": [b"-1", b"8"],
        "Params.QRCode.MicroQR": [b"True", b"yes"],
        "Params.QRCode.Version": [b"40", b"41"],
        "Params.PDF417.Kind": [b"pkMicro"],
        "Params.PDF417.TimeStamp": [b"1.5", b"1,5", b"1e308", b"nan"],
        "Params.PDF417.Cols": [b"30", b"0"],
        "Params.DataMatrix.Version": [b"ksDM144x144", b"ksDm16x48"],
        "Params.GS1.FNC1InputType": [b"gs1Classic"],
        "Params.Ratio": [b"ra30"],
        "ErrorInfo.Code": [b"erOK"],
        "CaptionUpper.Text.Line0": [b"a line"],
    }
    symbology = {"Params.QRCode": "bcQRCode", "Params.PDF417": "bcPDF417", "Params.DataMatrix": "bcDataMatrix",
                 "Params.GS1": "bcUccEan128", "Params.Ratio": "bcCode39Standard"}
    seeds = {}
    for path, vals in values.items():
        sym = next((s for p, s in symbology.items() if path.startswith(p)), "bcCode128")
        index = SET_PATHS.index(path)
        for k, v in enumerate(vals):
            seeds[f"{path}-{k}"] = bytes([index, SYMBOLOGIES.index(sym)]) + v
    return seeds


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "tests", "fuzz", "corpus")
    for target, seeds in (("fuzz_encode", encode_seeds()), ("fuzz_ini", ini_seeds()), ("fuzz_set", set_seeds()),
                          ("fuzz_cli_ini", cli_ini_seeds())):
        folder = os.path.join(out, target)
        os.makedirs(folder, exist_ok=True)
        for name, data in seeds.items():
            with open(os.path.join(folder, re.sub(r"[^A-Za-z0-9._-]+", "_", name)[:80]), "wb") as f:
                f.write(data)
        print(f"{target}: {len(seeds)} inputs")


if __name__ == "__main__":
    main()
