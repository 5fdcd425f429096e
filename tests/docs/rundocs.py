#!/usr/bin/env python3
"""Runs the shell examples the documents mark as runnable and compares what
they print with what the document shows.

A runnable example is a fenced block right after the line <!-- run -->:

    <!-- run -->
    ```sh
    $ korvant-cli info 127.0.0.3
    Заводской номер: 0053000001
    ```

Lines starting with "$ " are commands (a trailing backslash continues one);
the lines up to the next command are what it prints, standard output and
error together. Each line must match in full, where "…" stands for any text
and a line of "…" alone for any number of lines; a command shown without
output is not compared. The marker may hold commands of its own, run first
and not shown to the reader (the simulated registers an example takes for
granted):

    <!-- run
    $ korvant-sim --address 127.0.0.3 --family 2.53 --serial 0530000002 &
    --> Every command must end with
status 0: an example that shows a failure ends its command with "; echo $?".

The examples of one document run in order in one shell, in a folder of their
own with its own settings store and data folder, so a later example may use
what an earlier one wrote. korvant-cli and korvant-sim (also as
build/tools/cli/... and build/tools/sim/...) are wrappers that give every
simulated register the same free port and no discovery responder, and pass
that port to the network commands. Only 127.0.0.0/8 is allowed: an address
outside it, or a scan without --target (a broadcast on every interface),
ends the example before the program starts.

Usage: rundocs.py --cli KORVANT_CLI --sim KORVANT_SIM FILE.md...
"""
import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile

MARKER = "<!-- run -->"
MARKER_OPEN = "<!-- run"
NETWORK_COMMANDS = "info|read-params|write-params|apply|read-goods|write-goods"


def parse_steps(path, lines, first, end):
    """[(command, [expected lines], line number)] from lines[first:end]."""
    steps = []
    j = first
    while j < end:
        line = lines[j]
        if line.startswith("$ "):
            number = j + 1
            command = line[2:]
            while command.endswith("\\") and j + 1 < end:
                j += 1
                command = command[:-1] + " " + lines[j].strip()
            steps.append((command, [], number))
        elif steps:
            steps[-1][1].append(line)
        elif line.strip():
            raise SystemExit(f"{path}:{j + 1}: output before the first command")
        j += 1
    return steps


def examples(path):
    """Yields [(command, [expected lines] or None, line number)] per runnable block.

    The marker may span lines up to "-->": its commands run first, unseen by
    the reader (the simulated registers an example takes for granted), and
    their output is not compared."""
    lines = open(path, encoding="utf-8").read().split("\n")
    i = 0
    while i < len(lines):
        if lines[i].strip() != MARKER and lines[i].strip() != MARKER_OPEN:
            i += 1
            continue
        hidden = []
        start = i + 1
        if lines[i].strip() == MARKER_OPEN:
            close = start
            while close < len(lines) and lines[close].strip() != "-->":
                close += 1
            hidden = [(command, None, n) for command, _, n in parse_steps(path, lines, start, close)]
            start = close + 1
        while start < len(lines) and not lines[start].strip():
            start += 1
        if start >= len(lines) or not lines[start].startswith("```"):
            raise SystemExit(f"{path}:{i + 1}: {MARKER} is not followed by a fenced block")
        end = start + 1
        while end < len(lines) and not lines[end].startswith("```"):
            end += 1
        yield hidden + parse_steps(path, lines, start + 1, end)
        i = end + 1


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_wrapper(path, body):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as f:
        f.write("#!/usr/bin/env bash\n" + body)
    os.chmod(path, 0o755)


LOOPBACK_GUARD = r"""for a in "$@"; do
    for ip in $(grep -oE '[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+' <<<"$a"); do
        if [[ $ip != 127.* ]]; then
            echo "doc example refused: $ip is outside 127.0.0.0/8" >&2
            exit 97
        fi
    done
done
"""


def make_wrappers(folder, cli, sim, port):
    cli_body = LOOPBACK_GUARD + f"""case "${{1:-}}" in
    scan)
        [[ " $* " == *" --target "* ]] || {{ echo "doc example refused: scan without --target" >&2; exit 97; }}
        exec {cli!r} "$@" ;;
    {NETWORK_COMMANDS}) exec {cli!r} "$@" --port {port} ;;
    *) exec {cli!r} "$@" ;;
esac
"""
    sim_body = LOOPBACK_GUARD + f"exec {sim!r} \"$@\" --port {port} --discovery-port 0\n"
    for where in ("bin", "build/tools/cli"):
        write_wrapper(os.path.join(folder, where, "korvant-cli"), cli_body)
    for where in ("bin", "build/tools/sim"):
        write_wrapper(os.path.join(folder, where, "korvant-sim"), sim_body)


