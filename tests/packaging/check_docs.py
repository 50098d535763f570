#!/usr/bin/env python3
"""The README and the manual pages agree with the programs: every command and option that
`--help` lists is described in both."""
import re
import subprocess
import sys

tool, program, source = sys.argv[1:4]
failures = []


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


tool_help = subprocess.run([tool, "--help"], capture_output=True, text=True, check=True).stdout
commands = re.findall(r"^  ([a-z]+) ", tool_help, re.M) + ["help"]
tool_page = read(f"{source}/docs/man/orvelan-book.1").replace("\\-", "-")
readme = read(f"{source}/README.md")
for command in commands:
    if not re.search(rf'^\.B[IR]? "?{command}\b', tool_page, re.M):
        failures.append(f"orvelan-book.1 does not describe the command {command}")
    if not re.search(rf"^\s+{command}\b", readme, re.M):
        failures.append(f"README.md does not list the command {command}")
for option in ["--home", "--json", "--help", "--version", "--show-password"]:
    if option not in tool_page:
        failures.append(f"orvelan-book.1 does not mention {option}")
    if option not in readme:
        failures.append(f"README.md does not mention {option}")

program_help = subprocess.run([program, "--help"], capture_output=True, text=True,
                              check=True).stdout
program_page = read(f"{source}/docs/man/orvelan.1").replace("\\-", "-")
for option in re.findall(r"(--?[A-Za-z]+|/[A-Z]+)", program_help.split("\n\n")[0]):
    if option not in program_page:
        failures.append(f"orvelan.1 does not mention {option}")
if "orvelan --help" not in readme:
    failures.append("README.md does not point to orvelan --help")

print("\n".join(failures) or f"{len(commands)} commands documented")
sys.exit(1 if failures else 0)
