#!/usr/bin/env python3
"""own_code.py - instructions a program spent in its own code, from a callgrind file.

    own_code.py CALLGRIND_OUT PROGRAM_NAME

    callgrind file --(ob=, fn=, calls= records)--> own instructions:
      the instructions of every function in the object named PROGRAM_NAME (its
      basename), plus everything its functions call outside the Firebird
      libraries (the C and C++ libraries, zlib, ...), inclusive; not the call
      of the start-up code into the C library, which runs the whole program

What the program hands to the client library (and the embedded engine behind
it) is left out, so the figure is the program's reading, conversion and
writing, not the database's work. Prints the count. Start-up and exit are
counted only roughly (a library call back into the program counts twice):
compare two runs of different sizes, whose difference is exact.
"""
import os
import re
import sys

START = ("_start", "(below main)")  # what callgrind calls the start-up code
NAMED = re.compile(r"^\((\d+)\)(?: (.*))?$")


def firebird_object(name):
    base = os.path.basename(name)
    return "firebird" in name or base.startswith(("libfbclient", "libEngine", "libib_util"))


def main():
    if len(sys.argv) != 3:
        sys.stderr.write("usage: own_code.py CALLGRIND_OUT PROGRAM_NAME\n")
        return 2
    program = sys.argv[2]
    objects = {}  # compressed id -> object name

    def object_name(text):
        match = NAMED.match(text)
        if not match:
            return text
        if match.group(2) is not None:
            objects[match.group(1)] = match.group(2)
        return objects.get(match.group(1), "")

    own = 0
    current = ""  # object of the function being read
    function = ""  # name of the function being read
    functions = {}
    callee = None  # object of the call announced by cob=, if any
    call_cost_next = False
    with open(sys.argv[1], errors="replace") as lines:
        for line in lines:
            if call_cost_next:
                call_cost_next = False
                target = callee if callee is not None else current
                callee = None
                if os.path.basename(current) == program and function not in START \
                        and not firebird_object(target) and os.path.basename(target) != program:
                    fields = line.split()
                    own += int(fields[1]) if len(fields) > 1 else 0
                continue
            if line.startswith(("fn=", "cfn=")):
                text = line[line.index("=") + 1:].rstrip("\n")
                match = NAMED.match(text)
                if match and match.group(2) is not None:
                    functions[match.group(1)] = match.group(2)
                if line.startswith("fn="):
                    function = functions.get(match.group(1), "") if match else text
            elif line.startswith("ob="):
                current = object_name(line[3:].rstrip("\n"))
            elif line.startswith("cob="):
                callee = object_name(line[4:].rstrip("\n"))
            elif line.startswith("calls="):
                call_cost_next = True
            elif line[:1].isdigit() or line[:1] in "+-*":
                if os.path.basename(current) == program:
                    fields = line.split()
                    own += int(fields[1]) if len(fields) > 1 else 0
    print(own)
    return 0


if __name__ == "__main__":
    sys.exit(main())
