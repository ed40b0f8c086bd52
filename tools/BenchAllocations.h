// Counts heap allocations (every malloc, calloc, realloc and aligned allocation of the process,
// operator new included) while counting is switched on. The tool's executable replaces the C
// library's allocation functions with counting ones; under the sanitizers, whose allocator
// must stay in place, its allocation hook counts instead.
#pragma once

#include <cstdint>

namespace BenchAllocations {

void StartCounting();
void StopCounting();
// Allocations counted so far, on any thread and on the thread that started counting.
std::uint64_t Total();
std::uint64_t OnCountingThread();

} // namespace BenchAllocations
