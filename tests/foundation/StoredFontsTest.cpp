#include "foundation/StoredFonts.h"

#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include "ConfigFolders.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>

namespace {

LOGFONTW MakeFont(const wchar_t* face, LONG height, BYTE pitchAndFamily, LONG weight = FW_NORMAL) {
    LOGFONTW font{};
    wcscpy_s(font.lfFaceName, face);
    font.lfHeight = height;
    font.lfWeight = weight;
    font.lfPitchAndFamily = pitchAndFamily;
    font.lfCharSet = DEFAULT_CHARSET;
    return font;
}

bool SameBytes(const LOGFONTW& a, const LOGFONTW& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}
bool IsZero(const LOGFONTW& font) {
    return SameBytes(font, LOGFONTW{});
}

// The 10-point "Courier New" that replaces a hex viewer font without a fixed pitch.
LOGFONTW CourierNew() {
    LOGFONTW font{};
    wcscpy_s(font.lfFaceName, L"Courier New");
    font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    HDC screen = GetDC(nullptr);
    font.lfHeight = -MulDiv(10, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return font;
}

using StoredFontsTest = ConfigFolders;

TEST_F(StoredFontsTest, FontGoesThroughAnIniAsLowerCaseHex) {
    LOGFONTW font = MakeFont(L"Segoe UI", -15, VARIABLE_PITCH | FF_SWISS, FW_BOLD);
    VQSettings writer;
    writer.LoadSaveListFont(font, true); // keeps a copy and writes config.ini
    mvini ini(L"global");
    writer.LoadSaveListFont(font, true, &ini);

    const mvstring text = ini.GetString(L"global", L"Font");
    ASSERT_EQ(text.length(), 184u);
    EXPECT_EQ(text.find_first_not_of(L"0123456789abcdef"), mvstring::npos);
    EXPECT_EQ(text.substr(0, 8), L"f1ffffff") << "lfHeight -15, little-endian";

    VQSettings reader;
    LOGFONTW loaded{};
    reader.LoadSaveListFont(loaded, false, &ini);
    reader.LoadSaveListFont(loaded, false);
    EXPECT_TRUE(SameBytes(loaded, font));
}

TEST_F(StoredFontsTest, FontTextOfAnyOtherLengthReadsAsZeroBytes) {
    LOGFONTW font = MakeFont(L"Consolas", -13, FIXED_PITCH | FF_MODERN);
    mvini source(L"global");
    VQSettings writer;
    writer.LoadSaveListFont(font, true);
    writer.LoadSaveListFont(font, true, &source);
    const mvstring good = source.GetString(L"global", L"Font");

    const mvstring cases[] = {
        good.substr(0, 182),
        good + L"00",
        L"",
        mvstring(184, L'z'),
    };
    for (const mvstring& text : cases) {
        VQSettings settings;
        settings.ListFont = font; // must be replaced, not kept
        mvini ini(L"global");
        if (!text.empty())
            ini.SetString(L"global", L"Font", text);
        LOGFONTW unused{};
        settings.LoadSaveListFont(unused, false, &ini);
        EXPECT_TRUE(IsZero(settings.ListFont)) << text.length() << " digits";
    }
}

// A hand-edited Font value can fill the face name without its terminating
// zero; whoever reads the name as text must still find its end.
TEST_F(StoredFontsTest, AStoredFaceNameIsAlwaysTerminated) {
    LOGFONTW unterminated = MakeFont(L"", -13, FIXED_PITCH | FF_MODERN);
    std::fill(std::begin(unterminated.lfFaceName), std::end(unterminated.lfFaceName), L'A');
    mvini ini(L"global");
    WriteStoredFont(ini, unterminated);
    VQSettings settings;
    LOGFONTW list{};
    LOGFONTW hexview{};
    settings.LoadSaveListFont(list, false, &ini);
    settings.LoadSaveListFont(list, false);
    settings.LoadSaveHexviewFont(hexview, false, &ini);
    settings.LoadSaveHexviewFont(hexview, false);
    for (const LOGFONTW* font : {&list, &hexview}) {
        EXPECT_EQ(std::wstring(font->lfFaceName, wcsnlen(font->lfFaceName, LF_FACESIZE)),
                  std::wstring(LF_FACESIZE - 1, L'A'));
        EXPECT_EQ(font->lfHeight, -13);
    }
}

TEST_F(StoredFontsTest, HexViewerFontIsAlwaysFixedPitch) {
    struct Case {
        const char* what;
        LOGFONTW stored;
        LOGFONTW expected;
    };
    const LOGFONTW fixed = MakeFont(L"Lucida Console", -16, FIXED_PITCH | FF_MODERN);
    const Case cases[] = {
        {"variable pitch", MakeFont(L"Arial", -20, VARIABLE_PITCH | FF_SWISS, FW_BOLD),
         CourierNew()},
        {"default pitch", MakeFont(L"Arial", -20, DEFAULT_PITCH), CourierNew()},
        {"nothing stored", LOGFONTW{}, CourierNew()},
        {"fixed pitch", fixed, fixed},
    };
    for (const Case& c : cases) {
        mvini ini(L"global");
        if (c.stored.lfFaceName[0] != 0)
            WriteStoredFont(ini, c.stored);
        VQSettings settings;
        LOGFONTW loaded{};
        settings.LoadSaveHexviewFont(loaded, false, &ini);
        settings.LoadSaveHexviewFont(loaded, false);
        EXPECT_TRUE(SameBytes(loaded, c.expected))
            << c.what << ": " << WideToUtf8(loaded.lfFaceName);
    }
}

TEST_F(StoredFontsTest, SavingWithoutAnIniWritesOnlyTheFontKey) {
    WriteA(kConfigIni, "[global]\r\nUseGridLines=true\r\n");
    VQSettings settings;
    LOGFONTW font = MakeFont(L"Segoe UI", -12, VARIABLE_PITCH);
    settings.LoadSaveListFont(font, true);
    LOGFONTW variable = MakeFont(L"Arial", -12, VARIABLE_PITCH);
    settings.LoadSaveHexviewFont(variable, true);

    mvini config(L"global");
    ASSERT_TRUE(config.Load(PathA(kConfigIni)));
    EXPECT_EQ(config.GetString(L"global", L"UseGridLines"), L"true");
    LOGFONTW read{};
    ReadStoredFont(config, read);
    EXPECT_TRUE(SameBytes(read, font));

    mvini hexview(L"global");
    ASSERT_TRUE(hexview.Load(PathA(kHexviewIni)));
    ReadStoredFont(hexview, read);
    EXPECT_TRUE(SameBytes(read, CourierNew()))
        << "the stored hex viewer font is made fixed-pitch first";
}

} // namespace
