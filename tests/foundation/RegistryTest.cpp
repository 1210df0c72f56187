#include "foundation/Registry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

const wchar_t kTestKey[] = L"Software\\VelquinTest\\Registry";

// Creates the test key with a few values and deletes it afterwards.
class RegistryFixture : public testing::Test {
protected:
    void SetUp() override {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        m_key.Assign(key);
        const wchar_t text[] = L"some text";
        const DWORD number = 0x12345678;
        Set(L"Text", REG_SZ, text, sizeof text);
        Set(L"Number", REG_DWORD, &number, sizeof number);
        Set(L"Empty", REG_BINARY, nullptr, 0);
        // Text stored without a terminator.
        Set(L"Unterminated", REG_BINARY, L"abc", 3 * sizeof(wchar_t));
        Set(nullptr, REG_SZ, L"default", sizeof L"default");
    }
    void TearDown() override {
        m_key.Reset();
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    }
    void Set(const wchar_t* name, DWORD type, const void* data, DWORD size) {
        ASSERT_EQ(RegSetValueExW(m_key.Get(), name, 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
    }
    RegKeyHandle m_key;
};

std::wstring Text(const SharedBuffer& data) {
    return reinterpret_cast<const wchar_t*>(data.Data()); // ends in a zero unit
}

} // namespace

TEST_F(RegistryFixture, ReadsValuesWithTheirTypes) {
    struct Case {
        const wchar_t* name;
        DWORD type;
        uint64_t size;
    } cases[] = {
        {L"Text", REG_SZ, sizeof L"some text"},
        {L"Number", REG_DWORD, 4},
        {L"Empty", REG_BINARY, 0},
        {L"Unterminated", REG_BINARY, 6},
        {nullptr, REG_SZ, sizeof L"default"},
        {L"", REG_SZ, sizeof L"default"},
    };
    for (const Case& c : cases) {
        const wchar_t* label = c.name ? c.name : L"(null)";
        DWORD type = 99;
        SharedBuffer data = ReadRegistryValue(kTestKey, c.name, &type);
        EXPECT_EQ(type, c.type) << label;
        EXPECT_EQ(data.Size(), c.size) << label;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS)) << label;

        DWORD typeFromKey = 99;
        SharedBuffer fromKey = ReadRegistryValueFromKey(m_key.Get(), c.name, &typeFromKey);
        EXPECT_EQ(typeFromKey, c.type) << label;
        ASSERT_EQ(fromKey.Size(), c.size) << label;
        if (c.size) {
            EXPECT_EQ(std::memcmp(fromKey.Data(), data.Data(), c.size), 0) << label;
        }
    }
    EXPECT_EQ(Text(ReadRegistryValue(kTestKey, L"Text", nullptr)), L"some text");
    EXPECT_EQ(Text(ReadRegistryValue(kTestKey, L"Unterminated", nullptr)), L"abc");
    DWORD number = 0;
    std::memcpy(&number, ReadRegistryValue(kTestKey, L"Number", nullptr).Data(), 4);
    EXPECT_EQ(number, 0x12345678u);
}

TEST_F(RegistryFixture, FailuresGiveAnEmptyBufferAndTheCause) {
    struct Case {
        std::wstring subKey;
        const wchar_t* name;
        DWORD error;
    } cases[] = {
        {L"", L"Text", ERROR_SUCCESS},
        {std::wstring(kTestKey) + L"\\Missing", L"Text", ERROR_FILE_NOT_FOUND},
        {kTestKey, L"NoSuchValue", ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases) {
        DWORD type = 99;
        SetLastError(ERROR_ACCESS_DENIED);
        SharedBuffer data = ReadRegistryValue(c.subKey, c.name, &type);
        EXPECT_EQ(data.Data(), nullptr) << c.subKey;
        EXPECT_EQ(data.Size(), 0u) << c.subKey;
        EXPECT_EQ(type, 0u) << c.subKey;
        EXPECT_EQ(GetLastError(), c.error) << c.subKey;
    }
    DWORD type = 99;
    EXPECT_EQ(ReadRegistryValueFromKey(m_key.Get(), L"NoSuchValue", &type).Size(), 0u);
    EXPECT_EQ(type, 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}
