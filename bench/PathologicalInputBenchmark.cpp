// How long the skhd and Hammerspoon sources take on the worst inputs we know
// of: lines that make the binding patterns backtrack, single 4 MB lines,
// Lua nested past its limit, loops multiplying a table's entries, and whole
// 4 MB files built from them. Real files for comparison.
// Run: build/bench/bench/PathologicalInputBenchmark

#include "model/Evidence.h"
#include "platform/Platform.h"
#include "scan/ConfigurationScanner.h"
#include "scan/Hammerspoon.h"
#include "scan/LuaText.h"
#include "scan/Skhd.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace chordmap {
namespace {

using namespace modifier;

constexpr std::size_t fourMegabytes = 4'000'000;
const Url sourceURL = Url::file("/home/u/.config/skhd/skhdrc");

std::string repeated(const std::string& piece, std::size_t size = fourMegabytes) {
    std::string out;
    out.reserve(size + piece.size());
    while (out.size() + piece.size() <= size) out += piece;
    return out;
}

// A text without a hot-key word is not read at all.
const std::string hotKeyWord = "-- hotkey\n";

// The piece again and again, its first name numbered: a1 = ..., a2 = ...
std::string named(const std::string& piece, std::size_t size = fourMegabytes) {
    std::string out;
    for (std::size_t i = 1; out.size() + piece.size() + 8 <= size; ++i) out += piece.substr(0, 1) + std::to_string(i) + piece.substr(1);
    return out;
}

// Everything the text declares, as the map reads it.
void skhd(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        Inventory inventory;
        SkhdConfiguration configuration;
        skhdDeclarations(text, sourceURL, configuration, inventory);
        benchmark::DoNotOptimize(inventory);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

void hammerspoon(benchmark::State& state, const std::string& text) {
    const Processes& processes = systemPlatform().processes;
    for (auto _ : state) {
        Inventory inventory;
        hammerspoonDeclarations(processes, text, sourceURL, inventory);
        benchmark::DoNotOptimize(inventory);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}

BENCHMARK_CAPTURE(skhd, spaces300k, std::string(300'000, ' ') + "- :")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, pluses300k, std::string(300'000, '+') + "- :")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, tabsAndSpaces4MB, repeated(" \t") + "- :")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, longKey4MB, "cmd - " + std::string(fourMegabytes, 'a'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, hyphens4MB, std::string(fourMegabytes, '-'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, letterSpace4MB, repeated("a ") + "- :")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, spaceLines4MB, repeated(std::string(150, ' ') + "- :\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, hyphenLines4MB, repeated("-\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, bindingLines4MB, repeated("cmd + shift - a : open -a Terminal\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, keyGivenBackToAnArrow4MB, "cmd - a->" + std::string(fourMegabytes, 'b'))->Unit(benchmark::kMillisecond);
// What skhd's own grammar adds: one statement over the whole text (a list
// of modes, a chain of modifiers, a process list, a continued command, an
// unclosed string), bindings in a mode never declared, lines it refuses.
BENCHMARK_CAPTURE(skhd, modeList4MB, repeated("mode, ") + "mode < a : x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, modifierChain4MB, repeated("cmd + ") + "cmd - a : x")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, processList4MB, "cmd - a [\n" + repeated("\"kitty\" : x\n") + "]")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, continuedCommand4MB, "cmd - a : x" + repeated(" \\\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, backslashRuns4MB, "cmd - a : " + repeated(std::string(1000, '\\') + "\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, unclosedString4MB, ".load \"" + std::string(fourMegabytes, 'x'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, undeclaredModeLines4MB, repeated("mode < cmd - a : x\n"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(skhd, refusedLines4MB, repeated("cmd - 0x2c : x\n"))->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(hammerspoon, openCalls4MB, repeated("hs.hotkey.bind({"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, openTables4MB, repeated("mods = {"))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, openCallLines4MB, repeated("hs.hotkey.bind({'cmd',\n"))->Unit(benchmark::kMillisecond);
// Lua stops at 200 nested levels; the reader too.
BENCHMARK_CAPTURE(hammerspoon, parentheses4MB, hotKeyWord + repeated("("))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, calls4MB, hotKeyWord + repeated("a''"))->Unit(benchmark::kMillisecond);
// Inside one string: every opening runs to the one brace at the end.
BENCHMARK_CAPTURE(hammerspoon, openCallsOneBraceInAString4MB, "s = [[" + repeated("hs.hotkey.bind({", fourMegabytes - 9) + "}]]")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, openTablesOneBraceInAString4MB, "s = [[" + repeated("mods = {", fourMegabytes - 9) + "}]]")
    ->Unit(benchmark::kMillisecond);
// One entry whose key name runs to the only closing quote, 4 MB on.
BENCHMARK_CAPTURE(hammerspoon, openKeysOneQuoteInAString4MB,
                  "s = [[mods = {}, key = '" + repeated("mods = {}, key = ", fourMegabytes - 25) + "']]")
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, longCommentLevels4MB,
                  hotKeyWord + "--[" + std::string(2'000'000, '=') + "[" + repeated("]=", 2'000'000))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, hyphens4MB, hotKeyWord + std::string(fourMegabytes, '-'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, declarations4MB, repeated("hs.hotkey.bind({'cmd', 'alt'}, 'K', function() end) -- note\n"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, tables4MB, repeated("{ mods = {'ctrl', 'alt'}, key = 'k', fn = f },\n"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, namedLists4MB, repeated("local m = {'cmd', 'alt'} hs.hotkey.bind(m, 'k', f)\n"))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, oneLargeTable4MB, hotKeyWord + "t = {" + named("a = {{'cmd'}, 'k'}, ") + "}")
    ->Unit(benchmark::kMillisecond);
// Each loop (or Spoon mapping) would hand every entry of one large table
// to a binding again.
BENCHMARK_CAPTURE(hammerspoon, loopsOverOneTable4MB,
                  "m = {'cmd'} t = {" + repeated("{key = 'k'}, ", 400'000) + "}\n" +
                      repeated("for _, e in ipairs(t) do hs.hotkey.bind(m, e.key) end\n", 3'600'000))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(hammerspoon, mappingsOfOneTable4MB,
                  hotKeyWord + "t = {" + named("a = {{'cmd'}, 'k'}, ", 400'000) + "}\n" +
                      repeated("spoon.S:bindHotkeys(t)\n", 3'600'000))
    ->Unit(benchmark::kMillisecond);

// A whole Hammerspoon scan of a home holding the worst case for both
// patterns twice over, plus a worst-case skhd file: what one check costs.
void worstHome(benchmark::State& state) {
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("chordmap-bench-home-" + std::to_string(::getpid()));
    std::filesystem::create_directories(home / ".hammerspoon");
    std::filesystem::create_directories(home / ".config/skhd");
    std::ofstream(home / ".hammerspoon/a.lua") << repeated("hs.hotkey.bind({");
    std::ofstream(home / ".hammerspoon/b.lua") << repeated("mods = {");
    std::ofstream(home / ".config/skhd/skhdrc") << repeated(std::string(150, ' ') + "- :\n");
    const ConfigurationScanner scanner(home.string(), systemPlatform());
    for (auto _ : state) {
        Inventory inventory;
        scanner.skhd(inventory);
        scanner.hammerspoon(inventory);
        benchmark::DoNotOptimize(inventory);
    }
    std::filesystem::remove_all(home);
}
BENCHMARK(worstHome)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chordmap

BENCHMARK_MAIN();
