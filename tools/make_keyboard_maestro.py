#!/usr/bin/env python3
"""Writes the sample home's Keyboard Maestro macro library (binary, as the
editor saves it). Run from the repository root after changing the tables."""
import os
import plistlib

# Carbon modifier bits, as Keyboard Maestro stores them.
COMMAND, SHIFT, OPTION, CONTROL = 0x100, 0x200, 0x800, 0x1000
NO_KEY = 32767

OUT = "examples/home/Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist"


def hot_key(code, modifiers):
    return {"FireType": "Pressed", "KeyCode": code, "MacroTriggerType": "HotKey", "Modifiers": modifiers}


def typed_string(text):
    return {"MacroTriggerType": "TypedString", "TypedString": text, "Case": "Exact", "DiscardTyped": True}


def macro(uid, name, triggers, actions, active=None):
    entry = {"UID": uid, "Name": name, "Triggers": triggers, "Actions": actions,
             "CreationDate": 700000000.25, "ModificationDate": 730000000.5}
    if active is not None:
        entry["IsActive"] = active
    return entry


def group(uid, name, macros, targeting="All", apps=(), activate="Normal", active=None):
    entry = {"UID": uid, "Name": name, "Activate": activate, "Macros": list(macros),
             "Targeting": {"Targeting": targeting, "TargetingApps": list(apps)},
             "KeyCode": NO_KEY, "Modifiers": 0, "AddToMacroPalette": False, "AddToStatusMenu": False,
             "ToggleMacroUID": uid[:-4] + "T0GG", "CreationDate": 690000000.0}
    if active is not None:
        entry["IsActive"] = active
    return entry


def app(name, bundle_id, path):
    return {"Name": name, "BundleIdentifier": bundle_id, "NewFile": path}


def type_text(text):
    return {"MacroActionType": "InsertText", "Action": "ByPasting", "Text": text}


def run_script(source):
    return {"MacroActionType": "ExecuteAppleScript", "UseText": True, "Text": source}


library = {
    "MacroDefaultsVersion": 1100,
    "MacroPreferencesVersion": 1100,
    "PreferenceSaveUUID": "0E9C1E7A-4D2B-4C55-9E1B-7F3A1C2D5B60",
    "PreferenceSavedDate": "2025_03_14",
    "Version": "11.0.3",
    "MacroGroups": [
        # The two smart groups the editor keeps at the top.
        {"UID": "A11A11A1-0000-4000-8000-000000000001", "Name": "All Macros", "Smart": True},
        {"UID": "A11A11A1-0000-4000-8000-000000000002", "Name": "Enabled Macros", "Smart": True},
        group("6B1D3C52-7E0F-4C1A-9B2D-3E4F5A6B7C80", "Global Macro Group", [
            macro("9F4C2B7A-1D3E-4F5A-8B6C-7D8E9F0A1B21", "Toggle Dark Mode",
                  [hot_key(40, CONTROL | OPTION), typed_string(";dark")],
                  [run_script('tell application "System Events" to tell appearance preferences '
                              "to set dark mode to not dark mode")]),
            macro("3C7E1A9B-5F2D-4E6C-8A0B-1C2D3E4F5A62", "Insert Date",
                  [hot_key(2, CONTROL | OPTION)], [type_text("%ICUDateTime%yyyy-MM-dd%")]),
            macro("B8E2F4A6-0C1D-4B3E-9F5A-6B7C8D9E0F13", "Quick Macro for ⌥F1",
                  [hot_key(122, OPTION)], []),
            macro("D5A7C9E1-2B3C-4D5E-8F6A-7B8C9D0E1F24", "Kill Line (old)",
                  [hot_key(40, CONTROL | OPTION)], [], active=False),
        ]),
        group("2E4A6C8E-0B1D-4F3A-9C5E-7A9B1D3F5A77", "Mail & Safari", [
            macro("7A1C3E5B-9D2F-4A6C-8E0B-2D4F6A8C0E35", "Copy Link as Markdown",
                  [hot_key(40, CONTROL | OPTION)], [type_text("[%SafariTitle%](%SafariURL%)")]),
        ], targeting="Included", apps=[
            app("Mail", "com.apple.mail", "/System/Applications/Mail.app"),
            app("Safari", "com.apple.Safari", "/Applications/Safari.app"),
        ]),
        group("5D7F9B1D-3E5A-4C7E-9A1B-3C5E7A9B1D88", "Clipboard Palette", [
            macro("1E3A5C7E-9B0D-4F2A-8C4E-6A8B0C2E4A46", "Paste as Plain Text",
                  [hot_key(9, COMMAND | SHIFT)], [{"MacroActionType": "PasteAsPlainText"}]),
        ], activate="Toggle"),
        group("8C0E2A4C-6E8A-4B0D-9F1A-3B5D7F9B1D99", "Retired", [
            macro("4F6B8D0F-2A4C-4E6A-8B0D-2F4A6C8E0A57", "Old Window Mover",
                  [hot_key(40, CONTROL | OPTION)], []),
        ], active=False),
    ],
}

os.makedirs(os.path.dirname(OUT), exist_ok=True)
with open(OUT, "wb") as out:
    plistlib.dump(library, out, fmt=plistlib.FMT_BINARY, sort_keys=False)
