// What the detector's tap callback costs per event, and what it allocates.
// Run: build/bench/bench/DetectorReceiveBenchmark

#include "observe/ShortcutDetector.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};

}  // namespace

// Counting replacements of the global allocation functions. GCC takes the
// malloc/free pair for a mismatch once it inlines them; it is not one.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#pragma GCC diagnostic pop

namespace chordmap {
namespace {

// Services the callback touches, answering at once. The main queue keeps
// nothing: work it is handed is dropped, as if it ran much later.
struct Home final : HomeDirectory {
    std::string path() const override { return "/nonexistent"; }
};
struct NoProcesses final : Processes {
    std::vector<RunningApplication> runningApplications(const std::string&) const override { return {}; }
    std::optional<RunningApplication> runningApplication(std::int32_t) const override { return std::nullopt; }
    std::optional<Url> applicationURL(const std::string&) const override { return std::nullopt; }
    std::optional<std::string> executablePath(std::int32_t) const override {
        return "/Applications/Raycast.app/Contents/MacOS/Raycast";
    }
    bool processExists(std::int32_t) const override { return true; }
    std::int32_t ownPid() const override { return 4242; }
};
struct NoHotKeys final : SymbolicHotKeys {
    SymbolicHotKeyList copySymbolicHotKeys() const override { return {0, std::vector<SymbolicHotKey>{}}; }
};
struct NoTapList final : EventTapList {
    EventTapListResult eventTapList(std::uint32_t) const override { return {}; }
};
struct NoSecureInput final : SecureInput {
    bool isSecureEventInputEnabled() const override { return false; }
    Value consoleUsers() const override { return {}; }
};
struct Clock final : WallClock {
    std::chrono::system_clock::time_point now() const override { return {}; }
};
struct Source final : RunLoopSource {
    void addToMainRunLoop() override {}
    void removeFromMainRunLoop() override {}
};
struct Tap final : EventTap {
    bool isValid() const override { return true; }
    bool isEnabled() const override { return true; }
    std::unique_ptr<RunLoopSource> createRunLoopSource() override { return std::make_unique<Source>(); }
    void invalidate() override {}
};
struct Taps final : EventTaps {
    std::unique_ptr<EventTap> createTap(TapLocation, std::uint64_t, TapCallback) override {
        return std::make_unique<Tap>();
    }
};
struct Handle final : ScheduledTask, RepeatingTimer {
    void cancel() override {}
    void invalidate() override {}
};
struct DroppingQueue final : MainQueue {
    bool isMainThread() const override { return true; }
    void async(Task) override {}
    std::unique_ptr<ScheduledTask> asyncAfter(std::chrono::nanoseconds, Task) override {
        return std::make_unique<Handle>();
    }
    std::unique_ptr<RepeatingTimer> repeatingTimer(std::chrono::nanoseconds, std::chrono::nanoseconds, Task) override {
        return std::make_unique<Handle>();
    }
};

struct Event final : TapEvent {
    std::int64_t code = 0;
    std::int64_t repeat = 0;
    std::uint64_t eventFlags = 0;
    std::uint64_t time = 0;
    std::int64_t pid = 0;
    std::optional<std::int16_t> eventSubtype;

    std::int64_t keyCode() const override { return code; }
    std::int64_t autorepeat() const override { return repeat; }
    std::uint64_t flags() const override { return eventFlags; }
    std::uint64_t timestamp() const override { return time; }
    std::int64_t targetPid() const override { return pid; }
    std::optional<std::int16_t> subtype() const override { return eventSubtype; }
};

Event keyDown(std::int64_t code, std::uint64_t flags, bool repeat = false) {
    Event event;
    event.code = code;
    event.eventFlags = flags;
    event.repeat = repeat ? 1 : 0;
    event.time = 1'000'000'000;
    return event;
}

Event hotKey(std::int64_t pid, std::uint64_t time) {
    Event event;
    event.pid = pid;
    event.time = time;
    event.eventSubtype = 6;
    return event;
}

struct Bench {
    Home home;
    NoProcesses processes;
    NoHotKeys hotKeys;
    NoTapList tapList;
    NoSecureInput secureInput;
    Clock clock;
    Taps taps;
    DroppingQueue queue;
    Platform platform{home, processes, hotKeys, tapList, secureInput, clock, taps, queue};
    ShortcutDetector detector{platform};

