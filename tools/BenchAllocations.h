// Counts heap allocations (every malloc, calloc, realloc and aligned allocation of the process,
// operator new included) while counting is switched on, in two parts: those the graphics driver
// and the window system make (the OpenGL implementation, X11 and its libraries, called from an
// allocation function's caller inside them) and all others, the program's own. The tool's
// executable replaces the C library's allocation functions with counting ones. Under the
// sanitizers, whose allocator must stay in place, its allocation hook counts instead and every
// allocation counts as the program's.
#pragma once

#include <cstdint>

namespace BenchAllocations {

struct Counts {
    std::uint64_t Program = 0;
    std::uint64_t Driver = 0;
};

// Starting also notes where the graphics libraries loaded by then lie in memory.
void StartCounting();
void StopCounting();
Counts Counted();

} // namespace BenchAllocations
