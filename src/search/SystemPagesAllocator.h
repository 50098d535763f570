#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <new>

namespace orvelan {

// An allocator that takes whole pages straight from the system and gives them back when they are
// let go. An array that grows while many small objects come and go (an import's match keys,
// taken while its cards are read) then leaves no holes in the heap for those objects to pin:
// what it let go while growing is not kept by the process.
template <typename T> struct SystemPagesAllocator {
    using value_type = T;

    SystemPagesAllocator() = default;
    template <typename U> SystemPagesAllocator(const SystemPagesAllocator<U>&) noexcept {}

    T* allocate(std::size_t count) {
        void* pages = ::mmap(nullptr, count ? count * sizeof(T) : 1, PROT_READ | PROT_WRITE,
                             MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED)
            throw std::bad_alloc();
        return static_cast<T*>(pages);
    }
    void deallocate(T* pages, std::size_t count) noexcept {
        ::munmap(pages, count ? count * sizeof(T) : 1);
    }

    template <typename U> bool operator==(const SystemPagesAllocator<U>&) const noexcept {
        return true;
    }
};

} // namespace orvelan
