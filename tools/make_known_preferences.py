#!/usr/bin/env python3
"""Writes the sample home's Rectangle, Maccy and Raycast preference files
(binary, as cfprefsd writes them). Run from the repository root after
changing the tables."""
import datetime
import json
import plistlib

SHIFT, CONTROL, OPTION, COMMAND = 0x20000, 0x40000, 0x80000, 0x100000
PREFERENCES = "examples/home/Library/Preferences/"


def shortcut(code, flags):
    return {"keyCode": code, "modifierFlags": flags}


def write(bundle_id, preferences):
    with open(PREFERENCES + bundle_id + ".plist", "wb") as out:
        plistlib.dump(preferences, out, fmt=plistlib.FMT_BINARY, sort_keys=False)


checked = datetime.datetime(2025, 3, 2, 9, 41, 7)

# Rectangle's default layout: Control+Option with arrows and letters.
write("com.knollsoft.Rectangle", {
    "SUHasLaunchedBefore": True,
    "SUEnableAutomaticChecks": True,
    "SULastCheckTime": checked,
    "launchOnLogin": True,
    "hideMenubarIcon": False,
    "alternateDefaultShortcuts": True,
    "subsequentExecutionMode": 1,
    "lastVersion": "92",
    "gapSize": 6.0,
    "leftHalf": shortcut(123, CONTROL | OPTION),
    "rightHalf": shortcut(124, CONTROL | OPTION),
    "topHalf": shortcut(126, CONTROL | OPTION),
    "bottomHalf": shortcut(125, CONTROL | OPTION),
    "topLeft": shortcut(32, CONTROL | OPTION),
    "topRight": shortcut(34, CONTROL | OPTION),
    "bottomLeft": shortcut(38, CONTROL | OPTION),
    "bottomRight": shortcut(40, CONTROL | OPTION),
    "maximize": shortcut(36, CONTROL | OPTION),
    "center": shortcut(8, CONTROL | OPTION),
    "restore": shortcut(51, CONTROL | OPTION),
    "nextDisplay": shortcut(124, CONTROL | OPTION | COMMAND),
    "previousDisplay": shortcut(123, CONTROL | OPTION | COMMAND),
    "almostMaximize": {},  # cleared in the settings window
})

# Maccy keeps its hot keys as JSON text under KeyboardShortcuts_ keys.
write("org.p0deje.Maccy", {
    "SUHasLaunchedBefore": True,
    "SULastCheckTime": checked,
    "historySize": 200,
    "pasteByDefault": True,
    "showSearch": True,
    "searchMode": "fuzzy",
    "enabledPasteboardTypes": ["public.utf8-plain-text", "public.html", "public.png", "public.tiff"],
    "windowSize": "[450,800]",
    "KeyboardShortcuts_popup": json.dumps(shortcut(9, SHIFT | COMMAND), separators=(",", ":")),
    "KeyboardShortcuts_pin": json.dumps(shortcut(35, OPTION), separators=(",", ":")),
    "KeyboardShortcuts_delete": json.dumps(shortcut(51, OPTION), separators=(",", ":")),
})

# Raycast moved to Command+Space while Spotlight still holds it.
write("com.raycast.macos", {
    "onboardingCompleted": True,
    "raycastGlobalHotkey": "Command-49",
    "initialSpotlightHotkey": "Command-49",
    "raycastPreferredWindowMode": "default",
    "raycastCurrentThemeId": "bundled-default-theme-dark",
    "raycastInstallationDate": datetime.datetime(2024, 11, 20, 8, 15, 0),
    "navigationCommandStyleIdentifierKey": "macos",
    "onboarding_raycastShortcuts": ["⌘Esc", "Esc", "⌘W", "⌘,"],
})
