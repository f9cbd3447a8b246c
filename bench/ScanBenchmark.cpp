// The whole configuration scan and each of its sources on three homes: the
// example home, a "heavy" home (large but ordinary configurations) and a
// "limit" home (every file at the 4,000,000-byte read limit, 100 Lua
// files): time, bytes read, the read floor (the same files just read whole,
// measured in the same run) and peak memory. Then the program itself:
// start-to-exit of `chordmap --scan` on the example home and its peak
// resident memory on the limit home.
// Run: scripts/bench.sh (or build/bench/bench/ScanBenchmark)

#include "model/Evidence.h"
#include "platform/FileAccess.h"
#include "platform/Platform.h"
#include "scan/ConfigurationScanner.h"

#include <benchmark/benchmark.h>
#include <plist/plist.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <malloc.h>
#include <fcntl.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <spawn.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace chordmap {
namespace {

namespace fs = std::filesystem;
using namespace modifier;
using Clock = std::chrono::steady_clock;

constexpr std::size_t limit = configurationSizeLimit;
const ShortcutSpec cmdAltK(40, command | option);

// ---------------------------------------------------------------- generator

void writeFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

// Text grown from numbered pieces to `size` bytes, then filled to exactly
// `size` with `filler` lines (a comment in the file's own syntax).
std::string textOfSize(std::size_t size, const std::function<std::string(std::size_t)>& piece, char fillerStart) {
    std::string out;
    out.reserve(size);
    for (std::size_t i = 0;; ++i) {
        std::string next = piece(i);
        if (out.size() + next.size() + 2 > size) break;
        out += next;
    }
    if (out.size() < size) {
        std::string filler(size - out.size(), ' ');
        filler.front() = fillerStart;
        filler.back() = '\n';
        out += filler;
    }
    return out;
}

std::string binary(plist_t root) {
    char* bytes = nullptr;
    std::uint32_t length = 0;
    plist_to_bin(root, &bytes, &length);
    std::string out(bytes, length);
    plist_to_bin_free(bytes);
    return out;
}

// A binary property list of `build(count)` whose count is chosen to come
// near `size`, then padded with a string under "Padding" to exactly `size`.
std::string binaryOfSize(std::size_t size, const std::function<plist_t(std::size_t)>& build) {
    plist_t sample = build(64);
    std::size_t count = size * 90 / 100 / (binary(sample).size() / 64 + 1);
    plist_free(sample);
    plist_t root = build(count);
    // Wider references past 65,536 objects make entries grow: shrink until it fits.
    for (std::size_t length = binary(root).size(); length + 64 > size; length = binary(root).size()) {
        plist_free(root);
        count = count * size / length * 95 / 100;
        root = build(count);
    }
    std::size_t padding = 0;
    for (int attempt = 0; attempt < 8; ++attempt) {
        plist_dict_set_item(root, "Padding", plist_new_string(std::string(padding, 'p').c_str()));
        const std::size_t length = binary(root).size();
        if (length == size) break;
        padding = length > size ? padding - std::min(padding, length - size) : padding + (size - length);
    }
    std::string out = binary(root);
    plist_free(root);
    return out;
}

plist_t keyboardMaestroLibrary(std::size_t macros) {
    plist_t groups = plist_new_array();
    plist_t group = nullptr;
    plist_t list = nullptr;
    for (std::size_t i = 0; i < macros; ++i) {
        if (i % 50 == 0) {
            group = plist_new_dict();
            plist_dict_set_item(group, "Name", plist_new_string(("Group " + std::to_string(i / 50)).c_str()));
            list = plist_new_array();
            plist_dict_set_item(group, "Macros", list);
            plist_array_append_item(groups, group);
        }
        plist_t macro = plist_new_dict();
        plist_dict_set_item(macro, "Name", plist_new_string(("Macro number " + std::to_string(i)).c_str()));
        plist_dict_set_item(macro, "UID", plist_new_string(("6F1C0A2B-0000-4000-8000-" + std::to_string(100000000000 + i)).c_str()));
        plist_t triggers = plist_new_array();
        plist_t trigger = plist_new_dict();
        plist_dict_set_item(trigger, "MacroTriggerType", plist_new_string("HotKey"));
        plist_dict_set_item(trigger, "KeyCode", plist_new_uint(i % 50));
        plist_dict_set_item(trigger, "Modifiers", plist_new_uint((i % 4 + 1) * 256));
        plist_array_append_item(triggers, trigger);
        plist_dict_set_item(macro, "Triggers", triggers);
        plist_t actions = plist_new_array();
        for (int a = 0; a < 3; ++a) {
            plist_t action = plist_new_dict();
            plist_dict_set_item(action, "MacroActionType", plist_new_string("ExecuteShellScript"));
            plist_dict_set_item(action, "Text", plist_new_string(("echo step " + std::to_string(a) + " of macro " +
                                                                  std::to_string(i) + "; open -a Terminal")
                                                                     .c_str()));
            plist_array_append_item(actions, action);
        }
        plist_dict_set_item(macro, "Actions", actions);
        plist_array_append_item(list, macro);
    }
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "MacroGroups", groups);
    return root;
}

