#include "foundation/ReplacingFile.h"

#include "foundation/ConfigFiles.h"
#include "foundation/FileWriter.h"
#include "foundation/mvini.h"
#include "support/HeldFile.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

// The names in a folder, sorted.
std::vector<std::wstring> Names(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    FindHandle find(FindFirstFileW((folder + L"\\*").c_str(), &data));
    if (!find)
        return names;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(find.Get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Creates or overwrites a file with the bytes; false when not all of them
// were written.
bool WriteBytes(const std::wstring& path, const std::string& bytes) {
    const FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
    return file && WriteAll(file.Get(), bytes);
}

} // namespace

TEST(ReplacingFile, TheTargetChangesOnlyWhenTheWholeFileIsCommitted) {
    struct Case {
        const char* name;
        const char* before; // null: no file at the target
        DWORD attributes;   // of the earlier file
        bool commit;        // else abandoned
    } cases[] = {
        {"a new file, committed", nullptr, FILE_ATTRIBUTE_NORMAL, true},
        {"a new file, abandoned", nullptr, FILE_ATTRIBUTE_NORMAL, false},
        {"over a file, committed", "earlier content", FILE_ATTRIBUTE_NORMAL, true},
        {"over a file, abandoned", "earlier content", FILE_ATTRIBUTE_NORMAL, false},
        {"over a read-only file, committed", "kept", FILE_ATTRIBUTE_READONLY, true},
        {"over a read-only file, abandoned", "kept", FILE_ATTRIBUTE_READONLY, false},
        {"over a hidden file, committed", "kept", FILE_ATTRIBUTE_HIDDEN, true},
    };
    for (const Case& c : cases) {
        TempDir t;
        const std::wstring target = t / L"sub\\result.velquin";
        if (c.before) {
            t.WriteFile(L"sub\\result.velquin", c.before);
            ASSERT_TRUE(SetFileAttributesW(target.c_str(), c.attributes)) << c.name;
        }
        {
            ReplacingFile file;
            ASSERT_TRUE(file.Open(target)) << c.name;
            EXPECT_EQ(file.Target(), target) << c.name;
            ASSERT_TRUE(WriteAll(file.Handle(), "new content")) << c.name;
            // While it is written, the new file stands beside the target,
            // which is as it was.
            EXPECT_EQ(Names(t / L"sub").size(), c.before ? 2u : 1u) << c.name;
            EXPECT_EQ(TempDir::ReadFile(target), c.before ? c.before : "") << c.name;
            if (c.commit) {
                EXPECT_TRUE(file.Commit()) << c.name;
                EXPECT_FALSE(file.IsOpen()) << c.name;
                EXPECT_FALSE(file.Commit()) << c.name << ": nothing left to commit";
            } else {
                file.Abandon();
            }
        }
        const std::vector<std::wstring> expected =
            c.commit || c.before ? std::vector<std::wstring>{L"result.velquin"}
                                 : std::vector<std::wstring>{};
        EXPECT_EQ(Names(t / L"sub"), expected) << c.name;
        EXPECT_EQ(TempDir::ReadFile(target),
                  c.commit ? "new content" : (c.before ? c.before : ""))
            << c.name;
        if (c.before && !c.commit) {
            const DWORD marks = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
            EXPECT_EQ(GetFileAttributesW(target.c_str()) & marks, c.attributes & marks) << c.name;
        }
    }
}

TEST(ReplacingFile, AFileNeverCommittedIsRemovedWithItsHolder) {
    TempDir t;
    const std::wstring target = t.WriteFile(L"a.ini", "earlier");
    {
        ReplacingFile file;
        ASSERT_TRUE(file.Open(target));
        ASSERT_TRUE(WriteAll(file.Handle(), "half"));
        ReplacingFile moved(std::move(file));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_TRUE(moved.IsOpen());
        EXPECT_EQ(Names(t.Path()).size(), 2u);
    }
    EXPECT_EQ(Names(t.Path()), std::vector<std::wstring>{L"a.ini"});
    EXPECT_EQ(TempDir::ReadFile(target), "earlier");
}

TEST(ReplacingFile, Refusals) {
    TempDir t;
    ReplacingFile file;
    EXPECT_FALSE(file.Open(L""));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_FALSE(file.Open(t.Path())) << "a folder is no file to replace";
    t.WriteFile(L"plain", "x");
    EXPECT_FALSE(file.Open(t / L"plain\\below.txt")) << "a path through a file";
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Commit());
    EXPECT_EQ(Names(t.Path()), std::vector<std::wstring>{L"plain"});
}

TEST(ReplacingFile, ADeviceIsWrittenInPlace) {
    // NUL cannot be replaced and keeps nothing; a file would stand beside it
    // in the current folder.
    ReplacingFile file;
    ASSERT_TRUE(file.Open(L"NUL"));
    EXPECT_TRUE(WriteAll(file.Handle(), "gone"));
    EXPECT_TRUE(file.Commit());
}

