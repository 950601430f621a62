#!/usr/bin/env python3
"""Makes the template (.pot) of one text domain from the C++ sources, or checks it.

    ExtractMessages.py --domain D --root DIR --template FILE [--resource-tables | --keyword NAME...]
                       [--check] SOURCE...

Without --resource-tables the template holds the literal texts handed to
gettext and gettext_noop, and to each --keyword function (a setter of a
text that window translation translates later); with it, the texts of the resource-string lists
(rows ResourceString(Name, Identifier, u"text")), which the run-time layer
looks up in the domain "default". xgettext does the extraction, on copies of
the sources in which string literals lost their encoding prefix (xgettext
0.21 does not join u"a" u"b"). File references are relative to --root.

--check writes nothing: it fails unless the template is current and every
catalog beside it (<lang>.po) compiles with msgfmt's checks and translates
every text of the template.
"""
import argparse
import os
import re
import subprocess
import sys
import tempfile

RESOURCE_ROW = "ResourceString:3"
PREFIXES = ("u8", "u", "U", "L")

TOKEN = re.compile(
    r"""(?P<space>\s+|//[^\n]*|/\*.*?\*/)
      | (?P<literal>(?:u8|u|U|L)?(?:R"(?P<delim>[^()\\\s"]{0,16})\(.*?\)(?P=delim)"
                                    |"(?:[^"\\\n]|\\.)*"
                                    |'(?:[^'\\\n]|\\.)*'))
      | (?P<number>\.?[0-9](?:[eEpP][+-]|[0-9A-Za-z_.']|)*)
      | (?P<ident>[A-Za-z_][A-Za-z0-9_]*)
      | (?P<punct>.)""",
    re.VERBOSE | re.DOTALL)


def tokens(text):
    for match in TOKEN.finditer(text):
        kind = next(k for k in ("space", "literal", "number", "ident", "punct") if match.group(k) is not None)
        yield kind, match.group(0)


def without_prefix(literal):
    for prefix in PREFIXES:
        if literal.startswith(prefix) and literal[len(prefix)] in "R\"'":
            return literal[len(prefix):]
    return literal


def prepared(text):
    """The source as xgettext should see it: literals without encoding
    prefixes."""
    return "".join(without_prefix(value) if kind == "literal" else value for kind, value in tokens(text))


def header(domain):
    return (
        f'# The texts of Cantrel\'s text domain "{domain}": the template of its catalogs.\n'
        "# Made from the sources by the build target \"pot\"; a new language starts as a\n"
        "# copy of it named <lang>.po in this folder.\n"
        'msgid ""\n'
        'msgstr ""\n'
        '"Project-Id-Version: Cantrel\\n"\n'
        '"Language: \\n"\n'
        '"MIME-Version: 1.0\\n"\n'
        '"Content-Type: text/plain; charset=UTF-8\\n"\n'
        '"Content-Transfer-Encoding: 8bit\\n"\n'
        '"Plural-Forms: nplurals=2; plural=(n != 1);\\n"\n'
    )


def make_template(args):
    with tempfile.TemporaryDirectory() as work:
        names = []
        for source in sorted(set(args.sources)):
            name = os.path.relpath(os.path.abspath(source), args.root)
            copy = os.path.join(work, name)
            os.makedirs(os.path.dirname(copy), exist_ok=True)
            with open(source, encoding="utf-8") as original, open(copy, "w", encoding="utf-8") as target:
                target.write(prepared(original.read()))
            names.append(name)
        if args.resource_tables:
            keywords = ["--keyword", "--keyword=" + RESOURCE_ROW]
        else:
            keywords = ["--keyword=" + keyword for keyword in args.keyword]
        result = subprocess.run(
            [args.xgettext, "--language=C++", "--from-code=UTF-8", "--omit-header", "--add-comments=TRANSLATORS:",
             "--add-location=file",
             "--directory", work, "--output=-", *keywords, *names],
            capture_output=True, text=True, encoding="utf-8")
        if result.returncode != 0:
            sys.exit(f"xgettext failed:\n{result.stderr}")
        # An empty msgid is the catalog's header, which lookups of it ask for.
        entries = [entry for entry in result.stdout.split("\n\n")
                   if entry.strip() and not re.search(r'^msgid ""\nmsgstr', entry, re.MULTILINE)]
        return header(args.domain) + "".join("\n" + entry.strip("\n") + "\n" for entry in entries)


def check(args, template):
    problems = []
    try:
        with open(args.template, encoding="utf-8") as current:
            if current.read() != template:
                problems.append(f"{args.template} is not current: build the target \"pot\" and commit it")
    except FileNotFoundError:
        problems.append(f"{args.template} is missing: build the target \"pot\"")
    folder = os.path.dirname(args.template)
    with tempfile.TemporaryDirectory() as work:
        fresh = os.path.join(work, os.path.basename(args.template))
        with open(fresh, "w", encoding="utf-8") as target:
            target.write(template)
        for catalog in sorted(f for f in os.listdir(folder) if f.endswith(".po")):
            path = os.path.join(folder, catalog)
            for command in ([args.msgfmt, "--check", "--check-format", "--output-file=/dev/null", path],
                            [args.msgcmp, path, fresh]):
                result = subprocess.run(command, capture_output=True, text=True, encoding="utf-8")
                if result.returncode != 0:
                    problems.append(f"{' '.join(command)}:\n{result.stderr.strip()}")
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--domain", required=True)
    parser.add_argument("--root", required=True)
    parser.add_argument("--template", required=True)
    parser.add_argument("--resource-tables", action="store_true")
    parser.add_argument("--keyword", action="append", default=[])
    parser.add_argument("--check", action="store_true")
    parser.add_argument("--xgettext", default="xgettext")
    parser.add_argument("--msgfmt", default="msgfmt")
    parser.add_argument("--msgcmp", default="msgcmp")
    parser.add_argument("sources", nargs="+")
    args = parser.parse_args()
    template = make_template(args)
    if args.check:
        return check(args, template)
    try:
        with open(args.template, encoding="utf-8") as current:
            if current.read() == template:
                return 0
    except FileNotFoundError:
        pass
    with open(args.template, "w", encoding="utf-8") as target:
        target.write(template)
    return 0


if __name__ == "__main__":
    sys.exit(main())
