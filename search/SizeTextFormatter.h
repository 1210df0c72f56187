#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Size texts exactly as the system's StrFormatKBSizeW (whole kilobytes) or
// StrFormatByteSizeW (short text) makes them, without a system call per
// size: a million such calls cost more than writing the export itself. The
// unit words and the decimal separator are learnt from the system's own
// texts, the digit grouping from the user's locale; then the own texts are
// compared with the system's on a fixed set of sizes (the edges of every
// unit and of the rounding, 0, 1023 and 1024, large values). When any of
// them differs, every size goes to the system's call, so the texts can never
// differ from the system's; sizes beyond the own range always do.
class SizeTextFormatter {
public:
    using SystemCall = PWSTR(WINAPI*)(LONGLONG size, PWSTR buffer, UINT units);
    static constexpr std::size_t kUnits = 64; // room for every text, the terminator included

    // `kb` chooses the whole-kilobyte text; `system` stands in for the
    // system's call (null: the system's own).
    explicit SizeTextFormatter(bool kb, SystemCall system = nullptr);

    // Whether the own formatting agreed with the system on every checked size
    // and is used.
    bool Own() const noexcept { return m_own; }
    // Writes the text of `size` into `buffer` and gives its length; 0 (no
    // text) when the system cannot format it.
    std::size_t Format(std::uint64_t size, wchar_t (&buffer)[kUnits]) const;
    // The same as a string.
    mvstring Text(std::uint64_t size) const;
    // The sizes the own formatting is checked on.
    static const std::vector<std::uint64_t>& CheckedSizes();

private:
    std::size_t FormatOwn(std::uint64_t size, wchar_t* out) const;
    std::size_t FormatSystem(std::uint64_t size, wchar_t (&buffer)[kUnits]) const;
    bool Learn();
    bool Fits() const;

    bool m_kb;
    bool m_own = false;
    SystemCall m_system;
    std::wstring m_bytes;      // after the byte count of a short text (" bytes")
    std::wstring m_units[7];   // after the number of each unit, [0] unused (" KB" ... " EB")
    std::wstring m_decimal;    // decimal separator of the short texts
    std::wstring m_thousands;  // digit-group separator of the kilobyte texts
    std::vector<int> m_groups; // digit-group sizes from the right; the last repeats when
                               // m_repeatLast
    bool m_repeatLast = false;
    bool m_megabytesFirst = false; // from a terabyte on, the digits come from whole megabytes
};
