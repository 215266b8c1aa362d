#!/usr/bin/python3
"""Parses an HTML file with Python's own parser and prints what a reader would see, for the
tests: the declared charsets, the visible text, and the images with the kind of their source.

    html_summary.py FILE   ->   charset=<c>|...\ntext=<visible text>\nimg=<data|cid|http|other>:<mime>
"""
import html.parser
import sys


class Summary(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.charsets = []
        self.text = []
        self.images = []
        self.skip = 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag in ("script", "style", "head", "title"):
            self.skip += 1
        if tag == "meta":
            if attrs.get("charset"):
                self.charsets.append(attrs["charset"].lower())
            content = (attrs.get("content") or "").lower()
            if "charset=" in content:
                self.charsets.append(content.split("charset=")[1].strip())
        if tag == "img":
            src = attrs.get("src") or ""
            if src.startswith("data:"):
                self.images.append("data:" + src[5:src.find(";")])
            elif src.lower().startswith("cid:"):
                self.images.append("cid:")
            else:
                self.images.append("other:")

    def handle_endtag(self, tag):
        if tag in ("script", "style", "head", "title") and self.skip:
            self.skip -= 1

    def handle_data(self, data):
        if not self.skip:
            self.text.append(data)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:  # the page must be valid UTF-8
        page = f.read()
    s = Summary()
    s.feed(page)
    s.close()
    print("charset=" + "|".join(s.charsets))
    print("text=" + " ".join(" ".join(s.text).split()))
    for img in s.images:
        print("img=" + img)


if __name__ == "__main__":
    main()
