// mvstring: the UTF-16 text type used everywhere, and the basic text functions.
#pragma once

#include <windows.h>

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// A value type over a standard wide string: texts of up to 7 code units live
// inline, longer ones on the heap. Lengths and indexes count UTF-16 code units.
class mvstring {
public:
    using value_type = wchar_t;
    using size_type = std::size_t;
    using iterator = std::wstring::iterator;
    using const_iterator = std::wstring::const_iterator;
    static constexpr size_type npos = std::wstring::npos;

    mvstring() = default;
    // Copies `length` code units; 0 means up to the terminating zero.
    // A null pointer gives the empty string whatever the length.
    mvstring(const wchar_t* text, size_type length);
    mvstring(const wchar_t* text) : mvstring(text, 0) {}
    mvstring(size_type count, wchar_t ch) : m_text(count, ch) {}
    mvstring(std::wstring_view text) : m_text(text) {}
    mvstring(const std::wstring& text) : m_text(text) {}
    mvstring(std::wstring&& text) noexcept : m_text(std::move(text)) {}
    mvstring(const mvstring&) = default;
    mvstring(mvstring&& other) noexcept : m_text(std::move(other.m_text)) { other.m_text.clear(); }
    ~mvstring() = default;

    mvstring& operator=(const mvstring& other);
    mvstring& operator=(mvstring&& other) noexcept;
    mvstring& operator=(const wchar_t* text) { return *this = mvstring(text); }

    // Access.
    const wchar_t* c_str() const noexcept { return m_text.c_str(); }
    const wchar_t* data() const noexcept { return m_text.data(); }
    wchar_t* data() noexcept { return m_text.data(); }
    size_type length() const noexcept { return m_text.length(); }
    size_type size() const noexcept { return m_text.size(); }
    size_type capacity() const noexcept { return m_text.capacity(); }
    bool empty() const noexcept { return m_text.empty(); }
    wchar_t& operator[](size_type i) { return m_text[i]; }
    wchar_t operator[](size_type i) const { return m_text[i]; }
    wchar_t& back() { return m_text.back(); }
    wchar_t back() const { return m_text.back(); }
    wchar_t front() const { return m_text.front(); }
    iterator begin() noexcept { return m_text.begin(); }
    iterator end() noexcept { return m_text.end(); }
    const_iterator begin() const noexcept { return m_text.begin(); }
    const_iterator end() const noexcept { return m_text.end(); }
    operator std::wstring_view() const noexcept { return m_text; }
    std::wstring_view view() const noexcept { return m_text; }
    const std::wstring& str() const noexcept { return m_text; }
    std::wstring& str() noexcept { return m_text; }

    // Changes.
    void clear() noexcept { m_text.clear(); }
    void reserve(size_type n) { m_text.reserve(n); }
    void resize(size_type n, wchar_t ch = 0) { m_text.resize(n, ch); }
    void push_back(wchar_t ch) { m_text.push_back(ch); }
    void pop_back() { m_text.pop_back(); }
    mvstring& append(std::wstring_view text) {
        m_text.append(text);
        return *this;
    }
    mvstring& append(const wchar_t* text, size_type n) {
        m_text.append(text, n);
        return *this;
    }
    mvstring& append(size_type n, wchar_t ch) {
        m_text.append(n, ch);
        return *this;
    }
    mvstring& assign(const wchar_t* text, size_type n) {
        m_text.assign(text, n);
        return *this;
    }
    mvstring& operator+=(std::wstring_view text) {
        m_text += text;
        return *this;
    }
    mvstring& operator+=(const mvstring& text) {
        m_text += text.m_text;
        return *this;
    }
    mvstring& operator+=(const wchar_t* text) {
        m_text += text;
        return *this;
    }
    mvstring& operator+=(wchar_t ch) {
        m_text += ch;
        return *this;
    }
    mvstring& insert(size_type pos, std::wstring_view text) {
        m_text.insert(pos, text);
        return *this;
    }
    mvstring& insert(size_type pos, size_type n, wchar_t ch) {
        m_text.insert(pos, n, ch);
        return *this;
    }
    mvstring& erase(size_type pos = 0, size_type n = npos) {
        m_text.erase(pos, n);
        return *this;
    }
    mvstring& replace(size_type pos, size_type n, std::wstring_view text) {
        m_text.replace(pos, n, text);
        return *this;
    }
    mvstring substr(size_type pos = 0, size_type n = npos) const { return m_text.substr(pos, n); }

    // Exact (case-sensitive) searches, as for a standard wide string.
    size_type find(std::wstring_view s, size_type pos = 0) const noexcept {
        return m_text.find(s, pos);
    }
    size_type find(wchar_t ch, size_type pos = 0) const noexcept { return m_text.find(ch, pos); }
    size_type rfind(std::wstring_view s, size_type pos = npos) const noexcept {
        return m_text.rfind(s, pos);
    }
    size_type rfind(wchar_t ch, size_type pos = npos) const noexcept {
        return m_text.rfind(ch, pos);
    }
    size_type find_first_of(std::wstring_view s, size_type pos = 0) const noexcept {
        return m_text.find_first_of(s, pos);
    }
    size_type find_last_of(std::wstring_view s, size_type pos = npos) const noexcept {
        return m_text.find_last_of(s, pos);
    }
    size_type find_first_not_of(std::wstring_view s, size_type pos = 0) const noexcept {
        return m_text.find_first_not_of(s, pos);
    }
    size_type find_last_not_of(std::wstring_view s, size_type pos = npos) const noexcept {
        return m_text.find_last_not_of(s, pos);
    }
    bool starts_with(std::wstring_view s) const noexcept { return view().starts_with(s); }
    bool ends_with(std::wstring_view s) const noexcept { return view().ends_with(s); }

