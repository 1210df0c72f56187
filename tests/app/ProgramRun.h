// The program started as a real process by the tests: from the build's
// folder or from a copy, with standard error in a pipe, waited for, and its
// windows found from outside.
#pragma once

#include "ProgramPath.h"
#include "foundation/Handles.h"
#include "foundation/mvini.h"
#include "support/ChildWindows.h"
#include "support/TempDir.h"

#include <windows.h>

#include <map>
#include <string>

inline std::wstring ProgramFolder() {
    const std::wstring path = ProgramPath();
    return path.substr(0, path.rfind(L'\\'));
}

struct Outcome {
    DWORD exitCode = 0xDEAD;
    std::string error;   // what it wrote to standard error
    std::string failure; // what went wrong in starting or waiting, if anything
};

inline std::string Failed(const char* step) {
    return std::string(step) + " failed with error " + std::to_string(GetLastError());
}

// One run of the program. A start refused by a busy system is tried once
// more.
class ProgramProcess {
public:
    // Starts `program` (the build's when empty) with the arguments in the
    // folder (the test's own when empty). False, with the reason in
    // outcome.failure, when it could not be started.
    bool Start(const std::wstring& arguments, const std::wstring& folder = L"",
               const std::wstring& program = L"") {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE readEnd = nullptr;
        HANDLE writeEnd = nullptr;
        if (!CreatePipe(&readEnd, &writeEnd, &inherit, 1 << 16)) {
            outcome.failure = Failed("CreatePipe");
            return false;
        }
        m_reader = KernelHandle(readEnd);
        KernelHandle writer(writeEnd);
        SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
        STARTUPINFOW startup{sizeof startup};
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = writeEnd;
        startup.hStdOutput = writeEnd;
        std::wstring commandLine =
            L"\"" + (program.empty() ? ProgramPath() : program) + L"\" " + arguments;
        PROCESS_INFORMATION process{};
        bool started = false;
        for (int attempt = 0; attempt < 2 && !started; ++attempt) {
            if (attempt > 0)
                Sleep(1000);
            started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0,
                                     nullptr, folder.empty() ? nullptr : folder.c_str(), &startup,
                                     &process);
        }
        if (!started) {
            outcome.failure = Failed("CreateProcessW");
            return false;
        }
        m_process = KernelHandle(process.hProcess);
        KernelHandle thread(process.hThread);
        m_id = process.dwProcessId;
        return true;
    }

    // Waits up to `ms` for the end; fills the outcome. On a machine shared
    // with other builds a Wine process can take long to come up or go.
    bool Wait(DWORD ms = 180000) {
        const DWORD waited = WaitForSingleObject(m_process.Get(), ms);
        if (waited != WAIT_OBJECT_0) {
            outcome.failure = waited == WAIT_TIMEOUT ? std::string("no end in time")
                                                     : Failed("WaitForSingleObject");
            TerminateProcess(m_process.Get(), 99);
            WaitForSingleObject(m_process.Get(), 10000);
            return false;
        }
        if (!GetExitCodeProcess(m_process.Get(), &outcome.exitCode))
            outcome.failure = Failed("GetExitCodeProcess");
        char buffer[4096];
        DWORD got = 0;
        // Only what is there: helpers the system started for the program
        // may still hold the writing end.
        DWORD available = 0;
        while (PeekNamedPipe(m_reader.Get(), nullptr, 0, nullptr, &available, nullptr) &&
               available > 0 && ReadFile(m_reader.Get(), buffer, sizeof buffer, &got, nullptr) &&
               got > 0)
            outcome.error.append(buffer, got);
        return outcome.failure.empty();
    }

    // The first visible top-level window of the process whose title is
    // `title` (any title when empty), waited for up to `ms`; null when none
    // came or the process ended.
    HWND WaitForWindow(const wchar_t* title, DWORD ms = 60000) const {
        for (DWORD waited = 0; waited < ms; waited += 100) {
            if (HWND found = FindWindowOf(title))
                return found;
            if (WaitForSingleObject(m_process.Get(), 100) == WAIT_OBJECT_0)
                return nullptr;
        }
        return nullptr;
    }

    HWND FindWindowOf(const wchar_t* title) const {
        struct Search {
            DWORD id;
            const wchar_t* title;
            HWND found;
        } search{m_id, title, nullptr};
        EnumWindows(
            [](HWND hwnd, LPARAM data) -> BOOL {
                auto* s = reinterpret_cast<Search*>(data);
                DWORD owner = 0;
                GetWindowThreadProcessId(hwnd, &owner);
                wchar_t text[64] = {};
                GetWindowTextW(hwnd, text, 64);
                if (owner == s->id && IsWindowVisible(hwnd) &&
                    (s->title == nullptr || s->title[0] == 0 || wcscmp(text, s->title) == 0)) {
                    s->found = hwnd;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    HANDLE Handle() const noexcept { return m_process.Get(); }

    Outcome outcome;

private:
    KernelHandle m_process;
    KernelHandle m_reader;
    DWORD m_id = 0;
};

// Starts the program and waits up to three minutes for it to end; with
// `closeWindow`, a run that shows its main window has it closed.
inline Outcome RunProgram(const std::wstring& arguments, const std::wstring& folder = L"",
                          bool closeWindow = false) {
    ProgramProcess process;
    if (!process.Start(arguments, folder))
        return process.outcome;
    if (closeWindow)
        if (HWND main = process.WaitForWindow(L"Velquin", 30000))
            PostMessageW(main, WM_CLOSE, 0, 0);
    process.Wait();
    return process.outcome;
}

// The descendant with the id; null when none.
inline HWND Descendant(HWND parent, int id) {
    return FindDescendant(parent, [id](HWND hwnd) { return GetDlgCtrlID(hwnd) == id; });
}

// A copy of the program in a temporary folder with the settings files given
// ("key = value" lines of section global, by file name in Config), the
// language file unless it is left out to show its absence, and the per-user
// folder inside it too, so that the run reads and writes no settings of
// anybody else.
class ProgramCopy {
public:
    explicit ProgramCopy(const std::map<std::wstring, std::string>& configFiles,
                         bool withLanguage = true) {
        CopyFileW(ProgramPath().c_str(), Exe().c_str(), FALSE);
        for (const auto& [name, lines] : configFiles)
            m_dir.WriteFile(L"Config\\" + name, "[global]\r\n" + lines);
        m_dir.WriteFile(L"appdata\\Velquin\\keep", "");
        if (withLanguage)
            m_dir.WriteFile(L"Lang\\english.ini",
                            TempDir::ReadFile(ProgramFolder() + L"\\Lang\\english.ini"));
        wchar_t old[MAX_PATH] = {};
        m_hadAppData = GetEnvironmentVariableW(L"APPDATA", old, MAX_PATH) > 0;
        m_oldAppData = old;
        SetEnvironmentVariableW(L"APPDATA", (m_dir / L"appdata").c_str());
    }
    ~ProgramCopy() {
        SetEnvironmentVariableW(L"APPDATA", m_hadAppData ? m_oldAppData.c_str() : nullptr);
    }
    ProgramCopy(const ProgramCopy&) = delete;
    ProgramCopy& operator=(const ProgramCopy&) = delete;

    std::wstring Exe() const { return m_dir / L"Velquin.exe"; }
    const TempDir& Dir() const { return m_dir; }
    // A value of an ini file of the copy (a path inside its folder).
    mvstring IniText(const wchar_t* file, const wchar_t* section, const wchar_t* key) const {
        mvini ini;
        ini.Load(m_dir / file);
        return ini.GetString(section, key);
    }

private:
    TempDir m_dir;
    bool m_hadAppData = false;
    std::wstring m_oldAppData;
};

// Why a run shows no window: how it ended.
inline std::string EndedWithout(ProgramProcess& run) {
    run.Wait(10000);
    return "no window; exit code " + std::to_string(run.outcome.exitCode) + ", " +
           run.outcome.failure + run.outcome.error;
}
