// Matches typical patterns over a generated text in both widths and prints MB/s, beside
// std::regex (ECMAScript) on the same input. Usage: regexp_bench [megabytes of text, 24]
#include "regexp/VQ_Regexp.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

namespace {

struct Pattern {
    const char* name;
    const char* text;
};

// Each pattern means the same to both engines under multi-line matching.
const Pattern kPatterns[] = {
    {"literal", "fileindex"},
    {"alternation", "invoice|receipt|contract|statement"},
    {"class repeat", "[0-9]{4}-[0-9]{2}-[0-9]{2}"},
    {"anchored", "^total: [0-9]+"},
    {"word@word.com", "\\w+@\\w+\\.com"},
    {"repeated word", "\\b(\\w+)\\s+\\1\\b"},
};

// Lines of pseudo-random words, with now and then a date, an address, a total line and
// punctuation from Latin-1 and (16-bit form only) above 0xFF; the rare words of the
// literal and alternation patterns appear only near the end.
std::wstring MakeText(size_t units) {
    std::uint32_t seed = 12345;
    auto next = [&seed](std::uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const char* syllables[] = {"ka", "lo", "mi", "ne", "ra", "to",  "su",  "vi",  "de",  "an",
                               "or", "el", "in", "us", "ta", "ber", "gen", "fil", "ist", "ment"};
    std::vector<std::wstring> words;
    for (int i = 0; i < 600; ++i) {
        std::wstring w;
        for (std::uint32_t s = 0, n = 1 + next(3); s < n; ++s)
            for (const char* p = syllables[next(20)]; *p; ++p)
                w.push_back(static_cast<wchar_t>(*p));
        words.push_back(w);
    }
    std::wstring t;
    t.reserve(units + 200);
    while (t.size() < units - 100) {
        const std::uint32_t kind = next(1000);
        if (kind == 0) {
            t += L"total: " + std::to_wstring(next(100000));
        } else if (kind == 1) {
            t += L"due 2024-0" + std::to_wstring(1 + next(9)) + L"-1" + std::to_wstring(next(10));
        } else if (kind == 2) {
            t += words[next(600)] + L"@" + words[next(600)] + L".com";
        } else {
            for (std::uint32_t w = 0, n = 6 + next(9); w < n; ++w) {
                if (w)
                    t += L' ';
                t += words[next(600)];
            }
            if (next(20) == 0)
                t += next(2) ? L" \x00ab\x00bb" : L" \x2014"; // punctuation in both engines
        }
        t += L"\r\n";
    }
    t += L"see the fileindex and the signed contract\r\n";
    return t;
}

template <class T> std::basic_string<T> Convert(const std::wstring& w) {
    std::basic_string<T> out;
    out.reserve(w.size());
    for (wchar_t c : w)
        out.push_back(sizeof(T) == 1 && c > 0xFF ? T('?') : static_cast<T>(c));
    return out;
}

struct Run {
    double seconds;
    long matches;
};

// Finds every match, each search starting after the previous match.
template <class T>
Run RunOurs(const std::basic_string<T>& pattern, const std::basic_string<T>& text) {
    VQ_Regexp<T> rx;
    rx.Compile(pattern.data(), static_cast<int>(pattern.size()), RxMultiLine);
    const auto t0 = std::chrono::steady_clock::now();
    long matches = 0;
    const int total = static_cast<int>(text.size());
    for (int at = 0; at <= total;) {
        int len = 0;
        const int start = rx.Match(text.data() + at, total - at, len);
        if (start < 0)
            break;
        ++matches;
        at += start + (len > 0 ? len : 1);
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), matches};
}

template <class T>
Run RunStd(const std::basic_string<T>& pattern, const std::basic_string<T>& text) {
    const std::basic_regex<T> re(pattern, std::regex_constants::ECMAScript |
                                              std::regex_constants::multiline);
    const auto t0 = std::chrono::steady_clock::now();
    long matches = 0;
    std::match_results<typename std::basic_string<T>::const_iterator> m;
    for (auto at = text.cbegin(); at <= text.cend();) {
        if (!std::regex_search(at, text.cend(), m, re))
            break;
        ++matches;
        const auto len = m.length(0);
        at += m.position(0) + (len > 0 ? len : 1);
        if (at > text.cend())
            break;
    }
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), matches};
}

template <class T> void Measure(const char* width, const std::wstring& wide) {
    const std::basic_string<T> text = Convert<T>(wide);
    const double mb = static_cast<double>(text.size() * sizeof(T)) / (1024.0 * 1024.0);
    std::printf("\n%s text: %.1f MB (%zu code units)\n", width, mb, text.size());
    std::printf("%-15s %12s %12s %9s %9s %8s\n", "pattern", "VQ MB/s", "std MB/s", "VQ hits",
                "std hits", "ratio");
    for (const Pattern& p : kPatterns) {
        const std::basic_string<T> pattern =
            Convert<T>(std::wstring(p.text, p.text + std::char_traits<char>::length(p.text)));
        const Run ours = RunOurs(pattern, text);
        const Run theirs = RunStd(pattern, text);
        const double a = mb / ours.seconds, b = mb / theirs.seconds;
        std::printf("%-15s %12.1f %12.1f %9ld %9ld %7.1fx%s\n", p.name, a, b, ours.matches,
                    theirs.matches, a / b, ours.matches == theirs.matches ? "" : "  (hits differ)");
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv) {
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 24.0;
    const std::wstring text = MakeText(static_cast<size_t>(megabytes * 1024 * 1024));
    std::printf("regexp_bench: every match of each pattern, multi-line, one thread\n");
    Measure<char>("8-bit", text);
    Measure<wchar_t>("16-bit", text);
    return 0;
}
