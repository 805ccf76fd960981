"""Ctrl-C during a long call, in a child process: how long the call takes to give up."""
import re
import signal
import subprocess
import sys
import time

# Runs the code given as its first argument (with the rest as sys.argv[1:]) and, when a
# KeyboardInterrupt reaches the top, prints the system-wide monotonic time before re-raising it:
# the delay measured ends when the call gave up, not when the interpreter has shut down.
_WRAPPER = """
import sys, time
code = sys.argv[1]
sys.argv = sys.argv[1:]
try:
    exec(compile(code, "<child>", "exec"), {"__name__": "__main__"})
except KeyboardInterrupt:
    print("interrupted at", time.monotonic(), flush=True)
    raise
print("finished", flush=True)
"""


def seconds_to_give_up(code, *args, wait=1.0):
    """Runs `code` in a child; once it prints "go" (just before its long call), waits `wait`
    seconds and sends SIGINT. Returns the seconds from the signal until the KeyboardInterrupt
    reached the child's top level (None when it never did) and the child's stderr."""
    child = subprocess.Popen([sys.executable, "-c", _WRAPPER, code, *args], stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, text=True)
    try:
        assert child.stdout.readline().strip() == "go"
        time.sleep(wait)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        out, err = child.communicate(timeout=30)
    finally:
        child.kill()
    found = re.search(r"interrupted at (\S+)", out)
    return (float(found.group(1)) - sent if found else None), err
