#include "hexview/HexCopyText.h"

#include "search/VQFileReader.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// The two digits of every byte value, in the order they are written.
constexpr std::array<std::array<char, 2>, 256> MakeDigitPairs() {
    constexpr char digits[] = "0123456789ABCDEF";
    std::array<std::array<char, 2>, 256> pairs{};
    for (int i = 0; i < 256; ++i)
        pairs[i] = {digits[i >> 4], digits[i & 15]};
    return pairs;
}
constexpr auto kDigitPairs = MakeDigitPairs();

// Copies `count` bytes from `offset` on into `out` as the plan writes them;
// the position after them, or null when the file gave fewer bytes.
uint8_t* CopyRun(const HexCopyPlan& plan, VQFileReader& reader, int64_t offset, int64_t count,
                 uint8_t* out, bool (*stop)(void*), void* context, HexCopyEnd& end) {
    const int64_t chunk = std::max<int64_t>(reader.Capacity(), 1);
    while (count > 0) {
        if (stop && stop(context)) {
            end = HexCopyEnd::Stopped;
            return nullptr;
        }
        int32_t n = static_cast<int32_t>(std::min(count, chunk));
        const int32_t asked = n;
        const uint8_t* bytes = reader.Read(offset, n, false);
        if (!bytes || n <= 0 || n > asked) {
            end = HexCopyEnd::ReadFailed;
            return nullptr;
        }
        if (plan.asHex) {
            WriteHexDigits(bytes, static_cast<size_t>(n), reinterpret_cast<char*>(out));
            out += 2 * static_cast<size_t>(n);
        } else {
            memcpy(out, bytes, static_cast<size_t>(n));
            out += n;
        }
        offset += n;
        count -= n;
    }
    return out;
}

} // namespace

void WriteHexDigits(const uint8_t* bytes, size_t count, char* out) noexcept {
    for (size_t i = 0; i < count; ++i)
        memcpy(out + 2 * i, kDigitPairs[bytes[i]].data(), 2);
}

int64_t HexCopyPlan::ByteCount() const noexcept {
    int64_t rows = 0, first = 0, last = 0;
    const int64_t count = selection.Extent(&rows, &first, &last);
    if (count <= 0 || !selection.block)
        return count;
    // The block's last row stops at the file's end.
    const int64_t width = selection.LastColumn() - selection.FirstColumn() + 1;
    const int64_t lastRowStart = last - (width - 1);
    const int64_t inLastRow = std::clamp<int64_t>(selection.size - lastRowStart, 0, width);
    return (rows - 1) * width + inLastRow;
}

uint64_t HexCopyPlan::TextSize() const noexcept {
    const int64_t count = ByteCount();
    if (count <= 0)
        return 0;
    uint64_t size = static_cast<uint64_t>(count) * (asHex ? 2 : 1);
    if (selection.block) {
        int64_t rows = 0;
        selection.Extent(&rows);
        return size + static_cast<uint64_t>(rows - 1) + 1;
    }
    if (unicode && !asHex)
        return size + 2 + (size & 1); // a whole zero unit after the last one
    return size + 1;
}

HexCopyEnd FillHexCopyText(const HexCopyPlan& plan, VQFileReader& reader, uint8_t* out,
                           bool (*stop)(void*), void* context) {
    const uint64_t total = plan.TextSize();
    if (total == 0 || !out)
        return HexCopyEnd::ReadFailed;
    uint8_t* const begin = out;
    HexCopyEnd end = HexCopyEnd::Done;
    const HexSelection& s = plan.selection;
    if (!s.block) {
        out = CopyRun(plan, reader, s.Low(), s.High() - s.Low() + 1, out, stop, context, end);
    } else {
        const int64_t first = s.Low() / s.perLine, last = s.High() / s.perLine;
        const int32_t c1 = s.FirstColumn(), width = s.LastColumn() - c1 + 1;
        for (int64_t row = first; out && row <= last; ++row) {
            const int64_t at = row * s.perLine + c1;
            const int64_t count = std::clamp<int64_t>(s.size - at, 0, width);
            if (row > first)
                *out++ = '\n';
            out = CopyRun(plan, reader, at, count, out, stop, context, end);
        }
    }
    if (!out)
        return end;
    // The terminator fills what is left of the size.
    memset(out, 0, static_cast<size_t>(total - static_cast<uint64_t>(out - begin)));
    return HexCopyEnd::Done;
}
