#include "foundation/mvini.h"

#include "foundation/FileAccess.h"
#include "foundation/ReplacingFile.h"
#include "foundation/WholeFile.h"

#include <string>
#include <vector>

namespace {

bool IsBlank(char32_t ch) {
    return ch == L' ' || ch == L'\r' || ch == L'\n' || ch == L'\t';
}
bool IsQuote(char32_t ch) {
    return ch == L'"' || ch == L'\'';
}

// The key splitter and the escaper mark backslashes while they work. The text
// is held as 32-bit units so that the marker can never be a character of the
// text itself (every UTF-16 code unit is below it).
using Units = std::u32string;
constexpr char32_t kMarker = 0x10000;

Units ToUnits(std::wstring_view text) {
    Units units;
    units.reserve(text.size());
    for (wchar_t ch : text)
        units.push_back(static_cast<char32_t>(ch));
    return units;
}

// Markers become backslashes again.
mvstring FromUnits(const Units& units) {
    mvstring text;
    text.reserve(units.size());
    for (char32_t ch : units)
        text.push_back(ch == kMarker ? L'\\' : static_cast<wchar_t>(ch));
    return text;
}

Units TrimUnits(const Units& units) {
    size_t first = 0;
    size_t last = units.size();
    while (first < last && IsBlank(units[first]))
        ++first;
    while (last > first && IsBlank(units[last - 1]))
        --last;
    return units.substr(first, last - first);
}

// The control characters written as a backslash and a letter.
constexpr struct {
    wchar_t letter;
    wchar_t control;
} kEscapedControls[] = {{L'n', L'\n'}, {L'r', L'\r'}, {L't', L'\t'}};

wchar_t ControlForLetter(wchar_t letter) {
    for (const auto& e : kEscapedControls)
        if (e.letter == letter)
            return e.control;
    return 0;
}

wchar_t LetterForControl(wchar_t control) {
    for (const auto& e : kEscapedControls)
        if (e.control == control)
            return e.letter;
    return 0;
}

bool IsSectionLine(std::wstring_view line) {
    return line.size() >= 2 && line.front() == L'[' && line.back() == L']';
}

// The key part of a key line: "=" inside matching quotes belongs to the key.
enum class KeyCheck { Accepted, Candidate, Rejected };

KeyCheck CheckKey(Units& key) {
    const char32_t quote = key.front();
    if (!IsQuote(quote))
        return KeyCheck::Accepted;
    if (key.size() == 1 || key.back() != quote)
        return KeyCheck::Candidate;
    if (key[key.size() - 2] == L'\\') {
        key.pop_back(); // an escaped closing quote is remembered without it
        return KeyCheck::Candidate;
    }
    if (key.size() == 2)
        return KeyCheck::Rejected;
    key = key.substr(1, key.size() - 2);
    return KeyCheck::Accepted;
}

} // namespace

mvini::mvini(const wchar_t* defaultSection) {
    if (defaultSection != nullptr && *defaultSection != L'\0')
        m_defaultSection = defaultSection;
}

mvstring mvini::GetString(std::wstring_view section, std::wstring_view key) const {
    if (section.empty() || key.empty())
        return {};
    const auto sectionIt = find(section);
    if (sectionIt == end())
        return {};
    const auto keyIt = sectionIt->second.find(key);
    return keyIt == sectionIt->second.end() ? mvstring() : keyIt->second;
}

bool mvini::SetString(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    if (section.empty() || key.empty())
        return false;
    mvstring changed(value);
    OnValue(mvstring(section), mvstring(key), changed);
    Section(section)[key] = std::move(changed);
    return true;
}

