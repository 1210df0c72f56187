#include "search/ResultExport.h"

#include "foundation/DisplayText.h"
#include "foundation/Language.h"
#include "foundation/Settings.h"
#include "foundation/mvLock.h"
#include "search/PropertyTexts.h"
#include "search/ResultList.h"
#include "search/ResultsHold.h"
#include "search/SearchJob.h"
#include "search/ShellTypeCache.h"

#include "FakePropertySystem.h"
#include "support/LockProbe.h"
#include "support/LocaleChild.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <shlwapi.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Row {
    const wchar_t* name;
    std::uint64_t size;
    std::uint32_t attr;
    const wchar_t* ext;
};

// Names that would break a table or run as a formula if written raw.
const Row kAwkwardRows[] = {
    {L"say \"hi\", ok.txt", 1234, 0x20, L".txt"},
    {L"sub dir", 0, FILE_ATTRIBUTE_DIRECTORY, L""},
    {L"=SUM(A1).csv", 0, 0x20, L".csv"},
    {L"-rf +x", 5, 0x20, L""},
    {L"line\r\nbreak<b>&amp;.txt", 7, 0x20, L".txt"},
    {L"Gr\u00f6\u00dfe.txt", 9, 0x20, L".txt"},
};

const char kExpectedCsv[] = "\xEF\xBB\xBF"
                            "\"Name\",\"Size\",\"Extension\"\r\n"
                            "\"say \"\"hi\"\", ok.txt\",\"1234\",\".txt\"\r\n"
                            "\"sub dir\",,\r\n"
                            "\"'=SUM(A1).csv\",\"0\",\".csv\"\r\n"
                            "\"'-rf +x\",\"5\",\r\n"
                            "\"line\r\nbreak<b>&amp;.txt\",\"7\",\".txt\"\r\n"
                            "\"Gr\xC3\xB6\xC3\x9F"
                            "e.txt\",\"9\",\".txt\"\r\n";

const char kExpectedHtml[] =
    "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<title>R&amp;D &lt;x&gt;</title>\r\n"
    "<meta charset=\"utf-8\" />\r\n<style>\r\n"
    "table,tr,td {border:1px solid #999; border-collapse:collapse;padding:1em; "
    "vertical-align:top;}\r\n</style>\r\n</head>\r\n<body>\r\n\r\n<table>\r\n"
    "<tr><td>Name</td><td>Size</td><td>Extension</td></tr>\r\n"
    "<tr><td>say &quot;hi&quot;, ok.txt</td><td>1234</td><td>.txt</td></tr>\r\n"
    "<tr><td>sub dir</td><td></td><td></td></tr>\r\n"
    "<tr><td>=SUM(A1).csv</td><td>0</td><td>.csv</td></tr>\r\n"
    "<tr><td>-rf +x</td><td>5</td><td></td></tr>\r\n"
    "<tr><td>line\r\nbreak&lt;b&gt;&amp;amp;.txt</td><td>7</td><td>.txt</td></tr>\r\n"
    "<tr><td>Gr\xC3\xB6\xC3\x9F"
    "e.txt</td><td>9</td><td>.txt</td></tr>\r\n"
    "</table>\r\n</body>\r\n</html>";

class ResultExportTest : public ::testing::Test {
protected:
    void SetUp() override {
        Language() = VQ_MLang();
        ASSERT_TRUE(Language().SetLanguageFile(
            m_dir.WriteFile(L"export.ini", "\xEF\xBB\xBF[list_columns]\nname = &Name\nsize = "
                                           "Size\ntype = Type\next = Extension\n")));
        m_job.folder_text = L"C:\\R&D <x>";
        const bool force = Settings().ForceUsePropSys;
        Settings().ForceUsePropSys = false;
        for (const Row& row : kAwkwardRows) {
            m_items.push_back(std::make_unique<FoundItem>());
            FoundItem& item = *m_items.back();
            item.folder = L"C:\\R&D <x>";
            item.name = row.name;
            item.size = row.size;
            item.attr = row.attr;
            item.ext = row.ext;
            item.FormatTexts(SearchCriteria());
            m_job.results.push_back(&item);
        }
        Settings().ForceUsePropSys = force;
    }
    void TearDown() override { Language() = VQ_MLang(); }

    std::string Export(const std::wstring& name, int format,
                       const std::vector<std::uint8_t>& columns, bool sizeAsText = false) {
        const std::wstring path = m_dir / name;
        if (!ExportResults(m_job, path, format, columns, sizeAsText))
            return "(refused)";
        return TempDir::ReadFile(path);
    }

