// Numbers as text and back: the integer and floating-point forms written to
// configuration and saved-search files, the lenient parsers of settings and
// command-line values, and hex digit text turned into bytes.
//
// Nothing here depends on the C run-time locale: numbers that go into files
// are always written with "." as the decimal point, so a file written under
// one locale reads back the same under any other.
#pragma once

#include "foundation/mvstring.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// "%d".
mvstring IntToText(int value);
// "%u" of 0..255.
mvstring ByteToText(unsigned char value);
// Decimal; with `hex` "0x" and always 16 lower-case digits ("0x00000000000000ff").
mvstring FormatUInt64(std::uint64_t value, bool hex = false);
// Six decimals with trailing zeros and a trailing point removed: 1.5, 2, 0,
// -0.25, 100. The decimal point is always ".", whatever the locale.
mvstring FormatDouble(double value);

// The number at the start of the text, as the C run-time's string-to-double
// conversion reads it in the "C" locale (leading white space, sign, digits,
// fraction, exponent, inf and nan), except that "," is accepted as the
// decimal point too, so that values written under a comma locale read back.
// 0 when there is no number. `used` receives the code units consumed (0 when
// none).
double ParseDouble(std::wstring_view text, std::size_t* used = nullptr);

// False for the empty text; true for "true" in any case; otherwise true
// exactly when mvstring::ToInt gives a non-zero value ("1", "0x10").
bool ParseBool(std::wstring_view text);

// Decimal or hexadecimal ("1ah", "0x1a", "x1a", or digits that only read in
// base 16 such as "ff"), ignoring case and surrounding blanks. True when the
// whole text is one number; `value` is 0 for an empty text and otherwise the
// last conversion's value. A text without digits ("h", "0x", blanks), a
// negative number and one beyond 64 bits are false.
bool ParseUInt64(std::wstring_view text, std::uint64_t& value);

// Hex byte text such as "4d 5a 90", "0x4D 0x5A", "4dh 5ah", "x4d" or
// "4d5a90": blank-separated pieces, each with an optional "0x"/"x" prefix or
// "h" suffix, an odd digit count taking a leading 0 ("abc" gives 0A BC). A
// piece holding anything but hex digits ("zz", "1g") fails the whole text.
// True when at least one byte results; `bytes` is empty on failure.
bool ParseHexBytes(std::wstring_view text, std::vector<unsigned char>& bytes);