// libplist inserts dictionary keys in linear time, so big files grow in
// arrays: a clipboard history, a list of hot-key parameters.
plist_t preferences(std::size_t entries) {
    plist_t root = plist_new_dict();
    plist_t history = plist_new_array();
    for (std::size_t i = 0; i < entries; ++i)
        plist_array_append_item(history, plist_new_string(("copied text number " + std::to_string(i)).c_str()));
    plist_dict_set_item(root, "history", history);
    for (std::size_t i = 0; i < std::min<std::size_t>(entries, 1000); ++i) {
        plist_t stored = plist_new_dict();
        plist_dict_set_item(stored, "keyCode", plist_new_uint(i % 50));
        plist_dict_set_item(stored, "modifierFlags", plist_new_uint(command | (i % 2 ? option : control)));
        plist_dict_set_item(root, ("action" + std::to_string(i)).c_str(), stored);
        plist_dict_set_item(root, ("KeyboardShortcuts_entry" + std::to_string(i)).c_str(),
                            plist_new_string(("{\"carbonKeyCode\":" + std::to_string(i % 50) +
                                              ",\"carbonModifiers\":2304}")
                                                 .c_str()));
    }
    plist_dict_set_item(root, "raycastGlobalHotkey", plist_new_string("Option-49"));
    return root;
}

plist_t symbolicHotKeys(std::size_t entries) {
    plist_t keys = plist_new_dict();
    plist_t spare = plist_new_array();
    for (std::size_t i = 0; i < entries; ++i) {
        plist_t parameters = plist_new_array();
        plist_array_append_item(parameters, plist_new_uint(65535));
        // Distinct values: the binary writer shares equal objects, and a file
        // of shared references expands to millions of nodes when parsed.
        plist_array_append_item(parameters, plist_new_uint(i));
        plist_array_append_item(parameters, plist_new_uint(command));
        plist_t value = plist_new_dict();
        plist_dict_set_item(value, "parameters", parameters);
        plist_dict_set_item(value, "type", plist_new_string("standard"));
        plist_t entry = plist_new_dict();
        plist_dict_set_item(entry, "enabled", plist_new_bool(i % 3 != 0));
        plist_dict_set_item(entry, "value", value);
        if (i < 1000) plist_dict_set_item(keys, std::to_string(i).c_str(), entry);
        else plist_array_append_item(spare, entry);
    }
    plist_t root = plist_new_dict();
    plist_dict_set_item(root, "AppleSymbolicHotKeys", keys);
    plist_dict_set_item(root, "Spare", spare);
    return root;
}

const char* const keyNames[] = {"a", "s", "d", "f", "h", "j", "k", "l", "left", "right", "space", "return_or_enter"};
const char* const modifierSets[] = {"\"command\"", "\"command\", \"option\"", "\"control\", \"shift\"",
                                    "\"left_option\""};

