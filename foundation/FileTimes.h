// File times as one number: a FILETIME's two halves joined into the count of
// 100-nanosecond steps since 1601 that items, criteria and saved searches
// keep, and split again for the system calls that take a FILETIME.
#pragma once

#include <windows.h>

#include <cstdint>

inline std::uint64_t FileTimeToUInt64(const FILETIME& time) noexcept {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

inline FILETIME UInt64ToFileTime(std::uint64_t time) noexcept {
    return FILETIME{static_cast<DWORD>(time), static_cast<DWORD>(time >> 32)};
}

// The local-time count of a UTC count; 0 when the system cannot convert it.
inline std::uint64_t UtcToLocalFileTime(std::uint64_t utc) noexcept {
    const FILETIME from = UInt64ToFileTime(utc);
    FILETIME local{};
    return FileTimeToLocalFileTime(&from, &local) ? FileTimeToUInt64(local) : 0;
}
