#!/usr/bin/env python3
"""A misbehaving UCI engine for the client tests. The first argument picks the fault:
good, garbage (noise and an over-long line around the handshake), nouciok, crash (exits at
its first "go"), illegal (answers every "go" with an illegal move), mute (never answers go),
onstop (answers a search only when told to stop, with 1. ... e5)."""
import sys
import time

mode = sys.argv[1] if len(sys.argv) > 1 else "good"


def say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


for line in sys.stdin:
    words = line.split()
    if not words:
        continue
    if words[0] == "uci":
        if mode == "nouciok":
            time.sleep(3600)
        if mode == "garbage":
            say("\x00\x01 garbage \xff ")
            say("x" * 200000)
            say("info string after the long line")
        say("id name Fake Engine 1.0")
        say("option name Skill Level type spin default 20 min 0 max 20")
        say("option name Style type combo default Normal var Solid var Normal var Risky")
        say("option name Clear Hash type button")
        say("uciok")
    elif words[0] == "isready":
        say("readyok")
    elif words[0] == "go":
        if mode == "crash":
            sys.exit(3)
        if mode in ("mute", "onstop"):
            continue
        say("info depth 1 score cp 12 pv e2e4")
        say("bestmove e2e5" if mode == "illegal" else "bestmove e2e4")
    elif words[0] == "stop" and mode == "onstop":
        say("bestmove e7e5")
    elif words[0] == "quit":
        break
