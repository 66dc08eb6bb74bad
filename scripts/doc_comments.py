#!/usr/bin/env python3
"""Turns the plain comments of the public headers into Doxygen documentation comments.

    scripts/doc_comments.py [--check] [header or folder ...]   (default: include/ozm)

Only comment markers change (and member-group lines are added), never code or comment text:
- the comment block that opens a header becomes "/// @file" followed by the block as "///" lines;
- a block of "//" lines standing directly above a declaration (no blank line between) at
  namespace or class scope becomes "///" lines; a divider line ("// --- ...") at the head of such
  a block stays a plain comment;
- a trailing "// text" behind an enumerator, a field, a constant or a declaration ending in ";"
  becomes "///< text", and so do the comment lines aligned under it that continue it;
- a documented declaration and the overloads of the same name that follow it directly are
  enclosed in "///@{" and "///@}" lines, so that the one comment documents the whole set.

Comments inside function bodies, initialisers, parameter lists, private sections and
implementation namespaces (detail, *impl, internal), blocks followed by a blank line, and comments
above preprocessor lines other than #define stay as they are. The script is idempotent: "///" lines are never touched again. With --check it changes
nothing and exits with 1 when a file would change (and lists those files).
"""

import re
import sys
from pathlib import Path

COMMENT = re.compile(r"^(\s*)//(?!/)(.*)$")
DIVIDER = re.compile(r"^\s*//\s*(-{3}|={3})")
ACCESS = re.compile(r"^\s*(public|private|protected)\s*:")
PREPROCESSOR = re.compile(r"^\s*#")
DEFINE = re.compile(r"^\s*#\s*define\b")


def strip_code(line):
    """The code part of a line: string and character literals blanked, trailing comment cut off.
    Returns (code, column of the trailing "//" or -1)."""
    out = []
    i, n = 0, len(line)
    while i < n:
        c = line[i]
        if c == "/" and i + 1 < n and line[i + 1] == "/":
            return "".join(out), i
        if c in "\"'":
            # A raw string never occurs in the headers; an ordinary literal ends at its unescaped
            # closing quote.
            quote = c
            out.append(quote)
            i += 1
            while i < n and line[i] != quote:
                if line[i] == "\\":
                    i += 1
                i += 1
            out.append(quote)
            i += 1
            continue
        out.append(c)
        i += 1
    return "".join(out), -1


class Scope:
    def __init__(self, kind, access="public"):
        self.kind = kind  # "file", "namespace", "internal", "class", "enum" or "body"
        self.access = access


def classify_brace(statement):
    """What a "{" opens, judged by the statement text in front of it."""
    s = " ".join(statement.split())
    if re.search(r"\bnamespace\s+[\w:]*(detail|impl|internal)\b", s):
        return Scope("internal")  # implementation namespaces stay out of the reference
    if re.search(r"\bnamespace\b", s) or re.search(r'\bextern\s+"C"', s):
        return Scope("namespace")
    if re.search(r"\benum\b", s) and "(" not in s and "=" not in s:
        return Scope("enum")
    m = re.search(r"\b(class|struct|union)\b", s)
    if m and "=" not in s and not re.search(r"\)\s*(const|noexcept|override|->|$)", s):
        # "template <class T> void f(T x)" names "class" but opens a function body; a class head
        # never ends in a parameter list.
        return Scope("class", "private" if m.group(1) == "class" else "public")
    return Scope("body")


def documentable(scopes):
    top = scopes[-1]
    if top.kind in ("file", "namespace"):
        return True
    return top.kind == "class" and top.access != "private"


