#!/usr/bin/env python3
"""measure.py - runs one command and prints what it cost.

    measure.py LOG [SERVER_PID...] -- COMMAND [ARG...]

    COMMAND (standard input /dev/null, standard and error output to LOG)
      --wait4--> wall seconds, user and system CPU seconds of the command and
                 its children (microseconds)
      --/usr/bin/time--> peak resident set (KiB): a process started from this
                 one would inherit its peak, as the peak outlives exec
    /proc/PID/stat of every SERVER_PID before and after
      --> the server processes' CPU seconds in between (clock ticks)

Prints one line "WALL USER SYS MAXRSS_KIB SERVER_CPU" and exits with the
command's exit status (128 + signal when a signal ended it). A server process
that is gone by the end counts nothing.
"""
import os
import sys
import time

TICKS = os.sysconf("SC_CLK_TCK")


def server_ticks(pid):
    """utime + stime of a process, in clock ticks; None once it is gone."""
    try:
        with open("/proc/%s/stat" % pid) as stat:
            text = stat.read()
    except OSError:
        return None
    fields = text[text.rindex(")") + 2:].split()  # the name may hold blanks
    return int(fields[11]) + int(fields[12])  # fields 14 and 15 of the line


def main():
    args = sys.argv[1:]
    if "--" not in args or args.index("--") < 1 or args.index("--") == len(args) - 1:
        sys.stderr.write("usage: measure.py LOG [SERVER_PID...] -- COMMAND [ARG...]\n")
        return 2
    cut = args.index("--")
    log, servers, command = args[0], args[1:cut], args[cut + 1:]
    rss_file = log + ".rss"
    command = ["/usr/bin/time", "-f", "%M", "-o", rss_file] + command
    before = {pid: server_ticks(pid) for pid in servers}
    start = time.monotonic()
    pid = os.fork()
    if pid == 0:
        try:
            out = os.open(log, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
            null = os.open(os.devnull, os.O_RDONLY)
            os.dup2(null, 0)
            os.dup2(out, 1)
            os.dup2(out, 2)
            os.execvp(command[0], command)
        except OSError as error:
            os.write(2, ("measure: %s: %s\n" % (command[0], error)).encode())
        os._exit(127)
    _, status, usage = os.wait4(pid, 0)
    wall = time.monotonic() - start
    try:
        with open(rss_file) as rss:
            maxrss = int(rss.read().split()[-1])
        os.unlink(rss_file)
    except (OSError, ValueError, IndexError):
        maxrss = 0
    server = 0
    for server_pid, ticks in before.items():
        after = server_ticks(server_pid)
        if ticks is not None and after is not None:
            server += after - ticks
    print("%.6f %.6f %.6f %d %.2f" % (wall, usage.ru_utime, usage.ru_stime, maxrss,
                                      server / TICKS))
    if os.WIFSIGNALED(status):
        return 128 + os.WTERMSIG(status)
    return os.WEXITSTATUS(status)


if __name__ == "__main__":
    sys.exit(main())
