#!/usr/bin/env python3
"""WatchUnitCheck.py BUILD PREFIX SCRATCH

Installs the build into SCRATCH/install as a packager would and runs the
installed user unit cantrel-watch@.service as systemd would: its ExecStart=
with %f, %i and %E and its EnvironmentFile= expanded here, for a folder of
SCRATCH. A file added to the folder must reach its playlist, and SIGTERM (as
`systemctl --user stop`) must end the watch with status 0. Then
`systemd-analyze --user verify` must accept the unit without a word."""

import os
import re
import selectors
import shutil
import signal
import subprocess
import sys
import time

Build, Prefix, Scratch = sys.argv[1:4]
DestDir = os.path.join(Scratch, "install")
shutil.rmtree(Scratch, ignore_errors=True)
os.makedirs(Scratch)
subprocess.run(["cmake", "--install", Build], env=dict(os.environ, DESTDIR=DestDir), check=True,
               stdout=subprocess.DEVNULL)
UnitPath = DestDir + Prefix + "/lib/systemd/user/cantrel-watch@.service"


def Fail(Message):
    sys.exit("WatchUnitCheck: " + Message)


def Sections(Path):
    Result, Section = {}, None
    for Line in open(Path, encoding="utf-8"):
        Line = Line.strip()
        if not Line or Line.startswith("#"):
            continue
        if Line.startswith("["):
            Section = Result.setdefault(Line.strip("[]"), {})
        else:
            Key, Value = Line.split("=", 1)
            Section[Key] = Value
    return Result


def Unescape(Instance):
    """systemd's unescaping of a path instance: "-" is "/", \\xNN a byte."""
    Bytes = re.sub(rb"\\x([0-9a-f]{2})", lambda Match: bytes([int(Match.group(1), 16)]),
                   Instance.replace("-", "/").encode())
    return "/" + Bytes.decode()


Unit = Sections(UnitPath)
Service = Unit["Service"]
for Section, Key, Value in [("Unit", "StartLimitIntervalSec", "10min"), ("Unit", "StartLimitBurst", "5"),
                            ("Service", "Restart", "on-failure"), ("Service", "RestartSec", "30")]:
    if Unit[Section].get(Key) != Value:
        Fail(f"[{Section}] {Key} is {Unit[Section].get(Key)!r}, not {Value!r}")

Music = os.path.join(Scratch, "My Music")
os.makedirs(os.path.join(Music, "Rock"))
open(os.path.join(Music, "a.mp3"), "w").close()
Instance = subprocess.run(["systemd-escape", "--path", Music], check=True, capture_output=True,
                          text=True).stdout.strip()
Config = os.path.join(Scratch, "config")
Specifiers = {"%f": Unescape(Instance), "%i": Instance, "%E": Config}
if Specifiers["%f"] != Music:
    Fail(f"%f of {Instance} is {Specifiers['%f']}")


def Expand(Text):
    return re.sub(r"%[fiE]", lambda Match: Specifiers[Match.group(0)], Text)


EnvironmentFile = Expand(Service["EnvironmentFile"].lstrip("-"))
os.makedirs(os.path.dirname(EnvironmentFile))
with open(EnvironmentFile, "w") as File:
    File.write('CANTREL_OPTIONS="-v --settle 0.2 -t m3u8"\n')
Options = re.search(r'^CANTREL_OPTIONS="(.*)"$', open(EnvironmentFile).read(), re.M).group(1).split()

# An unquoted $NAME in ExecStart= stands for the words of its value; the
# program lies in the installed tree.
Command = []
for Word in Service["ExecStart"].split():
    Command += Options if Word == "$CANTREL_OPTIONS" else [Expand(Word)]
Command[0] = DestDir + Command[0]
# Unbuffered, so that a line read is never more than that line, and select
# tells the truth about what is left.
Watch = subprocess.Popen(Command, stderr=subprocess.PIPE, stdout=subprocess.DEVNULL, bufsize=0,
                         env=dict(os.environ, LC_ALL="C.UTF-8", XDG_CACHE_HOME=os.path.join(Scratch, "cache")))
Lines = selectors.DefaultSelector()
Lines.register(Watch.stderr, selectors.EVENT_READ)


def WaitForUpToDate():
    Deadline = time.monotonic() + 60
    while time.monotonic() < Deadline:
        if Lines.select(timeout=1):
            Line = Watch.stderr.readline().decode()
            if not Line:
                Fail(f"the watch ended with status {Watch.wait()}")
            if Line.startswith("up to date"):
                return
    Fail("no \"up to date\" within a minute")


PlayList = os.path.join(Music, "My Music.m3u8")
try:
    WaitForUpToDate()
    if "a.mp3" not in open(PlayList).read():
        Fail(f"{PlayList} lacks a.mp3")
    open(os.path.join(Music, "Rock", "b.mp3"), "w").close()
    WaitForUpToDate()
    if "Rock/b.mp3" not in open(PlayList).read():
        Fail(f"{PlayList} lacks Rock/b.mp3 after it was added")
    Watch.send_signal(signal.SIGTERM)
    if Watch.wait(timeout=60) != 0:
        Fail(f"SIGTERM ended the watch with status {Watch.returncode}")
finally:
    if Watch.poll() is None:
        Watch.kill()

# systemd checks the unit as it would load an instance of it, the program at
# its installed place.
Verified = os.path.join(Scratch, "verify")
os.makedirs(os.path.join(Verified, "run"), mode=0o700)
Instanced = os.path.join(Verified, f"cantrel-watch@{Instance}.service")
with open(Instanced, "w") as File:
    File.write(open(UnitPath).read().replace("ExecStart=" + Prefix, "ExecStart=" + DestDir + Prefix))
Result = subprocess.run(["systemd-analyze", "--user", "--man=no", "verify", Instanced], capture_output=True, text=True,
                        env=dict(os.environ, XDG_RUNTIME_DIR=os.path.join(Verified, "run")))
if Result.returncode != 0 or Result.stdout or Result.stderr:
    Fail(f"systemd-analyze verify: status {Result.returncode}\n{Result.stdout}{Result.stderr}")
