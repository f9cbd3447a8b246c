-- Hammerspoon configuration
-- https://www.hammerspoon.org/go/

--[[
  Hot keys are declared here and in windows.lua. An older binding is kept
  for reference only and is not active:

    hs.hotkey.bind({"ctrl", "alt"}, "K", function() hs.alert.show("old") end)
]]

require("windows")

local hyper = {"cmd", "alt", "ctrl", "shift"}

-- Reload the configuration (Hyper: the modifier list is the table above)
hs.hotkey.bind(hyper, "R", hs.reload)

-- Application launcher on Command+Space; Spotlight moved to Control+Space
local chooser = hs.chooser.new(function(choice)
  if choice then hs.application.launchOrFocus(choice.text) end
end)
hs.hotkey.bind({"cmd"}, "space", function()
  chooser:show()
end)

-- Paste as plain text
hs.hotkey.bind({"cmd", "alt", "shift"}, "V", function()
  hs.eventtap.keyStrokes(hs.pasteboard.readString() or "") -- "--" in a string: "ok"
end)

-- Resize mode: Control+Option+R enters it, Escape leaves it
local resizeMode = hs.hotkey.modal.new({"ctrl", "alt"}, "R")
resizeMode:bind({}, "escape", function() resizeMode:exit() end)

-- Caffeine keeps the Mac awake; the Spoon binds the key it is given
hs.loadSpoon("Caffeine")
spoon.Caffeine:bindHotkeys({ toggle = {hyper, "C"} })

hs.alert.show("Hammerspoon loaded")
