#include "scan/Concurrently.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace chordmap {
namespace {

void* runWork(void* work) {
    (*static_cast<const std::function<void()>*>(work))();
    return nullptr;
}

}  // namespace

void runConcurrently(std::size_t count, const std::function<void(std::size_t)>& job) {
    std::atomic<std::size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureMutex;
    const std::function<void()> work = [&] {
        for (std::size_t i = next++; i < count; i = next++) {
            try {
                job(i);
            } catch (...) {
                const std::lock_guard lock(failureMutex);
                if (!failure) failure = std::current_exception();
            }
        }
    };
    // std::thread cannot be given a stack size; macOS gives it 512 KB.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, threadStackSize);
    const std::size_t threads = std::min<std::size_t>(count, std::max(1u, std::thread::hardware_concurrency()));
    std::vector<pthread_t> helpers;
    for (std::size_t i = 1; i < threads; ++i) {
        pthread_t helper;
        // Without more threads, fewer do the work.
        if (pthread_create(&helper, &attributes, runWork, const_cast<std::function<void()>*>(&work)) != 0) break;
        helpers.push_back(helper);
    }
    pthread_attr_destroy(&attributes);
    work();
    for (const pthread_t helper : helpers) pthread_join(helper, nullptr);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace chordmap
