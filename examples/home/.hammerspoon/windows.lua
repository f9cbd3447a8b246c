--[==[
  Window layout: halves and the maximised window on Control+Option.
  Usage example (not a binding): hs.hotkey.bind({"ctrl"}, "]", nil)
]==]

local M = {}

local function move(unit)
  return function()
    local win = hs.window.focusedWindow()
    if win then win:moveToUnit(unit) end
  end
end

local bindings = {
  { mods = {"ctrl", "alt"}, key = "left",   fn = move(hs.layout.left50) },
  { mods = {"ctrl", "alt"}, key = "right",  fn = move(hs.layout.right50) },
  { mods = {"ctrl", "alt"}, key = "return", fn = move(hs.layout.maximized) },
  -- kill line in every app, as in Emacs
  { mods = {"ctrl", "alt"}, key = "k",      fn = function() hs.eventtap.keyStroke({"ctrl", "shift"}, "e") end },
}

for _, binding in ipairs(bindings) do
  hs.hotkey.bind(binding.mods, binding.key, binding.fn)
end

return M
