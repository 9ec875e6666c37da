#include "engine/code_pages.h"

#include <sys/mman.h>
#include <unistd.h>

#include <new>
#include <stdexcept>
#include <utility>

namespace ombrel {

namespace {

size_t PageSize() noexcept {
    static const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    return page;
}

size_t WholePages(size_t n) noexcept { return (n + PageSize() - 1) / PageSize() * PageSize(); }

}  // namespace

TCodePages::TCodePages(size_t most) {
    if (most == 0) return;
    Mapped = WholePages(most);
    // Reserved, not committed: the kernel gives a page when it is first written.
    void* p = mmap(nullptr, Mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (p == MAP_FAILED) {
        Mapped = 0;
        throw std::bad_alloc();
    }
    Base = static_cast<uint8_t*>(p);
}

TCodePages::TCodePages(TCodePages&& other) noexcept
    : Base(std::exchange(other.Base, nullptr)),
      Size(std::exchange(other.Size, 0)),
      Mapped(std::exchange(other.Mapped, 0)) {}

TCodePages& TCodePages::operator=(TCodePages&& other) noexcept {
    if (this != &other) {
        Release();
        Base = std::exchange(other.Base, nullptr);
        Size = std::exchange(other.Size, 0);
        Mapped = std::exchange(other.Mapped, 0);
    }
    return *this;
}

TCodePages::~TCodePages() { Release(); }

void TCodePages::Release() noexcept {
    if (Base) munmap(Base, Mapped);
    Base = nullptr;
    Size = Mapped = 0;
}

uint8_t* TCodePages::Room(size_t n) {
    if (n > Mapped - Size) throw std::length_error("code beyond its pages");
    return Base + Size;
}

void TCodePages::Trim() noexcept {
    const size_t keep = WholePages(Size);
    if (keep == Mapped) return;
    if (keep == 0) {
        Release();
        return;
    }
    munmap(Base + keep, Mapped - keep);
    Mapped = keep;
}

size_t TCodePages::Bytes() const noexcept { return WholePages(Size); }

}  // namespace ombrel
