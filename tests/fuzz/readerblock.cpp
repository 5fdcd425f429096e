// Linked into the fuzz programs and the bounded driver. The CSV reader allocates a 48 MiB
// block buffer for every file it opens; under AddressSanitizer each such
// allocation maps and poisons 6 MiB of shadow memory, which made the CSV
// target spend nine tenths of its time in the kernel and memset. This keeps
// that one block between inputs. It is still an instrumented heap block, so a
// read or write past its end is reported as before; the reader never reads
// bytes it has not filled, so what a previous input left there cannot matter.
#include <atomic>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t ReaderBlockSize = std::size_t(3) << 24;

std::atomic<void *> keptBlock { nullptr };
std::atomic<bool> blockInUse { false };

void *allocate(std::size_t size)
{
    if (size == ReaderBlockSize && !blockInUse.exchange(true)) {
        void *block = keptBlock.load();
        if (!block) {
            block = std::malloc(size);
            if (!block) {
                blockInUse = false;
                throw std::bad_alloc();
            }
            keptBlock = block;
        }
        return block;
    }
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}

void release(void *p) noexcept
{
    if (p && p == keptBlock.load()) {
        blockInUse = false;
        return;
    }
    std::free(p);
}

} // namespace

void *operator new[](std::size_t size)
{
    return allocate(size);
}

void operator delete[](void *p) noexcept
{
    release(p);
}

void operator delete[](void *p, std::size_t) noexcept
{
    release(p);
}

void *operator new[](std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return allocate(size);
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void operator delete[](void *p, const std::nothrow_t &) noexcept
{
    release(p);
}