bool mvini::ReadLogicalLine(std::wstring_view& remaining, mvstring& line) {
    line.clear();
    if (remaining.empty())
        return false;
    bool started = false;
    bool continued = false; // the line taken last ended with an odd backslash
    while (!remaining.empty()) {
        const size_t lf = remaining.find(L'\n');
        const std::wstring_view physical = TrimText(remaining.substr(0, lf));
        const std::wstring_view rest =
            lf == std::wstring_view::npos ? std::wstring_view() : remaining.substr(lf + 1);
        if (physical.empty() || physical.front() == L'#' || physical.front() == L';') {
            remaining = rest;
            continue;
        }
        if (started && !continued &&
            (IsSectionLine(physical) || physical.find(L'=') != std::wstring_view::npos))
            break; // the next logical line starts here
        remaining = rest;

        const size_t lastNonBackslash = physical.find_last_not_of(L'\\');
        const size_t backslashes =
            physical.size() -
            (lastNonBackslash == std::wstring_view::npos ? 0 : lastNonBackslash + 1);
        continued = backslashes % 2 == 1;
        const std::wstring_view piece =
            continued ? physical.substr(0, physical.size() - 1) : physical;
        if (started) {
            JoinContinuation(line, piece);
        } else {
            line = piece;
            started = true;
        }
    }
    return true;
}

void mvini::JoinContinuation(mvstring& line, std::wstring_view piece) {
    line = mvstring(TrimText(line));
    piece = TrimText(piece);
    if (!line.empty() && !piece.empty() && !line.ends_with(L"\\n") && !piece.starts_with(L"\\t"))
        line += L' ';
    line += piece;
}

void mvini::Escape(mvstring& text, int mode) {
    if (mode == 0) {
        // A doubled backslash is one backslash and escapes nothing; a single
        // one before n, r, t or a quote makes the control character or quote;
        // before anything else (or at the end) it stays.
        mvstring out;
        out.reserve(text.length());
        for (size_t i = 0; i < text.length(); ++i) {
            const wchar_t ch = text[i];
            if (ch != L'\\' || i + 1 == text.length()) {
                out += ch;
                continue;
            }
            const wchar_t next = text[i + 1];
            const wchar_t control = ControlForLetter(next);
            if (next == L'\\' || IsQuote(next))
                out += next;
            else if (control != 0)
                out += control;
            else {
                out += ch;
                continue;
            }
            ++i;
        }
        text = std::move(out);
        return;
    }

    Units units;
    units.reserve(text.length() + 8);
    for (wchar_t ch : text) {
        const wchar_t letter = LetterForControl(ch);
        if (ch == L'\\') {
            units += kMarker;
        } else if (letter != 0) {
            units += U'\\';
            units += static_cast<char32_t>(letter);
        } else {
            units += static_cast<char32_t>(ch);
        }
    }
    // A text that reads as quoted gets its outer quotes escaped, so they are
    // kept instead of being stripped by the reader.
    if (units.size() >= 2 && IsQuote(units.front()) && units.back() == units.front()) {
        units.insert(units.size() - 1, 1, U'\\');
        units.insert(0, 1, U'\\');
    }
    // A backslash that could be read as (part of) an escape is doubled; one
    // before an ordinary character reads back unchanged when written single.
    mvstring out;
    out.reserve(units.size() + 8);
    for (size_t i = 0; i < units.size(); ++i) {
        if (units[i] != kMarker) {
            out += static_cast<wchar_t>(units[i]);
            continue;
        }
        bool doubled = i + 1 == units.size();
        if (!doubled) {
            const char32_t next = units[i + 1];
            doubled = next == kMarker || next == U'\\' || IsQuote(next) ||
                      (next <= 0xFFFF && (LetterForControl(static_cast<wchar_t>(next)) != 0 ||
                                          ControlForLetter(static_cast<wchar_t>(next)) != 0));
        }
        out += doubled ? L"\\\\" : L"\\";
    }
    text = std::move(out);
}

