#include "foundation/mvini.h"

#include "foundation/Handles.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The whole object as "[section]key=value|key=value|" per section, with LF,
// CR and TAB shown as <LF>, <CR> and <TAB>, so that a table can state it.
std::wstring Dump(const mvini& ini) {
    std::wstring out;
    for (const auto& [name, keys] : ini) {
        out += L"[" + name.str() + L"]";
        for (const auto& [key, value] : keys) {
            out += key.str() + L"=";
            for (wchar_t ch : value)
                out += ch == L'\n'   ? L"<LF>"
                       : ch == L'\r' ? L"<CR>"
                       : ch == L'\t' ? L"<TAB>"
                                     : std::wstring(1, ch);
            out += L"|";
        }
    }
    return out;
}

std::string Utf16Le(std::wstring_view text, bool mark = true) {
    std::string bytes = mark ? "\xFF\xFE" : "";
    for (wchar_t ch : text) {
        bytes += static_cast<char>(ch & 0xFF);
        bytes += static_cast<char>((ch >> 8) & 0xFF);
    }
    return bytes;
}

std::string Utf16Be(std::wstring_view text) {
    std::string bytes = "\xFE\xFF";
    for (wchar_t ch : text) {
        bytes += static_cast<char>((ch >> 8) & 0xFF);
        bytes += static_cast<char>(ch & 0xFF);
    }
    return bytes;
}

} // namespace

TEST(mvstrmap, KeysIgnoreCaseAndKeepTheFirstSpelling) {
    mvstrmap<int> map;
    map[L"Global"] = 1;
    map[L"GLOBAL"] = 2;
    map[L"other"] = 3;
    EXPECT_EQ(map.size(), 2u);
    EXPECT_EQ(map.begin()->first, L"Global");
    EXPECT_EQ(map.begin()->second, 2);
    EXPECT_TRUE(map.Contains(L"gLoBaL"));
    EXPECT_FALSE(map.Contains(L"glob"));
}

