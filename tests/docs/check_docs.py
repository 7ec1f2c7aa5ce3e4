#!/usr/bin/env python3
"""Runs the command examples of README.md and docs/ and checks their links.

  check_docs.py [--built PRESET,...] [--links-only] [ROOT]

An example is a fenced block with the info string `sh`, preceded on the line
just above its fence by a marker:

  <!-- example -->                   run it; every command must exit 0
  <!-- example exit=N -->            every command must exit N
  <!-- example needs=win32 -->       run it only when the win32 preset was built
                                     in this run (--built), else list it as not run
  <!-- example not-run: REASON -->   never run; listed with REASON (root, a
                                     display, QEMU, a long run ...)

Each line of the block is a command (a line ending in a backslash goes on),
run by bash from ROOT with TMRX_USE_BUILT=1, so that run.sh uses the build
trees as they are. If lines start with "$ ", those are the commands and the
lines under each are output it must still print (stdout or stderr), in that
order; a line "..." stands for output left out. A `sh` block without a marker,
a marker without a `sh` block and a fence without an info string (use `text`
for anything that is not a command) are errors.

Every relative link and image of every page must name a file or folder of
the tree; a link with #anchor into a page must name one of its headings. A
path in a code span that starts with a folder of the tree (`sim/...`, not
`build/...`; no wildcards) must exist too.
README.md must link every page under docs/.

Prints one line per case (PASS, FAIL, NOT RUN), then "N passed, N failed";
exit status 1 when anything failed."""
import argparse
import os
import re
import subprocess
import sys
from pathlib import Path

MARKER = re.compile(r"^<!--\s*example(?P<args>(?:\s.*?)?)\s*-->\s*$")
FENCE = re.compile(r"^(?P<fence>`{3,}|~{3,})\s*(?P<info>[^`\s]*)")
LINK = re.compile(r"!?\[(?:[^\]\[]|\[[^\]]*\])*\]\(\s*<?(?P<target>[^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(?P<target>\S+?)>?(?:\s.*)?$")
CODE_SPAN = re.compile(r"(`+).*?\1")
PATH_SPAN = re.compile(r"`(?P<path>[\w.-]+/[^`\s*?\[{]*)`")
TIMEOUT = 120
DEFAULT_PRESETS = {"native"}


class Example:
    def __init__(self, page, line, marker):
        self.page, self.line = page, line
        self.exit, self.needs, self.not_run, self.errors = 0, set(DEFAULT_PRESETS), None, []
        args = marker.strip()
        if args.startswith("not-run:"):
            self.not_run = args[len("not-run:"):].strip() or "no reason given"
            return
        for word in args.split():
            key, _, value = word.partition("=")
            if key == "exit" and value.isdigit():
                self.exit = int(value)
            elif key == "needs" and value:
                self.needs |= set(value.split(","))
            else:
                self.errors.append(f"unknown marker word '{word}'")
        self.commands = []   # (line, command, expected output lines)


def read_page(root, path):
    """The page's examples, its links (line, target) outside code, the paths
    of the tree it names in code spans (line, path), its errors."""
    examples, links, paths, errors = [], [], [], []
    lines = path.read_text(encoding="utf-8").splitlines()
    relative = path.relative_to(root)
    pending = None   # (line, marker arguments) waiting for its block
    i = 0
    while i < len(lines):
        text = lines[i]
        marker = MARKER.match(text.strip())
        fence = FENCE.match(text.strip())
        if marker:
            if pending:
                errors.append(f"{relative}:{pending[0]}: an example marker without a sh block under it")
            pending = (i + 1, marker.group("args"))
            i += 1
            continue
        if fence:
            info, closing = fence.group("info"), fence.group("fence")
            body, j = [], i + 1
            while j < len(lines) and not lines[j].strip().startswith(closing):
                body.append(lines[j])
                j += 1
            if not info:
                errors.append(f"{relative}:{i + 1}: a fence without an info string (sh for commands, text otherwise)")
            elif info == "sh" and not pending:
                errors.append(f"{relative}:{i + 1}: a sh block without an example marker above it")
            elif pending and info != "sh":
                errors.append(f"{relative}:{pending[0]}: an example marker above a '{info}' block, not sh")
            if pending and info == "sh":
                example = Example(relative, i + 1, pending[1])
                errors.extend(f"{relative}:{pending[0]}: {e}" for e in example.errors)
                example.commands = split_commands(body, i + 2)
                examples.append(example)
            pending = None
            i = j + 1
            continue
        if pending and text.strip():
            errors.append(f"{relative}:{pending[0]}: an example marker without a sh block under it")
            pending = None
        for match in LINK.finditer(CODE_SPAN.sub("", text)):
            links.append((i + 1, match.group("target")))
        for match in PATH_SPAN.finditer(text):
            top = match.group("path").split("/")[0]
            if top != "build" and (root / top).is_dir():
                paths.append((i + 1, match.group("path")))
        reference = REFERENCE.match(text)
        if reference:
            links.append((i + 1, reference.group("target")))
        i += 1
    if pending:
        errors.append(f"{relative}:{pending[0]}: an example marker without a sh block under it")
    return examples, links, paths, errors


