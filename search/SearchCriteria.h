// One search's criteria: what the search panel fills, the job runs with, the
// saved-search file stores and the undo stack of searching within results
// keeps. Field names are also the keys of the saved-search file.
#pragma once

#include "foundation/mvstring.h"

#include <cstdint>

// Name modes (name_opt).
enum NameMode : std::int32_t {
    NameAnyPattern = 0,
    NameAllPatterns = 1,
    NameWholeText = 2,
    NameNoPattern = 3,
    NameRegexp = 4,
};

// Content modes (word_opt).
enum WordMode : std::int32_t {
    WordAny = 0,
    WordAll = 1,
    WordPhrase = 2,
    WordNone = 3,
    WordRegexp = 4,
};

// Size and date operators; a test is active when either operator is not 0,
// and then both must hold.
enum CompareOp : std::int32_t {
    OpNone = 0,
    OpEqual = 1,
    OpLess = 2,
    OpLessEqual = 3,
    OpGreater = 4,
    OpGreaterEqual = 5,
};

// Attribute mask bits (attr).
inline constexpr std::uint32_t kAttrWantReadOnly = 0x01;
inline constexpr std::uint32_t kAttrWantHidden = 0x02;
inline constexpr std::uint32_t kAttrWantSystem = 0x04;
inline constexpr std::uint32_t kAttrWantFolders = 0x10;
inline constexpr std::uint32_t kAttrWantPlain = 0x80; // none of the first three
inline constexpr std::uint32_t kDefaultAttrMask = 0x97;

struct SearchCriteria {
    mvstring folders; // locations separated by "|" or ";"
    mvstring name;    // file-name text
    std::int32_t name_opt = NameAllPatterns;
    bool name_case = false; // the name test is case-sensitive
    mvstring word;          // content text
    std::int32_t word_opt = WordAny;
    bool word_case = true;      // the content test matches case
    bool word_hex = false;      // the content text is hexadecimal bytes
    std::int32_t size_mode = 0; // 0 bytes, 1 KB, 2 MB, 3 GB
    std::int32_t size_logic1 = OpNone;
    std::int32_t size_logic2 = OpNone;
    double size1 = 0;
    double size2 = 0;
    std::int32_t date_mode = 0; // 0 modified, 1 created, 2 accessed
    std::int32_t date_part = 0; // 0 date, 1 time of day, 2 both
    std::int32_t date_logic1 = OpNone;
    std::int32_t date_logic2 = OpNone;
    std::uint64_t date1 = 0; // local-time FILETIME counts
    std::uint64_t date2 = 0;
    bool date_usesec = false; // compare to the second, else the minute
    std::uint32_t attr = kDefaultAttrMask;
    bool subfolder = true;

    SearchCriteria() = default;
    SearchCriteria(const SearchCriteria& other) = default;
    SearchCriteria& operator=(const SearchCriteria& other) {
        Assign(other);
        return *this;
    }

    // Back to the defaults.
    void Reset();
    // Copies every field; assigning a record to itself changes nothing.
    void Assign(const SearchCriteria& other);

    // Whether the two records ask for the same search. Texts compare as
    // ordinal text ignoring case, numbers exactly (a NaN size never equals).
    // With `withinResults` only what a search among the current results
    // would change takes part: the locations, the subfolder switch and the
    // size and date units, parts and values are left out, and the name or
    // content options only count when this record has that text.
    bool Equals(const SearchCriteria& other, bool withinResults) const;
};

// Deletes a record held by an owning pointer and clears the pointer.
void ReleaseCriteria(SearchCriteria*& criteria);
