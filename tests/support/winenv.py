#!/usr/bin/env python3
"""One private Wine environment for a whole test run: prefix, display, desktop and test services.

CLI (every command takes the Windows build directory first):
  winenv.py setup <build_dir> [--env-dir DIR] [--use-display :N] [--keep-prefix]
  winenv.py teardown <build_dir> [--env-dir DIR]
  winenv.py run <build_dir> <exe> [args...]        runs a Windows program to completion, prints its output
  winenv.py svc <build_dir> <svctool args...>       runs kestrin_svctool.exe
  winenv.py screenshot <build_dir> <png>
  winenv.py shell <build_dir>                       prints the environment as shell exports

Python:
  env = winenv.load(build_dir)
  env.run(exe, *args, timeout=60) -> (returncode, output);  env.check(exe, *args) -> output
  env.spawn(exe, *args) -> Popen;  env.kill(popen)
  env.svc(*args) -> (returncode, output);  env.check_svc(*args) -> output
  env.reg_set(key, name, value, type="REG_SZ"), env.reg_get(key, name), env.reg_delete_key(key),
  env.service_state(name), env.win_path(path), env.screenshot(path), env.xdotool(*args)

A program that fails where a caller needs it to succeed raises ProgramFailed, whose message holds the
command, its exit code and the program's whole output ("(no output)" when there was none).

The prefix lives at <env_dir>/prefix (env_dir defaults to <build_dir>/wine-env). Each setup that finds
nothing running starts from a fresh copy of a booted template prefix, so runs do not inherit each
other's registry; --keep-prefix keeps the prefix between setups instead (for interactive use).
"""

import json
import os
import select
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DESKTOP_NAME = "Kestrin"
DESKTOP_WIDTH, DESKTOP_HEIGHT = 1024, 768
TEST_SERVICE = "KestrinTestSvc"
TEST_SERVICE_DISPLAY = "Kestrin Test Service"
TEST_SERVICE_EXE = "kestrin_test_service.exe"
SVCTOOL_EXE = "kestrin_svctool.exe"
ENV_FILE = "env.json"
SHELL_FILE = "env.sh"

SERVICE_STOPPED, SERVICE_RUNNING = 1, 4
ERROR_FILE_NOT_FOUND = 2

BASE_ENVIRON = {"WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}


class WineEnvError(RuntimeError):
    pass


class ProgramFailed(WineEnvError):
    """A Windows program that failed or did not finish: the command, its exit code and its output."""

    def __init__(self, command, returncode, output, timeout=None):
        self.command = [str(part) for part in command]
        self.returncode = returncode  # None when it was killed for taking longer than `timeout`
        self.output = output
        super().__init__(describe_failure(self.command, returncode, output, timeout))


def describe_failure(command, returncode, output, timeout=None):
    """One message for a failed program: what ran, how it ended and everything it printed.

    `command` starts with the program (the Wine loader before it is left out). Wine hands Unix only
    the low byte of a Windows exit code, and 1 for a nonzero code whose low byte is 0.
    """
    words = [os.path.basename(str(command[0])), *map(str, command[1:])]
    shown = " ".join(shlex.quote(word) for word in words)
    if returncode is None:
        ended = f"did not finish within {timeout} s and was killed"
    elif returncode < 0:
        try:
            ended = f"was killed by {signal.Signals(-returncode).name}"
        except ValueError:
            ended = f"was killed by signal {-returncode}"
    else:
        ended = f"exited with code {returncode}"
    text = output.strip()
    if not text:
        return f"{shown} {ended}: (no output)"
    if "\n" in text:
        return f"{shown} {ended}; its output:\n" + "\n".join("    " + line for line in text.splitlines())
    return f"{shown} {ended}: {text}"


# ---------------------------------------------------------------------------------------------
# Helpers


def _log(message):
    print(f"winenv: {message}", file=sys.stderr, flush=True)


def _pe_arch(exe):
    """'win32' or 'win64', from the machine field of a PE file's header."""
    with open(exe, "rb") as f:
        header = f.read(4096)
    offset = int.from_bytes(header[0x3C:0x40], "little")
    if header[:2] != b"MZ" or header[offset:offset + 4] != b"PE\0\0":
        raise WineEnvError(f"{exe} is not a Windows program")
    machine = int.from_bytes(header[offset + 4:offset + 6], "little")
    return {0x14C: "win32", 0x8664: "win64"}.get(machine) or _fail(f"{exe}: unknown machine {machine:#x}")


def _fail(message):
    raise WineEnvError(message)


def _run_program(command, environ, timeout, scratch_dir=None, log_path=None):
    """Runs a Windows program to completion; returns (returncode, output with \\r stripped).

    Output goes through a file, never a pipe: a Wine process that outlives the program (explorer)
    would otherwise hold the pipe open forever. `log_path`, when given, also gets the output. A
    program still running after `timeout` seconds is killed and raises ProgramFailed.
    """
    with tempfile.TemporaryFile(dir=scratch_dir) as out:
        proc = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                env=environ, start_new_session=True)
        try:
            returncode = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            returncode = None
        out.seek(0)
        output = out.read().decode("utf-8", errors="replace").replace("\r", "")
    if log_path:
        with open(log_path, "a") as log:
            log.write(f"$ {' '.join(shlex.quote(str(part)) for part in command)}\n{output}")
    if returncode is None:
        raise ProgramFailed(command[1:], None, output, timeout)
    return returncode, output


