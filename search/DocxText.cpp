#include "search/DocxText.h"

#include "foundation/Paths.h"
#include "foundation/Settings.h"
#include "search/VQ_WordsSearch.h"

#include <share.h>

namespace {

wchar_t FoldAscii(wchar_t ch) {
    return (ch >= L'A' && ch <= L'Z') ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

// Whether `name` (lower-case letters) stands at `at`, letters ignoring case.
bool MatchesAt(const mvstring& text, size_t at, std::wstring_view name) {
    if (at > text.length() || text.length() - at < name.size())
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (FoldAscii(text[at + i]) != name[i])
            return false;
    }
    return true;
}

// Index of "<w:" from `from`, the w in either case; npos when none.
size_t FindElementStart(const mvstring& text, size_t from) {
    for (size_t i = text.find(L'<', from); i != mvstring::npos; i = text.find(L'<', i + 1)) {
        if (MatchesAt(text, i, L"<w:"))
            return i;
    }
    return mvstring::npos;
}

void AppendLineFeed(mvstring& out) {
    if (!out.empty() && out.back() != L'\n')
        out.push_back(L'\n');
}

bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t';
}

} // namespace

void ExtractDocxText(mvstring& text) {
    mvstring out;
    out.reserve(text.length());
    const size_t length = text.length();
    size_t pos = 0;
    for (;;) {
        const size_t i = FindElementStart(text, pos);
        if (i == mvstring::npos)
            break;
        pos = i + 3;
        if (pos + 1 >= length)
            break;
        const wchar_t c = text[pos];
        if (c == L'b') {
            if (i + 6 < length) {
                // <w:br/> written without blanks
                if (text[pos + 1] == L'r' && text[pos + 2] == L'/' && text[i + 6] == L'>')
                    AppendLineFeed(out);
                pos = i + 7;
            }
        } else if (c == L'p') {
            const wchar_t next = text[pos + 1];
            if (next == L'>' || IsBlank(next))
                AppendLineFeed(out); // a paragraph starts
            pos = i + 5;
        } else if (c == L't') {
            const wchar_t next = text[pos + 1];
            size_t start;
            if (next == L'>') {
                start = i + 5;
            } else if (IsBlank(next)) {
                const size_t close = text.find(L'>', i + 5);
                if (close == mvstring::npos)
                    break;
                start = close + 1;
            } else {
                pos = i + 5; // w:tab, w:tbl and the like hold no text
                continue;
            }
            const size_t end = text.find(L"</w:t>", start);
            if (end == mvstring::npos)
                break;
            const size_t appended = out.length();
            out.append(text.data() + start, end - start);
            DecodeXmlEntities(out, appended);
            pos = end + 6;
        } else {
            pos = i + 4;
        }
    }
    text = std::move(out);
}

void DecodeXmlEntities(mvstring& text, size_t from) {
    struct Entity {
        std::wstring_view name;
        wchar_t ch;
    };
    static const Entity kEntities[] = {
        {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&amp;", L'&'}, {L"&quot;", L'"'}, {L"&#039;", L'\''},
    };
    // One pass: the text is copied down over the space the entities free,
    // so that each character moves at most once however many entities the
    // run holds.
    const size_t length = text.length();
    size_t write = from;
    for (size_t read = from; read < length;) {
        const wchar_t ch = text[read];
        if (ch == L'&') {
            const Entity* match = nullptr;
            for (const Entity& entity : kEntities) {
                if (MatchesAt(text, read, entity.name)) {
                    match = &entity;
                    break;
                }
            }
            if (match) {
                text[write++] = match->ch;
                read += match->name.size();
                continue;
            }
        }
        text[write++] = ch;
        ++read;
    }
    if (write < length)
        text.resize(write);
}

void VQ_WordsSearch::CloseZip() noexcept {
    m_zip.End();
    m_zipFile.Reset();
    m_zipPath.clear();
}

std::vector<uint8_t> VQ_WordsSearch::ZipExtract(uint32_t index) {
    std::vector<uint8_t> bytes;
    ZipMemberStat stat;
    if (!m_zip.IsOpen() || !m_zip.Stat(index, stat) || stat.isDirectory ||
        stat.uncompressedSize > Settings().MaxFileInZipBytes)
        return bytes;
    m_zip.Extract(index, bytes, Settings().MaxFileInZipBytes);
    return bytes;
}

std::vector<uint8_t> VQ_WordsSearch::ZipFindEntry(const mvstring& name) {
    if (!m_zip.IsOpen())
        return {};
    const int32_t index = m_zip.Locate(WideToAnsi(name));
    if (index < 0)
        return {};
    return ZipExtract(static_cast<uint32_t>(index));
}

bool VQ_WordsSearch::SearchDocx(const mvstring& path, const wchar_t* extension, int64_t& offset) {
    offset = -1;
    const wchar_t* ext = extension ? extension : PathExtension(path.c_str());
    if (!ext || !*ext || Settings().NoParseDocx || !mvstring::EqualsNoCase(ext, L".docx"))
        return false;
    CloseZip();
    mvstring text;
    if (!path.empty()) {
        m_zipPath = path;
        m_zipFile.Assign(_wfsopen(ExactPathForm(path).c_str(), L"rb", _SH_DENYNO));
        m_zip.SetCancelCheck([this] { return ShouldStop(); });
        if (m_zipFile && m_zip.Open(m_zipFile.Get())) {
            const std::vector<uint8_t> xml = ZipFindEntry(L"word/document.xml");
            // An empty member gives no text (and so the raw search).
            if (!xml.empty())
                AnsiToWide(text, reinterpret_cast<const char*>(xml.data()), xml.size(), CP_UTF8);
        }
    }
    // The file is released at once, so that it can be moved or deleted while
    // the search goes on.
    CloseZip();
    // A stop during the unpacking ends the file here, without the search of
    // its raw bytes that a document without text gets.
    if (ShouldStop())
        return true;
    ExtractDocxText(text);
    if (text.empty())
        return false;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    const int64_t count = static_cast<int64_t>(text.length() * sizeof(wchar_t));
    int32_t length = 0;
    if (m_regexps.m_utf16.IsCompiled()) {
        offset = m_regexps.Find(length, bytes, count, VQEncUtf16LE);
    } else {
        ResetFound();
        offset = FindInBuffer(length, bytes, count, 0, VQEncUtf16LE);
    }
    return true;
}
