// The base of every window object: one object per HWND, a process-wide map
// from the HWND back to the object, and the one window procedure that
// dispatches to the object and reflects owner-draw, notify, command and
// control-colour messages to the object of the child control that sent them.
// A window is bound to the object named in its own creation parameters, so
// that no other window created meanwhile (a child of a dialog template, a
// window made by a hook) can take the binding. UI thread only.
#pragma once

#include "foundation/mvstring.h"

#include <windows.h>

#include <map>

class mvWnd;

// The window procedure installed on every bound window. An exception that
// escapes an object's handler is logged (ui/ProcBarrier.h) and the message
// gets default processing.
LRESULT CALLBACK mvWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

class mvWnd {
public:
    mvWnd() = default;
    mvWnd(const mvWnd&) = delete;
    mvWnd& operator=(const mvWnd&) = delete;
    // Destroys the window while the object still holds one.
    virtual ~mvWnd();

    // Every message of the bound window. WM_HELP goes to the application's
    // help handler; everything else to default processing.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Non-zero when the message was a dialog navigation message and is done.
    virtual int IsDialogMessage(MSG* msg);
    // Called after an existing window was bound by subclassing.
    virtual void OnAttached() {}
    // Non-zero consumes the message in the modal loop.
    virtual int PreTranslateMessage(MSG* msg);
    // Owner-draw, notify, command and colour messages sent by this control to
    // its parent come here first. The defaults leave them to the parent.
    virtual void OnReflectDrawItem(DRAWITEMSTRUCT* item);
    virtual void OnReflectMeasureItem(MEASUREITEMSTRUCT* item);
    virtual int OnReflectCompareItem(COMPAREITEMSTRUCT* item);
    // True when handled; the result goes back to the sender.
    virtual bool OnReflectNotify(NMHDR* header, LRESULT* result);
    // True when handled; the parent then does not see the command.
    virtual bool OnReflectCommand(UINT code);
    // May store a brush in `result`, replacing the parent's choice.
    virtual void OnReflectCtlColor(HDC dc, LRESULT* result) {}
    // Binds the dialog's child with the id. False for a bound object, a null
    // parent, id 0 or no such child.
    virtual bool SubclassDlgItem(HWND parent, int id);
    // Binds an existing window and calls OnAttached. False when the object
    // already has a window or a saved previous procedure.
    virtual bool SubclassWindow(HWND hwnd);

    // Binds the window to this object, subclassing it unless it already runs
    // the library procedure. True when the window is already this object's;
    // false for a null window, for an object already bound elsewhere, or for
    // a window that belongs to another object.
    bool Attach(HWND hwnd);
    // Unbinds, destroying the window first when asked. A subclassed window
    // that still exists gets its previous procedure back.
    void Detach(bool destroy);
    // Creates a window of the class (empty: "mvWnd", registered on first use)
    // and binds it. False when the object already has a window or the window
    // cannot be created.
    bool Create(const wchar_t* windowName, HWND parent, UINT_PTR menuOrId, int x, int y, int cx,
                int cy, DWORD style, DWORD exStyle, const wchar_t* className);
    // new = (old & ~remove) | add, applied with a frame change. False without
    // a window or when nothing changes.
    bool ModifyStyle(DWORD remove, DWORD add);
    bool ModifyStyleEx(DWORD remove, DWORD add);

    // The object bound to the window, or null.
    static mvWnd* FromHandle(HWND hwnd);
    // Binds a window being created to the object given as its creation
    // parameter (lpCreateParams at WM_NCCREATE, the init parameter at
    // WM_INITDIALOG). Only an object inside its own creation call on this
    // thread (a CreationScope) is bound, so a foreign or stale parameter
    // binds nothing. False when it binds nothing.
    static bool BindCreated(HWND hwnd, void* creationParameter);

    // Marks the object as creating its window for the duration of the scope;
    // its address is then the creation parameter to pass.
    class CreationScope {
    public:
        explicit CreationScope(mvWnd* wnd);
        CreationScope(const CreationScope&) = delete;
        CreationScope& operator=(const CreationScope&) = delete;
        ~CreationScope();

        void* Parameter() const noexcept { return m_wnd; }

    private:
        friend class mvWnd;
        mvWnd* m_wnd;
        CreationScope* m_outer;
    };

    HWND Handle() const noexcept { return m_hwnd; }
    HFONT Font() const noexcept { return m_font; }

protected:
    // The previous procedure through CallWindowProcW, else DefWindowProcW.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);

public:
    WNDPROC m_prevProc = nullptr; // procedure replaced by subclassing
    SIZE m_minTrack = {};         // minimum track size (0 = none)
    HFONT m_font = nullptr;       // last WM_SETFONT font; not owned
    bool m_drawItemUnhandled = false;
    bool m_measureItemUnhandled = false;
    bool m_compareItemUnhandled = false;
    HWND m_hwnd = nullptr;
};

// The process-wide map from HWND to object. Its destructor (at process exit)
// unbinds every registered window without destroying it.
class mvWndMap {
public:
    mvWndMap() = default;
    mvWndMap(const mvWndMap&) = delete;
    mvWndMap& operator=(const mvWndMap&) = delete;
    ~mvWndMap();

    mvWnd* Find(HWND hwnd) const;
    void Insert(HWND hwnd, mvWnd* wnd);
    void Remove(HWND hwnd, const mvWnd* wnd);
    size_t Count() const noexcept { return m_map.size(); }

    static mvWndMap& Get();

private:
    std::map<HWND, mvWnd*> m_map;
};

// A plain application window class running the library window procedure,
// registered once per name (ignoring case): redrawn on resizing, arrow
// cursor, window-colour background, no icon or menu. 0 for an empty name or
// a failed registration.
ATOM RegisterAppWindowClass(const wchar_t* name);

// True when hwnd is the handle of the application's main window.
bool IsMainWindow(HWND hwnd) noexcept;

// Depth-first search of all descendants of `parent` for the control id; a
// match inside a direct child with the id wins over that child. Null when
// none.
HWND FindChildById(HWND parent, int id);
// Sends, or posts, the message to every direct child window of `parent`.
void SendToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
void PostToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
// The window text; empty for a non-window.
mvstring GetWindowTextString(HWND hwnd);