# kestrin_svctool and the e2e driver print a line on every failure of their own, so a run that ends
# non-zero having printed nothing was ended by Wine around the program, not by it (exit code 1, which
# Wine also gives for a Windows exit code whose low byte is 0). Seen in one full test run of six, never
# in 5,700 runs of the tool on their own: a command that may safely run twice is run again, with Wine's
# own error messages on so that a second one says why, and the first failure is logged.
SVCTOOL_REPEATABLE = {"create", "reg-delete-key", "reg-get", "reg-set", "reset", "set-mode", "set-param", "state",
                      "wait"}
SILENT_FAILURE_TRIES = 3


def run_steadily(run, program, args, repeatable):
    """(returncode, output) of `run(winedebug)`, run again after a silent failure when `repeatable`;
    `program` and `args` name the run in the log."""
    tries = SILENT_FAILURE_TRIES if repeatable else 1
    winedebug = None
    for attempt in range(1, tries + 1):
        returncode, output = run(winedebug)
        if returncode == 0 or output.strip() or attempt == tries:
            break
        _log(f"{describe_failure([program, *args], returncode, output)}; Wine ended it without a word, "
             f"so it runs again with Wine's error messages on (try {attempt + 1} of {tries})")
        winedebug = "err+all"
    return returncode, output


def _wine_loader(arch):
    # /usr/bin/wine always prefers the 32-bit loader, which a 64-bit prefix must not use.
    candidates = {"win32": ["/usr/lib/wine/wine", "wine"], "win64": ["/usr/lib/wine/wine64", "wine64", "wine"]}[arch]
    for candidate in candidates:
        path = candidate if os.path.isabs(candidate) else shutil.which(candidate)
        if path and os.access(path, os.X_OK):
            return path
    raise WineEnvError(f"no Wine loader for {arch} found (install wine, wine32:i386, wine64)")