std::string karabinerJson(std::size_t size) {
    // The filler is spaces and a line feed: white space in JSON.
    const std::string head = R"({"global":{"show_in_menu_bar":true},"profiles":[{"name":"Default","selected":true,)"
                       R"("simple_modifications":[{"from":{"key_code":"caps_lock"},"to":[{"key_code":"escape"}]}],)"
                       R"("complex_modifications":{"rules":[)";
    const std::string tail = "]}}]}";
    std::string body = textOfSize(
        size - head.size() - tail.size(),
        [](std::size_t i) {
            std::string rule = i ? "," : "";
            rule += R"({"description":"Rule )" + std::to_string(i) + R"(","manipulators":[)";
            for (int m = 0; m < 4; ++m) {
                const std::size_t n = i * 4 + static_cast<std::size_t>(m);
                rule += m ? "," : "";
                rule += R"({"type":"basic","from":{"key_code":")" + std::string(keyNames[n % 12]) +
                        R"(","modifiers":{"mandatory":[)" + modifierSets[n % 4] +
                        R"(],"optional":["any"]}},"to":[{"shell_command":"open -a 'App )" + std::to_string(n) +
                        R"('"}])" + (n % 5 == 0 ? R"(,"conditions":[{"type":"frontmost_application_if","bundle_identifiers":["^com\\.apple\\.Terminal$"]}])" : "") +
                        "}";
            }
            return rule + "]}\n";
        },
        ' ');
    return head + body + tail;
}

std::string skhdText(std::size_t size) {
    return textOfSize(
        size,
        [](std::size_t i) {
            static const char* const mods[] = {"cmd", "alt", "cmd + alt", "shift + ctrl", "lcmd", "hyper"};
            static const char* const keys[] = {"h", "j", "k", "l", "0x21", "return", "left", "f1"};
            std::string line = i == 0 ? ":: resize @\n" : "";
            if (i % 10 == 0) line += "# window management, block " + std::to_string(i / 10) + "\n";
            if (i % 7 == 0) line += "resize < ";
            line += std::string(mods[i % 6]) + " - " + keys[(i / 6) % 8] + " : yabai -m window --focus " +
                    std::to_string(i) + "\n";
            return line;
        },
        '#');
}

std::string luaText(std::size_t size, std::size_t file) {
    return textOfSize(
        size,
        [file](std::size_t i) {
            const std::string n = std::to_string(file) + "_" + std::to_string(i);
            switch (i % 6) {
                case 0:
                    return "-- bind the window helpers, part " + n + "\n";
                case 1:
                    return "hs.hotkey.bind({\"cmd\", \"alt\"}, \"" + std::string(1, static_cast<char>('a' + i % 26)) +
                           "\", function() hs.alert.show(\"" + n + "\") end)\n";
                case 2:
                    return "--[[ hs.hotkey.bind({'cmd'}, 'x', f) disabled " + n + " ]]\n";
                case 3:
                    return "local t" + n + " = { mods = {'ctrl', 'alt'}, key = '" +
                           std::string(1, static_cast<char>('a' + i % 26)) + "', fn = function() end }\n";
                case 4:
                    return "local s" + n + " = \"-- not a comment\" .. 'text with -- inside'\n";
                default:
                    return "if x" + n + " then hs.window.focusedWindow():moveToUnit({0, 0, 0.5, 1}) end\n";
            }
        },
        '-');
}

struct Home {
    fs::path root;
    // Files each source reads, by source name.
    std::map<std::string, std::vector<std::string>> files;
};

const char* const keyboardMaestroPath = "Library/Application Support/Keyboard Maestro/Keyboard Maestro Macros.plist";
const char* const preferenceFiles[] = {"com.knollsoft.Rectangle", "org.p0deje.Maccy", "com.raycast.macos",
                                       "me.guillaumeb.MonitorControl"};

