#include "foundation/HexViewerCommand.h"

#include "foundation/ModulePath.h"

#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <string>

namespace {

HexViewerLaunch MakeLaunch(bool useCustom, const std::wstring& command) {
    HexViewerLaunch launch;
    launch.UseCustomHexview.Set(useCustom);
    launch.CustomHexviewPath.Set(command);
    return launch;
}

TEST(HexViewerCommandTest, ProgramAndParametersForEachKindOfCommand) {
    TempDir dir;
    const std::wstring viewer = dir.WriteFile(L"Hex Tools\\viewer.exe", "MZ");
    const std::wstring own = GetModulePath(L"").str();
    const std::wstring spaced = L"C:\\My Data\\f.bin";
    const std::wstring plain = L"C:\\data\\f.bin";
    // Longer than the shell's quoting buffer, still quoted.
    const std::wstring longSpaced = L"C:\\" + std::wstring(280, L'd') + L" x\\f.bin";
    struct Case {
        bool useCustom;
        std::wstring command;
        std::wstring path;
        int64_t offset;
        int32_t count;
        std::wstring program;
        std::wstring parameters;
    };
    const Case cases[] = {
        // "%1" in quotes: the path stands once, in one pair of quotes.
        {true, L"\"" + viewer + L"\" \"%1\"", spaced, 0, 0, viewer, L" \"C:\\My Data\\f.bin\""},
        {true, L"viewer.exe \"%1\"", plain, 7, 3, L"viewer.exe", L" \"C:\\data\\f.bin\""},
        {true, L"viewer.exe /o %1 /x", plain, 0, 0, L"viewer.exe", L" /o C:\\data\\f.bin /x"},
        {true, L"viewer.exe /o %1 /x", spaced, 0, 0, L"viewer.exe",
         L" /o \"C:\\My Data\\f.bin\" /x"},
        // No "%1": the path follows after a blank.
        {true, L"viewer.exe", spaced, 0, 0, L"viewer.exe", L" \"C:\\My Data\\f.bin\""},
        {true, L"viewer.exe -r", plain, 0, 0, L"viewer.exe", L" -r C:\\data\\f.bin"},
        // A program path with blanks, named whole or in quotes.
        {true, viewer, plain, 0, 0, viewer, L" C:\\data\\f.bin"},
        {true, L"  \"" + viewer + L"\"  ", plain, 0, 0, viewer, L" C:\\data\\f.bin"},
        {true, L"\"C:\\No Such Tools\\v.exe\" -r %1", plain, 0, 0, L"C:\\No Such Tools\\v.exe",
         L" -r C:\\data\\f.bin"},
        // The program's own viewer: switched off, or switched on without a command.
        {true, L"", spaced, 4096, 16, own, L" /hexview \"C:\\My Data\\f.bin\" 4096 16"},
        {true, L"   ", plain, 0, 16, own, L" /hexview C:\\data\\f.bin 0 16"},
        {false, L"viewer.exe %1", plain, 0, 16, own, L" /hexview C:\\data\\f.bin 0 16"},
        {false, L"", plain, 0, 0, own, L" /hexview C:\\data\\f.bin"},
        {false, L"", plain, 5000000000, 0, own, L" /hexview C:\\data\\f.bin 5000000000"},
        {false, L"", plain, -1, 16, own, L" /hexview C:\\data\\f.bin"},
        {false, L"", longSpaced, 0, 0, own, L" /hexview \"" + longSpaced + L"\""},
    };
    for (const Case& c : cases) {
        HexViewerLaunch launch = MakeLaunch(c.useCustom, c.command);
        ResolveHexViewerProgram(launch);
        EXPECT_EQ(launch.ProgramPath, c.program) << WideToUtf8(c.command);
        EXPECT_EQ(HexViewerParameters(launch, c.path, c.offset, c.count), c.parameters)
            << WideToUtf8(c.command);
    }
}

TEST(HexViewerCommandTest, CommandIsWorkedOutOnceAndOnlyForAPath) {
    wchar_t self[MAX_PATH]{};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring fixture = self;
    fixture.resize(fixture.find_last_of(L'\\') + 1);
    fixture += L"versioned_fixture.exe"; // a program that ends at once

    VQSettings settings;
    settings.HexViewer = MakeLaunch(true, L"\"" + fixture + L"\" %1");
    settings.OpenInHexViewer(L"", 0, 0);
    EXPECT_EQ(settings.HexViewer.ProgramPath, L"");

    settings.OpenInHexViewer(L"C:\\data\\f.bin", 0, 0);
    EXPECT_EQ(settings.HexViewer.ProgramPath, fixture);
    EXPECT_EQ(settings.HexViewer.Arguments, L"%1");
    // The cached command stays until the settings are saved.
    settings.HexViewer.CustomHexviewPath.Set(L"other.exe");
    settings.OpenInHexViewer(L"C:\\data\\f.bin", 0, 0);
    EXPECT_EQ(settings.HexViewer.ProgramPath, fixture);
}

TEST(HexViewerCommandTest, DisplayName) {
    HexViewerLaunch& launch = Settings().HexViewer;
    const bool savedUse = launch.UseCustomHexview.Get();
    const mvstring savedName = launch.CustomHexviewName.Get();
    struct Case {
        bool useCustom;
        const wchar_t* name;
        const wchar_t* expected;
    };
    for (const Case& c : {Case{true, L"My Viewer", L"My Viewer"}, Case{true, L"", L"Hex&View"},
                          Case{false, L"My Viewer", L"Hex&View"}}) {
        launch.UseCustomHexview.Set(c.useCustom);
        launch.CustomHexviewName.Set(c.name);
        EXPECT_EQ(GetHexViewAppName(), c.expected) << c.useCustom << WideToUtf8(c.name);
    }
    launch.UseCustomHexview.Set(savedUse);
    launch.CustomHexviewName.Set(savedName);
}

} // namespace