    TempDir m_dir;
    SearchJob m_job;
    std::vector<std::unique_ptr<FoundItem>> m_items;
};

} // namespace

TEST_F(ResultExportTest, CsvAndHtmlOfAwkwardNamesByteForByte) {
    // Column 9 is no column and is left out.
    EXPECT_EQ(Export(L"results.csv", ExportByExtension, {0, 9, 1, 8}), kExpectedCsv);
    EXPECT_EQ(Export(L"results.html", ExportByExtension, {0, 9, 1, 8}), kExpectedHtml);
}

TEST_F(ResultExportTest, FormatByExtensionOrChoice) {
    const struct {
        const wchar_t* name;
        int format;
        bool html;
    } cases[] = {
        {L"report.HTML", ExportByExtension, true}, {L"report.htm", ExportByExtension, true},
        {L"report.txt", ExportByExtension, false}, {L"report", ExportByExtension, false},
        {L"report.html", ExportCsv, false},        {L"report.csv", ExportHtml, true},
    };
    for (const auto& c : cases) {
        const std::string text = Export(c.name, c.format, {0});
        EXPECT_EQ(text.starts_with("<!DOCTYPE html>"), c.html) << c.name;
        EXPECT_EQ(text.starts_with("\xEF\xBB\xBF"), !c.html) << c.name;
    }
}

