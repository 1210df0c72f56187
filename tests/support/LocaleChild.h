// Runs this test program again in a new process with another user locale.
//
// Wine fixes the user locale of a process from the host environment (LC_ALL,
// LANG) when its loader starts, and a Windows child simply inherits its
// parent's; only a fresh start of the loader with the changed environment picks
// a new locale up. Windows has no per-process user locale, so there no such
// child can be run.
//
// Wine also writes the new locale's formats into the prefix's registry when
// the child starts, where the parent's own number and date formats would then
// read them. So after each such child a second one is started with the
// parent's own environment, which writes the parent's formats back.
#pragma once

#include "foundation/Handles.h"

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

// Names the event that the child sets when it is done (see SignalLocaleChildDone).
inline constexpr wchar_t kLocaleChildDoneVariable[] = L"VELQUIN_LOCALE_CHILD_DONE";

inline std::wstring TestProgramPath() {
    wchar_t path[MAX_PATH]{};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

// Wine's own loader as a DOS path; empty when not running under Wine.
inline std::wstring WineLoaderPath() {
    wchar_t loader[MAX_PATH]{};
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr ||
        GetEnvironmentVariableW(L"WINELOADER", loader, MAX_PATH) == 0)
        return {};
    std::wstring path = L"Z:";
    path += loader;
    for (wchar_t& ch : path) {
        if (ch == L'/')
            ch = L'\\';
    }
    return path;
}

// Sets the event named by the environment variable, when it is set.
inline bool SignalEventNamedBy(const wchar_t* variable) {
    const wchar_t* name = _wgetenv(variable);
    if (!name)
        return false;
    const KernelHandle done(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    return done && SetEvent(done.Get());
}

// Names the event that a child started only to write the parent's locale
// formats back sets as soon as it runs: by then Wine has written them.
inline constexpr wchar_t kLocaleRestoredVariable[] = L"VELQUIN_LOCALE_RESTORED";
inline const bool g_localeRestoreSignalled = SignalEventNamedBy(kLocaleRestoredVariable);

// Starts this program through Wine's loader with the current environment less
// the names of `added`, plus `added` and an event named in `eventVariable`;
// waits until the child sets that event. False when it could not be started or
// did not finish within the time limit.
inline bool RunSelfThroughLoader(const std::wstring& loader, std::vector<std::wstring> added,
                                 const wchar_t* eventVariable, const std::wstring& arguments,
                                 DWORD timeoutMs) {
    static LONG counter = 0;
    const std::wstring eventName = L"velquin_locale_child_" +
                                   std::to_wstring(GetCurrentProcessId()) + L"_" +
                                   std::to_wstring(InterlockedIncrement(&counter));
    const KernelHandle done(CreateEventW(nullptr, TRUE, FALSE, eventName.c_str()));
    if (!done)
        return false;
    added.push_back(std::wstring(eventVariable) + L"=" + eventName);
    auto isReplaced = [&](std::wstring_view entry) {
        for (const std::wstring& variable : added) {
            const std::wstring_view name(variable.data(), variable.find(L'=') + 1);
            if (entry.starts_with(name))
                return true;
        }
        return false;
    };

    std::wstring block;
    {
        const mvHandle<LPWCH, ::FreeEnvironmentStringsW> environment(GetEnvironmentStringsW());
        for (const wchar_t* entry = environment.Get(); entry && *entry;
             entry += wcslen(entry) + 1) {
            if (!isReplaced(entry))
                block.append(entry).push_back(L'\0');
        }
    }
    for (const std::wstring& variable : added)
        block.append(variable).push_back(L'\0');
    block.push_back(L'\0');

    std::wstring commandLine = L"wine64 \"" + TestProgramPath() + L"\" " + arguments;
    STARTUPINFOW startup{sizeof startup};
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(loader.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                        CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &process))
        return false;
    // These stand for the host process that starts the loader, not for the
    // test program, so the child announces its end through the event.
    const KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    return WaitForSingleObject(done.Get(), timeoutMs) == WAIT_OBJECT_0;
}

// Starts this program with `arguments` under the user locale `locale` (such as
// "de_DE.UTF-8") and the extra NAME=value `variables`, and waits until the
// child calls SignalLocaleChildDone; then puts the parent's locale formats
// back. False when no child could be run (not under Wine) or it did not
// finish within the time limit.
inline bool RunSelfUnderLocale(const std::wstring& locale,
                               const std::vector<std::wstring>& variables,
                               const std::wstring& arguments, DWORD timeoutMs = 60000) {
    const std::wstring loader = WineLoaderPath();
    if (loader.empty())
        return false;
    std::vector<std::wstring> added = variables;
    added.push_back(L"LC_ALL=" + locale);
    added.push_back(L"LANG=" + locale);
    const bool finished =
        RunSelfThroughLoader(loader, added, kLocaleChildDoneVariable, arguments, timeoutMs);
    const bool restored =
        RunSelfThroughLoader(loader, {}, kLocaleRestoredVariable, L"--gtest_filter=-*", timeoutMs);
    return finished && restored;
}

// In a child started by RunSelfUnderLocale: tells the parent that the child's
// work is done. Does nothing in any other process.
inline void SignalLocaleChildDone() {
    SignalEventNamedBy(kLocaleChildDoneVariable);
}

// In a child started by RunSelfUnderLocale with `variable` naming an output
// file: writes what `probe` gives to that file, tells the parent and ends the
// process before any test runs. False in any other process. Called from a
// namespace-scope initialiser of the test file.
template <typename Probe> bool RunAsLocaleProbe(const wchar_t* variable, Probe probe) {
    const wchar_t* output = _wgetenv(variable);
    if (!output)
        return false;
    {
        const std::string text = probe();
        std::ofstream file(std::filesystem::path(output), std::ios::binary);
        file << text;
    }
    SignalLocaleChildDone();
    ExitProcess(0);
}
