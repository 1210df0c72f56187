#include "foundation/TextMetrics.h"

int MeasureAverageChar(HDC dc, int* averageWidth) {
    static constexpr wchar_t kLetters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    constexpr int kCount = static_cast<int>(sizeof kLetters / sizeof kLetters[0]) - 1;
    RECT rect{};
    // Checked here because not every system fails the measuring for no context.
    const int height =
        dc != nullptr ? DrawTextW(dc, kLetters, kCount, &rect, DT_CALCRECT | DT_SINGLELINE) : 0;
    if (averageWidth != nullptr)
        *averageWidth = height > 0 ? (rect.right - rect.left + kCount / 2) / kCount : 0;
    return height;
}
