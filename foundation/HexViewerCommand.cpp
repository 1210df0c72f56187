#include "foundation/HexViewerCommand.h"

#include "foundation/ModulePath.h"
#include "foundation/Paths.h"

#include <shellapi.h>
#include <shlwapi.h>

#include <cwchar>

namespace {

// The command line of a custom viewer is trimmed of spaces and tabs only.
std::wstring_view TrimBlanks(std::wstring_view text) {
    return TrimText(text, L" \t");
}

// The text without one pair of surrounding double quotes.
std::wstring_view Unquoted(std::wstring_view text) {
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        return text.substr(1, text.size() - 2);
    return text;
}

// Quotes a path that holds a blank. The shell's quoting works in a buffer of
// MAX_PATH characters; a longer path is quoted here, so that a long path
// with blanks still reaches the viewer whole.
mvstring QuoteSpaces(const mvstring& path) {
    if (path.length() + 3 <= MAX_PATH) {
        wchar_t buffer[MAX_PATH];
        wcscpy(buffer, path.c_str());
        PathQuoteSpacesW(buffer);
        return buffer;
    }
    if (path.find(L' ') == mvstring::npos)
        return path;
    mvstring quoted(L"\"");
    quoted += path;
    quoted += L'"';
    return quoted;
}

} // namespace

bool UsesCustomHexViewer(const HexViewerLaunch& launch) {
    return launch.UseCustomHexview.Get() && !TrimBlanks(launch.CustomHexviewPath.Get()).empty();
}

void ResolveHexViewerProgram(HexViewerLaunch& launch) {
    if (!launch.ProgramPath.empty())
        return;
    launch.Arguments.clear();
    if (!UsesCustomHexViewer(launch)) {
        launch.ProgramPath = GetModulePath(L"");
        return;
    }
    const mvstring command(TrimBlanks(launch.CustomHexviewPath.Get()));
    // An unquoted program path with blanks ("C:\Program Files\...") would
    // otherwise be cut at its first blank.
    if (GetPathKind(mvstring(Unquoted(command))) == PathKindFile) {
        launch.ProgramPath = Unquoted(command);
        return;
    }
    const wchar_t* arguments = PathGetArgsW(command.c_str());
    if (arguments != nullptr && *arguments != L'\0') {
        const std::size_t programLength = static_cast<std::size_t>(arguments - command.c_str()) - 1;
        launch.ProgramPath = Unquoted(TrimBlanks(command.view().substr(0, programLength)));
        launch.Arguments = arguments;
    } else {
        launch.ProgramPath = Unquoted(command);
    }
}

mvstring HexViewerParameters(const HexViewerLaunch& launch, const mvstring& path, int64_t offset,
                             int32_t count) {
    const mvstring quoted = QuoteSpaces(path);
    mvstring parameters = launch.Arguments;
    if (parameters.empty() || parameters[0] != L' ')
        parameters.insert(0, L" ");

    if (UsesCustomHexViewer(launch)) {
        const std::size_t at = parameters.find(L"%1");
        if (at == mvstring::npos) {
            if (parameters.back() != L' ')
                parameters += L' ';
            parameters += quoted;
            return parameters;
        }
        std::size_t start = at;
        std::size_t length = 2;
        // "%1" already in quotes takes the quoted path in place of its own.
        if (at + 2 < parameters.length() && parameters[at + 2] == L'"' && quoted.ends_with(L"\""))
            ++length;
        if (at > 0 && parameters[at - 1] == L'"' && quoted.starts_with(L"\"")) {
            --start;
            ++length;
        }
        parameters.replace(start, length, quoted);
        return parameters;
    }

    parameters += L"/hexview ";
    parameters += quoted;
    wchar_t number[32];
    if (offset > 0) {
        swprintf(number, 32, L" %lld", static_cast<long long>(offset));
        parameters += number;
        if (count > 0) {
            swprintf(number, 32, L" %d", count);
            parameters += number;
        }
    } else if (offset == 0 && count > 0) {
        swprintf(number, 32, L" 0 %d", count);
        parameters += number;
    }
    return parameters;
}

mvstring GetHexViewAppName() {
    const HexViewerLaunch& launch = Settings().HexViewer;
    if (launch.UseCustomHexview.Get() && !launch.CustomHexviewName.Get().empty())
        return launch.CustomHexviewName.Get();
    return L"Hex&View";
}

void VQSettings::OpenInHexViewer(const mvstring& path, int64_t offset, int32_t count) {
    if (path.empty())
        return;
    ResolveHexViewerProgram(HexViewer);
    const mvstring parameters = HexViewerParameters(HexViewer, path, offset, count);
    // Whether the viewer started is not reported: there is nobody to tell.
    ShellExecuteW(nullptr, nullptr, HexViewer.ProgramPath.c_str(), parameters.c_str(), nullptr,
                  SW_SHOWNORMAL);
}
