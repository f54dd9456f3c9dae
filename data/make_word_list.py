#!/usr/bin/env python3
"""Re-creates data/word_list.txt, the built-in word list of the keyword extractor.

Source: the dictionary of the jieba Chinese segmenter as Debian ships it (package python3-jieba,
/usr/lib/python3/dist-packages/jieba/dict.txt; lines "word frequency part-of-speech", MIT licence).

The list takes the most frequent words of two to eight Chinese characters that GBK can hold, a few
well-known idioms and names, short lower-case ASCII words and short mixed forms. It is written as
one GBK text: every word preceded and followed by one space (so the text begins and ends with a
space and words are separated by single spaces), ordered by byte length from the longest to the
shortest; words of equal length keep the order of their frequency. Words of one character are never
listed. The output is deterministic: running the script again gives the same bytes.

Usage: python3 data/make_word_list.py [dict.txt] [output]
"""
import os
import re
import sys

DEFAULT_DICT = "/usr/lib/python3/dist-packages/jieba/dict.txt"
CHINESE_WORDS = 40000
MAX_CHARS = 8  # 16 bytes in GBK: the longest entry the extractor's users expect

# Kept whatever their frequency in the source.
NAMED = ["中华人民共和国", "中央人民广播电台", "君子之交淡如水", "燕雀安知鸿鹄之志"]

# Short lower-case ASCII words; the extractor matches them against lower-cased text.
ASCII_WORDS = """
dos win php www the cn ok com net org asp css xml sql usb cpu gps app mp3 mp4 pdf jpg gif png doc
txt exe ftp http url ip tcp led lcd dvd vcd tv pc qq ceo diy vip nba cba wto gdp cpi iso and for
you job wifi
""".split()

# Short forms of digits or lower-case letters with a Chinese character.
MIXED_WORDS = [f"{n}月" for n in range(1, 13)] + [f"{n}日" for n in range(1, 10)] + [
    "g点", "a股", "b股", "b超", "x光", "t恤", "k歌", "q币", "e网"]

CJK = re.compile(r"^[\u4e00-\u9fff]+$")


def gbk(word):
    try:
        return word.encode("gbk")
    except UnicodeEncodeError:
        return None


def main():
    source = sys.argv[1] if len(sys.argv) > 1 else DEFAULT_DICT
    here = os.path.dirname(os.path.abspath(__file__))
    output = sys.argv[2] if len(sys.argv) > 2 else os.path.join(here, "word_list.txt")

    entries = []  # (frequency, source line number, word)
    with open(source, encoding="utf-8") as f:
        for number, line in enumerate(f):
            fields = line.split()
            if len(fields) < 2:
                continue
            word, frequency = fields[0], int(fields[1])
            if 2 <= len(word) <= MAX_CHARS and CJK.match(word) and gbk(word) is not None:
                entries.append((frequency, number, word))
    entries.sort(key=lambda e: (-e[0], e[1]))

    words = []
    seen = set()

    def add(word):
        encoded = gbk(word)
        if encoded is None or len(word) < 2 or " " in word or word != word.lower() or encoded in seen:
            return
        seen.add(encoded)
        words.append(encoded)

    for _, _, word in entries[:CHINESE_WORDS]:
        add(word)
    for word in NAMED + MIXED_WORDS + ASCII_WORDS:
        add(word)

    # Longest first; sorted() is stable, so equal lengths keep frequency order.
    ordered = sorted(words, key=len, reverse=True)
    text = b" " + b" ".join(ordered) + b" "
    with open(output, "wb") as f:
        f.write(text)
    print(f"{output}: {len(ordered)} words, {len(text)} bytes")


if __name__ == "__main__":
    main()
