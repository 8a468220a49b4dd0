#!/usr/bin/env python3
"""Writes the page's copy of vantor.exe's resources: the window caption, the menu
bar, the accelerators and the four dialog templates, read from res/vantor.rc and
res/resource.h, as one JavaScript file. The page builds its menus and dialogs
from it, so both front ends show the same texts in the same places.

    make_resources_js.py vantor.rc resource.h output.js
"""

import json
import re
import sys

# Ids that the resource script takes from <windows.h>.
WINDOWS_IDS = {"IDOK": 1, "IDCANCEL": 2, "IDC_STATIC": -1}


# The page's own menu after Help, which the Windows program does not have: the
# online game, played through the server the page came from.
ONLINE_IDS = {"IDM_ONLINE_PLAY": 40001, "IDM_ONLINE_LEAVE": 40002}
ONLINE_MENU = {"text": "&Online", "items": [{"text": "&Play a friend...", "id": ONLINE_IDS["IDM_ONLINE_PLAY"]},
                                            {"text": "&Leave", "id": ONLINE_IDS["IDM_ONLINE_LEAVE"]}]}


class ResourceError(ValueError):
    pass


def read_ids(header_text):
    ids = dict(WINDOWS_IDS)
    for name, value in re.findall(r"^#define\s+(\w+)\s+\(?(-?\d+)\)?\s*$", header_text, re.M):
        ids[name] = int(value)
    return ids


def statements(rc_text):
    """The script's lines without comments and blank lines, each split into
    words: quoted strings, numbers, names and punctuation."""
    token = re.compile(r'"(?:[^"]|"")*"|[A-Za-z_][\w]*(?:\([^)]*\))?|-?\d+|[,|]')
    for line in rc_text.splitlines():
        line = re.sub(r"//.*", "", line).strip()
        if line and not line.startswith("#"):
            yield token.findall(line)


def text(word):
    if not (word.startswith('"') and word.endswith('"')):
        raise ResourceError("expected a quoted text, got %r" % word)
    return word[1:-1].replace('""', '"')


def fields(words):
    """A statement's comma-separated fields, each a list of words ('|' kept out)."""
    result, current = [], []
    for w in words:
        if w == ",":
            result.append(current)
            current = []
        elif w != "|":
            current.append(w)
    result.append(current)
    return result


class Reader:
    def __init__(self, rc_text, ids):
        self.lines = list(statements(rc_text))
        self.at = 0
        self.ids = ids

    def number(self, word):
        if re.fullmatch(r"-?\d+", word):
            return int(word)
        if word in self.ids:
            return self.ids[word]
        raise ResourceError("unknown id %r" % word)

    def next(self):
        line = self.lines[self.at]
        self.at += 1
        return line

    def block(self):
        """The statements between BEGIN and its END, nested blocks left in."""
        if self.next() != ["BEGIN"]:
            raise ResourceError("expected BEGIN")
        depth, body = 1, []
        while True:
            line = self.next()
            if line == ["BEGIN"]:
                depth += 1
            elif line == ["END"]:
                depth -= 1
                if depth == 0:
                    return body
            body.append(line)

    def menu(self, body):
        items, k = [], 0
        while k < len(body):
            line = body[k]
            if line[0] == "POPUP":
                depth, inner, k = 0, [], k + 1
                while True:
                    inner.append(body[k])
                    depth += body[k] == ["BEGIN"]
                    depth -= body[k] == ["END"]
                    k += 1
                    if depth == 0:
                        break
                items.append({"text": text(line[1]), "items": self.menu(inner[1:-1])})
            elif line[0] == "MENUITEM":
                f = fields(line[1:])
                items.append({"text": text(f[0][0]), "id": self.number(f[1][0])})
                k += 1
            else:
                raise ResourceError("unexpected %r in a menu" % line)
        return items

    def control(self, line):
        f = fields(line[1:])
        if line[0] == "LTEXT":
            label, ident, geometry = f[0][0], f[1][0], f[2:6]
            kind = "text"
        elif line[0] == "CONTROL":
            label, ident, window_class, style, geometry = f[0][0], f[1][0], text(f[2][0]), f[3], f[4:8]
            if window_class == "Static" and "SS_ICON" in style:
                kind = "icon"
            elif window_class == "Button":
                kinds = {"BS_DEFPUSHBUTTON": "default", "BS_PUSHBUTTON": "button",
                         "BS_AUTORADIOBUTTON": "radio", "BS_GROUPBOX": "group"}
                found = [kinds[s] for s in style if s in kinds]
                if len(found) != 1:
                    raise ResourceError("a button of no known kind: %r" % line)
                kind = found[0]
            else:
                raise ResourceError("a control of an unknown class: %r" % line)
        else:
            raise ResourceError("unexpected %r in a dialog" % line)
        x, y, w, h = (self.number(g[0]) for g in geometry)
        return {"id": self.number(ident), "kind": kind,
                "text": "" if kind == "icon" else text(label), "x": x, "y": y, "width": w, "height": h}

    def dialog(self, header):
        f = fields(header[2:])
        x, y, w, h = (self.number(g[0]) for g in f)
        found = {"x": x, "y": y, "width": w, "height": h, "caption": "", "controls": []}
        while self.lines[self.at][0] != "BEGIN":
            line = self.next()
            if line[0] == "CAPTION":
                found["caption"] = text(line[1])
        found["controls"] = [self.control(line) for line in self.block()]
        return found

    def read(self):
        resources = {"strings": {}, "menu": [], "accelerators": [], "dialogs": {}}
        while self.at < len(self.lines):
            line = self.next()
            if line == ["STRINGTABLE"]:
                for entry in self.block():
                    resources["strings"][self.number(entry[0])] = text(entry[1])
            elif len(line) > 1 and line[1] == "MENU":
                resources["menu"] = self.menu(self.block())
            elif len(line) > 1 and line[1] == "ACCELERATORS":
                for entry in self.block():
                    f = fields(entry)
                    resources["accelerators"].append({
                        "key": text(f[0][0]), "command": self.number(f[1][0]),
                        "alt": any(g == ["ALT"] for g in f[2:])})
            elif len(line) > 1 and line[1] in ("DIALOG", "DIALOGEX"):
                resources["dialogs"][self.number(line[0])] = self.dialog(line)
        return resources


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    with open(sys.argv[1]) as f:
        rc_text = f.read()
    with open(sys.argv[2]) as f:
        ids = read_ids(f.read())
    try:
        resources = Reader(rc_text, ids).read()
    except (ResourceError, IndexError) as e:
        sys.exit("%s: %s" % (sys.argv[1], e))
    resources["menu"].append(ONLINE_MENU)
    resources["ids"] = dict(ids, **ONLINE_IDS)
    with open(sys.argv[3], "w") as f:
        f.write("// Made from res/vantor.rc and res/resource.h by web/make_resources_js.py.\n")
        f.write("const VANTOR_RESOURCES = %s;\n" % json.dumps(resources, indent=1))


if __name__ == "__main__":
    main()
