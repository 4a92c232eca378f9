#!/usr/bin/env python3
"""Writes data/context.dat: the code templates of the context-ID source file.

The file is an INI text in UTF-16 little-endian with byte-order mark, one
section per programming language (the order is the order the context map
dialog lists them in, and the main window maps positions 0-4 to file
extensions). TopCode and BottomCode are stored on one line with CR written
as `13 and LF as `10; CodeTemplate is one line and may use {%StaticVarName%},
{%ContextID%}, {%Title%}, {%FileName%} and {%Tab%}. Titles only ever land in
comments, so any title gives compilable code.

Run from the repository root:  python3 scripts/make-context-dat.py
"""

LANGUAGES = [
    ("C#", {
        "TopCode": [
            "// Context IDs of the help topics, for opening the help at a topic.",
            "public static class HelpTopics",
            "{",
        ],
        "CodeTemplate": "{%Tab%}public const int {%StaticVarName%} = {%ContextID%}; // {%Title%} ({%FileName%})",
        "BottomCode": [
            "}",
        ],
    }),
    ("VB .NET", {
        "TopCode": [
            "' Context IDs of the help topics, for opening the help at a topic.",
            "Public Module HelpTopics",
        ],
        "CodeTemplate": "{%Tab%}Public Const {%StaticVarName%} As Integer = {%ContextID%} ' {%Title%} ({%FileName%})",
        "BottomCode": [
            "End Module",
        ],
    }),
    ("Delphi", {
        "TopCode": [
            "unit HelpTopics;",
            "",
            "{ Context IDs of the help topics, for opening the help at a topic. }",
            "",
            "interface",
            "",
            "const",
        ],
        "CodeTemplate": "{%Tab%}{%StaticVarName%} = {%ContextID%}; // {%Title%} ({%FileName%})",
        "BottomCode": [
            "",
            "implementation",
            "",
            "end.",
        ],
    }),
    ("C++", {
        "TopCode": [
            "// Context IDs of the help topics, for opening the help at a topic.",
            "#pragma once",
            "",
        ],
        "CodeTemplate": "#define {%StaticVarName%} {%ContextID%} // {%Title%} ({%FileName%})",
        "BottomCode": [
            "",
        ],
    }),
    ("Visual Basic", {
        "TopCode": [
            "Attribute VB_Name = \"HelpTopics\"",
            "' Context IDs of the help topics, for opening the help at a topic.",
            "Option Explicit",
            "",
        ],
        "CodeTemplate": "Public Const {%StaticVarName%} As Long = {%ContextID%} ' {%Title%} ({%FileName%})",
        "BottomCode": [
            "",
        ],
    }),
]


def one_line(lines):
    return "\r\n".join(lines).replace("\r", "`13").replace("\n", "`10")


def main():
    out = []
    for name, keys in LANGUAGES:
        out.append("[" + name + "]")
        out.append("TopCode=" + one_line(keys["TopCode"]))
        out.append("CodeTemplate=" + keys["CodeTemplate"])
        out.append("BottomCode=" + one_line(keys["BottomCode"]))
        out.append("")
    text = "\r\n".join(out) + "\r\n"
    with open("data/context.dat", "wb") as f:
        f.write(b"\xff\xfe" + text.encode("utf-16-le"))


if __name__ == "__main__":
    main()