def script_for(steps, port):
    out = ["set -u", "trap 'kill $(jobs -p) 2>/dev/null; wait' EXIT"]
    for n, (command, _) in enumerate(steps):
        out.append(f"echo '@@step {n}@@'")
        background = command.rstrip().endswith("&")
        if background:
            # A simulator: wait until it listens before the next command.
            address = re.search(r"--address\s+(\S+)", command)
            address = address.group(1) if address else "127.0.0.2"
            out.append(command.rstrip()[:-1] + f" >sim-{n}.log 2>&1 &")
            out.append(f"for i in $(seq 100); do ss -Hltn 'src {address}:{port}' | grep -q . && break;"
                       " sleep 0.05; done")
            out.append(f"echo '@@status {n} 0@@'")
        else:
            out.append("{ " + command + "\n} 2>&1")
            out.append(f"echo \"@@status {n} $?@@\"")
    return "\n".join(out) + "\n"


def matches(expected, actual):
    """Whether the lines printed are those shown: "…" stands for any text in a
    line, and a line of "…" alone for any number of lines."""
    pattern = ""
    for line in expected:
        if line == "…":
            pattern += r"(?:[^\n]*\n)*?"
        else:
            pattern += "".join("[^\\n]*" if c == "…" else re.escape(c) for c in line) + r"\n"
    return re.fullmatch(pattern, "".join(a + "\n" for a in actual)) is not None


def run_document(path, cli, sim):
    blocks = list(examples(path))
    if not blocks:
        return 0, 0
    steps = [(command, expected) for block in blocks for command, expected, _ in block]
    where = [line for block in blocks for _, _, line in block]
    # Whatever the example runs, no address beyond this machine.
    for (command, _), line in zip(steps, where):
        for ip in re.findall(r"(?<![\d.])(\d+\.\d+\.\d+\.\d+)(?![\d.])", command):
            if not ip.startswith("127."):
                print(f"FAIL {path}:{line}: $ {command}\n  {ip} is outside 127.0.0.0/8: not run")
                return len(steps), len(steps)
    folder = tempfile.mkdtemp(prefix="rundocs-")
    try:
        port = free_port()
        make_wrappers(folder, cli, sim, port)
        env = dict(os.environ)
        env.update(HOME=os.path.join(folder, "home"), XDG_CONFIG_HOME=os.path.join(folder, "config"),
                   XDG_DATA_HOME=os.path.join(folder, "data"), LC_ALL="C.UTF-8",
                   PATH=os.path.join(folder, "bin") + os.pathsep + env.get("PATH", ""))
        for name in ("home", "config", "data"):
            os.makedirs(os.path.join(folder, name))
        # A session of its own, so that a hung example takes its simulators
        # with it when it is stopped.
        shell = subprocess.Popen(["bash", "-c", script_for(steps, port)], cwd=folder, env=env,
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            output, _ = shell.communicate(timeout=300)
        except subprocess.TimeoutExpired:
            os.killpg(shell.pid, signal.SIGKILL)
            output, _ = shell.communicate()
            print(f"FAIL {path}: the examples did not end within 300 s")
        text = output.decode("utf-8", "replace")
        outputs, statuses = {}, {}
        current = None
        for line in text.split("\n"):
            step = re.fullmatch(r"@@step (\d+)@@", line)
            status = re.fullmatch(r"@@status (\d+) (\d+)@@", line)
            if step:
                current = int(step.group(1))
                outputs[current] = []
            elif status:
                statuses[int(status.group(1))] = int(status.group(2))
                current = None
            elif current is not None:
                outputs[current].append(line)
        failures = 0
        for n, (command, expected) in enumerate(steps):
            actual = outputs.get(n, [])
            problem = None
            if n not in statuses:
                problem = "did not run"
            elif statuses[n] != 0:
                problem = f"ended with status {statuses[n]}"
            elif expected and not matches(expected, actual):
                problem = "printed something else"
            if problem:
                failures += 1
                print(f"FAIL {path}:{where[n]}: $ {command}\n  {problem}")
                print("  shown in the document:\n" + "".join(f"    {e}\n" for e in expected or []), end="")
                print("  printed:\n" + "".join(f"    {a}\n" for a in actual), end="")
        return len(steps), failures
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    failures = 0
    for path in args.files:
        ran, failed = run_document(path, os.path.abspath(args.cli), os.path.abspath(args.sim))
        failures += failed
        if ran:
            print(f"{path}: {ran - failed} of {ran} commands as shown")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