bool mvini::SplitKeyValue(std::wstring_view line, mvstring& key, mvstring& value) {
    key.clear();
    value.clear();
    Units units = ToUnits(TrimText(line));
    if (units.empty())
        return false;
    // An escaped backslash must not escape a quote after it.
    for (size_t i = 0; i + 1 < units.size(); ++i) {
        if (units[i] == U'\\' && units[i + 1] == U'\\') {
            units[i] = kMarker;
            units[i + 1] = kMarker;
            ++i;
        }
    }

    bool haveCandidate = false;
    Units candidate;
    size_t candidateSplit = 0;
    Units keyUnits;
    size_t split = units.find(U'=', 1);
    for (;;) {
        if (split == Units::npos) {
            if (!haveCandidate)
                return false;
            keyUnits = std::move(candidate);
            split = candidateSplit;
            break;
        }
        keyUnits = TrimUnits(units.substr(0, split));
        if (keyUnits.empty())
            return false;
        const KeyCheck check = CheckKey(keyUnits);
        if (check == KeyCheck::Accepted)
            break;
        if (check == KeyCheck::Rejected)
            return false;
        if (!haveCandidate) {
            haveCandidate = true;
            candidate = keyUnits;
            candidateSplit = split;
        }
        split = units.find(U'=', split + 1);
    }

    Units valueUnits = TrimUnits(units.substr(split + 1));
    if (valueUnits.size() >= 3 && IsQuote(valueUnits.front()) &&
        valueUnits.back() == valueUnits.front() && valueUnits[valueUnits.size() - 2] != U'\\')
        valueUnits = valueUnits.substr(1, valueUnits.size() - 2);

    key = FromUnits(keyUnits);
    value = FromUnits(valueUnits);
    return true;
}

bool mvini::Parse(std::wstring_view text) {
    ClearSections();
    mvinisection* current = nullptr;
    mvstring currentName;
    mvstring line;
    mvstring key;
    mvstring value;
    std::wstring_view remaining = text;
    while (ReadLogicalLine(remaining, line)) {
        if (line.empty())
            continue;
        if (line.front() == L'[' && line.back() == L']') {
            currentName = line.substr(1, line.length() - 2);
            Escape(currentName, 0);
            // "[]" ends the section: the keys up to the next section are dropped.
            current = currentName.empty() ? nullptr : &Section(currentName);
            continue;
        }
        if (current == nullptr)
            continue;
        // A key that begins with a comment character is written behind a backslash.
        if (line.length() >= 2 && line[0] == L'\\' && (line[1] == L';' || line[1] == L'#'))
            line.erase(0, 1);
        if (!SplitKeyValue(line, key, value))
            continue;
        Escape(key, 0);
        Escape(value, 0);
        OnValue(currentName, key, value);
        (*current)[key] = std::move(value);
    }
    std::erase_if(*this, [](const auto& section) { return section.second.empty(); });
    return !empty();
}

bool mvini::LoadBytes(std::string_view bytes) {
    return Parse(DecodeTextBytes(bytes.data(), bytes.size()));
}

bool mvini::Load(const mvstring& path) {
    ClearSections();
    mvstring text;
    if (!ReadTextFileByPath(path, text))
        return false; // the last error tells a missing file from an unreadable one
    const bool parsed = Parse(text);
    SetLastError(ERROR_SUCCESS);
    return parsed;
}

mvstring mvini::Serialize() const {
    mvstring out;
    mvstring escaped;
    for (const auto& [name, keys] : *this) {
        escaped = name;
        Escape(escaped, 1);
        out += L'[';
        out += escaped;
        out += L"]\r\n";
        for (const auto& [key, value] : keys) {
            escaped = key;
            Escape(escaped, 1);
            if (escaped.starts_with(L"#") || escaped.starts_with(L";"))
                out += L'\\';
            out += escaped;
            out += L" = ";
            const bool sectionLike = escaped.starts_with(L"[");
            escaped = value;
            Escape(escaped, 1);
            // Quotes keep what the reader would otherwise lose: blanks at either
            // end of the value, and a line that would read as a section line.
            const bool quote = !value.empty() && (value.front() == L' ' || value.back() == L' ' ||
                                                  (sectionLike && escaped.ends_with(L"]")));
            if (quote)
                out += L'"';
            out += escaped;
            if (quote)
                out += L'"';
            out += L"\r\n";
        }
        out += L"\r\n";
    }
    return out;
}

