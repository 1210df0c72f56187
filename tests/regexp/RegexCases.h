// Helpers shared by the regexp tests: run one pattern over one subject in either width.
#pragma once

#include "regexp/VQ_Regexp.h"

#include <clocale>
#include <string>
#include <string_view>
#include <utility>

// Bytes widened one to one, so "\xe9" is U+00E9 in the 16-bit form.
template <class T> std::basic_string<T> Units(std::string_view s) {
    std::basic_string<T> out;
    for (char c : s)
        out.push_back(static_cast<T>(static_cast<unsigned char>(c)));
    return out;
}

template <class T>
void CompileUnits(VQ_Regexp<T>& rx, const std::basic_string<T>& pattern, int flags) {
    rx.Compile(pattern.data(), static_cast<int>(pattern.size()), flags);
}

template <class T>
std::pair<int, int> MatchUnits(VQ_Regexp<T>& rx, const std::basic_string<T>& text) {
    int len = -7;
    int start = rx.Match(text.data(), static_cast<int>(text.size()), len);
    return {start, len};
}

// Start and length of the first match of pattern in subject, (-1, 0) for none.
template <class T>
std::pair<int, int> Find(std::string_view pattern, int flags, std::string_view subject) {
    VQ_Regexp<T> rx;
    CompileUnits(rx, Units<T>(pattern), flags);
    return MatchUnits(rx, Units<T>(subject));
}

inline std::pair<int, int> NoMatch() {
    return {-1, 0};
}

// Selects a C run-time locale for the scope (as the program does with the user's default
// locale before it starts) and restores the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) {
        const char* old = std::setlocale(LC_ALL, nullptr);
        m_saved = old ? old : "C";
        m_ok = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, m_saved.c_str()); }
    bool Ok() const { return m_ok; }

private:
    std::string m_saved;
    bool m_ok;
};
