// Content search throughput over generated files: UTF-8, UTF-16LE and
// Windows-1252 text and binary data, a few hundred MB in all. Prints MB/s of a
// plain read of the files through the reader and of FindInFile for one word,
// five words and a hex string, and of the regular-expression content search,
// each beside the plain read of the same run (medians of rounds in which the
// search and the plain read take turns).
//   content_bench [megabytes, 256] [folder, %TEMP%]
#include "foundation/Settings.h"
#include "search/VQ_WordsSearch.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr size_t kFileSize = 8u << 20;

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Lines of pseudo-random words, some with accented letters; none of the
// searched words occurs, so every search reads every file to its end.
std::wstring MakeText(size_t units, uint32_t seed) {
    auto next = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    const wchar_t* syllables[] = {L"ka", L"lo", L"mi", L"ne", L"ra",     L"to",     L"su",
                                  L"vi", L"de", L"an", L"or", L"\u00E9", L"\u00FC", L"ber",
                                  L"ge", L"fi", L"is", L"me", L"qu",     L"x"};
    std::wstring text;
    text.reserve(units + 32);
    while (text.size() < units) {
        for (uint32_t s = 0, n = 1 + next(3); s < n; ++s)
            text += syllables[next(20)];
        text += next(12) == 0 ? L'\n' : L' ';
    }
    text.resize(units);
    return text;
}

bool WriteBytes(const std::wstring& path, const void* bytes, size_t size) {
    FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.Get(), bytes, static_cast<DWORD>(size), &written, nullptr) &&
           written == size;
}

// Writes `count` files of each kind; returns their paths.
std::vector<std::wstring> MakeFiles(const std::wstring& folder, int count) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < count; ++i) {
        const std::wstring text = MakeText(kFileSize, 1000 + i);
        const std::wstring base = folder + L"\\content_" + std::to_wstring(i);
        const std::string utf8 = WideToUtf8(text).substr(0, kFileSize);
        const std::string ansi = WideToAnsi(text);
        std::wstring half = text.substr(0, kFileSize / 2);
        std::string binary(kFileSize, '\0');
        uint32_t seed = 77 + i;
        for (char& b : binary) {
            seed = seed * 1664525u + 1013904223u;
            b = static_cast<char>((seed >> 24) & ((seed >> 8) % 5 == 0 ? 0 : 0xFF));
        }
        const std::pair<const wchar_t*, std::string_view> files[] = {
            {L".utf8.txt", utf8},
            {L".ansi.txt", ansi},
            {L".utf16.txt", std::string_view(reinterpret_cast<const char*>(half.data()),
                                             half.size() * sizeof(wchar_t))},
            {L".bin", binary},
        };
        for (const auto& [suffix, bytes] : files) {
            paths.push_back(base + suffix);
            if (!WriteBytes(paths.back(), bytes.data(), bytes.size()))
                return {};
        }
    }
    return paths;
}

struct Figure {
    double seconds = 0;
    uint64_t bytes = 0;
    int matches = 0;
    double MBps() const {
        return seconds > 0 ? static_cast<double>(bytes) / 1048576.0 / seconds : 0;
    }
};

// Reads every file chunk by chunk through the reader, touching each chunk.
Figure PlainRead(VQ_WordsSearch& search, const std::vector<std::wstring>& paths) {
    Figure f;
    VQFileReader& reader = search.Reader();
    unsigned sum = 0;
    const double start = Now();
    for (const std::wstring& path : paths) {
        if (reader.Open(path) < 0)
            continue;
        for (int64_t at = 0; at < reader.Size();) {
            int32_t count = 0;
            const uint8_t* data = reader.Read(at, count, false);
            if (!data || count <= 0)
                break;
            sum += data[0] + data[count - 1];
            at += count;
        }
        f.bytes += static_cast<uint64_t>(reader.Size());
    }
    f.seconds = Now() - start;
    f.matches = static_cast<int>(sum & 1); // keeps the reads from being dropped
    return f;
}

