#!/usr/bin/env python3
"""Writes the sample home's com.apple.symbolichotkeys.plist (binary, as macOS
writes it). Run from the repository root after changing the table."""
import plistlib

SHIFT, CONTROL, OPTION, COMMAND, FN, KEYPAD = 0x20000, 0x40000, 0x80000, 0x100000, 0x800000, 0x200000
UNDEFINED = 65535

# id: (enabled, character, key code, event flags)
HOTKEYS = {
    7: (True, UNDEFINED, 120, CONTROL | FN),            # move focus to the menu bar
    8: (True, UNDEFINED, 99, CONTROL | FN),             # move focus to the Dock
    15: (False, 56, 28, CONTROL | OPTION | COMMAND),    # zoom in
    28: (True, 51, 20, SHIFT | COMMAND),                # screenshot of the screen to a file
    29: (True, 51, 20, SHIFT | CONTROL | COMMAND),      # screenshot of the screen to the clipboard
    30: (True, 52, 21, SHIFT | COMMAND),                # screenshot of an area to a file
    31: (True, 52, 21, SHIFT | CONTROL | COMMAND),      # screenshot of an area to the clipboard
    32: (True, UNDEFINED, 126, CONTROL | FN | KEYPAD),  # Mission Control
    33: (True, UNDEFINED, 125, CONTROL | FN | KEYPAD),  # application windows
    36: (True, UNDEFINED, 103, FN),                     # show desktop
    52: (True, 100, 2, OPTION | COMMAND),               # turn Dock hiding on or off
    60: (True, 32, 49, CONTROL),                        # previous input source
    61: (False, 32, 49, CONTROL | OPTION),              # next input source
    64: (True, 32, 49, COMMAND),                        # Spotlight
    65: (True, 32, 49, OPTION | COMMAND),               # Finder search window
    79: (True, UNDEFINED, 123, CONTROL | FN | KEYPAD),  # move left a space
    81: (True, UNDEFINED, 124, CONTROL | FN | KEYPAD),  # move right a space
    118: (False, UNDEFINED, 18, CONTROL),               # switch to desktop 1
    160: (False, UNDEFINED, 0, 0),                      # Launchpad, no key
    162: (True, 65535, 96, OPTION | COMMAND | FN),      # accessibility options
    184: (True, 53, 23, SHIFT | COMMAND),               # screenshot and recording options
}

table = {}
for ident, (enabled, character, code, flags) in HOTKEYS.items():
    table[str(ident)] = {"enabled": enabled,
                         "value": {"parameters": [character, code, flags], "type": "standard"}}
with open("examples/home/Library/Preferences/com.apple.symbolichotkeys.plist", "wb") as out:
    plistlib.dump({"AppleSymbolicHotKeys": table}, out, fmt=plistlib.FMT_BINARY, sort_keys=True)
