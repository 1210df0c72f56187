#include "ui/core/ProcBarrier.h"

#include <atomic>
#include <string>

namespace {

void WriteToDebugger(const wchar_t* where, const char* what) {
    std::wstring line = L"Velquin: ";
    line += where != nullptr ? where : L"a procedure";
    line += L" ended by an exception: ";
    if (what == nullptr)
        what = "(not a standard exception)";
    // The text of an exception is narrow; the debugger line is wide.
    for (; *what != 0; ++what)
        line += static_cast<wchar_t>(static_cast<unsigned char>(*what));
    line += L'\n';
    OutputDebugStringW(line.c_str());
}

std::atomic<ProcFailureSink> g_sink{&WriteToDebugger};

} // namespace

ProcFailureSink SetProcFailureSink(ProcFailureSink sink) noexcept {
    return g_sink.exchange(sink != nullptr ? sink : &WriteToDebugger);
}

void ReportProcFailure(const wchar_t* where, const char* what) noexcept {
    try {
        g_sink.load()(where, what);
    } catch (...) {
        // A sink that fails loses the line; the procedure's answer stands.
    }
}
