#include "panel/ShellRegistration.h"

#include "foundation/Handles.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

// Points HKEY_CURRENT_USER of this process at a fresh key of the real one
// for the test's length, so that the cases, which run side by side, never
// meet each other's registration, and what was there before is untouched.
class ScratchUserHive {
public:
    ScratchUserHive() {
        m_path = L"Software\\VelquinTests\\registration_" + std::to_wstring(GetCurrentProcessId());
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
        RegCreateKeyExW(HKEY_CURRENT_USER, m_path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        m_key.Put(), nullptr);
        m_overridden = m_key && RegOverridePredefKey(HKEY_CURRENT_USER, m_key.Get()) == ERROR_SUCCESS;
    }
    ~ScratchUserHive() {
        RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        m_key.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, m_path.c_str());
    }
    bool Ready() const { return m_overridden; }

private:
    std::wstring m_path;
    RegKeyHandle m_key;
    bool m_overridden = false;
};

std::optional<std::wstring> DefaultValue(const std::wstring& path) {
    wchar_t text[1024]{};
    DWORD size = sizeof text;
    if (RegGetValueW(HKEY_CURRENT_USER, path.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, text,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(text);
}

bool KeyExists(const std::wstring& path) {
    RegKeyHandle key;
    return RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void SetDefault(const std::wstring& path, const wchar_t* text) {
    RegKeyHandle key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              key.Put(), nullptr),
              ERROR_SUCCESS);
    if (text != nullptr) {
        ASSERT_EQ(RegSetValueExW(key.Get(), nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                                 static_cast<DWORD>((wcslen(text) + 1) * 2)),
                  ERROR_SUCCESS);
    }
}

const std::wstring kExtension = L"Software\\Classes\\.velquin";
const std::wstring kProgId = L"Software\\Classes\\Morvik.Velquin";
const std::wstring kFolderVerb = L"Software\\Classes\\Directory\\shell\\Velquin";
const std::wstring kDriveVerb = L"Software\\Classes\\Drive\\shell\\Velquin";

std::wstring ThisProgram() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

TEST(ShellRegistrationTest, WritesTheProgramPathQuotedWhenItHoldsABlank) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    struct Case {
        std::wstring program, written;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Velquin\\Velquin.exe", L"\"C:\\Program Files\\Velquin\\Velquin.exe\""},
        {L"C:\\Tools\\Velquin.exe", L"C:\\Tools\\Velquin.exe"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(RegisterFileTypeFor(c.program, true));
        ASSERT_TRUE(RegisterFolderVerbsFor(c.program, true));
        EXPECT_EQ(DefaultValue(kExtension), L"Morvik.Velquin");
        EXPECT_EQ(DefaultValue(kProgId), L"Velquin");
        EXPECT_EQ(DefaultValue(kProgId + L"\\DefaultIcon"), c.written + L",0");
        EXPECT_EQ(DefaultValue(kProgId + L"\\shell\\open\\command"), c.written + L" \"%1\"");
        EXPECT_EQ(DefaultValue(kFolderVerb), L"Velquin");
        EXPECT_EQ(DefaultValue(kFolderVerb + L"\\command"), c.written + L" \"%1\"");
        EXPECT_EQ(DefaultValue(kDriveVerb), L"Velquin");
        EXPECT_EQ(DefaultValue(kDriveVerb + L"\\command"), c.written + L" %1");
    }
    // The running program by default.
    ASSERT_TRUE(RegisterFileType(true));
    EXPECT_EQ(DefaultValue(kProgId + L"\\DefaultIcon"), ThisProgram() + L",0");
}

TEST(ShellRegistrationTest, RemovalLeavesAnotherProgramsExtensionAlone) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    struct Case {
        const wchar_t* extensionType; // null: the key has no default value
        bool extensionKept;
    };
    const Case cases[] = {
        {L"Morvik.Velquin", false},
        {L"MORVIK.velquin", false},
        {L"Other.Viewer", true},
        {L"Morvik.Velquin.2", true},
        {nullptr, true},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(RegisterFileType(true));
        RegDeleteTreeW(HKEY_CURRENT_USER, kExtension.c_str());
        SetDefault(kExtension, c.extensionType);
        SetDefault(kExtension + L"\\OpenWithList", L"theirs");

        EXPECT_TRUE(RegisterFileType(false));
        EXPECT_FALSE(KeyExists(kProgId));
        EXPECT_EQ(KeyExists(kExtension), c.extensionKept) << (c.extensionType ? c.extensionType : L"none");
        if (c.extensionKept) {
            EXPECT_TRUE(KeyExists(kExtension + L"\\OpenWithList"));
        }
        RegDeleteTreeW(HKEY_CURRENT_USER, kExtension.c_str());
    }
}

