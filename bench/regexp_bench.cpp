// Matches typical patterns over a generated text in both widths and prints MB/s.
//   regexp_bench [megabytes, 24]         beside std::regex (ECMAScript) on the same text
//   regexp_bench --patterns              lists the patterns: name, flags, pattern (tab-separated)
//   regexp_bench --write FILE [megabytes] writes the text to FILE as UTF-8
//   regexp_bench --file FILE             times the engine on FILE: the bytes as 8-bit text and
//                                        the decoded text as 16-bit text; prints per pattern
//                                        "name<TAB>width<TAB>seconds<TAB>matches"
// bench/regexp_bench_peers.py runs the last three against other engines on the same file.
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
    bool ignoreCase;
};

// Each pattern means the same to every engine compared under multi-line matching.
const Pattern kPatterns[] = {
    {"literal", "fileindex", false},
    {"alternation", "invoice|receipt|contract|statement", false},
    {"class repeat", "[0-9]{4}-[0-9]{2}-[0-9]{2}", false},
    {"anchored", "^total: [0-9]+", false},
    {"word@word.com", "\\w+@\\w+\\.com", false},
    {"repeated word", "\\b(\\w+)\\s+\\1\\b", false},
    {"words any case", "invoice|receipt|contract|statement", true},
    {"IPv4 address", "\\d+\\.\\d+\\.\\d+\\.\\d+", false},
};

int FlagsOf(const Pattern& p) {
    return RxMultiLine | (p.ignoreCase ? RxIgnoreCase : 0);
}

// Lines of pseudo-random words, with now and then a date, an address, a total line and
// punctuation from Latin-1 and (16-bit form only) above 0xFF; an address, and an invoice or
// statement line in capitals; the words of the literal and alternation patterns appear in
// lower case only near the end.
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
        } else if (kind == 3) {
            t += L"host " + std::to_wstring(next(256)) + L"." + std::to_wstring(next(256)) + L"." +
                 std::to_wstring(next(256)) + L"." + std::to_wstring(next(256)) + L" up";
        } else if (kind == 4) {
            t += next(2) ? L"Invoice " : L"STATEMENT ";
            t += std::to_wstring(next(100000));
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
Run RunOurs(const std::basic_string<T>& pattern, int flags, const std::basic_string<T>& text) {
    VQ_Regexp<T> rx;
    rx.Compile(pattern.data(), static_cast<int>(pattern.size()), flags);
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
Run RunStd(const std::basic_string<T>& pattern, bool ignoreCase, const std::basic_string<T>& text) {
    auto syntax = std::regex_constants::ECMAScript | std::regex_constants::multiline;
    if (ignoreCase)
        syntax |= std::regex_constants::icase;
    const std::basic_regex<T> re(pattern, syntax);
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
        const Run ours = RunOurs(pattern, FlagsOf(p), text);
        const Run theirs = RunStd(pattern, p.ignoreCase, text);
        const double a = mb / ours.seconds, b = mb / theirs.seconds;
        std::printf("%-15s %12.1f %12.1f %9ld %9ld %7.1fx%s\n", p.name, a, b, ours.matches,
                    theirs.matches, a / b, ours.matches == theirs.matches ? "" : "  (hits differ)");
        std::fflush(stdout);
    }
}

std::string ToUtf8(const std::wstring& w) {
    std::string out;
    out.reserve(w.size());
    for (wchar_t ch : w) {
        const unsigned u = static_cast<unsigned>(ch) & 0xFFFF;
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

// The generated text has no code points above U+FFFF; a stray byte stands for itself.
std::wstring FromUtf8(const std::string& s) {
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size();) {
        const unsigned b = static_cast<unsigned char>(s[i]);
        const size_t n = b >= 0xE0 ? 3 : (b >= 0xC0 ? 2 : 1);
        if (n == 1 || i + n > s.size()) {
            out.push_back(static_cast<wchar_t>(b));
            ++i;
            continue;
        }
        unsigned u = b & (n == 2 ? 0x1F : 0x0F);
        for (size_t k = 1; k < n; ++k)
            u = (u << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out.push_back(static_cast<wchar_t>(u));
        i += n;
    }
    return out;
}

int ListPatterns() {
    for (const Pattern& p : kPatterns)
        std::printf("%s\t%d\t%s\n", p.name, FlagsOf(p), p.text);
    return 0;
}

int WriteText(const char* path, double megabytes) {
    const std::string bytes = ToUtf8(MakeText(static_cast<size_t>(megabytes * 1024 * 1024)));
    FILE* f = std::fopen(path, "wb");
    if (!f) {
        std::fprintf(stderr, "cannot write %s\n", path);
        return 1;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return (std::fclose(f) == 0 && ok) ? 0 : 1;
}

template <class T> void TimeOnFile(const char* width, const std::basic_string<T>& text) {
    for (const Pattern& p : kPatterns) {
        const std::basic_string<T> pattern =
            Convert<T>(std::wstring(p.text, p.text + std::char_traits<char>::length(p.text)));
        const Run ours = RunOurs(pattern, FlagsOf(p), text);
        std::printf("%s\t%s\t%.6f\t%ld\n", p.name, width, ours.seconds, ours.matches);
        std::fflush(stdout);
    }
}

int TimeFile(const char* path) {
    FILE* f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "cannot read %s\n", path);
        return 1;
    }
    std::string bytes;
    char block[1 << 16];
    for (size_t n; (n = std::fread(block, 1, sizeof block, f)) > 0;)
        bytes.append(block, n);
    std::fclose(f);
    TimeOnFile<char>("8-bit", bytes);
    TimeOnFile<wchar_t>("16-bit", FromUtf8(bytes));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "--patterns")
        return ListPatterns();
    if (mode == "--write" && argc > 2)
        return WriteText(argv[2], argc > 3 ? std::atof(argv[3]) : 24.0);
    if (mode == "--file" && argc > 2)
        return TimeFile(argv[2]);
    const double megabytes = argc > 1 ? std::atof(argv[1]) : 24.0;
    const std::wstring text = MakeText(static_cast<size_t>(megabytes * 1024 * 1024));
    std::printf("regexp_bench: every match of each pattern, multi-line, one thread\n");
    Measure<char>("8-bit", text);
    Measure<wchar_t>("16-bit", text);
    return 0;
}