TEST(ReplacingFile, ATargetHeldByAnotherProcess) {
    // The holder lets go during the retry, or holds on past it: then the
    // commit fails, the new file is removed and the target keeps its bytes.
    struct Case {
        const char* name;
        DWORD share;
        DWORD releaseAfterMs; // 0: held until the commit has given up
        bool committed;
    } cases[] = {
        {"a reader sharing read", FILE_SHARE_READ, 0, false},
        {"a reader sharing read and write", FILE_SHARE_READ | FILE_SHARE_WRITE, 0, false},
        {"a reader that lets go", FILE_SHARE_READ, 300, true},
    };
    for (const Case& c : cases) {
        TempDir t;
        const std::wstring target = t.WriteFile(L"config.ini", "earlier");
        HeldFile held(target, GENERIC_READ, c.share);
        ASSERT_TRUE(held.Held()) << c.name;
        ReplacingFile file;
        ASSERT_TRUE(file.Open(target)) << c.name;
        ASSERT_TRUE(WriteAll(file.Handle(), "later")) << c.name;
        std::thread releaser;
        if (c.releaseAfterMs > 0)
            releaser = std::thread([&] {
                Sleep(c.releaseAfterMs);
                held.Release();
            });
        const DWORD start = GetTickCount();
        EXPECT_EQ(file.Commit(), c.committed) << c.name;
        const DWORD elapsed = GetTickCount() - start;
        if (releaser.joinable())
            releaser.join();
        held.Release();
        EXPECT_GE(elapsed, c.committed ? 200u : 950u) << c.name;
        EXPECT_LT(elapsed, 5000u) << c.name;
        EXPECT_EQ(TempDir::ReadFile(target), c.committed ? "later" : "earlier") << c.name;
        EXPECT_EQ(Names(t.Path()), std::vector<std::wstring>{L"config.ini"}) << c.name;
    }
}

TEST(ReplacingFile, WritersOnAFullDeviceKeepTheEarlierFile) {
    // A folder on a small device that has only a few pages left, made by
    // tests/app/full_device_test.sh where the host allows a mount.
    const wchar_t* device = _wgetenv(L"VELQUIN_FULL_DEVICE");
    if (!device || !*device)
        GTEST_SKIP() << "needs a small full device: run through full_device_test.sh";
    const std::string bigBytes(512 * 1024, 'x');
    const mvstring bigText(std::wstring(256 * 1024, L'y'));
    // Each writer writes far more than the device has left to the file at
    // `name` below `folder`.
    struct Writer {
        const char* name;
        const wchar_t* file;
        std::function<bool(const std::wstring& folder, const std::wstring& path)> write;
    } writers[] = {
        {"the buffered writer", L"result.velquin",
         [&](const std::wstring&, const std::wstring& path) {
             VQFileWriter writer(64 * 1024);
             if (!writer.Open(path))
                 return false;
             const bool written = writer.Write(bigBytes.data(), bigBytes.size());
             return writer.Close() && written;
         }},
        {"an ini file", L"saved.ini",
         [&](const std::wstring&, const std::wstring& path) {
             mvini ini(L"global");
             ini.SetString(L"global", L"k", bigText);
             return ini.SaveFile(path);
         }},
        {"a configuration file", L"Config\\hexview.ini",
         [&](const std::wstring& folder, const std::wstring&) {
             SetConfigBaseFolders(folder, folder + L"\\appdata");
             mvini ini(L"global");
             ini.SetString(L"global", L"WndPos_L", bigText);
             const bool saved = LoadNamedIni(ini, true, L"hexview.ini");
             SetConfigBaseFolders(L"", L"");
             return saved;
         }},
    };
    int round = 0;
    for (const Writer& w : writers) {
        for (const bool earlier : {true, false}) {
            const std::wstring folder =
                std::wstring(device) + L"\\case" + std::to_wstring(++round);
            const std::wstring path = folder + L"\\" + w.file;
            const std::wstring parent = path.substr(0, path.rfind(L'\\'));
            ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr)) << w.name;
            if (parent != folder) {
                ASSERT_TRUE(CreateDirectoryW(parent.c_str(), nullptr)) << w.name;
            }
            if (earlier) {
                ASSERT_TRUE(WriteBytes(path, "earlier")) << w.name;
            }
            EXPECT_FALSE(w.write(folder, path)) << w.name << ", earlier file " << earlier;
            EXPECT_EQ(TempDir::ReadFile(path), earlier ? "earlier" : "")
                << w.name << ", earlier file " << earlier;
            EXPECT_EQ(Names(parent),
                      earlier ? std::vector<std::wstring>{path.substr(parent.size() + 1)}
                              : std::vector<std::wstring>{})
                << w.name << ", earlier file " << earlier << ": nothing left beside it";
            DeleteFileW(path.c_str());
            RemoveDirectoryW(parent.c_str());
            RemoveDirectoryW(folder.c_str());
        }
    }
}
