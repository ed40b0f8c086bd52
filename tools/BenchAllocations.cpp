#include "tools/BenchAllocations.h"

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__)
#define DUNMERE_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DUNMERE_SANITIZED_ALLOCATOR 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<std::uint64_t> total{0};
std::atomic<std::uint64_t> onCountingThread{0};
thread_local bool countingThread = false;

void Count()
{
    if (!counting.load(std::memory_order_relaxed))
        return;
    total.fetch_add(1, std::memory_order_relaxed);
    if (countingThread)
        onCountingThread.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

#if defined(DUNMERE_SANITIZED_ALLOCATOR)

#include <sanitizer/allocator_interface.h>

namespace {

void OnMalloc(const volatile void*, std::size_t) { Count(); }
void OnFree(const volatile void*) {}
[[maybe_unused]] const int hooksInstalled = __sanitizer_install_malloc_and_free_hooks(OnMalloc, OnFree);

} // namespace

#else

// The C library's own entry points; every allocation of the process, in the shared libraries
// too, comes here first. free and the rest stay the library's.
extern "C" {
void* __libc_malloc(std::size_t size) noexcept;
void* __libc_calloc(std::size_t count, std::size_t size) noexcept;
void* __libc_realloc(void* pointer, std::size_t size) noexcept;
void* __libc_memalign(std::size_t alignment, std::size_t size) noexcept;

void* malloc(std::size_t size) noexcept
{
    Count();
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    Count();
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) noexcept
{
    Count();
    return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    Count();
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    Count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    Count();
    void* pointer = __libc_memalign(alignment, size);
    if (pointer == nullptr && size != 0)
        return 12; // ENOMEM
    *out = pointer;
    return 0;
}
}

#endif

namespace BenchAllocations {

void StartCounting()
{
    countingThread = true;
    counting.store(true, std::memory_order_relaxed);
}

void StopCounting() { counting.store(false, std::memory_order_relaxed); }

std::uint64_t Total() { return total.load(std::memory_order_relaxed); }

std::uint64_t OnCountingThread() { return onCountingThread.load(std::memory_order_relaxed); }

} // namespace BenchAllocations
