"""tallowin-cli sync-setup at a terminal: the password prompt goes to the terminal, what is typed is not shown, and
the terminal shows typing again afterwards, also when the command is interrupted at the prompt.

Usage: test_sync_setup_terminal.py PATH_TO_TALLOWIN_CLI
"""
import os
import pty
import select
import signal
import socket
import sys
import tempfile
import termios
import time

PASSWORD = "typed-but-unseen"
LIMIT = 30


def closed_port():
    # A port nobody listens on: bound and closed again, so connecting to it is refused at once.
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def read_until(master, wanted, transcript):
    deadline = time.monotonic() + LIMIT
    while wanted not in transcript[0]:
        remaining = deadline - time.monotonic()
        if remaining <= 0:
            raise AssertionError(f"waited for {wanted!r}, the terminal shows {transcript[0]!r}")
        ready, _, _ = select.select([master], [], [], remaining)
        if ready:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                raise AssertionError(f"the command ended before {wanted!r}: {transcript[0]!r}")
            transcript[0] += chunk.decode("utf-8", "replace")


def finish(master, pid, transcript):
    deadline = time.monotonic() + LIMIT
    while True:
        ready, _, _ = select.select([master], [], [], 0.05)
        if ready:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                chunk = b""
            transcript[0] += chunk.decode("utf-8", "replace")
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return status
        if time.monotonic() > deadline:
            os.kill(pid, signal.SIGKILL)
            raise AssertionError("the command did not end: " + transcript[0])


def run(cli, config, typed):
    address = f"http://127.0.0.1:{closed_port()}/tallowin"
    pid, master = pty.fork()
    if pid == 0:
        os.environ["XDG_CONFIG_HOME"] = config
        os.execv(cli, [cli, "sync-setup", address, "--user", "anna", "--plain-file"])
    transcript = [""]
    read_until(master, f"Password for anna at {address}: ", transcript)
    echo_while_typing = termios.tcgetattr(master)[3] & termios.ECHO
    os.write(master, typed)
    status = finish(master, pid, transcript)
    echo_after = termios.tcgetattr(master)[3] & termios.ECHO
    os.close(master)
    return address, transcript[0], status, echo_while_typing, echo_after


def main():
    cli = sys.argv[1]
    with tempfile.TemporaryDirectory() as config:
        address, transcript, status, echo_while_typing, echo_after = run(cli, config, PASSWORD.encode() + b"\n")
        assert not echo_while_typing, "the terminal showed what was typed"
        assert echo_after, "the terminal does not show typing again"
        assert PASSWORD not in transcript, transcript
        assert os.WIFEXITED(status) and os.WEXITSTATUS(status) == 1, (status, transcript)
        assert f"Could not reach the cloud database at {address}" in transcript, transcript
        assert not os.path.exists(os.path.join(config, "Tallowin", "sync-url")), "something was kept"

        # Ctrl-C at the prompt ends the command, and the terminal echoes again.
        _, transcript, status, _, echo_after = run(cli, config, b"half\x03")
        assert os.WIFSIGNALED(status) and os.WTERMSIG(status) == signal.SIGINT, (status, transcript)
        assert echo_after, "the interrupted command left the terminal silent"
        assert "half" not in transcript, transcript


if __name__ == "__main__":
    main()
