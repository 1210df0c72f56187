// Autocomplete from a most-recent-first string list: the string enumerator
// handed to the shell, and the base that connects it to an edit window
// through the shell's autocomplete object.
#pragma once

#include "foundation/Handles.h"
#include "foundation/mvstring.h"
#include "ui/core/mvComBase.h"

#include <objidl.h>
#include <shlobj.h>
#include <shldisp.h>

#include <deque>
#include <mutex>
#include <vector>

// IEnumString over a list of strings, newest first. The shell may enumerate
// from a thread of its own, so the list is guarded by a lock.
class mvIEnumString : public mvcom_base<IEnumString> {
public:
    mvIEnumString() = default;

    STDMETHODIMP Next(ULONG count, LPOLESTR* array, ULONG* fetched) override;
    STDMETHODIMP Skip(ULONG count) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumString** out) override;

    // Puts the text at the front (an equal entry is moved, not repeated) and
    // drops the oldest entries beyond the limit. -1 for an empty text.
    int AddString(const mvstring& text);
    // n > 0 becomes the limit, anything else means none (-1). A change
    // rewinds and drops the oldest strings beyond the new limit. Returns the
    // limit.
    int SetLimit(int n);
    int Limit() const;
    // Removes every string and rewinds.
    void Clear();
    std::vector<mvstring> Strings() const;
    unsigned Position() const;

    bool m_unique = true;     // an added string replaces an equal entry
    bool m_ignoreCase = true; // equality for the rule above ignores case

private:
    void TrimToLimit();

    mutable std::mutex m_lock;
    std::deque<mvstring> m_strings;
    unsigned m_position = 0;
    int m_limit = -1;
};

// Connects a string list to a window's autocomplete. The enumerator is a
// reference-counted heap object: the shell keeps references to it until the
// window it completes dies, which may be after this base is gone.
class mvACBase {
public:
    mvACBase();
    mvACBase(const mvACBase&) = delete;
    mvACBase& operator=(const mvACBase&) = delete;
    ~mvACBase();

    // Builds the multiple-source list with the enumerator and binds a new
    // autocomplete object to the window (suggest mode; the arrow keys drop
    // the list when asked). Objects of an earlier Attach are released first.
    // False without a window or when an object cannot be created; what was
    // created is kept.
    bool Attach(HWND hwnd, bool dropOnArrowKeys);
    int SetLimit(int n) { return m_enum.Get()->SetLimit(n); }
    int AddString(const mvstring& text) { return m_enum.Get()->AddString(text); }
    // Empties the list and makes the drop-down enumerate again.
    void Clear();
    // Releases the autocomplete object and every source and empties the
    // strings. The enumerator itself stays for a later Attach.
    void Release();
    // Asks the drop-down to enumerate the sources again.
    void ResetEnumerator();
    // True while the drop-down list is shown; false without autocomplete.
    bool IsDropDownVisible() const;

    mvIEnumString& Strings() { return *m_enum.Get(); }
    IObjMgr* SourceList() const { return m_objMgr.Get(); }
    IAutoComplete* AutoComplete() const { return m_autoComplete.Get(); }

    ComHandle<IUnknown> m_shellSource;     // shell folder source (folder combo only)
    ComHandle<IUnknown> m_extraSources[2]; // appended when present

private:
    ComHandle<IObjMgr> m_objMgr;
    ComHandle<mvIEnumString> m_enum;
    ComHandle<IAutoComplete> m_autoComplete;
};
