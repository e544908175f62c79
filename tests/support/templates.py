"""The two result dialogs' templates as the game's sources give them: read
from dialogs/templates.h, which every build's dialogs are laid out from, and
from res/kobaru.rc, which kobaru.exe carries. Each gives, for the name entry
and the ranking: the box, the caption, the font, and the controls in
template order as (kind, text, box), boxes in dialog units (x, y, cx, cy)."""

import os
import re

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..")
HEADER, RESOURCES = os.path.join(ROOT, "dialogs", "templates.h"), os.path.join(ROOT, "res", "kobaru.rc")


def _numbers(text):
    return tuple(int(n) for n in re.findall(r"-?\d+", text))


def _literal(source, name, encoding):
    """A constexpr string of the header, its pieces joined, escapes decoded."""
    pieces = re.search(rf"{name}\s*=\s*((?:\"[^\"]*\"\s*)+);", source).group(1)
    raw = "".join(re.findall(r'"([^"]*)"', pieces))
    return re.sub(r"\\x([0-9a-fA-F]{2})", lambda m: chr(int(m.group(1), 16)), raw).encode("latin-1").decode(encoding)


def from_header(path=HEADER):
    with open(path, encoding="utf-8") as f:
        source = f.read()

    def box(name):
        return _numbers(re.search(rf"{name}\{{([^}}]*)\}}", source).group(1))

    headings = re.search(r"kRankingHeadings\[\] = \{(.*?)\};", source, re.S).group(1)
    font = _literal(source, "kDialogFace", "cp932")
    return {
        "name": {"box": box("kNameDialogBox"), "caption": _literal(source, "kNameDialogCaption", "utf-8"),
                 "font": font, "controls": [("edit", "", box("kNameFieldBox")), ("ok", "OK", box("kNameOkBox"))]},
        "ranking": {"box": box("kRankingDialogBox"), "caption": _literal(source, "kRankingDialogCaption", "utf-8"),
                    "font": font, "controls": [("ok", "OK", box("kRankingOkBox"))] + [
                        ("text", text, _numbers(numbers))
                        for text, numbers in re.findall(r'\{"([^"]*)",\s*\{([^}]*)\}\}', headings)]},
    }


def from_resources(path=RESOURCES):
    with open(path, encoding="utf-8") as f:
        source = f.read()
    kinds = {"EDITTEXT": "edit", "DEFPUSHBUTTON": "ok", "LTEXT": "text"}
    dialogs = {}
    for ident, name in (("IDD_NAME_ENTRY", "name"), ("IDD_RANKING", "ranking")):
        block = re.search(rf"^{ident} DIALOG ([^\n]*)\n(.*?)^BEGIN\n(.*?)^END", source, re.S | re.M)
        controls = []
        for kind, rest in re.findall(r"^\s*(EDITTEXT|DEFPUSHBUTTON|LTEXT)\s+(.*?)(?=^\s*[A-Z]+TEXT|^\s*DEFPUSH|\Z)",
                                     block.group(3), re.S | re.M):
            fields = [f.strip() for f in rest.split(",")]
            text = fields.pop(0)[1:-1] if fields[0].startswith('"') else ""
            controls.append((kinds[kind], text, tuple(int(n) for n in fields[1:5])))  # after the id
        dialogs[name] = {"box": _numbers(block.group(1)),
                         "caption": re.search(r'CAPTION "([^"]*)"', block.group(2)).group(1),
                         "font": re.search(r'FONT 9, "([^"]*)"', block.group(2)).group(1), "controls": controls}
    return dialogs