TEST(ShellRegistrationTest, RemovalPrunesOnlyTheKeysItEmptied) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    enum Before { Nothing, OtherVerb, ValueOnTypeKey };
    struct Case {
        const char* what;
        Before before;
        bool shellKept, typeKept;
    };
    const Case cases[] = {
        {"nothing else there", Nothing, false, false},
        {"another program's verb", OtherVerb, true, true},
        {"a value on the type's key", ValueOnTypeKey, false, true},
    };
    for (const Case& c : cases) {
        for (const std::wstring type : {L"Software\\Classes\\Directory", L"Software\\Classes\\Drive"})
            RegDeleteTreeW(HKEY_CURRENT_USER, type.c_str());
        for (const std::wstring type : {L"Software\\Classes\\Directory", L"Software\\Classes\\Drive"}) {
            if (c.before == OtherVerb)
                SetDefault(type + L"\\shell\\Other", L"Other");
            if (c.before == ValueOnTypeKey)
                SetDefault(type, L"kept");
        }
        ASSERT_TRUE(RegisterFolderVerbs(true));
        EXPECT_TRUE(KeyExists(kFolderVerb));
        EXPECT_TRUE(RegisterFolderVerbs(false));
        for (const std::wstring type : {L"Software\\Classes\\Directory", L"Software\\Classes\\Drive"}) {
            EXPECT_FALSE(KeyExists(type + L"\\shell\\Velquin")) << c.what;
            EXPECT_EQ(KeyExists(type + L"\\shell"), c.shellKept) << c.what;
            EXPECT_EQ(KeyExists(type), c.typeKept) << c.what;
        }
        EXPECT_TRUE(KeyExists(L"Software\\Classes")) << "never pruned";
    }
}

TEST(ShellRegistrationTest, RemovingTwiceChangesNothing) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    ASSERT_TRUE(RegisterFileType(true));
    ASSERT_TRUE(RegisterFolderVerbs(true));
    EXPECT_TRUE(RegisterFileType(false));
    EXPECT_TRUE(RegisterFolderVerbs(false));
    EXPECT_TRUE(RegisterFileType(false));
    EXPECT_TRUE(RegisterFolderVerbs(false));
    EXPECT_FALSE(KeyExists(kExtension));
    EXPECT_FALSE(KeyExists(kProgId));
    EXPECT_FALSE(KeyExists(L"Software\\Classes\\Directory"));
}

// A key that takes no lasting subkey stands for any write the registry
// refuses.
TEST(ShellRegistrationTest, AFailedWriteIsReportedAndTheOthersAreStillMade) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    // Made lasting first: a volatile key made with its parents makes them
    // volatile too.
    SetDefault(L"Software\\Classes", nullptr);
    RegKeyHandle progId;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kProgId.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_WRITE, nullptr, progId.Put(), nullptr),
              ERROR_SUCCESS);
    progId.Reset();
    SetLastError(0);
    EXPECT_FALSE(RegisterFileTypeFor(L"C:\\Tools\\Velquin.exe", true));
    EXPECT_NE(GetLastError(), 0u);
    EXPECT_EQ(DefaultValue(kExtension), L"Morvik.Velquin");
    EXPECT_EQ(DefaultValue(kProgId), L"Velquin");
    EXPECT_FALSE(KeyExists(kProgId + L"\\DefaultIcon"));

    RegKeyHandle directory;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes\\Directory", 0, nullptr,
                              REG_OPTION_VOLATILE, KEY_WRITE, nullptr, directory.Put(), nullptr),
              ERROR_SUCCESS);
    directory.Reset();
    EXPECT_FALSE(RegisterFolderVerbs(true));
    EXPECT_FALSE(KeyExists(kDriveVerb)) << "stops at the first verb it cannot make";
}

TEST(ShellRegistrationTest, RegistryHelpersRefuseWhatTheyCannotDo) {
    ScratchUserHive hive;
    ASSERT_TRUE(hive.Ready());
    EXPECT_FALSE(RegSetDefaultValue(nullptr, L"Software\\x", L"v"));
    EXPECT_FALSE(RegSetDefaultValue(HKEY_CURRENT_USER, L"", L"v"));
    ASSERT_TRUE(RegSetDefaultValue(HKEY_CURRENT_USER, L"Software\\A\\B", L"value"));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_EQ(DefaultValue(L"Software\\A\\B"), L"value");
    EXPECT_FALSE(RegDeleteTreeHKCU(L""));
    EXPECT_FALSE(RegDeleteTreeHKCU(L"\\\\"));
    EXPECT_TRUE(RegDeleteTreeHKCU(L"Software\\A\\\\"));
    EXPECT_FALSE(KeyExists(L"Software\\A"));
    EXPECT_FALSE(RegDeleteTreeHKCU(L"Software\\A"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

} // namespace
