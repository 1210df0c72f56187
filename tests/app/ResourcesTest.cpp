// The icons and the version as the built program carries them: read from
// Velquin.exe loaded as data, the way the shell and the program find them.
#include "ProgramPath.h"
#include "foundation/Handles.h"
#include "ui/core/WindowHolders.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

ModuleHandle LoadProgramAsData() {
    return ModuleHandle(LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
}

// The bytes of a resource; empty when it is missing.
std::string ResourceBytes(HMODULE module, const wchar_t* name, const wchar_t* type) {
    const HRSRC found = FindResourceW(module, name, type);
    if (found == nullptr)
        return {};
    const void* bytes = LockResource(LoadResource(module, found));
    return bytes != nullptr ? std::string(static_cast<const char*>(bytes), SizeofResource(module, found))
                            : std::string();
}

std::uint32_t BigEndian32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR first) {
    *reinterpret_cast<std::wstring*>(first) =
        IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : name;
    return FALSE;
}

} // namespace

TEST(VelquinResources, IconStripsHaveSquareCellsOfTheirHeightAndTheSameIcons) {
    ModuleHandle module = LoadProgramAsData();
    ASSERT_TRUE(module);
    const struct {
        int id;
        std::uint32_t cell;
    } strips[] = {{129, 24}, {130, 32}};
    std::vector<std::uint32_t> counts;
    for (const auto& strip : strips) {
        // Loaded by type "PNG", as the window library's image loader asks for it.
        const std::string png = ResourceBytes(module.Get(), MAKEINTRESOURCEW(strip.id), L"PNG");
        ASSERT_GE(png.size(), 24u) << strip.id;
        ASSERT_EQ(png.compare(0, 8, "\x89PNG\r\n\x1a\n"), 0) << strip.id;
        ASSERT_EQ(png.compare(12, 4, "IHDR"), 0) << strip.id;
        const std::uint32_t width = BigEndian32(png, 16);
        const std::uint32_t height = BigEndian32(png, 20);
        EXPECT_EQ(height, strip.cell) << strip.id;
        EXPECT_EQ(width % strip.cell, 0u) << strip.id << ": " << width << " wide";
        counts.push_back(width / strip.cell);
    }
    EXPECT_EQ(counts[0], counts[1]);
    // Cell 18, the shortcut buttons' face, is the last one the program draws.
    EXPECT_GE(counts[0], 19u);
}

TEST(VelquinResources, ApplicationIconIsTheFirstGroupWithEverySize) {
    ModuleHandle module = LoadProgramAsData();
    ASSERT_TRUE(module);
    // The shell shows a program's first icon group as its icon.
    std::wstring first;
    EnumResourceNamesW(module.Get(), RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(first, L"#128");

    const std::string group = ResourceBytes(module.Get(), MAKEINTRESOURCEW(128), RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    const size_t count = static_cast<unsigned char>(group[4]) | static_cast<unsigned char>(group[5]) << 8;
    ASSERT_EQ(group.size(), 6 + 14 * count); // a header and one 14-byte entry per image
    std::vector<int> sizes;
    for (size_t i = 0; i < count; ++i) {
        const int width = static_cast<unsigned char>(group[6 + 14 * i]);
        const int height = static_cast<unsigned char>(group[7 + 14 * i]);
        EXPECT_EQ(width, height);
        sizes.push_back(width == 0 ? 256 : width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 20, 24, 32, 40, 48, 64, 256}));

    // Each image decodes, including the 256-pixel one, which is kept as PNG
    // inside the icon.
    for (const int size : sizes) {
        IconHandle icon(static_cast<HICON>(
            LoadImageW(module.Get(), MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0)));
        EXPECT_TRUE(icon) << size;
    }
}

TEST(VelquinResources, ManifestCarriesTheProgramVersion) {
    ModuleHandle module = LoadProgramAsData();
    ASSERT_TRUE(module);
    const std::string manifest = ResourceBytes(module.Get(), MAKEINTRESOURCEW(1), RT_MANIFEST);
    const std::string identity = "name=\"Morvik.Velquin\" version=\"" + std::string(VELQUIN_VERSION) + "\"";
    EXPECT_NE(manifest.find(identity), std::string::npos) << manifest;
}