def _loader_runs(loader):
    try:
        return subprocess.run([loader, "--version"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=60).returncode == 0
    except OSError:
        return False


def host_runs_32bit():
    """True when this machine can run the 32-bit Wine loader (the kernel may have IA-32 emulation off)."""
    return os.path.exists("/usr/lib/wine/wine") and _loader_runs("/usr/lib/wine/wine")


def _pid_alive(pid, marker):
    """The process exists and its command line contains `marker` (guards against reused PIDs)."""
    if not pid:
        return False
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            cmdline = f.read().replace(b"\0", b" ").decode(errors="replace")
        with open(f"/proc/{pid}/stat") as f:
            if f.read().rsplit(")", 1)[1].split()[0] == "Z":
                return False
    except OSError:
        return False
    return marker in cmdline


def _end_pid(pid, marker, grace=5.0):
    if not _pid_alive(pid, marker):
        return
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.kill(pid, sig)
        except ProcessLookupError:
            return
        deadline = time.monotonic() + grace
        while time.monotonic() < deadline:
            try:
                if os.waitpid(pid, os.WNOHANG)[0] == pid:
                    return
            except ChildProcessError:
                pass
            if not _pid_alive(pid, marker):
                return
            time.sleep(0.05)


def _start_xvfb(log_path):
    """Starts Xvfb on a display it picks itself (no race with other users); returns (display, pid)."""
    read_end, write_end = os.pipe()
    with open(log_path, "ab") as log:
        proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{DESKTOP_WIDTH}x{DESKTOP_HEIGHT}x24",
             "-nolisten", "tcp", "-noreset"],
            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT, pass_fds=(write_end,),
            start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + 30
    try:
        while not number.endswith(b"\n"):
            remaining = deadline - time.monotonic()
            if remaining <= 0 or not select.select([read_end], [], [], remaining)[0]:
                proc.kill()
                raise WineEnvError(f"Xvfb did not start; see {log_path}")
            chunk = os.read(read_end, 16)
            if not chunk:
                raise WineEnvError(f"Xvfb exited; see {log_path}")
            number += chunk
    finally:
        os.close(read_end)
    return f":{number.decode().strip()}", proc.pid


# ---------------------------------------------------------------------------------------------
# The environment as tests use it


