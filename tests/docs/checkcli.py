#!/usr/bin/env python3
"""Checks that the command reference and the manual pages name the commands
and options korvant-cli has, and nothing else.

docs/cli.md: every "### `command`" under "## Commands" is a command of
`korvant-cli --help`, and the reverse; the options in backticks in a
command's section are those of `korvant-cli COMMAND --help` (-h and --help,
which every command has, aside), and the reverse.
Manual pages: every ".SS command" under the commands heading is a command of
--help, and the reverse; an option in a command's block is one of its
options, and every option of a command is in its block or in the page's
section of options shared by several commands.

korvant-sim, whose options are one list: its manual pages name every option
of `korvant-sim --help` and no other.

Usage: checkcli.py --cli KORVANT_CLI --reference CLI_MD --cli-pages MANPAGE...
                   --sim KORVANT_SIM --sim-pages MANPAGE...
"""
import argparse
import os
import re
import subprocess
import sys

COMMON = {"-h", "--help"}
OPTION = re.compile(r"(?<![\w-])(--?[A-Za-z][\w-]*)")


def help_text(cli, *args):
    result = subprocess.run([cli, *args, "--help"], stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            env=dict(os.environ, LC_ALL="C.UTF-8"))
    if result.returncode != 0:
        raise SystemExit(f"{cli} {' '.join(args)} --help ended with status {result.returncode}")
    return result.stdout.decode("utf-8")


def program_commands(cli):
    """The commands the program's --help lists: two-blank lines before the details."""
    text = help_text(cli)
    listing = text.split("\n\n")[1] if "\n\n" in text else text
    return {m.group(1) for m in re.finditer(r"^  ([a-z][\w-]*)", listing, re.M)}


def help_options(program, *args):
    """Options a --help lists in its options section (-h and --help aside)."""
    options = set()
    section = False
    for line in help_text(program, *args).split("\n"):
        if re.match(r"^\S.*:$", line):
            section = line.startswith(("Параметры", "Options"))
            continue
        if section and re.match(r"^  -", line):
            head = re.split(r"\s{2,}", line.strip())[0]
            options |= {m.group(1) for m in OPTION.finditer(head)}
    return options - COMMON


def doc_sections(path):
    """{command: options in backticks} from the '## Commands' part of the reference."""
    text = open(path, encoding="utf-8").read()
    part = re.search(r"^## Commands\n(.*?)(?=^## )", text, re.M | re.S)
    if not part:
        raise SystemExit(f"{path}: no '## Commands' section")
    sections = {}
    for block in re.split(r"^### ", part.group(1), flags=re.M)[1:]:
        heading, _, body = block.partition("\n")
        name = re.fullmatch(r"`([a-z][\w-]*)`", heading.strip())
        if not name:
            raise SystemExit(f"{path}: command heading is not '### `command`': {heading}")
        # Options in inline code and in the indented usage lines.
        code = re.findall(r"`([^`\n]+)`", body) + re.findall(r"^    (.*)$", body, re.M)
        sections[name.group(1)] = {m.group(1) for span in code for m in OPTION.finditer(span)} - COMMON
    return sections


def man_sections(path):
    """({command: options}, shared options) from a manual page's .SS blocks."""
    sections, shared = {}, set()
    current, where = None, None
    for line in open(path, encoding="utf-8"):
        line = line.rstrip("\n")
        if line.startswith('.\\"'):
            continue
        # Font changes glue words together ("\fR, \fP\-\-output"): a blank instead.
        line = re.sub(r"\\f.", " ", line).replace("\\-", "-")
        if line.startswith(".SH"):
            where = "commands" if re.match(r'\.SH "?(COMMANDS|КОМАНДЫ)', line) else (
                "options" if re.match(r'\.SH "?(OPTIONS|ПАРАМЕТРЫ)', line) else None)
            current = None
            continue
        if where == "commands" and line.startswith(".SS"):
            words = line[3:].split()
            current = words[0]
            sections.setdefault(current, set())
            line = " ".join(words[1:])
        options = {m.group(1) for m in OPTION.finditer(line)}
        if where == "commands" and current:
            sections[current] |= options
        elif where == "options":
            shared |= options
    return sections, shared - COMMON


def page_options(path):
    """Every option a manual page names, comments aside."""
    found = set()
    for line in open(path, encoding="utf-8"):
        if not line.startswith('.\\"'):
            line = re.sub(r"\\f.", " ", line).replace("\\-", "-")
            found |= {m.group(1) for m in OPTION.finditer(line)}
    return found


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--reference", required=True)
    parser.add_argument("--cli-pages", nargs="*", default=[])
    parser.add_argument("--sim")
    parser.add_argument("--sim-pages", nargs="*", default=[])
    args = parser.parse_args()
    cli, reference, pages = args.cli, args.reference, args.cli_pages
    failures = []
    commands = program_commands(cli)
    if not commands:
        raise SystemExit("no commands found in korvant-cli --help")
    options = {c: help_options(cli, c) for c in commands}

    documented = doc_sections(reference)
    for c in sorted(set(documented) - commands):
        failures.append(f"{reference}: command '{c}' is not in korvant-cli --help")
    for c in sorted(commands - set(documented)):
        failures.append(f"{reference}: command '{c}' of korvant-cli --help is not documented")
    for c in sorted(commands & set(documented)):
        for o in sorted(documented[c] - options[c]):
            failures.append(f"{reference}: '{c}' documents option {o}, which 'korvant-cli {c} --help' lacks")
        for o in sorted(options[c] - documented[c]):
            failures.append(f"{reference}: option {o} of 'korvant-cli {c} --help' is not documented")

    for page in pages:
        sections, shared = man_sections(page)
        for c in sorted(set(sections) - commands):
            failures.append(f"{page}: command '{c}' is not in korvant-cli --help")
        for c in sorted(commands - set(sections)):
            failures.append(f"{page}: command '{c}' of korvant-cli --help has no .SS block")
        for c in sorted(commands & set(sections)):
            for o in sorted(sections[c] - options[c]):
                failures.append(f"{page}: '{c}' names option {o}, which 'korvant-cli {c} --help' lacks")
            for o in sorted(options[c] - sections[c] - shared):
                failures.append(f"{page}: option {o} of 'korvant-cli {c} --help' is not in the page")

    if args.sim:
        # Qt's own --help-all is left to Qt; -h and --help count here.
        simOptions = help_options(args.sim) - {"--help-all"} | COMMON
        for page in args.sim_pages:
            named = page_options(page)
            for o in sorted(named - simOptions):
                failures.append(f"{page}: names option {o}, which korvant-sim --help lacks")
            for o in sorted(simOptions - named):
                failures.append(f"{page}: option {o} of korvant-sim --help is not in the page")

    for failure in failures:
        print("FAIL " + failure)
    if not failures:
        print(f"PASS: {len(commands)} commands and their options agree in {reference} and "
              f"{len(pages) + len(args.sim_pages)} manual pages")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