    // Ordinal, case-sensitive equality and order (for exact containers).
    friend bool operator==(const mvstring& a, const mvstring& b) noexcept {
        return a.m_text == b.m_text;
    }
    friend bool operator==(const mvstring& a, const wchar_t* b) noexcept { return a.m_text == b; }
    friend std::strong_ordering operator<=>(const mvstring& a, const mvstring& b) noexcept {
        return a.m_text.compare(b.m_text) <=> 0;
    }
    friend mvstring operator+(const mvstring& a, std::wstring_view b) { return Concat(a, b); }
    friend mvstring operator+(std::wstring_view a, const mvstring& b) { return Concat(a, b); }
    friend mvstring operator+(const mvstring& a, const mvstring& b) { return Concat(a, b); }
    friend mvstring operator+(const mvstring& a, const wchar_t* b) { return Concat(a, b); }
    friend mvstring operator+(const mvstring& a, wchar_t b) {
        return Concat(a, std::wstring_view(&b, 1));
    }

    static mvstring Concat(std::wstring_view a, std::wstring_view b);

    // -1, 0 or +1. Natural: user-locale order ignoring case with digits as
    // numbers (what the user sees sorted). Otherwise ordinal ignoring case
    // (keys, switches, extensions). A refused comparison counts as equal.
    static int Compare(const mvstring& a, const mvstring& b, bool natural);
    // False at once when the lengths differ; else ordinal ignore-case equality.
    static bool EqualsNoCase(std::wstring_view a, std::wstring_view b);

    // Swaps the two bytes of every code unit (UTF-16BE <-> UTF-16LE).
    void SwapBytes() noexcept;
    // Cleans a menu caption in place: accelerator text after a TAB (tabMode 0
    // or 1), trailing dots (dotsMode 0..2) and single ampersands.
    mvstring& StripMenuText(bool keepAmpersands, int dotsMode, int tabMode);

    // Numeric forms, implemented with the other number conversions in
    // foundation/Numbers.cpp.
    // Unsigned 64-bit value: base 16 after a leading "0x"/"0X", else base 10,
    // read as _wcstoui64 reads (blanks, sign, digits up to the first other
    // character, 0 for none, the maximum on overflow). Empty text gives 0.
    std::uint64_t ToInt() const;
    // Hex digits to bytes, high digit first: "0x" marks and every character
    // other than 0-9, a-f, A-F are dropped, an odd count takes a leading 0.
    // Returns the bytes written; 0 (writing nothing) for no buffer, no digits
    // or more bytes than `capacity`.
    size_type HexToBytes(void* buffer, size_type capacity) const;

private:
    std::wstring m_text;
};

// Ordinal ignore-case "less than": the comparer of every string-keyed map.
struct mvmap_nocasecompare {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const noexcept;
};

template <> struct std::hash<mvstring> {
    std::size_t operator()(const mvstring& s) const noexcept {
        return std::hash<std::wstring_view>()(s.view());
    }
};

// Index of the first exact occurrence of the needle at or after `start`, or -1.
// An empty needle is found at `start` (when `start` is within the text).
std::ptrdiff_t CompareFindText(const wchar_t* text, std::size_t textLength, std::size_t start,
                               const wchar_t* needle, std::size_t needleLength);

// Index of the first place where `needle` stands in `text`, each place
// compared ignoring case as the thread's locale compares texts; -1 when it
// stands nowhere or is empty. The same as the shell library's StrStrIW,
// which a run without windows does not load.
std::ptrdiff_t FindTextNoCase(std::wstring_view text, std::wstring_view needle);

// Lower-cases the text in place with the system's simple casing, which no
// locale changes: the same as the window library's CharLowerBuffW, which a
// run without windows does not load.
void LowerCaseInPlace(std::wstring& text);

// Non-empty pieces between occurrences of the whole separator, left to right.
void SplitString(std::wstring_view text, std::vector<mvstring>& out, std::wstring_view separator);
// Space, CR, LF and TAB: the blanks around values, list items and numbers.
inline constexpr std::wstring_view kTextBlanks = L" \r\n\t";

// The text without any of the characters of `blanks` at either end; empty
// when nothing else is left.
std::wstring_view TrimText(std::wstring_view text, std::wstring_view blanks = kTextBlanks);

// SplitString, then each piece trimmed of space, CR, LF and TAB; pieces that
// became empty are dropped or kept as empty strings.
void SplitList(std::wstring_view text, std::wstring_view separator, std::vector<mvstring>& out,
               bool dropEmpty);

// Converts bytes in a code page to UTF-16; a count of 0 means up to the
// terminating zero. Returns the number of code units written to `out`.
int AnsiToWide(mvstring& out, const char* bytes, std::size_t byteCount, UINT codePage);
std::string WideToAnsi(std::wstring_view text);
std::string WideToUtf8(std::wstring_view text);
