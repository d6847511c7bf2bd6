#!/usr/bin/env python3
"""Reads an exported Contacts.vcf the way another address book would (vobject)
and compares every card, field for field, with the expected contacts (JSON).

Usage: check_vcard.py EXPECTED_JSON CONTACTS_VCF
Exit 0 when they agree; 1 with the differences on standard error otherwise.
"""
import json
import sys

import vobject

# vCard TYPE values of the phone's own labels; any other label travels as X-ABLabel.
PHONE_TYPES = {
    "": {"VOICE"},
    "_$!<Mobile>!$_": {"CELL"},
    "iPhone": {"CELL"},
    "_$!<Home>!$_": {"HOME"},
    "_$!<Work>!$_": {"WORK"},
    "_$!<Main>!$_": {"VOICE"},
    "_$!<Other>!$_": {"VOICE"},
    "_$!<HomeFAX>!$_": {"HOME", "FAX"},
    "_$!<WorkFAX>!$_": {"WORK", "FAX"},
    "_$!<OtherFAX>!$_": {"FAX"},
    "_$!<Pager>!$_": {"PAGER"},
}
EMAIL_TYPES = {
    "": {"INTERNET"},
    "_$!<Other>!$_": {"INTERNET"},
    "_$!<Home>!$_": {"INTERNET", "HOME"},
    "_$!<Work>!$_": {"INTERNET", "WORK"},
}
OTHER_TYPES = {"": set(), "_$!<Other>!$_": set(), "_$!<HomePage>!$_": set(),
               "_$!<Home>!$_": {"HOME"}, "_$!<Work>!$_": {"WORK"}}


def expected_label(label, table):
    """What the card must say for a stored label: a TYPE set or an X-ABLabel."""
    if label in table:
        return ("type", sorted(table[label]))
    return ("label", label)


def types_of(line):
    found = set()
    for value in line.params.get("TYPE", []):
        found.update(part.strip().upper() for part in value.split(",") if part.strip())
    return found


def card_labels(card):
    """X-ABLabel of each property group (item1, item2 ...)."""
    labels = {}
    for line in card.lines():
        if line.name == "X-ABLABEL" and line.group:
            labels[line.group.lower()] = line.value
    return labels


def labelled(card, name, group_labels):
    out = []
    for line in card.contents.get(name.lower(), []):
        if line.group and line.group.lower() in group_labels:
            out.append((line.value, ("label", group_labels[line.group.lower()])))
        else:
            out.append((line.value, ("type", sorted(types_of(line)))))
    return out


def flat(values):
    """A part vobject split at an unescaped comma stays visibly split."""
    return [" | ".join(v) if isinstance(v, list) else v for v in values]


def read_card(card):
    groups = card_labels(card)
    n = card.contents.get("n", [None])[0]
    name = flat([n.value.family, n.value.given, n.value.additional, n.value.prefix, n.value.suffix]) if n else []
    org = card.contents.get("org", [None])[0]
    adrs = []
    for value, label in labelled(card, "adr", groups):
        adrs.append((flat([value.street, value.city, value.region, value.code, value.country]), label))
    single = lambda key: card.contents[key][0].value if key in card.contents else ""
    return {
        "fn": single("fn"),
        "n": name,
        "org": org.value[0] if org else "",
        "title": single("title"),
        "note": single("note"),
        "bday": single("bday"),
        "tel": labelled(card, "tel", groups),
        "email": labelled(card, "email", groups),
        "url": labelled(card, "url", groups),
        "adr": adrs,
    }


def expected_card(person):
    return {
        "fn": person["fn"],
        "n": person["n"],
        "org": person["org"],
        "title": person["title"],
        "note": person["note"],
        "bday": person["bday"],
        "tel": [(v, expected_label(l, PHONE_TYPES)) for v, l in person["tel"]],
        "email": [(v, expected_label(l, EMAIL_TYPES)) for v, l in person["email"]],
        "url": [(v, expected_label(l, OTHER_TYPES)) for v, l in person["url"]],
        "adr": [(parts, expected_label(l, OTHER_TYPES)) for parts, l in person["adr"]],
    }


def key(card):
    return json.dumps(card, sort_keys=True, ensure_ascii=False)


def main():
    with open(sys.argv[1], encoding="utf-8") as f:
        expected = [expected_card(p) for p in json.load(f)]
    with open(sys.argv[2], encoding="utf-8", newline="") as f:
        text = f.read()
    cards = [read_card(c) for c in vobject.readComponents(text)]
    # The same cards, whatever their order (the export sorts by name).
    want = sorted(key(json.loads(json.dumps(c))) for c in expected)
    got = sorted(key(json.loads(json.dumps(c))) for c in cards)
    if want == got:
        print(f"{len(got)} cards agree")
        return 0
    missing = [c for c in want if c not in got]
    extra = [c for c in got if c not in want]
    print(f"expected {len(want)} cards, read {len(got)}", file=sys.stderr)
    for c in missing[:10]:
        print("missing: " + c, file=sys.stderr)
    for c in extra[:10]:
        print("read:    " + c, file=sys.stderr)
    return 1


if __name__ == "__main__":
    sys.exit(main())