def split_commands(body, first_line):
    """[(line, command, expected lines)]: "$ " lines and their output, or each line a command."""
    prompted = any(line.startswith("$ ") for line in body)
    commands, current = [], None
    for number, line in enumerate(body, first_line):
        if current and current[1].endswith("\\"):
            current[1] += "\n" + line
            continue
        if prompted and not line.startswith("$ "):
            if current and line.strip():
                current[2].append(line.rstrip())
            continue
        command = line[2:] if prompted else line
        if command.strip() and not command.lstrip().startswith("#"):
            current = [number, command.rstrip(), []]
            commands.append(current)
    return commands


def shown(command):
    """The command on one line, without its comments."""
    lines = (re.sub(r"(^|\s)#\s.*$", "", line).rstrip("\\") for line in command.split("\n"))
    return " ".join(" ".join(lines).split())


def run_example(root, example, command, expected):
    env = dict(os.environ, TMRX_USE_BUILT="1")
    try:
        done = subprocess.run(["bash", "-o", "pipefail", "-c", command], cwd=root, env=env,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                              stderr=subprocess.STDOUT, timeout=TIMEOUT)
    except subprocess.TimeoutExpired:
        return f"still running after {TIMEOUT} s"
    output = done.stdout.decode("utf-8", "replace")
    if done.returncode != example.exit:
        tail = " | ".join(output.strip().splitlines()[-3:])
        return f"exit status {done.returncode}, the page says {example.exit}: {tail}"
    position = 0
    for line in expected:
        if line.strip() == "...":
            continue
        found = output.find(line.strip(), position)
        if found < 0:
            return f"the output no longer holds: {line.strip()}"
        position = found + len(line.strip())
    return None


def slug(heading):
    """The anchor a heading gets: lower case, punctuation gone, spaces as hyphens."""
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", heading.strip())
    text = re.sub(r"[^\w\- ]", "", text.lower())
    return text.replace(" ", "-")


def anchors(path):
    names, seen, in_fence = set(), {}, None
    for line in path.read_text(encoding="utf-8").splitlines():
        if in_fence:
            if line.strip().startswith(in_fence):
                in_fence = None
            continue
        fence = FENCE.match(line.strip())
        if fence:
            in_fence = fence.group("fence")
            continue
        heading = re.match(r"^#{1,6}\s+(.*?)\s*#*\s*$", line)
        if heading:
            base = slug(heading.group(1))
            count = seen.get(base, 0)
            seen[base] = count + 1
            names.add(base if count == 0 else f"{base}-{count}")
    return names


def broken_links(root, page, links):
    broken = []
    for line, target in links:
        if re.match(r"^[a-zA-Z][a-zA-Z0-9+.-]*:", target):
            continue   # http:, https:, mailto: are not checked here
        file_part, _, anchor = target.partition("#")
        resolved = (page.parent / file_part).resolve() if file_part else page
        where = f"{page.relative_to(root)}:{line}: {target}"
        if not resolved.exists():
            broken.append(f"{where} (no such file)")
        elif root.resolve() not in (resolved, *resolved.parents):
            broken.append(f"{where} (outside the tree)")
        elif anchor and resolved.suffix == ".md" and anchor not in anchors(resolved):
            broken.append(f"{where} (no heading with that anchor)")
    return broken


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--built", default="native",
                        help="presets built in this run, comma-separated (default: native)")
    parser.add_argument("--links-only", action="store_true", help="check links and markers, run nothing")
    parser.add_argument("root", nargs="?", default=Path(__file__).resolve().parents[2], type=Path)
    options = parser.parse_args()
    root = options.root.resolve()
    built = set(options.built.split(",")) if options.built else set()
    pages = [root / "README.md"] + sorted((root / "docs").rglob("*.md"))
    passed = failed = 0

    def report(ok, what, why=""):
        nonlocal passed, failed
        if ok:
            passed += 1
            print(f"PASS {what}")
        else:
            failed += 1
            print(f"FAIL {what}: {why}")
        sys.stdout.flush()

    readme_links = set()
    for page in pages:
        examples, links, paths, errors = read_page(root, page)
        relative = page.relative_to(root)
        for error in errors:
            report(False, "example markers", error)
        broken = broken_links(root, page, links)
        broken += [f"{relative}:{line}: `{path}` (no such file)" for line, path in paths
                   if not (root / path).exists()]
        report(not broken, f"links of {relative} ({len(links)}, and {len(paths)} paths named)",
               "; ".join(broken))
        if page.name == "README.md" and page.parent == root:
            readme_links = {(page.parent / t.partition("#")[0]).resolve() for _, t in links}
        for example in examples:
            missing = sorted(example.needs - built)
            for line, command, expected in example.commands:
                what = f"{example.page}:{line} {shown(command)}"
                if example.not_run is not None:
                    print(f"NOT RUN {what}: {example.not_run}")
                elif missing:
                    print(f"NOT RUN {what}: needs the {', '.join(missing)} build")
                elif options.links_only:
                    print(f"NOT RUN {what}: --links-only")
                else:
                    why = run_example(root, example, command, expected)
                    report(why is None, what, why or "")
    unlinked = [str(p.relative_to(root)) for p in pages[1:] if p.resolve() not in readme_links]
    report(not unlinked, "README.md links every page under docs/", "not linked: " + ", ".join(unlinked))
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
