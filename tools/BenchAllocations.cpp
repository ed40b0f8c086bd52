#include "tools/BenchAllocations.h"

#include <link.h>

#include <atomic>
#include <cstddef>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define DUNMERE_SANITIZED_ALLOCATOR 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DUNMERE_SANITIZED_ALLOCATOR 1
#endif
#endif

namespace {

std::atomic<bool> counting{false};
std::atomic<std::uint64_t> program{0};
std::atomic<std::uint64_t> driver{0};

// The code of the graphics driver and the window system: address ranges of executable segments.
struct Range {
    std::uintptr_t Start;
    std::uintptr_t End;
};
constexpr int MaxRanges = 256;
Range driverCode[MaxRanges];
std::atomic<int> driverRanges{0};

bool IsDriverLibrary(const char* path)
{
    static const char* const Parts[] = {"/dri/", "libGL", "libEGL", "libglapi", "libgallium", "libLLVM",
                                        "libX",  "libxcb", "libxshmfence", "libdrm", "libwayland"};
    for (const char* part : Parts)
        if (std::strstr(path, part) != nullptr)
            return true;
    return false;
}

int NoteLibrary(dl_phdr_info* info, std::size_t, void*)
{
    if (info->dlpi_name == nullptr || !IsDriverLibrary(info->dlpi_name))
        return 0;
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        const int n = driverRanges.load(std::memory_order_relaxed);
        if (segment.p_type != PT_LOAD || (segment.p_flags & PF_X) == 0 || n == MaxRanges)
            continue;
        const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
        driverCode[n] = {start, start + segment.p_memsz};
        driverRanges.store(n + 1, std::memory_order_relaxed);
    }
    return 0;
}

void Count(const void* caller)
{
    if (!counting.load(std::memory_order_relaxed))
        return;
    const auto at = reinterpret_cast<std::uintptr_t>(caller);
    const int n = driverRanges.load(std::memory_order_relaxed);
    for (int i = 0; i < n; ++i)
        if (at >= driverCode[i].Start && at < driverCode[i].End) {
            driver.fetch_add(1, std::memory_order_relaxed);
            return;
        }
    program.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

#if defined(DUNMERE_SANITIZED_ALLOCATOR)

// The sanitizers' allocator calls these on every allocation and release (the declaration of
// their allocator interface, which GCC's packages do not ship as a header).
extern "C" int __sanitizer_install_malloc_and_free_hooks(void (*onMalloc)(const volatile void*, std::size_t),
                                                         void (*onFree)(const volatile void*));

namespace {

void OnMalloc(const volatile void*, std::size_t) { Count(nullptr); }
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
    Count(__builtin_return_address(0));
    return __libc_malloc(size);
}

void* calloc(std::size_t count, std::size_t size) noexcept
{
    Count(__builtin_return_address(0));
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, std::size_t size) noexcept
{
    Count(__builtin_return_address(0));
    return __libc_realloc(pointer, size);
}

void* memalign(std::size_t alignment, std::size_t size) noexcept
{
    Count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    Count(__builtin_return_address(0));
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, std::size_t alignment, std::size_t size) noexcept
{
    if (alignment < sizeof(void*) || (alignment & (alignment - 1)) != 0)
        return 22; // EINVAL
    Count(__builtin_return_address(0));
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
    driverRanges.store(0, std::memory_order_relaxed);
    dl_iterate_phdr(NoteLibrary, nullptr);
    counting.store(true, std::memory_order_relaxed);
}

void StopCounting() { counting.store(false, std::memory_order_relaxed); }

Counts Counted() { return {program.load(std::memory_order_relaxed), driver.load(std::memory_order_relaxed)}; }

} // namespace BenchAllocations
