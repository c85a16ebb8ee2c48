#!/usr/bin/env python3
"""Generates the benchmark tree: many small text files, a few large ones, some
incompressible data (about 120 MB in all); with --single PATH, one text file of 200 MB;
with --many PATH COUNT, COUNT files of a few bytes in folders of 1000; with --photos PATH,
about 150 MB of files that do not compress, as photos, scans, videos, archives and Office
documents are, and a few text files.
Deterministic, so runs compare."""
import os
import random
import sys

KB = 1 << 10
MB = 1 << 20


def text_corpus():
    """Real text to draw from: the system's C headers."""
    chunks, total = [], 0
    for folder, _, names in sorted(os.walk("/usr/include")):
        for name in sorted(names):
            if name.endswith(".h"):
                try:
                    with open(os.path.join(folder, name), "rb") as f:
                        data = f.read()
                except OSError:
                    continue
                chunks.append(data)
                total += len(data)
                if total > 16 * MB:
                    return b"".join(chunks)
    return b"".join(chunks)


def main(root):
    rng = random.Random(2026)
    corpus = text_corpus()
    if os.path.isdir(root) and os.path.exists(os.path.join(root, ".complete")):
        return
    os.makedirs(root, exist_ok=True)
    written = 0
    # 4000 small text files, 1 to 40 KB, in 40 folders: about 80 MB.
    for i in range(4000):
        folder = os.path.join(root, "src", "module%02d" % (i % 40))
        os.makedirs(folder, exist_ok=True)
        size = rng.randint(1024, 40 * 1024)
        start = rng.randint(0, len(corpus) - size)
        with open(os.path.join(folder, "file%04d.h" % i), "wb") as f:
            f.write(corpus[start:start + size])
        written += size
    # Two large text files of 10 MB each.
    os.makedirs(os.path.join(root, "large"), exist_ok=True)
    for i in range(2):
        with open(os.path.join(root, "large", "log%d.txt" % i), "wb") as f:
            for _ in range(10):
                start = rng.randint(0, len(corpus) - MB)
                f.write(corpus[start:start + MB])
    # 20 MB that deflate cannot shrink.
    with open(os.path.join(root, "large", "random.bin"), "wb") as f:
        f.write(rng.randbytes(20 * MB))
    open(os.path.join(root, ".complete"), "w").close()


def single(path, megabytes=200):
    """One large text file drawn from the same corpus."""
    if os.path.exists(path) and os.path.getsize(path) == megabytes * MB:
        return
    rng = random.Random(200)
    corpus = text_corpus()
    with open(path + ".part", "wb") as f:
        for _ in range(megabytes):
            start = rng.randint(0, len(corpus) - MB)
            f.write(corpus[start:start + MB])
    os.replace(path + ".part", path)


def many(root, count):
    """Many tiny files: what the packer keeps per file shows in its memory."""
    if os.path.exists(os.path.join(root, ".complete")):
        return
    for i in range(count):
        folder = os.path.join(root, "folder%03d" % (i // 1000))
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "a-file-name-of-some-length-%06d.txt" % i), "wb") as f:
            f.write(b"%d\n" % i)
    open(os.path.join(root, ".complete"), "w").close()


def photos(root):
    """Random bytes under the names of files that are compressed already."""
    if os.path.exists(os.path.join(root, ".complete")):
        return
    rng = random.Random(150)
    kinds = [  # name, smallest, largest, how many
        ("camera/IMG_%04d.jpg", 100 * KB, 1000 * KB, 160),
        ("scans/scan%03d.png", 50 * KB, 500 * KB, 40),
        ("video/clip%02d.mp4", 3 * MB, 8 * MB, 5),
        ("archives/backup%02d.zip", 512 * KB, 3 * MB, 10),
        ("documents/report%02d.docx", 20 * KB, 300 * KB, 30),
    ]
    for name, smallest, largest, count in kinds:
        for i in range(count):
            path = os.path.join(root, name % i)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "wb") as f:
                f.write(rng.randbytes(rng.randint(smallest, largest)))
    corpus = text_corpus()
    for i in range(5):
        size = rng.randint(4 * KB, 64 * KB)
        start = rng.randint(0, len(corpus) - size)
        with open(os.path.join(root, "notes%d.txt" % i), "wb") as f:
            f.write(corpus[start:start + size])
    open(os.path.join(root, ".complete"), "w").close()


if __name__ == "__main__":
    if sys.argv[1] == "--single":
        single(sys.argv[2])
    elif sys.argv[1] == "--photos":
        photos(sys.argv[2])
    elif sys.argv[1] == "--many":
        many(sys.argv[2], int(sys.argv[3]))
    else:
        main(sys.argv[1])
