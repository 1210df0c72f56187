// The check of the search panel's input before a search starts: what would
// make a search find nothing for a reason the user cannot see (no folder, a
// folder that does not exist, hex bytes that are not whole bytes; every
// regular expression compiles, a malformed one by fixed rules) is named with the control that holds
// it, so that the panel can say so next to the field.
#pragma once

#include "foundation/mvstring.h"
#include "search/SearchCriteria.h"

// The control id of the first bad input with its message; id 0 and an empty
// message when the criteria can be searched.
struct InputProblem {
    int controlId = 0;
    mvstring message;
};

// Checks the criteria; false with the problem filled when one is found.
bool CheckSearchInput(const SearchCriteria& criteria, InputProblem& problem);

// True when every blank-separated part of the text is a run of whole hex
// bytes (an optional "0x" or "x" prefix or "h" suffix, an even number of
// digits).
bool IsWholeHexBytes(std::wstring_view text);

// The message of a size value that does not read as a number.
mvstring BadSizeMessage();
