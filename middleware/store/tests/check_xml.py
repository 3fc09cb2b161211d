#!/usr/bin/env python3
"""Checks that exchange files are well-formed XML of the dialect: one root element named
KavixControl_ and four hexadecimal digits, items of the five kinds, Key children with value,
type and data attributes, pointer children with ptr. Usage: check_xml.py FILE..."""
import re
import sys
import xml.dom.minidom

ITEM_CHILDREN = {
    "ProfileGroup": "ProfilePtr",
    "Profile": "Key",
    "SpellBook": "MacroPtr",
    "Macro": "Key",
    "UserAction": "Key",
}
CHILD_ATTRIBUTES = {"Key": ["value", "type", "data"], "ProfilePtr": ["ptr"], "MacroPtr": ["ptr"]}


def elements(node):
    return [child for child in node.childNodes if child.nodeType == child.ELEMENT_NODE]


def check(path):
    with open(path, "rb") as file:
        document = xml.dom.minidom.parseString(file.read())
    root = document.documentElement
    if not re.fullmatch(r"KavixControl_[0-9A-F]{4}", root.tagName):
        return f"root element {root.tagName}"
    for item in elements(root):
        if item.tagName not in ITEM_CHILDREN:
            return f"item element {item.tagName}"
        if not item.getAttribute("name"):
            return f"{item.tagName} without name"
        for child in elements(item):
            if child.tagName != ITEM_CHILDREN[item.tagName]:
                return f"{child.tagName} inside {item.tagName}"
            missing = [a for a in CHILD_ATTRIBUTES[child.tagName] if not child.hasAttribute(a)]
            if missing or elements(child):
                return f"{child.tagName} of {item.getAttribute('name')}: {missing or 'children'}"
            key_type = child.getAttribute("type")
            if child.tagName == "Key" and key_type not in ("DWORD", "BINARY", "STRING"):
                return f"Key type {key_type}"
    return None


def main(paths):
    failures = 0
    for path in paths:
        try:
            problem = check(path)
        except Exception as error:  # a parser error is the finding
            problem = f"not well-formed: {error}"
        if problem:
            print(f"{path}: {problem}")
            failures += 1
    print(f"{len(paths) - failures} of {len(paths)} files well-formed")
    return 1 if failures or not paths else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
