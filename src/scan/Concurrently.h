#pragma once

#include <cstddef>
#include <functional>

namespace chordmap {

// Runs job(0) … job(count - 1), each once, on as many threads as the
// machine runs at once (the calling thread among them), taking the jobs in
// index order; returns when all are done. The first exception a job throws
// is rethrown once the others have finished.
void runConcurrently(std::size_t count, const std::function<void(std::size_t)>& job);

}  // namespace chordmap
