#pragma once

#include <cstddef>
#include <functional>

namespace chordmap {

// The stack of every thread that reads configurations: what a main thread
// has. The readers recurse once per level of nesting up to their limits,
// which takes more than the 512 KB macOS gives other threads by default.
inline constexpr std::size_t threadStackSize = std::size_t{8} << 20;

// Runs job(0) … job(count - 1), each once, on as many threads as the
// machine runs at once (the calling thread among them), taking the jobs in
// index order; returns when all are done. The first exception a job throws
// is rethrown once the others have finished.
void runConcurrently(std::size_t count, const std::function<void(std::size_t)>& job);

}  // namespace chordmap
