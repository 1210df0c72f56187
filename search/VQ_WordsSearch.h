// The content matcher: words searched as raw bytes in UTF-16LE, UTF-8 and the
// ANSI code page at once, hex byte strings, a regular expression, and the text
// of .docx documents; files are scanned chunk by chunk through the reader, and
// the search honours the owner's pause and stop between patterns and chunks.
#pragma once

#include "foundation/mvstring.h"
#include "search/VQFileReader.h"
#include "search/VQPattern.h"
#include "search/VQ_RegexpList.h"
#include "search/ZipReader.h"

#include <cstdint>
#include <set>
#include <vector>

class WorkerThread;

class VQ_WordsSearch {
public:
    // How the words combine.
    enum SearchType { AnyWord = 0, AllWords = 1, RegularExpression = 2 };

    VQ_WordsSearch() = default;
    ~VQ_WordsSearch();
    VQ_WordsSearch(const VQ_WordsSearch&) = delete;
    VQ_WordsSearch& operator=(const VQ_WordsSearch&) = delete;

    // Replaces what is searched for. Type 2 compiles the first word as a
    // regular expression; types 0 and 1 build the byte patterns of every word
    // (hex byte strings when `hex` and the word parses as one). An empty set
    // leaves the matcher empty.
    void SetSearch(const std::set<mvstring>& words, bool caseInsensitive, int type, bool hex);
    // The byte patterns of the words (empty words skipped); in hex mode a word
    // that is not a hex byte string is searched as text.
    void BuildPatterns(const std::set<mvstring>& words, bool caseInsensitive, bool all, bool hex);
    // Appends the word's UTF-16LE, UTF-8 and ANSI patterns (the ANSI one left
    // empty when its bytes equal the UTF-8 bytes).
    void AddWordPatterns(const mvstring& word, bool caseInsensitive);
    // Whether there is anything to look for.
    bool HasSearch() const noexcept {
        return !m_utf16.empty() || !m_hex.empty() || m_regexps.IsCompiled();
    }

    // The worker whose pause and stop the searches honour (also for the
    // regular expressions); may be null.
    void SetWorker(WorkerThread* worker) noexcept;

    // Absolute offset of the first match in the open file from `start`, or
    // -1; `length` gets the matched pattern's byte length (0 when none). An
    // `end` of -1 or past the size means the file's end; only the chunk starts
    // are bounded by it. Stop, shutdown and read failures give -1.
    int64_t FindInFile(int32_t& length, int64_t start, int64_t end);
    // base + the position of the first match in the buffer, or -1. Flags 0
    // stand for all encodings. In any-word mode the earliest match over all
    // patterns and encodings wins (hex first, then UTF-16LE, UTF-8, ANSI on a
    // tie); in all-words mode every word must have been found in one encoding
    // (earlier buffers of the same file count) and the earliest offset wins.
    int64_t FindInBuffer(int32_t& length, const uint8_t* bytes, int64_t count, int64_t base,
                         int32_t flags);
    // Overlap between chunks: the longest pattern of the encodings in the flags.
    int32_t MaxPatternLength(int32_t flags) const noexcept;
    // All-words mode: forget what was found (the start of a file).
    void ResetFound() noexcept;

    // For a .docx file (by `extension`, or the path's when null) unless the
    // setting NoParseDocx is on: searches the document's text and returns
    // true, with `offset` the byte offset of the match in the UTF-16 text or
    // -1. False when the file is no .docx or yields no text: then its raw
    // bytes are to be searched. The archive is closed before returning.
    bool SearchDocx(const mvstring& path, const wchar_t* extension, int64_t& offset);
    // Ends the open archive and closes its file.
    void CloseZip() noexcept;
    // The bytes of the open archive's member of that name (ANSI code page,
    // case ignored); empty when absent or refused.
    std::vector<uint8_t> ZipFindEntry(const mvstring& name);
    // The member's bytes; empty for folders, members over MaxFileInZipMB, and
    // members that cannot be extracted.
    std::vector<uint8_t> ZipExtract(uint32_t index);

    VQFileReader& Reader() noexcept { return m_reader; }
    VQ_RegexpList& Regexps() noexcept { return m_regexps; }
    bool AllWordsMode() const noexcept { return m_all; }
    // The pattern vectors: UTF-16LE, UTF-8, ANSI and hex.
    const std::vector<VQPattern>& Patterns(int32_t encoding) const noexcept;
    const std::vector<VQPattern>& HexPatterns() const noexcept { return m_hex; }

private:
    bool ShouldStop();
    void ClearPatterns() noexcept;
    // All-words mode: one encoding's patterns over the buffer, the earliest
    // offset once all of them have been found.
    int64_t FindInVector(int32_t& length, const uint8_t* bytes, int64_t count, int64_t base,
                         int32_t encoding);
    // Any-word mode: the earliest match of the patterns in m_group.
    int64_t FindAnyOf(int32_t& length, const uint8_t* bytes, int64_t count, int64_t base);
    int64_t FindHex(int32_t& length, const uint8_t* bytes, int64_t count, int64_t base);

    VQFileReader m_reader;
    std::vector<VQPattern> m_utf16, m_utf8, m_ansi, m_hex;
    int32_t m_maxUtf16 = 0, m_maxUtf8 = 0, m_maxAnsi = 0, m_maxHex = 0;
    bool m_all = false;
    std::vector<const VQPattern*> m_group; // scratch list of one pass
    WorkerThread* m_worker = nullptr;
    VQ_RegexpList m_regexps;
    ZipReader m_zip;
    StdioFileHandle m_zipFile;
    mvstring m_zipPath;
};