class Env:
    def __init__(self, info):
        self.info = info
        self.build_dir = info["build_dir"]
        self.env_dir = info["env_dir"]
        self.prefix = info["prefix"]
        self.display = info["display"]
        self.wine = info["wine"]
        self.arch = info["arch"]
        self.desktop_size = (DESKTOP_WIDTH, DESKTOP_HEIGHT)
        self.environ = dict(os.environ)
        self.environ.update(info["environ"])
        self.log_dir = os.path.join(self.env_dir, "logs")
        os.makedirs(self.log_dir, exist_ok=True)

    # -- programs --------------------------------------------------------------------------

    def exe(self, name):
        """The path of a program built at the top of the build directory."""
        return os.path.join(self.build_dir, name)

    def _command(self, exe, args):
        return [self.wine, str(exe), *[str(a) for a in args]]

    def run(self, exe, *args, timeout=60, winedebug=None):
        """Runs a Windows program to completion; returns (returncode, output with \\r stripped).

        A program still running after `timeout` seconds (None: no limit) is killed and raises
        ProgramFailed. `winedebug` replaces WINEDEBUG for this program alone.
        """
        environ = dict(self.environ, WINEDEBUG=winedebug) if winedebug else self.environ
        return _run_program(self._command(exe, args), environ, timeout, scratch_dir=self.log_dir)

    def check(self, exe, *args, timeout=60):
        """Runs a Windows program that must succeed; returns its output, else raises ProgramFailed."""
        returncode, output = self.run(exe, *args, timeout=timeout)
        if returncode != 0:
            raise ProgramFailed([exe, *args], returncode, output)
        return output

    def spawn(self, exe, *args, winedebug=None):
        """Starts a Windows program and returns at once; its output goes to popen.log_path.

        `winedebug` replaces WINEDEBUG for this program alone (say, to read its event log entries).
        """
        name = os.path.splitext(os.path.basename(str(exe)))[0]
        log_path = os.path.join(self.log_dir, f"{name}-{time.strftime('%H%M%S')}-{os.getpid()}-{time.monotonic_ns()}.log")
        environ = dict(self.environ, WINEDEBUG=winedebug) if winedebug else self.environ
        with open(log_path, "wb") as log:
            proc = subprocess.Popen(self._command(exe, args), stdin=subprocess.DEVNULL, stdout=log,
                                    stderr=subprocess.STDOUT, env=environ, start_new_session=True)
        proc.log_path = log_path
        return proc

    def kill(self, popen, sweep_tray=True):
        """Ends a spawned program by PID and passes the pointer over the tray so its dead icon goes."""
        if popen.poll() is None:
            try:
                os.kill(popen.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            popen.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass
        if sweep_tray:
            self.sweep_tray()

    def sweep_tray(self):
        width, height = self.desktop_size
        y = height - 12
        for x in range(width - 4, width - 400, -12):
            self.xdotool("mousemove", x, y)
        self.xdotool("mousemove", width // 2, height // 3)

    # -- services and registry -------------------------------------------------------------

    def svc(self, *args, timeout=60):
        """Runs kestrin_svctool.exe; returns (returncode, output)."""
        exe = self.exe(SVCTOOL_EXE)
        return run_steadily(lambda winedebug: self.run(exe, *args, timeout=timeout, winedebug=winedebug),
                            exe, args, args[:1] and args[0] in SVCTOOL_REPEATABLE)

    def check_svc(self, *args, timeout=60):
        """Runs kestrin_svctool.exe for a step that must succeed; returns its output."""
        returncode, output = self.svc(*args, timeout=timeout)
        if returncode != 0:
            raise ProgramFailed([self.exe(SVCTOOL_EXE), *args], returncode, output)
        return output

    def reg_set(self, key, name, value, type="REG_SZ"):
        self.check_svc("reg-set", key, name, value, type)

    def reg_get(self, key, name):
        """The value as text (a DWORD in decimal), or None when the key or value is missing."""
        rc, out = self.svc("reg-get", key, name)
        if rc != 0:
            if out.startswith(f"error {ERROR_FILE_NOT_FOUND}:"):
                return None
            raise ProgramFailed([self.exe(SVCTOOL_EXE), "reg-get", key, name], rc, out)
        return out[:-1] if out.endswith("\n") else out

    def reg_delete_key(self, key):
        self.check_svc("reg-delete-key", key)

    def service_state(self, name=TEST_SERVICE):
        """The service's state number, or 0 when it cannot be queried (say, there is no such service)."""
        rc, out = self.svc("state", name)
        words = out.split()
        if rc == 0 and words:
            return int(words[0])
        if rc == 1 and words[:1] == ["0"]:  # the tool's answer, with the reason after the 0
            return 0
        raise ProgramFailed([self.exe(SVCTOOL_EXE), "state", name], rc, out)

    def service_log_path(self):
        """The Unix path of the test service's default log file."""
        return os.path.join(self.prefix, "drive_c", "kestrin-test-service.log")

    # -- display ---------------------------------------------------------------------------

    def win_path(self, unix_path):
        return "Z:" + os.path.abspath(str(unix_path)).replace("/", "\\")

    def xdotool(self, *args):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.environ, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", str(path)], env=self.environ,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)


def _env_dir(build_dir, env_dir=None):
    return os.path.abspath(env_dir or os.path.join(build_dir, "wine-env"))


def _read_info(env_dir):
    try:
        with open(os.path.join(env_dir, ENV_FILE)) as f:
            return json.load(f)
    except (OSError, ValueError):
        return None


def load(build_dir=None, env_dir=None):
    """The running environment set up for `build_dir` (default: $KESTRIN_BUILD_DIR)."""
    build_dir = os.path.abspath(build_dir or os.environ["KESTRIN_BUILD_DIR"])
    info = _read_info(_env_dir(build_dir, env_dir))
    if info is None:
        raise WineEnvError(f"no Wine environment for {build_dir}; run: winenv.py setup {build_dir}")
    return Env(info)


# ---------------------------------------------------------------------------------------------
# Setup and teardown


def _running(info):
    if not info or not os.path.isdir(info.get("prefix", "")):
        return False
    pids = info.get("pids", {})
    if pids.get("xvfb") and not _pid_alive(pids["xvfb"], "Xvfb"):
        return False
    return _pid_alive(pids.get("idle"), SVCTOOL_EXE)


def _setup_log(environ):
    return os.path.join(environ["KESTRIN_WINE_ENV_DIR"], "logs", "setup.log")


def _wine_quiet(environ, wine, *args, timeout=120):
    """Runs a Wine command with its output kept in the setup log; returns (returncode, output)."""
    return _run_program([wine, *args], environ, timeout, log_path=_setup_log(environ))


def _wine_check(environ, wine, *args, timeout=120):
    """Runs a Wine command that must succeed; raises ProgramFailed when it does not."""
    returncode, output = _wine_quiet(environ, wine, *args, timeout=timeout)
    if returncode != 0:
        raise ProgramFailed(args, returncode, output)
    return output


def _wineserver(environ, *args, timeout=60):
    try:
        subprocess.run(["wineserver", *args], env=environ, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=timeout)
    except subprocess.TimeoutExpired:
        pass


def _boot_prefix(prefix, environ, wine):
    """A booted prefix whose programs all land on the one virtual desktop with a taskbar."""
    environ = dict(environ, WINEPREFIX=prefix)
    _log(f"booting a new {environ['WINEARCH']} prefix (about 15 s)")
    # Its exit code says little (it also reports the 32-bit half a 64-bit-only Wine lacks): the
    # prefix's files are what counts.
    boot = _wine_quiet(environ, wine, "wineboot", "-i", timeout=300)
    _wineserver(environ, "-w", timeout=120)  # a service created while the boot ends may not be found
    explorer = r"HKCU\Software\Wine\Explorer"
    _wine_check(environ, wine, "reg", "add", explorer, "/v", "Desktop", "/d", DESKTOP_NAME, "/f")
    _wine_check(environ, wine, "reg", "add", explorer + r"\Desktops", "/v", DESKTOP_NAME,
                "/d", f"{DESKTOP_WIDTH}x{DESKTOP_HEIGHT}", "/f")
    # The taskbar, with the notification area at its right end, is off by default.
    _wine_check(environ, wine, "reg", "add", explorer + "\\Desktops\\" + DESKTOP_NAME, "/v", "EnableShell",
                "/t", "REG_DWORD", "/d", "1", "/f")
    _wineserver(environ, "-w", timeout=120)
    if not os.path.exists(os.path.join(prefix, "system.reg")):
        raise WineEnvError(f"no prefix in {prefix}: " + describe_failure(["wineboot", "-i"], *boot))


def _run_svctool(environ, wine, build_dir, *args, timeout=60):
    """Runs kestrin_svctool.exe with its output kept in the setup log; returns (returncode, output)."""
    exe = os.path.join(build_dir, SVCTOOL_EXE)
    return run_steadily(lambda winedebug: _wine_quiet(dict(environ, WINEDEBUG=winedebug) if winedebug else environ,
                                                      wine, exe, *args, timeout=timeout),
                        exe, args, args[:1] and args[0] in SVCTOOL_REPEATABLE)


def _check_svctool(environ, wine, build_dir, *args, timeout=60):
    returncode, output = _run_svctool(environ, wine, build_dir, *args, timeout=timeout)
    if returncode != 0:
        raise ProgramFailed([SVCTOOL_EXE, *args], returncode, output)
    return output


def _register_test_service(environ, wine, build_dir):
    exe = "Z:" + os.path.join(build_dir, TEST_SERVICE_EXE).replace("/", "\\")
    _check_svctool(environ, wine, build_dir, "create", TEST_SERVICE, exe, TEST_SERVICE_DISPLAY)
    _check_svctool(environ, wine, build_dir, "set-mode", TEST_SERVICE, "normal")


def _warm_up_service_manager(environ, wine, build_dir):
    # The first start in a fresh prefix can time out (1053) while the manager wakes up.
    for attempt in range(5):
        rc, out = _run_svctool(environ, wine, build_dir, "start", TEST_SERVICE)
        if rc == 0 or out.startswith("error 1056:"):  # already running
            break
        failure = describe_failure([SVCTOOL_EXE, "start", TEST_SERVICE], rc, out)
        _log(f"warm-up start {attempt + 1} of 5 failed: {failure}")
        time.sleep(1)
    else:
        raise WineEnvError(f"{TEST_SERVICE} never started; the last try: {failure}")
    _check_svctool(environ, wine, build_dir, "wait", TEST_SERVICE, str(SERVICE_RUNNING), "20000")
    _check_svctool(environ, wine, build_dir, "reset", TEST_SERVICE)
    log = os.path.join(environ["WINEPREFIX"], "drive_c", "kestrin-test-service.log")
    if os.path.exists(log):
        os.remove(log)  # tests count starts from zero


def setup(build_dir, env_dir=None, use_display=None, keep_prefix=False):
    """Sets up (or reuses) the environment for `build_dir`; returns its Env."""
    build_dir = os.path.abspath(build_dir)
    env_dir = _env_dir(build_dir, env_dir)
    os.makedirs(os.path.join(env_dir, "logs"), exist_ok=True)
    for exe in (SVCTOOL_EXE, TEST_SERVICE_EXE):
        if not os.path.exists(os.path.join(build_dir, exe)):
            raise WineEnvError(f"{exe} is not built in {build_dir}")

    arch = _pe_arch(os.path.join(build_dir, SVCTOOL_EXE))
    wine = _wine_loader(arch)
    if not _loader_runs(wine):
        raise WineEnvError(
            f"this machine cannot run {wine}" +
            (" (32-bit programs do not run here: the kernel's IA-32 emulation is off); "
             "run the Windows tests from an x86_64 build (cmake/mingw-x86_64.cmake)" if arch == "win32" else ""))

    info = _read_info(env_dir)
    if _running(info) and info["arch"] == arch and (not use_display or info["display"] == use_display):
        _log(f"reusing the running environment on {info['display']}")
        environ = dict(os.environ, **info["environ"])
        _register_test_service(environ, wine, build_dir)
        info["build_dir"] = build_dir
        _write_info(env_dir, info)
        return Env(info)
    teardown(build_dir, env_dir)

    prefix = os.path.join(env_dir, "prefix")
    environ = dict(os.environ, **BASE_ENVIRON, WINEPREFIX=prefix, WINEARCH=arch, KESTRIN_WINE_ENV_DIR=env_dir)
    if arch == "win64":
        environ["WINELOADER"] = wine

    pids = {}
    if use_display:
        display = use_display
    else:
        display, pids["xvfb"] = _start_xvfb(os.path.join(env_dir, "logs", "xvfb.log"))
    environ["DISPLAY"] = display

    if keep_prefix:
        if not os.path.exists(os.path.join(prefix, "system.reg")):
            shutil.rmtree(prefix, ignore_errors=True)
            _boot_prefix(prefix, environ, wine)
    else:
        template = os.path.join(env_dir, f"template-{arch}")
        if not os.path.exists(os.path.join(template, "system.reg")):
            shutil.rmtree(template, ignore_errors=True)
            _boot_prefix(template, environ, wine)
        shutil.rmtree(prefix, ignore_errors=True)
        shutil.copytree(template, prefix, symlinks=True)

    # The idle program keeps wineserver, the service manager and the desktop's explorer alive.
    with open(os.path.join(env_dir, "logs", "idle.log"), "ab") as log:
        idle = subprocess.Popen([wine, os.path.join(build_dir, SVCTOOL_EXE), "idle"], env=environ,
                                stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                start_new_session=True)
    pids["idle"] = idle.pid

    info = {
        "build_dir": build_dir,
        "env_dir": env_dir,
        "prefix": prefix,
        "display": display,
        "wine": wine,
        "arch": arch,
        "keep_prefix": keep_prefix,
        "pids": pids,
        "environ": {k: environ[k] for k in ("WINEPREFIX", "DISPLAY", "WINEDEBUG", "WINEDLLOVERRIDES", "WINEARCH",
                                            "KESTRIN_WINE_ENV_DIR") + (("WINELOADER",) if "WINELOADER" in environ else ())},
    }
    info["environ"]["KESTRIN_WINE"] = wine
    _write_info(env_dir, info)  # written early so a failed setup can still be torn down
    try:
        _register_test_service(environ, wine, build_dir)
        _warm_up_service_manager(environ, wine, build_dir)
    except Exception:
        teardown(build_dir, env_dir)
        raise
    _log(f"ready: WINEPREFIX={prefix} DISPLAY={display} ({arch})")
    return Env(info)


def _write_info(env_dir, info):
    path = os.path.join(env_dir, ENV_FILE)
    with open(path + ".tmp", "w") as f:
        json.dump(info, f, indent=2)
    os.replace(path + ".tmp", path)
    with open(os.path.join(env_dir, SHELL_FILE), "w") as f:
        f.write("# Written by winenv.py setup; sourced by in-wine-env.sh.\n")
        for key, value in info["environ"].items():
            f.write(f"export {key}={shlex.quote(value)}\n")


def teardown(build_dir, env_dir=None):
    """Ends everything the environment started: the prefix's Wine processes, the idle program, Xvfb."""
    env_dir = _env_dir(os.path.abspath(build_dir), env_dir)
    info = _read_info(env_dir)
    prefix = (info or {}).get("prefix") or os.path.join(env_dir, "prefix")
    if os.path.isdir(prefix):
        environ = dict(os.environ, **BASE_ENVIRON, WINEPREFIX=prefix)
        _wineserver(environ, "-k", timeout=30)
        _wineserver(environ, "-w", timeout=30)
    if info:
        pids = info.get("pids", {})
        _end_pid(pids.get("idle"), SVCTOOL_EXE)
        _end_pid(pids.get("xvfb"), "Xvfb")
        for name in (ENV_FILE, SHELL_FILE):
            try:
                os.remove(os.path.join(env_dir, name))
            except FileNotFoundError:
                pass


# ---------------------------------------------------------------------------------------------
# Command line


COMMANDS = ("setup", "teardown", "run", "svc", "screenshot", "shell")


def _parse(argv):
    """(command, build_dir, options, rest): options may stand anywhere before the command's own arguments."""
    options = {"env_dir": None, "use_display": None, "keep_prefix": False}
    positional = []
    i = 0
    while i < len(argv):
        arg = argv[i]
        name, _, value = arg.partition("=")
        if name == "--keep-prefix":
            options["keep_prefix"] = True
        elif name in ("--env-dir", "--use-display"):
            if not value:
                i += 1
                if i >= len(argv):
                    raise SystemExit(f"winenv: {name} needs a value")
                value = argv[i]
            options[name[2:].replace("-", "_")] = value
        elif arg in ("-h", "--help"):
            print(__doc__)
            raise SystemExit(0)
        elif len(positional) == 2:
            break  # the command's own arguments start here
        else:
            positional.append(arg)
        i += 1
    if len(positional) < 2 or positional[0] not in COMMANDS:
        raise SystemExit(__doc__)
    return positional[0], positional[1], options, argv[i:]


def main(argv=None):
    command, build_dir, options, rest = _parse(sys.argv[1:] if argv is None else argv)
    try:
        if command == "setup":
            setup(build_dir, options["env_dir"], options["use_display"], options["keep_prefix"])
            return 0
        if command == "teardown":
            teardown(build_dir, options["env_dir"])
            return 0
        env = load(build_dir, options["env_dir"])
        if command == "shell":
            for key, value in env.info["environ"].items():
                print(f"export {key}={shlex.quote(value)}")
            return 0
        if command == "screenshot":
            env.screenshot(rest[0])
            return 0
        if command == "svc":
            exe = env.exe(SVCTOOL_EXE)
            rc, out = env.svc(*rest, timeout=None)
        else:
            exe = rest.pop(0)
            rc, out = env.run(exe, *rest, timeout=None)
        sys.stdout.write(out)
        if rc != 0:
            print(f"winenv: {describe_failure([exe, *rest], rc, out)}", file=sys.stderr)
        return 0 if rc == 0 else rc if rc > 0 else 1
    except WineEnvError as error:
        print(f"winenv: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main())