TEST_F(ResultExportTest, ColumnOrderSizesAsTextAndTypes) {
    const std::uint8_t format = Settings().FileSizeFormat;
    Settings().FileSizeFormat = 2;
    const std::string kb = Export(L"kb.csv", ExportCsv, {1, 0}, true);
    Settings().FileSizeFormat = 0;
    const std::string shortSize = Export(L"short.csv", ExportCsv, {1, 0}, true);
    Settings().FileSizeFormat = format;
    mvstring kbText, shortText;
    FormatFileSize(1234, true, kbText);
    FormatFileSize(1234, false, shortText);
    ASSERT_NE(kbText, shortText);
    EXPECT_NE(kb.find("\"" + WideToUtf8(kbText) + "\",\"say"), std::string::npos) << kb;
    EXPECT_NE(shortSize.find("\"" + WideToUtf8(shortText) + "\",\"say"), std::string::npos)
        << shortSize;

    const std::string typed = Export(L"types.html", ExportHtml, {2});
    const std::string folderType =
        WideToUtf8(GlobalShellTypeCache().GetTypeName(L"", FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_NE(typed.find("<td>" + folderType + "</td>"), std::string::npos);
}

TEST_F(ResultExportTest, RefusesWithoutPathResultsColumnsOrFile) {
    EXPECT_FALSE(ExportResults(m_job, L"", ExportCsv, {0}, false));
    EXPECT_FALSE(ExportResults(m_job, m_dir / L"none.csv", ExportCsv, {9, 200}, false));
    EXPECT_FALSE(ExportResults(m_job, m_dir / L"none.csv", ExportCsv, {}, false));
    // A folder stands where the file should be created.
    CreateDirectoryW((m_dir / L"taken.csv").c_str(), nullptr);
    EXPECT_FALSE(ExportResults(m_job, m_dir / L"taken.csv", ExportCsv, {0}, false));
    SearchJob empty;
    EXPECT_FALSE(ExportResults(empty, m_dir / L"empty.csv", ExportCsv, {0}, false));
    EXPECT_EQ(GetFileAttributesW((m_dir / L"empty.csv").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A disk that fills up must not pass for a finished export, nor keep the
// formatting threads of a large one waiting for the exporting thread.
TEST_F(ResultExportTest, FailedWriteIsNoExport) {
    if (WineLoaderPath().empty())
        GTEST_SKIP() << "needs the host's full device, reached through Wine";
    EXPECT_FALSE(ExportResults(m_job, L"Z:\\dev\\full", ExportCsv, {0, 1}, false));
    SearchJob large;
    for (int i = 0; i < 30000; ++i)
        large.results.push_back(m_items[i % m_items.size()].get());
    EXPECT_FALSE(ExportResults(large, L"Z:\\dev\\full", ExportHtml, {0, 1, 2, 7}, true));
}

TEST(ResultExport, CellsEscapeWhatTheFormatNeeds) {
    const struct {
        const wchar_t* text;
        const char* csv;
        const char* html;
    } cases[] = {
        {L"", "", "<td></td>"},
        {L"plain", "\"plain\"", "<td>plain</td>"},
        {L"a,b\nc", "\"a,b\nc\"", "<td>a,b\nc</td>"},
        {L"\"q\"", "\"\"\"q\"\"\"", "<td>&quot;q&quot;</td>"},
        {L"it's <b>&", "\"it's <b>&\"", "<td>it's &lt;b&gt;&amp;</td>"},
        {L"@x", "\"'@x\"", "<td>@x</td>"},
        {L"+1", "\"'+1\"", "<td>+1</td>"},
        {L"x=1", "\"x=1\"", "<td>x=1</td>"},
        // UTF-8 beyond the basic plane; a lone surrogate becomes U+FFFD.
        {L"\U0001F600", "\"\xF0\x9F\x98\x80\"", "<td>\xF0\x9F\x98\x80</td>"},
        {L"\xD800x", "\"\xEF\xBF\xBDx\"", "<td>\xEF\xBF\xBDx</td>"},
    };
    TempDir dir;
    for (const auto& c : cases) {
        for (const int format : {ExportCsv, ExportHtml}) {
            const std::wstring path = dir / L"cell.txt";
            {
                VQFileWriter writer(4096);
                ASSERT_TRUE(writer.Open(path));
                EXPECT_TRUE(WriteExportCell(writer, c.text, format));
                EXPECT_TRUE(writer.Close());
            }
            EXPECT_EQ(TempDir::ReadFile(path), format == ExportCsv ? c.csv : c.html)
                << WideToUtf8(c.text);
        }
    }
}

// Runs of eight plain ASCII units are written at once: random texts with
// quotes, markup, non-ASCII units and pairs at every place of such a run
// must come out as escaping unit by unit gives.
TEST(ResultExport, CellsOfAnyMixEscapeAsUnitByUnit) {
    const std::wstring alphabet[] = {L"a", L"Z", L"0",    L" ",      L",",      L"\"",        L"&",
                                     L"<", L">", L"\r\n", L"\u00e9", L"\u20ac", L"\U0001F600"};
    std::mt19937 random(20261211);
    TempDir dir;
    const std::wstring path = dir / L"cells.txt";
    for (const int format : {ExportCsv, ExportHtml}) {
        std::string expected;
        {
            VQFileWriter writer(1 << 16);
            ASSERT_TRUE(writer.Open(path));
            for (int round = 0; round < 3000; ++round) {
                std::wstring text, escaped;
                const std::size_t length = random() % 40;
                // Mostly plain letters, so that runs of eight happen.
                for (std::size_t at = 0; at < length; ++at)
                    text += random() % 3 ? L"x" : alphabet[random() % std::size(alphabet)];
                for (const wchar_t unit : text) {
                    if (format == ExportCsv)
                        escaped += unit == L'"' ? std::wstring(L"\"\"") : std::wstring(1, unit);
                    else
                        escaped += unit == L'"'   ? L"&quot;"
                                   : unit == L'&' ? L"&amp;"
                                   : unit == L'<' ? L"&lt;"
                                   : unit == L'>' ? L"&gt;"
                                                  : std::wstring(1, unit);
                }
                expected += format == ExportHtml ? "<td>" + WideToUtf8(escaped) + "</td>"
                            : text.empty()       ? ""
                                                 : "\"" + WideToUtf8(escaped) + "\"";
                ASSERT_TRUE(WriteExportCell(writer, text, format));
            }
            ASSERT_TRUE(writer.Close());
        }
        EXPECT_EQ(TempDir::ReadFile(path), expected) << "format " << format;
    }
}

// The export keeps the escaped texts that repeat (dates by day, clocks by
// minute or second, folders, types, attributes) and converts times with one
// bias: every cell must still be what the item's own texts give, written
// cell by cell.
TEST_F(ResultExportTest, EveryColumnIsTheItemsOwnText) {
    const std::uint64_t base = 133500000000000000ull;
    const std::uint64_t kSec = 10000000ull;
    const struct {
        const wchar_t* folder;
        const wchar_t* name;
        std::uint64_t size;
        std::uint32_t attr;
        std::uint64_t time;
        bool seconds, shell, formatted;
    } rows[] = {
        {L"C:\\a\"b", L"one.txt", 1536, 0x21, base, false, false, true},
        {L"C:\\a\"b", L"two.TXT", 0, 0x20, base + 15 * kSec, true, false, true},
        {L"C:\\<c>", L"=sum", 123456789, 0x01, base + 86399 * kSec, false, false, true},
        {L"C:\\<c>", L"dir", 4096, 0x10, base + 86400 * kSec, true, false, true},
        {L"D:\\x", L"old.doc", 7, 0x06, 3 * 864000000000ull, false, false, true},
        {L"D:\\x", L"shell.doc", 999, 0x20, base + 777 * kSec, true, true, true},
        {L"D:\\x", L"bare", 5, 0x20, base, false, false, false},
        {L"C:\\a\"b", L"far.log", 1ull << 40, 0x20, 0x6FFFFFFFFFFFFFFFull, false, false, true},
        // Times met before, in both forms, and a day 8192 days on, which
        // shares its place in the kept dates with the first.
        {L"C:\\a\"b", L"again.txt", 1, 0x20, base, false, false, true},
        {L"C:\\a\"b", L"again.TXT", 2, 0x20, base + 15 * kSec, true, false, true},
        {L"C:\\a\"b", L"later.txt", 3, 0x20, base + 8192 * 86400 * kSec, false, false, true},
        {L"C:\\a\"b", L"once more.txt", 4, 0x20, base, false, false, true},
        // Extensions of four units after the dot and of more.
        {L"D:\\x", L"notes.docx", 5, 0x20, base, false, false, true},
        {L"D:\\x", L"Main.class", 6, 0x20, base, false, false, true},
        {L"D:\\x", L"Other.class", 7, 0x20, base, false, false, true},
        {L"D:\\x", L"Other.clasp", 8, 0x20, base, false, false, true},
        // A kept folder cell that a spreadsheet would run as a formula.
        {L"=1+2", L"@at.txt", 9, 0x20, base, false, false, true},
    };
    const bool force = Settings().ForceUsePropSys;
    const std::uint8_t sizeFormat = Settings().FileSizeFormat;
    FakePropertySystem fake;
    SearchJob job;
    std::vector<std::unique_ptr<FoundItem>> items;
    for (const auto& r : rows) {
        items.push_back(std::make_unique<FoundItem>());
        FoundItem& item = *items.back();
        item.folder = r.folder;
        item.name = r.name;
        item.size = r.size;
        item.attr = r.attr;
        const wchar_t* dot = wcsrchr(r.name, L'.');
        item.ext = dot && !(r.attr & FILE_ATTRIBUTE_DIRECTORY) ? dot : L"";
        item.date_m = r.time;
        item.date_c = r.time - 3600 * kSec;
        item.date_a = r.time + 7 * 86400 * kSec;
        SearchCriteria criteria;
        criteria.date_usesec = r.seconds;
        Settings().ForceUsePropSys = r.shell;
        if (r.formatted)
            item.FormatTexts(criteria);
        job.results.push_back(&item);
    }
    // Enough folders for the kept folder cells to grow twice, and the first
    // of them met again after that, through texts shared with earlier items.
    const std::size_t firstOfMany = items.size();
    for (int i = 0; i < 5000; ++i) {
        items.push_back(std::make_unique<FoundItem>());
        FoundItem& item = *items.back();
        if (i < 4500)
            item.folder = L"E:\\many\\" + std::to_wstring(i);
        else
            item.folder = items[firstOfMany + (i - 4500) * 7]->folder;
        item.name = L"n" + std::to_wstring(i);
        item.FormatTexts(SearchCriteria());
        job.results.push_back(&item);
    }
    Settings().ForceUsePropSys = force;
    const std::vector<std::uint8_t> columns = {0, 1, 2, 3, 4, 5, 6, 7, 8};
    const ItemText dates[] = {ItemText::Modified, ItemText::Modified, ItemText::Modified,
                              ItemText::Modified, ItemText::Modified, ItemText::Created,
                              ItemText::Accessed};
    for (const bool shellAnswers : {false, true}) {
        fake.refuse = !shellAnswers;
        SetThreadPropertySystem(&fake);
        for (const int format : {ExportCsv, ExportHtml}) {
            for (const bool sizeAsText : {false, true}) {
                for (const std::uint8_t kb : {0, 2}) {
                    Settings().FileSizeFormat = kb;
                    const std::wstring path = m_dir / L"all.out";
                    ASSERT_TRUE(ExportResults(job, path, format, columns, sizeAsText));
                    const std::string got = TempDir::ReadFile(path);
                    // The rows cell by cell, from each item's own texts.
                    const std::wstring cellsPath = m_dir / L"cells.out";
                    {
                        VQFileWriter writer(1 << 16);
                        ASSERT_TRUE(writer.Open(cellsPath));
                        for (const auto& owned : items) {
                            const FoundItem& item = *owned;
                            if (format == ExportHtml)
                                writer.Write("<tr>", 4);
                            for (const std::uint8_t column : columns) {
                                if (format == ExportCsv && column > 0)
                                    writer.Write(",", 1);
                                mvstring text;
                                if (column == ColumnName)
                                    text = item.name;
                                else if (column == ColumnSize)
                                    text = item.IsFolder() ? mvstring()
                                           : sizeAsText    ? item.Text(kb == 2 ? ItemText::SizeKb
                                                                               : ItemText::Size)
                                                           : mvstring(std::to_wstring(item.size));
                                else if (column == ColumnType)
                                    text = GlobalShellTypeCache().GetTypeName(item.ext, item.attr);
                                else if (column == ColumnFolder)
                                    text = item.folder;
                                else if (column == ColumnAttributes)
                                    text = item.Text(ItemText::Attributes);
                                else if (column == ColumnExtension)
                                    text = item.ext;
                                else
                                    text = item.Text(dates[column]);
                                ASSERT_TRUE(WriteExportCell(writer, text, format));
                            }
                            if (format == ExportHtml)
                                writer.Write("</tr>\r\n", 7);
                            else
                                writer.Write("\r\n", 2);
                        }
                        ASSERT_TRUE(writer.Close());
                    }
                    const std::string cells = TempDir::ReadFile(cellsPath);
                    const std::string tail =
                        format == ExportHtml ? "</table>\r\n</body>\r\n</html>" : "";
                    EXPECT_NE(got.find(cells + tail), std::string::npos)
                        << "format " << format << " size as text " << sizeAsText << " kb "
                        << int(kb) << " shell " << shellAnswers;
                    EXPECT_TRUE(got.ends_with(cells + tail));
                }
            }
        }
    }
    Settings().FileSizeFormat = sizeFormat;
    SetThreadPropertySystem(nullptr);
}

// A large export is formatted by several threads in chunks: the file must be
// what one thread writes, row for row, whichever columns and size form. Rows
// whose texts the property system makes, rows without texts, and an
// attribute mask and an extension first met late in the list, in a chunk
// for the formatting threads, are there too: the property system stand-in
// exists only on the exporting thread, so a text a formatting thread made
// for itself instead of asking that thread would differ.
TEST_F(ResultExportTest, LargeExportEqualsTheRowsOneByOne) {
    const bool force = Settings().ForceUsePropSys;
    FakePropertySystem fake;
    SetThreadPropertySystem(&fake);
    SearchJob job;
    std::vector<std::unique_ptr<FoundItem>> items;
    const wchar_t* folders[] = {L"C:\\one", L"C:\\two \"q\"", L"D:\\<three>"};
    const wchar_t* exts[] = {L".txt", L".doc", L""};
    for (int i = 0; i < 20000; ++i) {
        items.push_back(std::make_unique<FoundItem>());
        FoundItem& item = *items.back();
        item.folder = folders[(i / 100) % 3];
        item.ext = i == 16000 ? L".zzq" : exts[i % 3];
        item.name = L"file " + std::to_wstring(i) + item.ext.str();
        item.size = static_cast<std::uint64_t>(i) * 7919u * (i % 5 == 0 ? 100000u : 1u);
        item.attr = i % 17 == 0 ? FILE_ATTRIBUTE_DIRECTORY : 0x20 | (i % 4 == 0 ? 0x01 : 0);
        if (i == 16001)
            item.attr = 0x20 | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        item.date_m = 133500000000000000ull + static_cast<std::uint64_t>(i) * 123456789ull;
        item.date_c = item.date_m - 36000000000ull;
        item.date_a = item.date_m + 17;
        SearchCriteria criteria;
        criteria.date_usesec = i % 2 == 0;
        Settings().ForceUsePropSys = (i >= 9000 && i < 9010) || i == 19000;
        if (i % 997 != 5)
            item.FormatTexts(criteria);
        job.results.push_back(&item);
    }
    Settings().ForceUsePropSys = force;
    const std::vector<std::uint8_t> columns = {4, 0, 1, 2, 3, 5, 6, 7, 8};
    for (const int format : {ExportCsv, ExportHtml}) {
        for (const bool sizeAsText : {false, true}) {
            const std::wstring path = m_dir / L"large.out";
            ASSERT_TRUE(ExportResults(job, path, format, columns, sizeAsText));
            const std::string whole = TempDir::ReadFile(path);
            // The same rows from one thread: in parts too small to share out.
            std::string parts;
            for (std::size_t first = 0; first < items.size(); first += 1000) {
                SearchJob part;
                for (std::size_t at = first; at < first + 1000; ++at)
                    part.results.push_back(items[at].get());
                const std::wstring partPath = m_dir / L"part.out";
                ASSERT_TRUE(ExportResults(part, partPath, format, columns, sizeAsText));
                std::string text = TempDir::ReadFile(partPath);
                // Only the rows: after the title row, before the HTML end.
                const std::string rowEnd = format == ExportHtml ? "</tr>\r\n" : "\r\n";
                const std::size_t head = text.find(rowEnd);
                text = text.substr(head + rowEnd.size());
                if (format == ExportHtml)
                    text = text.substr(0, text.rfind("</table>"));
                parts += text;
            }
            EXPECT_NE(whole.find(parts), std::string::npos)
                << "format " << format << " size as text " << sizeAsText;
            EXPECT_GT(parts.size(), 20000u * 40);
            // The stand-in did make the sizes of the property system's rows.
            if (sizeAsText) {
                EXPECT_NE(whole.find(":" + std::to_string(items[9000]->size)), std::string::npos);
            }
        }
    }
    SetThreadPropertySystem(nullptr);
}

// The list's readers never wait for the export: when it first asks the
// property system for a text, the results lock is free; the results are
// then cleared and filled with other items, and another thread takes the
// lock and keeps it until the whole file is there. The file holds every
// row the export started with, as they were: the export holds its items
// alive. Both a small export and one large enough for the formatting
// threads.
TEST_F(ResultExportTest, ExportWritesOutsideTheResultsLockWithItsItemsHeld) {
    for (const int count : {50, 20000}) {
        SearchJob job;
        FoundItem item;
        item.folder = L"C:\\kept";
        const SearchCriteria criteria;
        for (int i = 0; i < count; ++i) {
            item.name = L"before " + std::to_wstring(i);
            item.attr = i % 3 == 0 ? 0x21 : 0x20;
            item.FormatTexts(criteria);
            AddFoundItem(job, item, nullptr);
        }
        const std::wstring path = m_dir / L"held.html";
        FakePropertySystem fake;
        SetThreadPropertySystem(&fake);
        bool asked = false, freeWhenAsked = false, writtenWhileHeld = false;
        std::size_t retired = 0;
        std::thread holder;
        fake.onFormat = [&] {
            if (asked)
                return;
            asked = true;
            freeWhenAsked = IsFreeForOthers(job.lock);
            if (!freeWhenAsked)
                return; // clearing now would free the rows being written
            job.ClearResults();
            for (int i = 0; i < count; ++i) {
                item.name = L"after! " + std::to_wstring(i);
                AddFoundItem(job, item, nullptr);
            }
            {
                mvLock held(job.lock);
                retired = RetiredItemCount(job);
            }
            HANDLE taken = CreateEventW(nullptr, TRUE, FALSE, nullptr);
            holder = std::thread([&, taken] {
                mvLock held(job.lock);
                SetEvent(taken);
                const DWORD start = GetTickCount();
                while (!writtenWhileHeld && GetTickCount() - start < 30000) {
                    writtenWhileHeld = TempDir::ReadFile(path).ends_with("</html>");
                    Sleep(5);
                }
            });
            WaitForSingleObject(taken, INFINITE);
            CloseHandle(taken);
        };
        const bool exported = ExportResults(job, path, ExportHtml, {0, 7}, false);
        if (holder.joinable())
            holder.join();
        SetThreadPropertySystem(nullptr);
        ASSERT_TRUE(exported) << count;
        ASSERT_TRUE(asked) << count;
        EXPECT_TRUE(freeWhenAsked) << count;
        EXPECT_EQ(static_cast<std::size_t>(count), retired) << count;
        EXPECT_TRUE(writtenWhileHeld) << count << ": the export waited for the lock";
        const std::string text = TempDir::ReadFile(path);
        // Every row in its place, each looked for after the one before.
        int rows = 0;
        for (std::size_t at = 0; rows < count; ++rows) {
            at = text.find("<td>before " + std::to_string(rows) + "</td>", at);
            if (at == std::string::npos)
                break;
        }
        EXPECT_EQ(count, rows);
        EXPECT_EQ(std::string::npos, text.find("after!")) << count;
    }
}
