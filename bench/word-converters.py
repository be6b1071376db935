#!/usr/bin/python3
"""Measures the tools that can read Word 97-2003 files on the same files:
whether each opens the file, how much of its text comes out, and how long
it takes.

    bench/word-converters.py [--module PATH] [--out FOLDER] [FILE.doc ...]

Without files it measures the fixtures in tests/data/word and the larger
files it makes once in FOLDER (default: $TMPDIR/quillpress-word-bench) with
LibreOffice: a document of about 5 MB, and one of about 1 MB of Cyrillic.

Columns, for each tool: "ok" or why it refused; the share of the reference
text's words that appear in its output; the wall time of one run.
The reference is LibreOffice's own text of the file (for files LibreOffice
cannot open, the words of the source the fixture was made from, when there
is one). --module also measures a converter module (the built MSWRD632.WPC)
called as the program calls it.
"""

import argparse
import collections
import ctypes
import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
FIXTURES = os.path.join(HERE, "..", "tests", "data", "word")
TIME_LIMIT = 120


def words(text):
    """Words as a writer counts them; each Chinese, Japanese or Korean character counts as one."""
    found = []
    for token in re.findall(r"\w+", text):
        parts = re.findall(r"[\u3040-\u30ff\u3400-\u9fff\uf900-\ufaff\uac00-\ud7af]|[^\u3040-\u30ff\u3400-\u9fff\uf900-\ufaff\uac00-\ud7af]+", token)
        found.extend(p.lower() for p in parts)
    return collections.Counter(found)


def held(reference, output):
    total = sum(reference.values())
    return None if total == 0 else sum(min(n, output[w]) for w, n in reference.items()) / total


def run(arguments, **options):
    start = time.monotonic()
    try:
        done = subprocess.run(arguments, stdin=subprocess.DEVNULL, capture_output=True, timeout=TIME_LIMIT, **options)
    except subprocess.TimeoutExpired:
        return None, "timed out", time.monotonic() - start
    return done, None, time.monotonic() - start


def first_line(data):
    lines = [l.strip() for l in data.decode("utf-8", "replace").splitlines() if l.strip()]
    return lines[0][:40] if lines else ""


def antiword(path):
    done, failure, seconds = run(["antiword", "-m", "UTF-8.txt", "-w", "0", path])
    if failure or done.returncode != 0:
        return failure or "refused: " + first_line(done.stderr), "", seconds
    return "ok", done.stdout.decode("utf-8", "replace"), seconds


def wv(path):
    done, failure, seconds = run(["wvWare", "-x", "wvText.xml", "-c", "UTF-8", "-1", path])
    if failure or done.returncode != 0:
        reason = first_line(done.stderr) if done else ""
        return failure or "refused: " + reason, "", seconds
    return "ok", done.stdout.decode("utf-8", "replace"), seconds


def libreoffice(path):
    with tempfile.TemporaryDirectory() as folder:
        done, failure, seconds = run(["soffice", "-env:UserInstallation=file://" + folder + "/profile", "--headless",
                                      "--convert-to", "txt:Text (encoded):UTF8", "--outdir", folder, path])
        target = os.path.join(folder, os.path.splitext(os.path.basename(path))[0] + ".txt")
        if failure or not os.path.exists(target):
            return failure or "refused", "", seconds
        with open(target, encoding="utf-8-sig", errors="replace") as f:
            return "ok", f.read(), seconds


def rtf_text(rtf):
    """The text of the plain RTF that the converter modules make."""
    out = []
    i = 0
    while i < len(rtf):
        m = re.compile(r"\\u(-?\d+)\??|\\par\b ?|\\tab\b ?|\\([\\{}])|\\[a-z]+-?\d* ?|[{}]|\n").match(rtf, i)
        if not m:
            out.append(rtf[i])
            i += 1
            continue
        token = m.group(0)
        if m.group(1):
            out.append(chr(int(m.group(1)) & 0xFFFF))
        elif token.startswith("\\par"):
            out.append("\n")
        elif token.startswith("\\tab"):
            out.append("\t")
        elif m.group(2):
            out.append(m.group(2))
        i = m.end()
    # Surrogate pairs as the \u numbers give them.
    return "".join(out).encode("utf-16", "surrogatepass").decode("utf-16", "replace")


