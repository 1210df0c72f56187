#include "search/DocxText.h"

#include "ContentFixtures.h"
#include "ZipFixture.h"
#include "foundation/Settings.h"
#include "search/VQ_WordsSearch.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

namespace {

TEST(ExtractDocxText, KeepsRunsAndBreaksLinesAtParagraphs) {
    struct Case {
        const char* what;
        const wchar_t* xml;
        const wchar_t* text;
    };
    const Case cases[] = {
        {"two paragraphs", L"<w:p><w:r><w:t>A</w:t></w:r></w:p><w:p><w:r><w:t>B</w:t></w:r></w:p>",
         L"A\nB"},
        {"attributes and blanks kept",
         L"<w:p w:rsidR=\"1\"><w:r><w:t xml:space=\"preserve\"> x </w:t></w:r></w:p>", L" x "},
        {"tab element adds nothing", L"<w:r><w:t>a</w:t><w:tab/><w:t>b</w:t></w:r>", L"ab"},
        {"line break", L"<w:t>a</w:t><w:br/><w:t>b</w:t>", L"a\nb"},
        {"break with attributes is no break", L"<w:t>a</w:t><w:br w:type=\"page\"/><w:t>b</w:t>",
         L"ab"},
        {"no doubled line feeds", L"<w:p><w:p><w:t>a</w:t><w:br/><w:p><w:t>b</w:t>", L"a\nb"},
        {"paragraph properties are no paragraph", L"<w:pPr/><w:t>z</w:t>", L"z"},
        {"tables hold no text of their own", L"<w:tbl><w:tr><w:tc><w:t>c</w:t>", L"c"},
        {"prefix in capitals", L"<W:t>x</w:t>", L"x"},
        {"entities decoded",
         L"<w:t>&amp;amp; &LT;x&gt; &quot;q&quot; &#039;s&#039; &nbsp; &lt</w:t>",
         L"&amp; <x> \"q\" 's' &nbsp; &lt"},
        {"last run without end tag", L"<w:p><w:t>one</w:t></w:p><w:p><w:t>two", L"one\n"},
        {"start tag without its end", L"<w:t>one</w:t><w:t xml:space=\"x\"", L"one"},
        {"cut after the prefix", L"<w:t>one</w:t><w:", L"one"},
        {"cut inside a break", L"<w:t>one</w:t><w:br", L"one"},
        {"no word elements", L"<x><t>text</t></x>", L""},
        {"empty", L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mvstring text = c.xml;
        ExtractDocxText(text);
        EXPECT_EQ(text, mvstring(c.text));
    }
}

TEST(DecodeXmlEntities, DecodesFromTheGivenIndexOnce) {
    struct Case {
        const wchar_t* text;
        size_t from;
        const wchar_t* decoded;
    };
    const Case cases[] = {
        {L"&lt;&lt;", 4, L"&lt;<"},
        {L"&lt;", 0, L"<"},
        {L"&amp;lt;", 0, L"&lt;"},
        {L"a&QUOT;b&#039;", 0, L"a\"b'"},
        {L"&#39; &#X27; &apos;", 0, L"&#39; &#X27; &apos;"},
        {L"&amp", 0, L"&amp"},
        {L"&&gt;", 0, L"&>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)));
        mvstring text = c.text;
        DecodeXmlEntities(text, c.from);
        EXPECT_EQ(text, mvstring(c.decoded));
    }
}

const std::string kDocument = "<?xml version=\"1.0\"?><w:document><w:body>"
                              "<w:p><w:r><w:t>Hello </w:t></w:r><w:r><w:t>w\xC3\xB6rld</w:t></w:r>"
                              "</w:p></w:body></w:document>";

std::string Docx(const std::string& document, bool deflate = true, uint16_t flags = 0) {
    return BuildZip({{"[Content_Types].xml", "<Types/>", true},
                     {"word/document.xml", document, deflate, flags}})
        .bytes;
}

class SearchDocxTest : public testing::Test {
protected:
    TempDir m_dir;
    VQ_WordsSearch m_search;
    ScopedValue<bool> m_parse{Settings().NoParseDocx, false};

    // Whether the matcher handled the file, and the offset it gave.
    std::pair<bool, int64_t> Search(const std::wstring& name, const std::string& bytes,
                                    const wchar_t* extension = nullptr) {
        const std::wstring path = m_dir.WriteFile(name, bytes);
        int64_t offset = -100;
        const bool handled = m_search.SearchDocx(path, extension, offset);
        return {handled, offset};
    }
};

using Outcome = std::pair<bool, int64_t>;

TEST_F(SearchDocxTest, SearchesTheDocumentTextOrLeavesTheFileToTheRawSearch) {
    // The words come folded as the search's caller folds them; the matcher
    // folds the ASCII letters of the text, and o-umlaut matches exactly.
    m_search.SetSearch({L"W\u00F6RLD"}, true, VQ_WordsSearch::AnyWord, false);
    const Outcome found{true, 12}, missing{true, -1}, raw{false, -1};
    struct Case {
        const char* what;
        std::wstring name;
        std::string bytes;
        const wchar_t* extension;
        Outcome outcome;
    };
    const Case cases[] = {
        {"hit, text across runs", L"a.docx", Docx(kDocument), nullptr, found},
        {"stored member", L"b.DOCX", Docx(kDocument, false), nullptr, found},
        {"extension given", L"c.bin", Docx(kDocument), L".Docx", found},
        {"other extension given", L"d.docx", Docx(kDocument), L".txt", raw},
        {"no extension", L"e", Docx(kDocument), nullptr, raw},
        {"not an archive", L"f.docx", "plain text world", nullptr, raw},
        {"empty document", L"g.docx", Docx(""), nullptr, raw},
        {"document without text", L"h.docx", Docx("<w:document/>"), nullptr, raw},
        {"encrypted document", L"i.docx", Docx(kDocument, true, 1), nullptr, raw},
        {"no document", L"j.docx", BuildZip({{"word/other.xml", kDocument}}).bytes, nullptr, raw},
        {"corrupt document", L"k.docx",
         BuildZip({{"word/document.xml", kDocument, true, 0, {}, 1234u}}).bytes, nullptr, raw},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Search(c.name, c.bytes, c.extension), c.outcome);
    }
    m_search.SetSearch({L"W\u00D6RLD"}, true, VQ_WordsSearch::AnyWord, false);
    EXPECT_EQ(Search(L"l.docx", Docx(kDocument)), missing);
    m_search.SetSearch({L"w\u00F6r.d"}, false, VQ_WordsSearch::RegularExpression, false);
    EXPECT_EQ(Search(L"m.docx", Docx(kDocument)), found);
    m_search.SetSearch({L"^w"}, false, VQ_WordsSearch::RegularExpression, false);
    EXPECT_EQ(Search(L"n.docx", Docx(kDocument)), missing);
}

TEST_F(SearchDocxTest, SettingsDecideWhetherAndHowMuchIsRead) {
    m_search.SetSearch({L"Hello"}, false, VQ_WordsSearch::AnyWord, false);
    {
        ScopedValue<bool> off(Settings().NoParseDocx, true);
        EXPECT_EQ(Search(L"a.docx", Docx(kDocument)), Outcome(false, -1));
    }
    const std::string big = "<w:t>Hello</w:t>" + std::string(2 << 20, ' ');
    {
        ScopedValue<uint32_t> limit(Settings().MaxFileInZipBytes, 1 << 20);
        EXPECT_EQ(Search(L"b.docx", Docx(big)), Outcome(false, -1));
    }
    EXPECT_EQ(Search(L"c.docx", Docx(big)), Outcome(true, 0));
}

TEST_F(SearchDocxTest, ARunOfMillionsOfEntitiesIsDecodedInOnePass) {
    // A few kilobytes of archive that unpack to four million entities in one
    // run. Decoding that moves the rest of the run for each entity would take
    // some twenty minutes here, far beyond the test program's time-out; one
    // pass takes a fraction of a second.
    constexpr size_t kEntities = 4'000'000;
    std::string run;
    run.reserve(kEntities * 5 + 16);
    for (size_t i = 0; i < kEntities; ++i)
        run += "&amp;";
    run += "end&lt;";
    const std::string docx = Docx("<w:p><w:r><w:t>" + run + "</w:t></w:r></w:p>");
    ASSERT_LT(docx.size(), 200'000u);
    m_search.SetSearch({L"&end<"}, false, VQ_WordsSearch::AnyWord, false);
    // The last "&" of the run, as a byte offset into the document's text.
    const int64_t last = static_cast<int64_t>((kEntities - 1) * sizeof(wchar_t));
    EXPECT_EQ(Search(L"entities.docx", docx), Outcome(true, last));
}

TEST_F(SearchDocxTest, AFileThatOnlyClaimsToBeDocxIsSearchedRawAndNothingStaysOpen) {
    m_search.SetSearch({L"world"}, false, VQ_WordsSearch::AnyWord, false);
    const std::wstring fake = m_dir.WriteFile(L"fake.docx", "plain text world");
    int64_t offset = 0;
    ASSERT_FALSE(m_search.SearchDocx(fake, nullptr, offset));
    ASSERT_EQ(m_search.Reader().Open(fake), 6);
    int32_t length = 0;
    EXPECT_EQ(m_search.FindInFile(length, 0, -1), 11);
    EXPECT_EQ(length, 5);
    m_search.Reader().Close();
    // Both the searched document and the refused file can go at once.
    const std::wstring real = m_dir.WriteFile(L"real.docx", Docx(kDocument));
    m_search.SetSearch({L"Hello"}, false, VQ_WordsSearch::AnyWord, false);
    ASSERT_TRUE(m_search.SearchDocx(real, nullptr, offset));
    EXPECT_EQ(offset, 0);
    EXPECT_TRUE(DeleteFileW(real.c_str()));
    EXPECT_TRUE(DeleteFileW(fake.c_str()));
}

} // namespace
