#!/usr/bin/env python3
"""Writes the sample home's Rectangle, Maccy and Raycast preference files
(binary, as cfprefsd writes them; Maccy's in its sandbox container). Run from
the repository root after changing the tables."""
import datetime
import json
import os
import plistlib

CONTROL, OPTION, COMMAND = 0x40000, 0x80000, 0x100000
CARBON_SHIFT, CARBON_OPTION, CARBON_COMMAND = 0x200, 0x800, 0x100
HOME = "examples/home/"


def shortcut(code, flags):
    return {"keyCode": code, "modifierFlags": flags}


def carbon_shortcut(code, modifiers):
    """The JSON text the KeyboardShortcuts library stores."""
    return json.dumps({"carbonKeyCode": code, "carbonModifiers": modifiers}, separators=(",", ":"))


def write(bundle_id, preferences, sandboxed=False):
    folder = HOME + ("Library/Containers/" + bundle_id + "/Data/" if sandboxed else "") + "Library/Preferences/"
    os.makedirs(folder, exist_ok=True)
    with open(folder + bundle_id + ".plist", "wb") as out:
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

# Maccy is sandboxed and keeps its hot keys as JSON text under
# KeyboardShortcuts_ keys, in Carbon's encoding.
write("org.p0deje.Maccy", {
    "SUHasLaunchedBefore": True,
    "SULastCheckTime": checked,
    "historySize": 200,
    "pasteByDefault": True,
    "showSearch": True,
    "searchMode": "fuzzy",
    "enabledPasteboardTypes": ["public.utf8-plain-text", "public.html", "public.png", "public.tiff"],
    "windowSize": "[450,800]",
    "KeyboardShortcuts_popup": carbon_shortcut(9, CARBON_SHIFT | CARBON_COMMAND),
    "KeyboardShortcuts_pin": carbon_shortcut(35, CARBON_OPTION),
    "KeyboardShortcuts_delete": carbon_shortcut(51, CARBON_OPTION),
}, sandboxed=True)

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
