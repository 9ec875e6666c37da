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

// Bytes [0, n) of a row, the first and the last lit.
void EncodeRow(const uint8_t* p, size_t n, std::vector<uint8_t>& code) {
    size_t i = 0;
    while (i < n) {
        // One black byte between lit ones costs less in a run of lit bytes.
        if (p[i] == 0 && p[i + 1] == 0) {
            const size_t run = std::min(BlackRun(p + i, n - i), LongestRun);
            code.push_back(static_cast<uint8_t>(RunMark + run - 1));
            i += run;
            continue;
        }
        size_t j = i + 1;
        while (j < n && j - i < LongestRun && !(p[j] == 0 && p[j + 1] == 0)) ++j;
        code.push_back(static_cast<uint8_t>(j - i - 1));
        code.insert(code.end(), p + i, p + j);
        i = j;
    }
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

void TGlowCode::TPart::Start(int row, int blockRow) {
    FirstRow = row;
    FirstBlockRow = blockRow;
    Light.clear();
    Shade.clear();
    Code.clear();
}

namespace {

void EncodeSpan(const uint8_t* row, int left, int right, std::vector<TGlowCode::TRow>& rows, std::vector<uint8_t>& code) {
    const auto [first, last] = LitSpan(row, left, right);
    rows.push_back({static_cast<uint32_t>(code.size()), first, last});
    if (first <= last) EncodeRow(row + first, static_cast<size_t>(last - first + 1), code);
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
        const int top = box.Top + rows * t / n, blockTop = blocks.Top + blockRows * t / n;
        part.Start(top, blockTop);
        for (int y = top; y < box.Top + rows * (t + 1) / n; ++y)
            part.LightRow(plane.Light.get() + static_cast<size_t>(y) * static_cast<size_t>(plane.Width), box.Left, box.Right);
        for (int by = blockTop; by < blocks.Top + blockRows * (t + 1) / n; ++by)
            part.ShadeRow(plane.Shade.get() + static_cast<size_t>(by) * static_cast<size_t>(plane.ShadeWidth),
                          blocks.Left, blocks.Right);
    });
    return Join(parts);
}

std::shared_ptr<const TGlowCode> TGlowCode::Join(const std::vector<TPart>& parts) {
    auto made = std::make_shared<TGlowCode>();
    if (parts.empty()) return made;
    TLitBox box;
    size_t bytes = 0;
    int y = parts.front().FirstRow;
    for (const TPart& part : parts) {
        for (const TRow& r : part.Light) {
            if (r.Left <= r.Right) {
                if (box.Empty()) box = {r.Left, y, r.Right, y};
                box = {std::min(box.Left, r.Left), box.Top, std::max(box.Right, r.Right), y};
            }
            ++y;
        }
        bytes += part.Code.size();
    }
    made->Box = box;
    if (box.Empty()) return made;
    // Exactly its size: a frame keeps what it is given. Rows beyond the box
    // are black and their code empty.
    made->Code.resize(bytes);
    made->LightRows.reserve(static_cast<size_t>(box.Bottom - box.Top + 1));
    made->ShadeRows.reserve(static_cast<size_t>(box.Bottom / 2 - box.Top / 2 + 1));
    uint32_t at = 0;
    int row = parts.front().FirstRow, blockRow = parts.front().FirstBlockRow;
    for (const TPart& part : parts) {
        if (!part.Code.empty()) std::memcpy(made->Code.data() + at, part.Code.data(), part.Code.size());
        for (const TRow& r : part.Light)
            if (const int y = row++; y >= box.Top && y <= box.Bottom) made->LightRows.push_back({r.Start + at, r.Left, r.Right});
        for (const TRow& r : part.Shade)
            if (const int by = blockRow++; by >= box.Top / 2 && by <= box.Bottom / 2)
                made->ShadeRows.push_back({r.Start + at, r.Left, r.Right});
        at += static_cast<uint32_t>(part.Code.size());
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
    Decode(Code.data() + r.Start, r.Left, left, std::min(right, r.Right), out);
}

void TGlowCode::ShadeRow(int by, int left, int right, uint8_t* out) const noexcept {
    std::memset(out, 0, static_cast<size_t>(right - left + 1));
    if (Box.Empty() || by < Box.Top / 2 || by > Box.Bottom / 2) return;
    const TRow& r = ShadeRows[static_cast<size_t>(by - Box.Top / 2)];
    if (r.Left > r.Right || r.Right < left || r.Left > right) return;
    Decode(Code.data() + r.Start, r.Left, left, std::min(right, r.Right), out);
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
    return sizeof *this + Code.capacity() + (LightRows.capacity() + ShadeRows.capacity()) * sizeof(TRow);
}

}  // namespace ombrel