    // The model's handlers: updates and statuses, no diagnostics.
    Bench() {
        detector.onUpdate = [](const DetectionSnapshot& snapshot) { benchmark::DoNotOptimize(&snapshot); };
        detector.onStatus = [](const std::string& status) { benchmark::DoNotOptimize(&status); };
        detector.start();
    }
};

constexpr std::uint64_t optionA = 0x80000;

// Runs the events round robin and reports allocations per event; a case
// that must not allocate fails when it does.
void run(benchmark::State& state, Bench& bench, const std::vector<std::pair<std::uint32_t, Event>>& events,
         bool mustNotAllocate) {
    // Once through first: the key tables are built on first use.
    for (const auto& [type, event] : events) bench.detector.receive(type, event);
    std::size_t next = 0;
    const std::uint64_t before = allocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        const auto& [type, event] = events[next];
        bench.detector.receive(type, event);
        next = next + 1 == events.size() ? 0 : next + 1;
    }
    const auto allocated = allocations.load(std::memory_order_relaxed) - before;
    state.counters["allocs/event"] =
        benchmark::Counter(static_cast<double>(allocated), benchmark::Counter::kAvgIterations);
    if (mustNotAllocate && allocated != 0) state.SkipWithError("a press that selects nothing allocated");
}

void plainTypingBeforeAnyTarget(benchmark::State& state) {
    Bench bench;
    run(state, bench,
        {{event_type::keyDown, keyDown(0, 0)},
         {event_type::keyDown, keyDown(0, 0x20000)},
         {event_type::keyDown, keyDown(49, 0x800000)}},
        true);
}
BENCHMARK(plainTypingBeforeAnyTarget);

void otherCombinationsAndRepeatsOnceTargeted(benchmark::State& state) {
    Bench bench;
    bench.detector.receive(event_type::keyDown, keyDown(0, optionA));
    run(state, bench,
        {{event_type::keyDown, keyDown(11, 0x100000)},
         {event_type::keyDown, keyDown(0, optionA, true)},
         {event_type::keyDown, keyDown(1, 0)}},
        true);
}
BENCHMARK(otherCombinationsAndRepeatsOnceTargeted);

void targetPressed(benchmark::State& state) {
    Bench bench;
    run(state, bench, {{event_type::keyDown, keyDown(0, optionA)}}, false);
}
BENCHMARK(targetPressed);

void hotKeyForAProcessAlreadyFound(benchmark::State& state) {
    Bench bench;
    bench.detector.receive(event_type::keyDown, keyDown(0, optionA));
    bench.detector.receive(event_type::systemDefined, hotKey(501, 1'000'000'000));
    run(state, bench, {{event_type::systemDefined, hotKey(501, 1'000'000'000)}}, true);
}
BENCHMARK(hotKeyForAProcessAlreadyFound);

void hotKeyWithNoPendingPress(benchmark::State& state) {
    Bench bench;
    run(state, bench, {{event_type::systemDefined, hotKey(501, 1'000'000'000)}}, true);
}
BENCHMARK(hotKeyWithNoPendingPress);

void hotKeyRejected(benchmark::State& state) {
    Bench bench;
    bench.detector.receive(event_type::keyDown, keyDown(0, optionA));
    run(state, bench,
        {{event_type::systemDefined, hotKey(4242, 1'000'000'000)},
         {event_type::systemDefined, hotKey(501, 1'300'000'000)}},
        true);
}
BENCHMARK(hotKeyRejected);

// A whole observation: the target pressed, then its hot-key event with a new
// finding (process identity, id, texts). Two events per iteration.
void targetPressedAndAttributed(benchmark::State& state) {
    Bench bench;
    run(state, bench,
        {{event_type::keyDown, keyDown(0, optionA)}, {event_type::systemDefined, hotKey(501, 1'000'000'000)}},
        false);
}
BENCHMARK(targetPressedAndAttributed);

}  // namespace
}  // namespace chordmap

BENCHMARK_MAIN();
