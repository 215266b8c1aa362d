#!/usr/bin/python3
"""Reads a vCard file with vobject (Debian python3-vobject), a parser that is not ours, and
prints each property it finds, one a line, for the tests:

    cards=<count>
    <name>[;<TYPE values, comma-separated, upper case>]=<value>

Structured values (N, ADR, ORG) print their components joined by '|'; PHOTO prints its type
and the length of the decoded data; lists (CATEGORIES, NICKNAME) are joined by ','; line
breaks inside a value print as '\n'.
"""
import sys

import vobject


def value_of(prop):
    v = prop.value
    name = prop.name.upper()
    if name == "N":
        return "|".join([v.family, v.given, v.additional, v.prefix, v.suffix])
    if name == "ADR":
        return "|".join([v.box, v.extended, v.street, v.city, v.region, v.code, v.country])
    if name == "ORG":
        return "|".join(v)
    if name == "PHOTO":
        return f"{prop.params.get('TYPE', [''])[0].upper()}:{len(v)}"
    if isinstance(v, list):
        return ",".join(v)
    return str(v)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:  # the file must be valid UTF-8
        cards = list(vobject.readComponents(f.read(), validate=True))
    print(f"cards={len(cards)}")
    for card in cards:
        for prop in card.getChildren():
            types = prop.params.get("TYPE", [])
            name = prop.name.upper()
            label = name + (";" + ",".join(t.upper() for t in types) if types and name != "PHOTO" else "")
            print(f"{label}=" + value_of(prop).replace("\n", "\\n"))


if __name__ == "__main__":
    main()