// size(kind): bytes for each kind of file; luaSize for each of `luaFiles`.
Home writeHome(const fs::path& root, std::size_t documentSize, std::size_t skhdSize, std::size_t preferenceSize,
               std::size_t symbolicSize, std::size_t luaFiles, std::size_t luaSize) {
    Home home{root, {}};
    auto put = [&](const std::string& source, const std::string& relative, const std::string& bytes) {
        writeFile(root / relative, bytes);
        home.files[source].push_back((root / relative).string());
    };
    put("system", "Library/Preferences/com.apple.symbolichotkeys.plist", binaryOfSize(symbolicSize, symbolicHotKeys));
    put("keyboardMaestro", keyboardMaestroPath, binaryOfSize(documentSize, keyboardMaestroLibrary));
    put("karabiner", ".config/karabiner/karabiner.json", karabinerJson(documentSize));
    put("skhd", ".config/skhd/skhdrc", skhdText(skhdSize));
    put("skhd", ".skhdrc", skhdText(skhdSize));
    for (std::size_t i = 0; i < luaFiles; ++i)
        put("hammerspoon", ".hammerspoon/" + std::string(i < 10 ? "" : "modules/") + "file" + std::to_string(i) + ".lua",
            luaText(luaSize, i));
    for (const char* bundle : preferenceFiles)
        put("knownPreferences", "Library/Preferences/" + std::string(bundle) + ".plist",
            binaryOfSize(preferenceSize, preferences));
    return home;
}

Home exampleHome() {
    Home home{CHORDMAP_EXAMPLE_HOME, {}};
    for (const auto& entry : fs::recursive_directory_iterator(home.root)) {
        if (!entry.is_regular_file()) continue;
        const std::string path = entry.path().string();
        const std::string name = entry.path().filename().string();
        const std::string source = name == "com.apple.symbolichotkeys.plist" ? "system"
                                   : name.ends_with("Macros.plist")        ? "keyboardMaestro"
                                                                           : "knownPreferences";
        home.files[source].push_back(path);
    }
    return home;
}

const fs::path& scratch() {
    static const fs::path directory = [] {
        fs::path path = fs::temp_directory_path() / ("chordmap-scan-bench-" + std::to_string(::getpid()));
        fs::create_directories(path);
        return path;
    }();
    return directory;
}

