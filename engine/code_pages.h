#pragma once
#include <cstddef>
#include <cstdint>

namespace ombrel {

// Bytes written one after another into pages of their own, mapped for the
// most they may come to and given back beyond what they hold once written:
// a frame's code is made where it is kept, with no copy, no room kept for
// the next one and nothing left in the allocator's arenas when it goes.
// Only the pages written take memory.
class TCodePages {
public:
    TCodePages() = default;
    // Room for `most` bytes; throws std::bad_alloc when there is none.
    explicit TCodePages(size_t most);
    TCodePages(TCodePages&& other) noexcept;
    TCodePages& operator=(TCodePages&& other) noexcept;
    TCodePages(const TCodePages&) = delete;
    TCodePages& operator=(const TCodePages&) = delete;
    ~TCodePages();

    // Where the next `n` bytes go, to be kept with Wrote(n); throws
    // std::length_error beyond the room.
    uint8_t* Room(size_t n);
    void Wrote(size_t n) noexcept { Size += n; }
    const uint8_t* Data() const noexcept { return Base; }
    size_t Used() const noexcept { return Size; }
    // Gives back the pages past the bytes written; no more can be written.
    void Trim() noexcept;
    // The memory the pages take.
    size_t Bytes() const noexcept;

private:
    void Release() noexcept;
    uint8_t* Base = nullptr;
    size_t Size = 0, Mapped = 0;
};

}  // namespace ombrel
