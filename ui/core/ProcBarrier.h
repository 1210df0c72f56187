// The one barrier between the system and the library's window procedures,
// dialog procedures, hooks and callbacks: the system calls them through
// frames that an exception must never cross, so whatever escapes a handler
// is caught here, logged, and the message gets a fallback answer instead.
#pragma once

#include <windows.h>

#include <exception>

// Where failures go: the procedure's name and the exception's text (null
// for an exception that is no std::exception). Called on the thread that
// ran the procedure.
using ProcFailureSink = void (*)(const wchar_t* where, const char* what);

// Replaces the sink (null: the default, which writes a line to the
// debugger's output); returns the previous one.
ProcFailureSink SetProcFailureSink(ProcFailureSink sink) noexcept;
// Logs a failure through the sink. Never throws.
void ReportProcFailure(const wchar_t* where, const char* what) noexcept;

// Runs `body` and returns its answer; when an exception escapes it, logs
// it under `where` and returns what `fallback` gives.
template <typename Body, typename Fallback>
auto RunBehindBarrier(const wchar_t* where, Body&& body, Fallback&& fallback) noexcept
    -> decltype(body()) {
    try {
        return body();
    } catch (const std::exception& error) {
        ReportProcFailure(where, error.what());
    } catch (...) {
        ReportProcFailure(where, nullptr);
    }
    return fallback();
}