class Module:
    """A converter module called through its entry points, as the program does."""

    Callback = ctypes.CFUNCTYPE(ctypes.c_int32, ctypes.c_int32, ctypes.c_int32)

    class Block(ctypes.Structure):
        _fields_ = [("bytes", ctypes.POINTER(ctypes.c_ubyte)), ("size", ctypes.c_size_t)]

    def __init__(self, path):
        self.library = ctypes.CDLL(path)
        self.library.InitConverter32.argtypes = [ctypes.c_size_t, ctypes.c_char_p]
        self.library.IsFormatCorrect32.argtypes = [ctypes.POINTER(Module.Block)] * 2
        self.library.ForeignToRtf32.argtypes = [ctypes.POINTER(Module.Block), ctypes.c_void_p,
                                                ctypes.POINTER(Module.Block), ctypes.POINTER(Module.Block),
                                                ctypes.POINTER(Module.Block), Module.Callback]
        self.library.InitConverter32(0, b"/USR/BIN/QUILLPRESS")

    @staticmethod
    def block(data, size):
        buffer = (ctypes.c_ubyte * size)(*data)
        return Module.Block(ctypes.cast(buffer, ctypes.POINTER(ctypes.c_ubyte)), size), buffer

    def __call__(self, path):
        name = os.fsencode(path)
        name_block, name_buffer = self.block(name, 2 * len(name) + 1)
        empty_block, empty_buffer = self.block(b"", 1)
        start = time.monotonic()
        if not self.library.IsFormatCorrect32(ctypes.byref(name_block), ctypes.byref(empty_block)):
            return "not recognised", "", time.monotonic() - start
        transfer, transfer_buffer = self.block(b"", 4097)
        received = bytearray()

        def output(count, percent):
            received.extend(bytes(transfer_buffer[:count]))
            return 0

        result = self.library.ForeignToRtf32(ctypes.byref(name_block), None, ctypes.byref(transfer),
                                             ctypes.byref(empty_block), ctypes.byref(empty_block),
                                             Module.Callback(output))
        seconds = time.monotonic() - start
        if result != 0:
            return "result %d" % result, "", seconds
        return "ok", rtf_text(received.decode("latin-1")), seconds


def fodt(path, paragraphs):
    with open(path, "w", encoding="utf-8") as f:
        f.write('<?xml version="1.0" encoding="UTF-8"?>\n<office:document '
                'xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" '
                'xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" '
                'office:mimetype="application/vnd.oasis.opendocument.text"><office:body><office:text>\n')
        for paragraph in paragraphs:
            f.write("<text:p>%s</text:p>\n" % paragraph)
        f.write("</office:text></office:body></office:document>\n")


def make_large_files(folder):
    """The files too large to keep with the sources, made once."""
    os.makedirs(folder, exist_ok=True)
    english = ("The keeper climbed the stairs at dusk and wound the clockwork of the lens; paragraph %d of a long "
               "manuscript carries on with enough ordinary words to fill a page of a novel, chapter after chapter.")
    russian = "Абзац %d: съешь же ещё этих мягких французских булок, да выпей чаю, сказал хранитель маяка."
    wanted = {"large-5mb": (english, 12500), "cyrillic-1mb": (russian, 6000)}
    for name, (pattern, count) in wanted.items():
        target = os.path.join(folder, name + ".doc")
        if os.path.exists(target):
            continue
        source = os.path.join(folder, name + ".fodt")
        fodt(source, (pattern % n for n in range(count)))
        with tempfile.TemporaryDirectory() as profile:
            subprocess.run(["soffice", "-env:UserInstallation=file://" + profile, "--headless", "--convert-to",
                            "doc:MS Word 97", "--outdir", folder, source], check=True, capture_output=True)
    return sorted(glob.glob(os.path.join(folder, "*.doc")))


def source_text(path):
    """The text of the .fodt a fixture was made from, when LibreOffice cannot open the fixture itself."""
    stem = os.path.splitext(os.path.basename(path))[0]
    for candidate in (stem, "english" if stem in ("password", "truncated") else None):
        if not candidate:
            continue
        source = os.path.join(os.path.dirname(path), "sources", candidate + ".fodt")
        if os.path.exists(source):
            with open(source, encoding="utf-8") as f:
                return re.sub(r"<text:note-citation>.*?</text:note-citation>|<[^>]+>", " ", f.read())
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--module", help="a converter module to measure as well")
    parser.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "quillpress-word-bench"))
    parser.add_argument("files", nargs="*")
    arguments = parser.parse_args()

    files = arguments.files
    if not files:
        files = sorted(glob.glob(os.path.join(FIXTURES, "*.doc"))) + make_large_files(arguments.out)
    tools = [("antiword", antiword), ("wv", wv)]
    if arguments.module:
        tools.append(("module", Module(os.path.abspath(arguments.module))))
    tools.append(("LibreOffice", libreoffice))
    for name, _ in tools:
        if name not in ("module", "LibreOffice") and not shutil.which({"wv": "wvWare"}.get(name, name)):
            sys.exit("%s is not installed" % name)

    print("| file | size | " + " | ".join(name for name, _ in tools) + " |")
    print("|---|---:|" + "---|" * len(tools))
    for path in files:
        results = [(name, *tool(path)) for name, tool in tools]
        reference_text = results[-1][2] if results[-1][1] == "ok" else source_text(path)
        reference = words(reference_text) if reference_text is not None else None
        cells = []
        for name, status, text, seconds in results:
            share = held(reference, words(text)) if reference is not None and status == "ok" else None
            share = " no words" if status == "ok" and reference is not None and share is None else \
                "" if share is None else " %.0f%%" % (100 * share)
            cells.append("%s%s %.2fs" % (status, share, seconds))
        size = os.path.getsize(path)
        print("| %s | %s | %s |" % (os.path.basename(path), "%.1f MB" % (size / 1e6) if size > 1e6 else "%d KB" % (size // 1024),
                                   " | ".join(cells)))


if __name__ == "__main__":
    main()
