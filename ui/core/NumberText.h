// Sizes and counts as the user reads them.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>

// The shell's short byte-size text ("1.5 KB"); empty on failure.
mvstring FormatByteSize(std::int64_t size);

// The value with the C run-time locale's monetary thousands separator every
// grouping[0] digits from the right, followed by the locale's positive sign
// (usually empty); plain digits when the locale groups nothing. The
// separator and sign are the locale's narrow fields converted from its code
// page. A negative value gets "-" before the grouped digits of its size.
mvstring FormatInt64Grouped(std::int64_t value);