const Home& home(const std::string& name) {
    static std::map<std::string, Home> homes;
    if (auto found = homes.find(name); found != homes.end()) return found->second;
    Home made;
    if (name == "example") made = exampleHome();
    // Heavy: both documents at 4,000,000 bytes, skhd files near the limit,
    // 100 Lua files of 200 KB; "half" is the same with half the content.
    else if (name == "heavy") made = writeHome(scratch() / name, 4'000'000, 3'900'000, 100'000, 60'000, 100, 200'000);
    else if (name == "heavyHalf") made = writeHome(scratch() / name, 2'000'000, 1'950'000, 50'000, 30'000, 100, 100'000);
    else made = writeHome(scratch() / name, limit, limit, limit, limit, 100, limit);
    return homes.emplace(name, std::move(made)).first->second;
}

// ------------------------------------------------------------- measurement

std::size_t bytesOf(const std::vector<std::string>& paths) {
    std::size_t total = 0;
    for (const std::string& path : paths) total += fs::file_size(path);
    return total;
}

std::vector<std::string> allFiles(const Home& h) {
    std::vector<std::string> all;
    for (const auto& [source, paths] : h.files) all.insert(all.end(), paths.begin(), paths.end());
    return all;
}

// Processor time of every thread: a scan reads on several.
double processorSeconds() {
    timespec now{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The least time (wall and processor), of a few tries, to read the files
// whole with the scan's own read.
struct Floor {
    double wall = 1e9, cpu = 1e9;
};
Floor readFloor(const std::vector<std::string>& paths) {
    Floor best;
    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto start = Clock::now();
        const double cpuStart = processorSeconds();
        for (const std::string& path : paths) benchmark::DoNotOptimize(readRegularFile(path).bytes);
        best.cpu = std::min(best.cpu, processorSeconds() - cpuStart);
        best.wall = std::min(best.wall, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

rusage waitFor(pid_t child) {
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    return usage;
}

long statusKilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::strtol(line.c_str() + std::strlen(field), nullptr, 10);
    return 0;
}

// What `work` adds to this process's peak resident memory: freed memory
// goes back to the system first, and the peak is reset to the current size.
double addedPeakMegabytes(const std::function<void()>& work) {
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = statusKilobytes("VmRSS:");
    work();
    const long peak = statusKilobytes("VmHWM:");
    return static_cast<double>(std::max(0L, peak - before)) / 1024.0;
}

// One source for one combination, as a scan runs it; "whole" is the scan,
// "map" every combination at once.
void runSource(const ConfigurationScanner& scanner, const std::string& source) {
    if (source == "whole") {
        benchmark::DoNotOptimize(scanner.scan(cmdAltK));
        return;
    }
    if (source == "map") {
        benchmark::DoNotOptimize(scanner.map());
        return;
    }
    Inventory inventory(cmdAltK);
    if (source == "system") scanner.system(inventory);
    else if (source == "keyboardMaestro") scanner.keyboardMaestro(inventory);
    else if (source == "karabiner") scanner.karabiner(inventory);
    else if (source == "skhd") scanner.skhd(inventory);
    else if (source == "hammerspoon") scanner.hammerspoon(inventory);
    else if (source == "knownPreferences") scanner.knownPreferences(inventory);
    benchmark::DoNotOptimize(inventory);
}

std::map<std::string, double> wholeScanSeconds;

// One source (or the whole scan) on one home. Counters: bytes read, the read
// floor of those bytes, time over floor, and the peak memory it adds.
void source(benchmark::State& state, const std::string& homeName, const std::string& sourceName) {
    const Home& h = home(homeName);
    ::setenv("HOME", h.root.c_str(), 1);  // the system source reads its file below $HOME
    const ConfigurationScanner scanner(h.root.string(), systemPlatform());
    const auto listed = h.files.find(sourceName);
    const bool everything = sourceName == "whole" || sourceName == "map";
    const std::vector<std::string> files =
        everything ? allFiles(h) : listed == h.files.end() ? std::vector<std::string>{} : listed->second;
    const Floor floor = readFloor(files);
    const double peak = addedPeakMegabytes([&] { runSource(scanner, sourceName); });
    double wall = 0, cpu = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const double cpuStart = processorSeconds();
        runSource(scanner, sourceName);
        cpu += processorSeconds() - cpuStart;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        state.SetIterationTime(seconds);
        wall += seconds;
    }
    const auto iterations = static_cast<double>(state.iterations());
    const std::size_t bytes = bytesOf(files);
    state.counters["MB_read"] = static_cast<double>(bytes) / 1e6;
    state.counters["floor_ms"] = floor.wall * 1e3;
    state.counters["x_floor"] = wall / iterations / floor.wall;
    // The same ratio in processor time, steadier on a busy machine.
    state.counters["cpu_x_floor"] = cpu / iterations / floor.cpu;
    state.counters["peak_added_MB"] = peak;
    if (sourceName == "whole") {
        wholeScanSeconds[homeName] = cpu / iterations;
        if (homeName == "heavy" && wholeScanSeconds.count("heavyHalf"))
            state.counters["cpu_x_half"] = cpu / iterations / wholeScanSeconds["heavyHalf"];
    }
}

void registerSources() {
    const char* const sources[] = {"system", "keyboardMaestro", "karabiner", "skhd", "hammerspoon", "knownPreferences",
                                   "whole", "map"};
    for (const std::string homeName : {"example", "heavyHalf", "heavy", "limit"}) {
        for (const std::string sourceName : sources) {
            auto* b = benchmark::RegisterBenchmark(("scan/" + homeName + "/" + sourceName).c_str(), source, homeName,
                                                   sourceName);
            b->UseManualTime()->Unit(benchmark::kMillisecond);
            if (homeName == "limit") b->Iterations(sourceName == "whole" || sourceName == "map" || sourceName == "hammerspoon" ? 1 : 3);
            else if (homeName != "example") b->Iterations(5);
        }
    }
}

// ------------------------------------------------------------ the program

struct ProcessRun {
    double seconds;
    double cpuSeconds;  // user and system: what the run costs on an idle machine, roughly
    long maxResidentKilobytes;
};

ProcessRun runChordmap(const fs::path& homeDirectory, bool map = false) {
    std::string homeVariable = "HOME=" + homeDirectory.string();
    std::vector<char*> environment{homeVariable.data()};
    for (char** variable = environ; *variable; ++variable)
        if (std::string_view(*variable).rfind("HOME=", 0) != 0) environment.push_back(*variable);
    environment.push_back(nullptr);
    std::string program = CHORDMAP_EXECUTABLE, scan = "--scan", key = "40",
                modifiers = std::to_string(command | option), mapArgument = "--map";
    char* scanArguments[] = {program.data(), scan.data(), key.data(), modifiers.data(), nullptr};
    char* mapArguments[] = {program.data(), mapArgument.data(), nullptr};
    char** arguments = map ? mapArguments : scanArguments;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    // The child shares this process's memory until exec, and exec passes that
    // memory's peak on as the child's: reset it to this process's current size.
    ::malloc_trim(0);
    std::ofstream("/proc/self/clear_refs") << "5";
    const auto start = Clock::now();
    pid_t child = 0;
    if (posix_spawn(&child, program.c_str(), &actions, nullptr, arguments, environment.data()) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return {-1, -1, -1};
    }
    const rusage usage = waitFor(child);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    posix_spawn_file_actions_destroy(&actions);
    auto toSeconds = [](timeval t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return {seconds, toSeconds(usage.ru_utime) + toSeconds(usage.ru_stime), usage.ru_maxrss};
}

// Process start to exit, many runs; the median is the figure.
void program(benchmark::State& state, const std::string& homeName, bool map) {
    const fs::path root = homeName == "example" ? fs::path(CHORDMAP_EXAMPLE_HOME) : home(homeName).root;
    std::vector<double> times, cpuTimes;
    for (auto _ : state) {
        const ProcessRun run = runChordmap(root, map);
        if (run.seconds < 0) {
            state.SkipWithError("chordmap could not be started");
            return;
        }
        state.SetIterationTime(run.seconds);
        times.push_back(run.seconds);
        cpuTimes.push_back(run.cpuSeconds);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpuTimes.begin(), cpuTimes.end());
    state.counters["median_ms"] = times[times.size() / 2] * 1e3;
    state.counters["p90_ms"] = times[times.size() * 9 / 10] * 1e3;
    state.counters["cpu_median_ms"] = cpuTimes[cpuTimes.size() / 2] * 1e3;
}
BENCHMARK_CAPTURE(program, scanExample, std::string("example"), false)->UseManualTime()->Iterations(51)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(program, mapExample, std::string("example"), true)->UseManualTime()->Iterations(51)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(program, scanHeavy, std::string("heavy"), false)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(program, mapHeavy, std::string("heavy"), true)->UseManualTime()->Iterations(11)->Unit(benchmark::kMillisecond);

void programOnLimitHome(benchmark::State& state) {
    const Home& h = home("limit");
    long peak = 0;
    double cpu = 0;
    for (auto _ : state) {
        const ProcessRun run = runChordmap(h.root);
        if (run.seconds < 0) {
            state.SkipWithError("chordmap could not be started");
            return;
        }
        state.SetIterationTime(run.seconds);
        peak = std::max(peak, run.maxResidentKilobytes);
        cpu += run.cpuSeconds;
    }
    state.counters["peak_RSS_MB"] = static_cast<double>(peak) / 1024.0;
    state.counters["cpu_s"] = cpu / static_cast<double>(state.iterations());
}
BENCHMARK(programOnLimitHome)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace chordmap

int main(int argc, char** argv) {
    chordmap::registerSources();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    std::filesystem::remove_all(chordmap::scratch(), ignored);
    return 0;
}