Figure Words(VQ_WordsSearch& search, const std::vector<std::wstring>& paths) {
    Figure f;
    const double start = Now();
    for (const std::wstring& path : paths) {
        if (search.Reader().Open(path) < 0)
            continue;
        int32_t length = 0;
        if (search.FindInFile(length, 0, -1) >= 0)
            ++f.matches;
        f.bytes += static_cast<uint64_t>(search.Reader().Size());
    }
    f.seconds = Now() - start;
    return f;
}

// As the folder walk searches with a regular expression: text files only, the
// first MaxRegexpTextMB bytes in one piece.
Figure Regexp(VQ_WordsSearch& search, const std::vector<std::wstring>& paths) {
    Figure f;
    VQFileReader& reader = search.Reader();
    const double start = Now();
    for (const std::wstring& path : paths) {
        const int32_t flags = reader.Open(path);
        if (flags <= 0)
            continue;
        const int64_t size = reader.Size();
        int32_t n = static_cast<int32_t>(
            std::min<int64_t>(size, std::min<int64_t>(Settings().MaxRegexpTextBytes, INT_MAX)));
        if (!reader.EnsureBuffer(static_cast<uint32_t>(n)))
            continue;
        const uint8_t* data = reader.Read(0, n, false);
        if (!data)
            continue;
        int32_t length = 0;
        if (search.Regexps().Find(length, data, n, flags) >= 0)
            ++f.matches;
        f.bytes += static_cast<uint64_t>(size);
    }
    f.seconds = Now() - start;
    return f;
}

} // namespace

int main(int argc, char** argv) {
    const int megabytes = argc > 1 ? std::max(atoi(argv[1]), 32) : 256;
    wchar_t temp[MAX_PATH + 1]{};
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = argc > 2 ? std::wstring(argv[2], argv[2] + strlen(argv[2])) : temp;
    folder += L"\\velquin_content_bench";
    CreateDirectoryW(folder.c_str(), nullptr);
    const int count = std::max(1, megabytes / static_cast<int>(4 * (kFileSize >> 20)));
    const std::vector<std::wstring> paths = MakeFiles(folder, count);
    if (paths.empty()) {
        fprintf(stderr, "content_bench: cannot write the files\n");
        return 1;
    }
    VQ_WordsSearch search;
    const Figure warm = PlainRead(search, paths); // also fills the file cache
    printf("%zu files, %.0f MB (UTF-8, Windows-1252, UTF-16LE, binary), buffer %u MB\n",
           paths.size(), static_cast<double>(warm.bytes) / 1048576.0,
           Settings().FileBufferSize >> 20);
    struct Run {
        const char* name;
        std::set<mvstring> words;
        int type;
        bool hex;
    };
    const Run runs[] = {
        {"one word", {L"PARALLAX"}, VQ_WordsSearch::AnyWord, false},
        {"five words",
         {L"PARALLAX", L"QUOTIENT", L"ZEPHYR", L"\u00C9CLAT", L"JUXTAPOSE"},
         VQ_WordsSearch::AnyWord,
         false},
        {"hex string", {L"DE AD BE EF 00 11"}, VQ_WordsSearch::AnyWord, true},
        {"regular expression", {L"parallax[0-9]+"}, VQ_WordsSearch::RegularExpression, false},
    };
    // Each search and the plain read take turns, a few rounds each, so that
    // both see the same load of the machine; the figures are the medians.
    constexpr int kRounds = 5;
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    printf("%-20s %10s %10s %8s %8s   (medians of %d rounds)\n", "search", "MB/s", "read MB/s",
           "ratio", "matches", kRounds);
    for (const Run& run : runs) {
        search.SetSearch(run.words, true, run.type, run.hex);
        std::vector<double> reads, searches;
        int matches = 0;
        for (int round = 0; round < kRounds; ++round) {
            reads.push_back(PlainRead(search, paths).MBps());
            const Figure found = run.type == VQ_WordsSearch::RegularExpression
                                     ? Regexp(search, paths)
                                     : Words(search, paths);
            searches.push_back(found.MBps());
            matches = found.matches;
        }
        const double read = median(reads), found = median(searches);
        printf("%-20s %10.0f %10.0f %8.2f %8d\n", run.name, found, read,
               read > 0 ? found / read : 0.0, matches);
    }
    for (const std::wstring& path : paths)
        DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