bool mvini::Save(HANDLE file) const {
    return WriteTextFileUtf16(Serialize(), file);
}

bool mvini::SaveFile(const mvstring& path) const {
    ReplacingFile file;
    return file.Open(path) && Save(file.Handle()) && file.Commit();
}

mvstring DecodeTextBytes(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (bytes == nullptr || size == 0 || bytes[0] == 0)
        return {};
    // Bytes past the end count as zero, so an odd last byte of UTF-16 text
    // still makes a code unit.
    const auto byteAt = [&](std::size_t i) -> unsigned { return i < size ? bytes[i] : 0u; };
    if (size >= 2 &&
        ((bytes[0] == 0xFF && bytes[1] == 0xFE) || (bytes[0] == 0xFE && bytes[1] == 0xFF))) {
        const bool bigEndian = bytes[0] == 0xFE;
        mvstring text;
        text.reserve((size - 2) / 2 + 1);
        for (std::size_t i = 2; i < size; i += 2) {
            const unsigned first = byteAt(i);
            const unsigned second = byteAt(i + 1);
            const auto unit =
                static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
            if (unit == 0)
                break;
            text += unit;
        }
        return text;
    }
    std::size_t start = 0;
    UINT codePage = CP_ACP;
    if (size >= 3 && bytes[0] == 0xEF && bytes[1] == 0xBB && bytes[2] == 0xBF) {
        start = 3;
        codePage = CP_UTF8;
    }
    std::size_t end = start;
    while (end < size && bytes[end] != 0)
        ++end;
    mvstring text;
    if (end > start)
        AnsiToWide(text, reinterpret_cast<const char*>(bytes + start), end - start, codePage);
    return text;
}

bool ReadTextFile(HANDLE file, mvstring& text) {
    text.clear();
    SharedBuffer bytes;
    if (!ReadWholeFile(file, bytes)) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(file == nullptr || file == INVALID_HANDLE_VALUE ? ERROR_INVALID_HANDLE
                                                                         : ERROR_READ_FAULT);
        return false;
    }
    text = DecodeTextBytes(bytes.Data(), static_cast<std::size_t>(bytes.Size()));
    SetLastError(ERROR_SUCCESS);
    return true;
}

mvstring ReadTextFile(HANDLE file) {
    mvstring text;
    ReadTextFile(file, text);
    return text;
}

bool ReadTextFileByPath(const mvstring& path, mvstring& text) {
    text.clear();
    const FileHandle file = OpenFileForText(path, false);
    if (!file) {
        if (GetLastError() == ERROR_SUCCESS)
            SetLastError(ERROR_INVALID_NAME); // an empty path
        return false;
    }
    return ReadTextFile(file.Get(), text);
}

mvstring ReadTextFileByPath(const mvstring& path) {
    mvstring text;
    ReadTextFileByPath(path, text);
    return text;
}

bool WriteTextFileUtf16(std::wstring_view text, HANDLE file) {
    if (file == nullptr || file == INVALID_HANDLE_VALUE) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file, &size))
        return false;
    LARGE_INTEGER start{};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return false;
    if (text.empty())
        return true;
    std::vector<unsigned char> bytes;
    bytes.reserve(2 + text.size() * 2);
    bytes.push_back(0xFF);
    bytes.push_back(0xFE);
    for (wchar_t ch : text) {
        bytes.push_back(static_cast<unsigned char>(ch & 0xFF));
        bytes.push_back(static_cast<unsigned char>((ch >> 8) & 0xFF));
    }
    if (bytes.size() > MAXDWORD) {
        SetLastError(ERROR_FILE_TOO_LARGE);
        return false;
    }
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
        return false;
    if (written != bytes.size()) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return true;
}
