// Holds a file open in another process: this test program started again,
// which does nothing but wait until it is let go and then ends, closing the
// handle it was given. Sharing rules between processes are what a file
// writer meets when a viewer or a virus scanner keeps its target open.
#pragma once

#include "foundation/Handles.h"
#include "support/LocaleChild.h"

#include <windows.h>

#include <cstdlib>
#include <string>

// Names the event a holder waits for; set only in a holder's environment.
inline constexpr wchar_t kHolderReleaseVariable[] = L"VELQUIN_HOLDER_RELEASE";

// In a holder, runs before any test: waits until the event is set (or for
// at most a minute) and ends the process.
inline const bool g_isHolder = [] {
    const wchar_t* name = _wgetenv(kHolderReleaseVariable);
    if (!name)
        return false;
    const KernelHandle release(OpenEventW(SYNCHRONIZE, FALSE, name));
    if (release)
        WaitForSingleObject(release.Get(), 60000);
    ExitProcess(0);
}();

class HeldFile {
public:
    // Opens `path` with `access` and `share` and hands the handle to a new
    // holder process; this process keeps no handle to the file. Held() is
    // false when the file cannot be opened or the holder not started.
    HeldFile(const std::wstring& path, DWORD access, DWORD share) {
        static LONG counter = 0;
        const std::wstring name = L"velquin_holder_" + std::to_wstring(GetCurrentProcessId()) +
                                  L"_" + std::to_wstring(InterlockedIncrement(&counter));
        m_release.Assign(CreateEventW(nullptr, TRUE, FALSE, name.c_str()));
        FileHandle file(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_release || !file)
            return;
        // The holder finds the event's name in the environment it inherits.
        SetEnvironmentVariableW(kHolderReleaseVariable, name.c_str());
        std::wstring commandLine = L"\"" + TestProgramPath() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE,
                                            0, nullptr, nullptr, &startup, &info);
        SetEnvironmentVariableW(kHolderReleaseVariable, nullptr);
        if (!started)
            return;
        m_process.Assign(info.hProcess);
        KernelHandle thread(info.hThread);
        HANDLE inHolder = nullptr;
        m_held = DuplicateHandle(GetCurrentProcess(), file.Release(), m_process.Get(), &inHolder,
                                 0, FALSE, DUPLICATE_SAME_ACCESS | DUPLICATE_CLOSE_SOURCE) != 0;
    }
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    bool Held() const { return m_held; }
    // Lets the holder go and waits until it has ended (its handle closed).
    void Release() {
        if (!m_process)
            return;
        SetEvent(m_release.Get());
        WaitForSingleObject(m_process.Get(), 30000);
        m_process.Reset();
        m_held = false;
    }

private:
    KernelHandle m_release;
    KernelHandle m_process;
    bool m_held = false;
};