// Each byte-order mark selects its decoder; without one the ANSI code page
// (1252 here) is used, also for bytes that would be valid UTF-8.
TEST(mvini, LoadDecodesEveryEncodingFromFile) {
    const std::wstring text = L"[a]\r\nk=v\xE9\r\n";
    const struct {
        const wchar_t* name;
        std::string bytes;
        const wchar_t* expected;
    } cases[] = {
        {L"le.ini", Utf16Le(text), L"[a]k=v\xE9|"},
        {L"be.ini", Utf16Be(text), L"[a]k=v\xE9|"},
        {L"utf8.ini", "\xEF\xBB\xBF[a]\r\nk=v\xC3\xA9\r\n", L"[a]k=v\xE9|"},
        {L"ansi.ini", "[a]\nk=v\xE9\n", L"[a]k=v\xE9|"},
        {L"utf8-no-mark.ini", "[a]\nk=v\xC3\xA9\n", L"[a]k=v\xC3\xA9|"},
        // Text ends at the first zero unit or byte.
        {L"le-zero.ini", Utf16Le(L"[a]\nk=v\n") + std::string("\0\0", 2) + Utf16Le(L"j=w\n", false),
         L"[a]k=v|"},
        {L"ansi-zero.ini", std::string("[a]\nk=v\0j=w\n", 12), L"[a]k=v|"},
        // An odd last byte of UTF-16 text still forms a unit.
        {L"le-odd.ini", Utf16Le(L"[a]\nk=v") + "w", L"[a]k=vw|"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        mvini ini(L"global");
        EXPECT_TRUE(ini.Load(dir.WriteFile(c.name, c.bytes))) << c.name;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << c.name;
        EXPECT_EQ(Dump(ini), c.expected) << c.name;
    }
    EXPECT_EQ(DecodeTextBytes("\0[a]", 4), L"");
    EXPECT_EQ(DecodeTextBytes("\xFF\xFE", 2), L"");
    EXPECT_EQ(DecodeTextBytes(nullptr, 5), L"");
}

TEST(mvini, LoadTellsMissingFromUnreadable) {
    TempDir dir;
    mvini ini(L"global");
    ASSERT_TRUE(ini.SetString(L"old", L"k", L"1"));

    EXPECT_FALSE(ini.Load(dir / L"missing.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_TRUE(ini.empty());
    EXPECT_FALSE(ini.Load(dir / L"no\\such\\folder.ini"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(ini.Load(L""));
    EXPECT_NE(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    // Read, but nothing to keep: a section without keys, or an empty file.
    EXPECT_FALSE(ini.Load(dir.WriteFile(L"bare.ini", "[a]\n[b]\n; only comments\n")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_FALSE(ini.Load(dir.WriteFile(L"empty.ini", "")));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));

    // Held open without sharing by someone else: the cause is kept.
    const std::wstring held = dir.WriteFile(L"held.ini", "[a]\nk=1\n");
    {
        const FileHandle lock(CreateFileW(held.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(lock);
        EXPECT_FALSE(ini.Load(held));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        mvstring text;
        EXPECT_FALSE(ReadTextFileByPath(held, text));
        EXPECT_TRUE(text.empty());
    }
    EXPECT_TRUE(ini.Load(held));
    EXPECT_EQ(Dump(ini), L"[a]k=1|");
}

// Logical lines: comments, continuation by trailing backslash or by a line
// without "=", section lines, and what is dropped.
TEST(mvini, ParseLogicalLinesAndSections) {
    const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"[a]\r\n  k = v \t\r\n", L"[a]k=v|"},
        {L"[a]\nk = one\\\ntwo", L"[a]k=one two|"},
        {L"[a]\nk = one \\\n   two", L"[a]k=one two|"},
        {L"[a]\nk = a\\n\\\nb", L"[a]k=a<LF>b|"},
        {L"[a]\nk = a\\\n\\tb", L"[a]k=a<TAB>b|"},
        // A requested continuation joins even a line with "=" or a section line.
        {L"[a]\nk = a\\\nx = 1\n[b]\\\n[c]", L"[a]k=a x = 1 [b] [c]|"},
        // An even run of backslashes is no continuation.
        {L"[a]\nk = a\\\\\nj = 2", L"[a]j=2|k=a\\|"},
        {L"[a]\nk = first\nsecond", L"[a]k=first second|"},
        {L"[a]\nk = first\nx = 1", L"[a]k=first|x=1|"},
        {L"[a]\nk = one\\\n# note\n\n; note\ntwo\n#x\nthree", L"[a]k=one two three|"},
        {L"k = outside\n[a]\nj = 1", L"[a]j=1|"},
        {L"[a]\nk = 1\n[]\nj = 2\n[b]\nm = 3", L"[a]k=1|[b]m=3|"},
        // A line without "=" right after a section line hides that section line.
        {L"[z]\nq = 0\n[a]\nnote\nk = 1", L"[z]k=1|q=0|"},
        {L"[a]\nnote\nk = 1", L""},
        {L"[a]\n[b]\nk = 1\n[c]", L"[b]k=1|"},
        {L"[s]\nK = 1\nk = 2", L"[s]K=2|"},
        {L"[S]\nk = 1\n[s]\nj = 2", L"[S]j=2|k=1|"},
        {L"[a\\tb]\nk = 1", L"[a\tb]k=1|"},
        {L"[a]\n\\#x = 1\n\\;y = 2\n\\z = 3", L"[a]#x=1|;y=2|\\z=3|"},
        {L"[a]\n= 1\nk =\n j=", L"[a]j=|k=|"},
    };
    for (const auto& c : cases) {
        mvini ini(L"global");
        const bool parsed = ini.Parse(c.text);
        EXPECT_EQ(Dump(ini), c.expected) << c.text;
        EXPECT_EQ(parsed, *c.expected != L'\0') << c.text;
    }
}

TEST(mvini, SplitKeyValueQuotesAndEscapes) {
    const struct {
        const wchar_t* line;
        bool ok;
        const wchar_t* key;
        const wchar_t* value;
    } cases[] = {
        {L"k = v", true, L"k", L"v"},
        {L"k==v", true, L"k", L"=v"},
        {L"k = \"x y\"", true, L"k", L"x y"},
        {L"k = 'x y'", true, L"k", L"x y"},
        {L"k = \"\"", true, L"k", L"\"\""},
        {L"k = \"x\\\"", true, L"k", L"\"x\\\""},
        {L"k = \"x\\\\\"", true, L"k", L"x\\\\"},
        {L"k = \"x'", true, L"k", L"\"x'"},
        {L"\"a=b\" = 1", true, L"a=b", L"1"},
        {L"'a = b' = 1", true, L"a = b", L"1"},
        {L"\"a = 1", true, L"\"a", L"1"},
        {L"\" = 1", true, L"\"", L"1"},
        {L"\"a\\\" = 1", true, L"\"a\\", L"1"},
        {L"\"a\\\\\" = 1", true, L"a\\\\", L"1"},
        {L"\"a = b = c", true, L"\"a", L"b = c"},
        {L"\"\" = 1", false, L"", L""},
        {L"= 1", false, L"", L""},
        {L"novalue", false, L"", L""},
        {L"   ", false, L"", L""},
    };
    for (const auto& c : cases) {
        mvstring key, value;
        EXPECT_EQ(mvini::SplitKeyValue(c.line, key, value), c.ok) << c.line;
        if (c.ok) {
            EXPECT_EQ(key, c.key) << c.line;
            EXPECT_EQ(value, c.value) << c.line;
        }
    }
}

// Text in memory and its written form; reading the written form gives the
// text back.
TEST(mvini, EscapeBothWays) {
    const struct {
        const wchar_t* text;
        const wchar_t* written;
    } cases[] = {
        {L"C:\\dir\\", L"C:\\dir\\\\"},
        {L"C:\\dir\\file", L"C:\\dir\\file"},
        {L"a\\nb", L"a\\\\nb"},
        {L"a\nb\rc\td", L"a\\nb\\rc\\td"},
        {L"\"x\"", L"\\\"x\\\""},
        {L"'x'", L"\\'x\\'"},
        {L"\"", L"\""},
        {L"say \"hi\" now", L"say \"hi\" now"},
        {L"\\\\server\\share", L"\\\\\\server\\share"},
        {L"a\\\"b", L"a\\\\\"b"},
        {L"a\\\\", L"a\\\\\\\\"},
        {L"\xFFFF\\", L"\xFFFF\\\\"},
        {L"", L""},
    };
    for (const auto& c : cases) {
        mvstring text(c.text);
        mvini::Escape(text, 1);
        EXPECT_EQ(text, c.written) << c.text;
        mvini::Escape(text, 0);
        EXPECT_EQ(text, c.text) << c.written;
    }
    mvstring odd(L"\\x \\q\\");
    mvini::Escape(odd, 0);
    EXPECT_EQ(odd, L"\\x \\q\\");
}

TEST(mvini, SerializeWritesTheExactLineFormat) {
    mvini ini(L"global");
    EXPECT_EQ(ini.Serialize(), L"");
    ini.SetString(L"beta", L"zed", L"1");
    ini.SetString(L"beta", L"Alpha", L"");
    ini.SetString(L"beta", L"[k]", L"[v]");
    ini.SetString(L"Alpha", L"#x", L"C:\\dir\\");
    ini.SetString(L"Alpha", L";y", L"two\nlines");
    ini.SetString(L"Alpha", L"pad", L" both ");
    EXPECT_EQ(ini.Serialize(), L"[Alpha]\r\n"
                               L"\\#x = C:\\dir\\\\\r\n"
                               L"\\;y = two\\nlines\r\n"
                               L"pad = \" both \"\r\n"
                               L"\r\n"
                               L"[beta]\r\n"
                               L"Alpha = \r\n"
                               L"zed = 1\r\n"
                               L"[k] = \"[v]\"\r\n"
                               L"\r\n");
}

// Whatever an object holds is read back the same after writing.
TEST(mvini, WrittenObjectsReadBackUnchanged) {
    const wchar_t* const values[] = {
        L"plain",
        L"",
        L"C:\\dir\\",
        L"\\\\server\\share\\",
        L"a\\nb",
        L"a\nb\r\n\tc",
        L"\"quoted\"",
        L"'single'",
        L"\"",
        L"\"\"",
        L"x\"",
        L"= sign = here",
        L"# not a comment",
        L"; nor this",
        L"trailing\\\\\\",
        L" lead",
        L"trail ",
        L"   ",
        L" \"q\" ",
        L"\\ ",
        L"\xFFFF\xFFFF\\",
        L"\xD83D\xDE00 \x00E9\x4E2D",
        L"[x]",
        L"a\\",
    };
    const wchar_t* const keys[] = {L"k",    L"#hash", L";semi", L"[x]",
                                   L"a\\b", L"\"q\"", L"'",     L"key with blanks"};
    mvini out(L"global");
    for (const wchar_t* key : keys)
        for (size_t i = 0; i < std::size(values); ++i) {
            const std::wstring section = std::wstring(L"s\\") + std::to_wstring(i) + L"\n";
            ASSERT_TRUE(out.SetString(section, key, values[i]));
        }
    mvini in(L"global");
    ASSERT_TRUE(in.Parse(out.Serialize()));
    EXPECT_EQ(Dump(in), Dump(out));
}

TEST(mvini, SaveFileWritesUtf16AndRoundTripsBytes) {
    TempDir dir;
    const std::wstring canonical =
        L"[a]\r\nk = v\xE9\\\\\r\nz = \r\n\r\n[b\\tc]\r\n\\#x = \\\"q\\\"\r\n\r\n";
    const std::string bytes = Utf16Le(canonical);
    for (const std::string& source :
         {bytes, Utf16Be(canonical),
          "\xEF\xBB\xBF" + std::string("[a]\nk=v\xC3\xA9\\\\\nz=\n[b\\tc]\n\\#x = \\\"q\\\"")}) {
        mvini ini(L"global");
        ASSERT_TRUE(ini.Load(dir.WriteFile(L"in.ini", source)));
        const std::wstring saved = dir / L"sub\\dir\\out.ini";
        ASSERT_TRUE(ini.SaveFile(saved));
        EXPECT_EQ(TempDir::ReadFile(saved), bytes);
    }

    // An empty object replaces an existing file with 0 bytes, not a lone mark.
    const std::wstring path = dir.WriteFile(L"old.ini", bytes);
    mvini empty(L"global");
    EXPECT_TRUE(empty.SaveFile(path));
    EXPECT_EQ(TempDir::ReadFile(path), "");

    EXPECT_FALSE(empty.SaveFile(L""));
    EXPECT_FALSE(WriteTextFileUtf16(L"x", nullptr));
    EXPECT_FALSE(WriteTextFileUtf16(L"x", INVALID_HANDLE_VALUE));
}

TEST(mvini, WriteTextFileUtf16ReportsAFailedWrite) {
    TempDir dir;
    const std::wstring path = dir.WriteFile(L"ro.ini", "old");
    const FileHandle readOnly(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(readOnly);
    EXPECT_TRUE(WriteTextFileUtf16(L"", readOnly.Get()));
    EXPECT_FALSE(WriteTextFileUtf16(L"new", readOnly.Get()));
    EXPECT_EQ(TempDir::ReadFile(path), "old");
}

TEST(mvini, GetAndSetString) {
    mvini ini(L"global");
    EXPECT_EQ(ini.DefaultSection(), L"global");
    EXPECT_TRUE(mvini(nullptr).DefaultSection().empty());
    EXPECT_FALSE(ini.SetString(L"", L"k", L"v"));
    EXPECT_FALSE(ini.SetString(L"s", L"", L"v"));
    EXPECT_TRUE(ini.empty());
    EXPECT_TRUE(ini.SetString(L"Sec", L"Key", L"v"));
    EXPECT_TRUE(ini.SetString(L"SEC", L"KEY", L"w"));
    EXPECT_EQ(Dump(ini), L"[Sec]Key=w|");
    EXPECT_EQ(ini.GetString(L"sec", L"key"), L"w");
    EXPECT_EQ(ini.GetString(L"sec", L"other"), L"");
    EXPECT_EQ(ini.GetString(L"other", L"key"), L"");
    EXPECT_EQ(ini.GetString(L"", L"key"), L"");
    EXPECT_EQ(ini.size(), 1u); // lookups created nothing
    EXPECT_TRUE(ini.Section(L"sec").Contains(L"kEy"));
    ini.ClearSections();
    EXPECT_TRUE(ini.empty());
}

namespace {
// Records what the hook saw and marks every value it passes.
class MarkingIni : public mvini {
public:
    MarkingIni() : mvini(L"global") {}
    std::wstring seen;

protected:
    void OnValue(const mvstring& section, const mvstring& key, mvstring& value) override {
        seen += section.str() + L"/" + key.str() + L";";
        value += L"!";
    }
};
} // namespace

TEST(mvini, OnValueSeesEveryValueBeforeItIsStored) {
    MarkingIni ini;
    ASSERT_TRUE(ini.Parse(L"[A]\nk = \"v\\n\"\n[a]\nj = 2\n[]\nx = 3"));
    EXPECT_EQ(ini.seen, L"A/k;a/j;");
    EXPECT_EQ(Dump(ini), L"[A]j=2!|k=v<LF>!|");
    ini.SetString(L"B", L"m", L"1");
    EXPECT_EQ(ini.GetString(L"b", L"m"), L"1!");
}