def convert(text):
    lines = text.split("\n")
    out = list(lines)
    scopes = [Scope("file")]
    statement = ""  # code since the last ";", "{" or "}", to classify the next brace
    parens = 0
    state_before = []  # per line: (documentable, inside parentheses, top scope kind)

    # Pass 1: the scope in force at the start of every line.
    for line in lines:
        state_before.append((documentable(scopes), parens > 0, scopes[-1].kind))
        if COMMENT.match(line) or line.lstrip().startswith("///"):
            continue
        if PREPROCESSOR.match(line):
            continue
        code, _ = strip_code(line)
        m = ACCESS.match(code)
        if m and scopes[-1].kind == "class":
            scopes[-1].access = m.group(1)
            statement = ""
            continue
        for c in code:
            if c == "(":
                parens += 1
            elif c == ")":
                parens = max(0, parens - 1)
            if c == "{":
                scopes.append(classify_brace(statement) if scopes[-1].kind != "body" else Scope("body"))
                statement = ""
            elif c == "}":
                if len(scopes) > 1:
                    scopes.pop()
                statement = ""
            elif c == ";":
                statement = ""
            else:
                statement += c

    # Pass 2: comment blocks above declarations.
    i = 0
    n = len(lines)
    first_code_seen = False
    while i < n:
        if not COMMENT.match(lines[i]):
            if lines[i].strip():
                first_code_seen = True
            i += 1
            continue
        j = i
        while j < n and COMMENT.match(lines[j]):
            j += 1
        block = range(i, j)
        following = lines[j] if j < n else ""
        if not first_code_seen and i == 0:
            # The file comment.
            indent = COMMENT.match(lines[i]).group(1)
            for k in block:
                out[k] = re.sub(r"^(\s*)//", r"\1///", lines[k], count=1)
            out[i] = indent + "/// @file\n" + out[i]
            first_code_seen = True
            i = j
            continue
        first_code_seen = True
        doc_ok, in_parens, kind = state_before[i]
        attaches = (
            following.strip() != ""
            and not following.lstrip().startswith("//")
            and not following.strip().startswith("}")
            and not ACCESS.match(following)
            and (not PREPROCESSOR.match(following) or DEFINE.match(following))
        )
        if doc_ok and not in_parens and attaches:
            start = i
            while start < j and DIVIDER.match(lines[start]):
                # A divider may run over several lines; it ends with its dashes.
                while start < j and not re.search(r"(-{3}|={3})\s*$", lines[start]):
                    start += 1
                start += 1
            for k in range(start, j):
                out[k] = re.sub(r"^(\s*)//", r"\1///", lines[k], count=1)
        i = j

    # Pass 3: trailing comments of enumerators, fields, constants and one-line declarations, with
    # their aligned continuation lines.
    i = 0
    while i < n:
        line = lines[i]
        if COMMENT.match(line) or line.lstrip().startswith("///") or PREPROCESSOR.match(line):
            i += 1
            continue
        code, col = strip_code(line)
        if col < 0 or line[col:].startswith("///"):
            i += 1
            continue
        doc_ok, in_parens, kind = state_before[i]
        body = code.strip()
        if in_parens or not body or body.startswith("}") or ACCESS.match(body) \
                or body.count("(") != body.count(")"):
            ok = False
        elif kind == "enum":
            ok = True  # an enumerator
        elif re.match(r"(enum\b[^{]*)\{\s*\w", body) and body.count("{") == 1 \
                and "}" not in body:
            ok = doc_ok  # the first enumerator, on the line that opens its enumeration
        else:
            ok = doc_ok and body.endswith(";") and body.count("{") == body.count("}")
        if ok:
            out[i] = line[:col] + "///<" + line[col + 2:]
            k = i + 1
            while k < n:
                m = COMMENT.match(lines[k])
                if not m or len(m.group(1)) != col:
                    break
                out[k] = lines[k][:col] + "///<" + lines[k][col + 2:]
                k += 1
            i = k
            continue
        i += 1
    return "\n".join(out)


NAME = re.compile(r"(operator\s*[^\s(]+|~?[A-Za-z_]\w*)\s*\(")
NOT_NAMES = {"requires", "decltype", "noexcept", "alignas", "sizeof", "static_assert", "explicit"}


def declaration_name(text):
    text = re.sub(r"^\s*template\s*<[^>]*>", "", text)
    if re.match(r"\s*(class|struct|union|enum|namespace)\b", text):
        return None  # types are documented one by one
    m = re.match(r"\s*using\s+(\w+)\s*=", text)
    if m:
        return m.group(1)
    m = re.match(r"([^(=]*?)(\w+)\s*(=|\{)", text)
    if m and "(" not in m.group(1):
        return m.group(2)  # a variable or constant with an initialiser
    for m in NAME.finditer(text):
        if m.group(1) not in NOT_NAMES:
            return m.group(1)
    return None


def group_overloads(text):
    """Wraps a documented declaration and the undocumented overloads that follow it directly
    (same name, no blank or comment line between) in a member group, so that the one comment
    documents the whole set."""
    lines = text.split("\n")
    out = []
    i, n = 0, len(lines)
    while i < n:
        out.append(lines[i])
        doc = lines[i].lstrip()
        nxt = lines[i + 1].lstrip() if i + 1 < n else ""
        if not (doc.startswith("///") and not doc.startswith("///<") and not doc.startswith("///@")
                and "@file" not in doc and nxt and not nxt.startswith("//")
                and not PREPROCESSOR.match(nxt)):
            i += 1
            continue
        # Split the declarations that follow into statements.
        statements = []  # (first line, last line, name)
        k = i + 1
        while k < n and lines[k].strip() and not lines[k].lstrip().startswith("//") \
                and not PREPROCESSOR.match(lines[k]) and not ACCESS.match(lines[k]):
            start, depth_p, depth_b, text_acc = k, 0, 0, ""
            while k < n:
                code, _ = strip_code(lines[k])
                text_acc += " " + code
                depth_p += code.count("(") - code.count(")")
                depth_b += code.count("{") - code.count("}")
                k += 1
                c = code.rstrip()
                if depth_p == 0 and depth_b == 0 and (c.endswith(";") or c.endswith("}")):
                    break
                if depth_b < 0:
                    break
            if depth_b != 0 or depth_p != 0:
                statements = []
                break
            statements.append((start, k - 1, declaration_name(text_acc)))
        names = {s[2] for s in statements}
        if len(statements) >= 2 and len(names) == 1 and None not in names:
            indent = re.match(r"\s*", lines[i + 1]).group(0)
            first, last = statements[0][0], statements[-1][1]
            out.append(indent + "///@{")
            out.extend(lines[first:last + 1])
            out.append(indent + "///@}")
            i = last + 1
            continue
        i += 1
    return "\n".join(out)


def main(argv):
    check = "--check" in argv
    args = [a for a in argv if a != "--check"]
    root = Path(__file__).resolve().parent.parent
    targets = [Path(a) for a in args] or [root / "include" / "ozm"]
    files = []
    for t in targets:
        files.extend(sorted(t.rglob("*.hpp")) if t.is_dir() else [t])
    changed = []
    for f in files:
        text = f.read_text(encoding="utf-8")
        new = group_overloads(convert(text))
        if new != text:
            changed.append(f)
            if not check:
                f.write_text(new, encoding="utf-8")
    for f in changed:
        print(("would change " if check else "converted ") + str(f))
    return 1 if check and changed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
