#include "engine/glow_code.h"

#include <algorithm>
#include <cstring>

#include "engine/background_thread.h"

namespace ombrel {

void TGlowPlane::Allocate(int32_t width, int32_t height) {
    Width = width;
    Height = height;
    ShadeWidth = (width + 1) / 2;
    Light = std::make_unique<uint8_t[]>(Pixels());
    Shade = std::make_unique<uint8_t[]>(Blocks());
    Lit = {};
}

namespace {

// A code byte below RunMark is followed by that many lit bytes and one
// more; from RunMark on it stands for (byte - RunMark + 1) black ones.
constexpr uint8_t RunMark = 0x80;
constexpr size_t LongestRun = 128;

// How many of the n bytes from p are black, a word at a time.
size_t BlackRun(const uint8_t* p, size_t n) noexcept {
    size_t i = 0;
    for (uint64_t word; i + 8 <= n; i += 8) {
        std::memcpy(&word, p + i, 8);
        if (word != 0) break;
    }
    while (i < n && p[i] == 0) ++i;
    return i;
}

// The most code that n bytes of a row take: a literal run costs its bytes
// and one, and a black run of two or more one.
constexpr size_t MostCode(size_t n) noexcept { return n + n / 64 + 2; }

// Bytes [0, n) of a row, the first and the last lit, to `code`; returns its end.
uint8_t* EncodeRow(const uint8_t* p, size_t n, uint8_t* code) noexcept {
    size_t i = 0;
    while (i < n) {
        // One black byte between lit ones costs less in a run of lit bytes.
        if (p[i] == 0 && p[i + 1] == 0) {
            const size_t run = std::min(BlackRun(p + i, n - i), LongestRun);
            *code++ = static_cast<uint8_t>(RunMark + run - 1);
            i += run;
            continue;
        }
        size_t j = i + 1;
        while (j < n && j - i < LongestRun && !(p[j] == 0 && p[j + 1] == 0)) ++j;
        *code++ = static_cast<uint8_t>(j - i - 1);
        std::memcpy(code, p + i, j - i);
        code += j - i;
        i = j;
    }
    return code;
}

// The first and last lit of bytes [left, right] of a row, or an empty span.
std::pair<int, int> LitSpan(const uint8_t* row, int left, int right) noexcept {
    const int first = left + static_cast<int>(BlackRun(row + left, static_cast<size_t>(right - left + 1)));
    if (first > right) return {0, -1};
    int last = right;
    while (row[last] == 0) --last;
    return {first, last};
}

}  // namespace

void TGlowCode::TPart::Start(int row, int rows, int width, int blockRow, int blockRows, int blockWidth) {
    FirstRow = row;
    FirstBlockRow = blockRow;
    Light.clear();
    Shade.clear();
    const auto most = [](int n, int w) { return n > 0 && w > 0 ? static_cast<size_t>(n) * MostCode(static_cast<size_t>(w)) : 0; };
    Code = TCodePages(most(rows, width) + most(blockRows, blockWidth));
}

namespace {

void EncodeSpan(const uint8_t* row, int left, int right, std::vector<TGlowCode::TRow>& rows, TCodePages& code) {
    const auto [first, last] = LitSpan(row, left, right);
    if (first > last) {
        rows.push_back({});
        return;
    }
    const size_t n = static_cast<size_t>(last - first + 1);
    uint8_t* at = code.Room(MostCode(n));
    rows.push_back({at, first, last});
    code.Wrote(static_cast<size_t>(EncodeRow(row + first, n, at) - at));
}

}  // namespace

void TGlowCode::TPart::LightRow(const uint8_t* row, int left, int right) { EncodeSpan(row, left, right, Light, Code); }

void TGlowCode::TPart::ShadeRow(const uint8_t* row, int left, int right) { EncodeSpan(row, left, right, Shade, Code); }

std::shared_ptr<const TGlowCode> TGlowCode::Of(const TGlowPlane& plane, int threads) {
    const TLitBox box = plane.Lit;
    if (box.Empty()) return std::make_shared<TGlowCode>();
    const TLitBox blocks{box.Left / 2, box.Top / 2, box.Right / 2, box.Bottom / 2};
    std::vector<TPart> parts(static_cast<size_t>(std::max(threads, 1)));
    const int n = static_cast<int>(parts.size());
    const int rows = box.Bottom - box.Top + 1, blockRows = blocks.Bottom - blocks.Top + 1;
    OnThreads(n, [&](int t) {
        TPart& part = parts[static_cast<size_t>(t)];
        const int top = box.Top + rows * t / n, end = box.Top + rows * (t + 1) / n;
        const int blockTop = blocks.Top + blockRows * t / n, blockEnd = blocks.Top + blockRows * (t + 1) / n;
        part.Start(top, end - top, box.Right - box.Left + 1, blockTop, blockEnd - blockTop, blocks.Right - blocks.Left + 1);
        for (int y = top; y < end; ++y)
            part.LightRow(plane.Light.get() + static_cast<size_t>(y) * static_cast<size_t>(plane.Width), box.Left, box.Right);
        for (int by = blockTop; by < blockEnd; ++by)
            part.ShadeRow(plane.Shade.get() + static_cast<size_t>(by) * static_cast<size_t>(plane.ShadeWidth),
                          blocks.Left, blocks.Right);
    });
    return Join(parts);
}

std::shared_ptr<const TGlowCode> TGlowCode::Join(std::vector<TPart>& parts) {
    auto made = std::make_shared<TGlowCode>();
    if (parts.empty()) return made;
    TLitBox box;
    int y = parts.front().FirstRow;
    for (const TPart& part : parts)
        for (const TRow& r : part.Light) {
            if (r.Left <= r.Right) {
                if (box.Empty()) box = {r.Left, y, r.Right, y};
                box = {std::min(box.Left, r.Left), box.Top, std::max(box.Right, r.Right), y};
            }
            ++y;
        }
    made->Box = box;
    if (box.Empty()) return made;
    // Rows beyond the box are black and have no code.
    made->LightRows.reserve(static_cast<size_t>(box.Bottom - box.Top + 1));
    made->ShadeRows.reserve(static_cast<size_t>(box.Bottom / 2 - box.Top / 2 + 1));
    made->Code.reserve(parts.size());
    int row = parts.front().FirstRow, blockRow = parts.front().FirstBlockRow;
    for (TPart& part : parts) {
        for (const TRow& r : part.Light)
            if (const int at = row++; at >= box.Top && at <= box.Bottom) made->LightRows.push_back(r);
        for (const TRow& r : part.Shade)
            if (const int at = blockRow++; at >= box.Top / 2 && at <= box.Bottom / 2) made->ShadeRows.push_back(r);
        part.Code.Trim();
        if (part.Code.Used() > 0) made->Code.push_back(std::move(part.Code));
    }
    return made;
}

TLitBox TGlowCode::RowsBox(int top, int rows) const noexcept {
    TLitBox b;
    for (int y = std::max(top, Box.Top); y < top + rows && y <= Box.Bottom; ++y) {
        const TRow& r = LightRows[static_cast<size_t>(y - Box.Top)];
        if (r.Left > r.Right) continue;
        if (b.Empty()) b = {r.Left, y, r.Right, y};
        b = {std::min(b.Left, r.Left), b.Top, std::max(b.Right, r.Right), y};
    }
    return b;
}

void TGlowCode::Decode(const uint8_t* code, int from, int left, int right, uint8_t* out) noexcept {
    int x = from;
    while (x <= right) {
        const uint8_t mark = *code++;
        if (mark >= RunMark) {
            x += mark - RunMark + 1;
            continue;
        }
        const int end = x + mark + 1;
        const int a = std::max(x, left), b = std::min(end, right + 1);
        if (a < b) std::memcpy(out + (a - left), code + (a - x), static_cast<size_t>(b - a));
        code += mark + 1;
        x = end;
    }
}

void TGlowCode::LightRow(int y, int left, int right, uint8_t* out) const noexcept {
    std::memset(out, 0, static_cast<size_t>(right - left + 1));
    if (y < Box.Top || y > Box.Bottom) return;
    const TRow& r = LightRows[static_cast<size_t>(y - Box.Top)];
    if (r.Left > r.Right || r.Right < left || r.Left > right) return;
    Decode(r.Code, r.Left, left, std::min(right, r.Right), out);
}

void TGlowCode::ShadeRow(int by, int left, int right, uint8_t* out) const noexcept {
    std::memset(out, 0, static_cast<size_t>(right - left + 1));
    if (Box.Empty() || by < Box.Top / 2 || by > Box.Bottom / 2) return;
    const TRow& r = ShadeRows[static_cast<size_t>(by - Box.Top / 2)];
    if (r.Left > r.Right || r.Right < left || r.Left > right) return;
    Decode(r.Code, r.Left, left, std::min(right, r.Right), out);
}

TGlowPlane TGlowCode::Plane(int32_t width, int32_t height) const {
    TGlowPlane plane;
    plane.Allocate(width, height);
    for (int y = 0; y < height; ++y)
        LightRow(y, 0, width - 1, plane.Light.get() + static_cast<size_t>(y) * static_cast<size_t>(width));
    for (int by = 0; by < (height + 1) / 2; ++by)
        ShadeRow(by, 0, plane.ShadeWidth - 1, plane.Shade.get() + static_cast<size_t>(by) * static_cast<size_t>(plane.ShadeWidth));
    plane.Lit = Box;
    return plane;
}

size_t TGlowCode::Bytes() const noexcept {
    size_t bytes = sizeof *this + (LightRows.capacity() + ShadeRows.capacity()) * sizeof(TRow) +
                   Code.capacity() * sizeof(TCodePages);
    for (const TCodePages& pages : Code) bytes += pages.Bytes();
    return bytes;
}

}  // namespace ombrel
