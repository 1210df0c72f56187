// Opening results the way the shell would: the default open of the
// selection, opening with one of the programs the shell recommends for the
// first selected file's type, and the system's open-with chooser. UI thread
// only, in its single-threaded apartment.
#pragma once

#include "app/main/Commands.h"
#include "foundation/Handles.h"
#include "foundation/mvstring.h"

#include <shobjidl.h>
#include <windows.h>

#include <cstddef>
#include <vector>

struct FoundItem;

// Most handlers the list keeps.
inline constexpr std::size_t kMaxOpenWithHandlers = 10;

// One recommended program.
struct OpenWithHandler {
    ComHandle<IAssocHandler> handler;
    mvstring name; // shown as the menu text
    int icon = -1; // index in the system image list, -1 none

    OpenWithHandler() = default;
    OpenWithHandler(OpenWithHandler&& other) noexcept { MoveAssign(other); }
    OpenWithHandler& operator=(OpenWithHandler&& other) noexcept {
        if (this != &other)
            MoveAssign(other);
        return *this;
    }
    // Takes over the reference and the name; the source is left empty with
    // icon -1.
    void MoveAssign(OpenWithHandler& other) noexcept;
};

// The recommended programs of the first selected file, the type's default
// program first.
class OpenWithList {
public:
    // Enumerates the programs recommended for an extension (with its dot);
    // the shell's own enumeration unless another is set.
    using HandlerSource = HRESULT (*)(const wchar_t* ext, IEnumAssocHandlers** out, void* context);
    void SetHandlerSource(HandlerSource source, void* context) {
        m_source = source;
        m_sourceContext = context;
    }

    // Rebuilds the list from the selection's first item (nothing for a
    // folder or a file without extension). The first handler's icon, or -1.
    int Rebuild(const std::vector<const FoundItem*>& selection);
    // Fills the list from the shell's enumeration: up to ten handlers with a
    // name, in its order, the one whose program is `defaultProgram` (case
    // ignored) moved to the front. The first handler's icon, or -1.
    int Fill(IEnumAssocHandlers* handlers, const mvstring& defaultProgram);
    // Hands the whole selection to handler `index`; when it refuses several
    // items, the first item alone. False when that fails too, the index is
    // outside or no item parses.
    bool Invoke(std::size_t index, const std::vector<const FoundItem*>& selection) const;

    void Clear() { m_handlers.clear(); }
    bool empty() const { return m_handlers.empty(); }
    std::size_t size() const { return m_handlers.size(); }
    const OpenWithHandler& operator[](std::size_t index) const { return m_handlers[index]; }

private:
    std::vector<OpenWithHandler> m_handlers;
    HandlerSource m_source = nullptr;
    void* m_sourceContext = nullptr;
};

// The program the shell starts for a file by default (its executable);
// empty when the shell cannot tell.
mvstring GetDefaultProgram(const FoundItem& file);

// The class the shell opens a result as: "Folder" for a folder, "Unknown"
// for a file without extension (the shell then offers its chooser), none
// for the rest (the extension decides).
const wchar_t* ExecuteClass(const FoundItem& item);

// What opening does to single results; the program's own uses the shell,
// other forms record or refuse.
class ResultOpener {
public:
    virtual ~ResultOpener() = default;
    // The shell's default action on the result's path. True on success.
    virtual bool Execute(const FoundItem& item);
    // The system's open-with chooser for the result. True when it reports
    // success.
    virtual bool OpenWithDialog(const FoundItem& item);
    // The perceived type of an extension (with its dot).
    virtual PERCEIVED PerceivedType(const mvstring& ext);
};

bool ResultItem_ShellExecute(const FoundItem& item);
bool ResultItem_OpenWithDialog(const FoundItem& item);

// Opens the files of the selection one by one when all share the first
// one's extension (only the first otherwise), at most MaxItemOpen of them.
// False when the first is a folder, has no extension, or does not open.
bool OpenItems(const std::vector<const FoundItem*>& selection, ResultOpener& opener);
// The default open of the selection (command 10001): folders in the
// shell, programs started one by one, other files through the type's
// default handler in one go, or one by one without a handler list, or the
// chooser when everything failed (not for a file deleted since the search).
// False for an empty selection and when nothing opened.
bool OpenDefault(const std::vector<const FoundItem*>& selection, const OpenWithList& list,
                 ResultOpener& opener);
