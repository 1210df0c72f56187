#include "foundation/OptionalProc.h"

#include <gtest/gtest.h>

#include <thread>

TEST(OptionalProc, LoadOptionalProc) {
    const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    ASSERT_NE(kernel, nullptr);
    struct Case {
        const wchar_t* module;
        const char* function;
        FARPROC expected;
    } cases[] = {
        {L"kernel32.dll", "GetTickCount", GetProcAddress(kernel, "GetTickCount")},
        // Falls back to the wide variant.
        {L"kernel32.dll", "GetModuleHandle", GetProcAddress(kernel, "GetModuleHandleW")},
        {L"kernel32.dll", "NoSuchFunctionVq", nullptr},
        {L"nosuchmodule_vq.dll", "GetTickCount", nullptr},
        {L"", "GetTickCount", nullptr},
        {L"kernel32.dll", "", nullptr},
        {nullptr, "GetTickCount", nullptr},
        {L"kernel32.dll", nullptr, nullptr},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LoadOptionalProc(c.module, c.function), c.expected)
            << (c.module ? c.module : L"(null)") << " " << (c.function ? c.function : "(null)");
}

TEST(OptionalProc, LoadsAModuleNotYetLoaded) {
    ASSERT_EQ(GetModuleHandleW(L"msimg32.dll"), nullptr);
    const FARPROC proc = LoadOptionalProc(L"msimg32.dll", "AlphaBlend");
    const HMODULE module = GetModuleHandleW(L"msimg32.dll");
    ASSERT_NE(module, nullptr); // loaded and kept
    EXPECT_EQ(proc, GetProcAddress(module, "AlphaBlend"));
    EXPECT_NE(proc, nullptr);
}

TEST(OptionalProc, CachesTheThreeStates) {
    using TickFn = DWORD(WINAPI*)();
    OptionalProc<TickFn> present(L"kernel32.dll", "GetTickCount");
    EXPECT_FALSE(present.IsLookedUp());
    TickFn fn = present.Get();
    ASSERT_NE(fn, nullptr);
    EXPECT_TRUE(present.IsLookedUp());
    EXPECT_NE(fn(), 0u);
    EXPECT_EQ(present.Get(), fn);

    OptionalProc<TickFn> missing(L"kernel32.dll", "NoSuchFunctionVq");
    EXPECT_EQ(missing.Get(), nullptr);
    EXPECT_TRUE(missing.IsLookedUp());
    EXPECT_EQ(missing.Get(), nullptr);
}

TEST(OptionalProc, ThreadsLookingUpAtOnceFindTheSameAddress) {
    using Fn = void(WINAPI*)();
    OptionalProc<Fn> proc(L"kernel32.dll", "GetCurrentThreadId");
    Fn seen[8]{};
    std::thread threads[8];
    for (int i = 0; i < 8; ++i)
        threads[i] = std::thread([&, i] { seen[i] = proc.Get(); });
    for (std::thread& t : threads)
        t.join();
    const Fn expected = reinterpret_cast<Fn>(
        GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetCurrentThreadId"));
    ASSERT_NE(expected, nullptr);
    for (Fn fn : seen)
        EXPECT_EQ(fn, expected);
}
