#include "ui/controls/mvAutoComplete.h"

#include <algorithm>
#include <cstring>

STDMETHODIMP mvIEnumString::Next(ULONG count, LPOLESTR* array, ULONG* fetched) {
    if (count == 0 || array == nullptr)
        return S_FALSE;
    if (fetched != nullptr)
        *fetched = 0;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_position >= m_strings.size())
        return S_FALSE;
    ULONG taken = 0;
    while (taken < count && m_position < m_strings.size()) {
        const mvstring& text = m_strings[m_position];
        size_t bytes = (text.size() + 1) * sizeof(wchar_t);
        auto* block = static_cast<wchar_t*>(CoTaskMemAlloc(bytes));
        if (block == nullptr)
            break;
        memcpy(block, text.c_str(), bytes);
        array[taken++] = block;
        ++m_position;
    }
    if (fetched != nullptr)
        *fetched = taken;
    return taken == count ? S_OK : S_FALSE;
}

STDMETHODIMP mvIEnumString::Skip(ULONG count) {
    std::lock_guard<std::mutex> hold(m_lock);
    unsigned long long next = static_cast<unsigned long long>(m_position) + count;
    m_position = static_cast<unsigned>(std::min<unsigned long long>(next, 0xFFFFFFFFu));
    return next > m_strings.size() ? S_FALSE : S_OK;
}

STDMETHODIMP mvIEnumString::Reset() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_position = 0;
    return S_OK;
}

STDMETHODIMP mvIEnumString::Clone(IEnumString** out) {
    if (out == nullptr)
        return E_UNEXPECTED;
    auto* copy = new mvIEnumString();
    {
        std::lock_guard<std::mutex> hold(m_lock);
        copy->m_strings = m_strings;
        copy->m_position = m_position;
        copy->m_limit = m_limit;
    }
    copy->m_unique = m_unique;
    copy->m_ignoreCase = m_ignoreCase;
    *out = copy;
    return S_OK;
}

void mvIEnumString::TrimToLimit() {
    if (m_limit > 0)
        while (m_strings.size() > static_cast<size_t>(m_limit))
            m_strings.pop_back();
}

int mvIEnumString::AddString(const mvstring& text) {
    if (text.empty())
        return -1;
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_unique) {
        auto same = std::find_if(m_strings.begin(), m_strings.end(), [&](const mvstring& s) {
            return m_ignoreCase ? mvstring::EqualsNoCase(s, text) : s == text;
        });
        if (same != m_strings.end())
            m_strings.erase(same);
    }
    m_position = 0;
    m_strings.push_front(text);
    TrimToLimit();
    return 0;
}

int mvIEnumString::SetLimit(int n) {
    std::lock_guard<std::mutex> hold(m_lock);
    int limit = n > 0 ? n : -1;
    if (limit != m_limit) {
        m_limit = limit;
        m_position = 0;
        TrimToLimit();
    }
    return m_limit;
}

int mvIEnumString::Limit() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_limit;
}

void mvIEnumString::Clear() {
    std::lock_guard<std::mutex> hold(m_lock);
    m_strings.clear();
    m_position = 0;
}

std::vector<mvstring> mvIEnumString::Strings() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return {m_strings.begin(), m_strings.end()};
}

unsigned mvIEnumString::Position() const {
    std::lock_guard<std::mutex> hold(m_lock);
    return m_position;
}

mvACBase::mvACBase() : m_enum(new mvIEnumString()) {}

mvACBase::~mvACBase() {
    Release();
}

bool mvACBase::Attach(HWND hwnd, bool dropOnArrowKeys) {
    if (hwnd == nullptr)
        return false;
    m_objMgr.Reset();
    if (FAILED(CoCreateInstance(CLSID_ACLMulti, nullptr, CLSCTX_ALL, IID_IObjMgr,
                                reinterpret_cast<void**>(m_objMgr.Put()))))
        return false;
    m_objMgr.Get()->Append(m_enum.Get());
    m_autoComplete.Reset();
    if (FAILED(CoCreateInstance(CLSID_AutoComplete, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAutoComplete, reinterpret_cast<void**>(m_autoComplete.Put()))))
        return false;
    ComHandle<IAutoComplete2> second;
    if (SUCCEEDED(m_autoComplete.Get()->QueryInterface(IID_IAutoComplete2,
                                                       reinterpret_cast<void**>(second.Put()))))
        second.Get()->SetOptions(ACO_AUTOSUGGEST | (dropOnArrowKeys ? ACO_UPDOWNKEYDROPSLIST : 0));
    return SUCCEEDED(m_autoComplete.Get()->Init(hwnd, m_objMgr.Get(), nullptr, nullptr));
}

void mvACBase::ResetEnumerator() {
    if (!m_autoComplete)
        return;
    ComHandle<IAutoCompleteDropDown> dropDown;
    if (SUCCEEDED(m_autoComplete.Get()->QueryInterface(IID_IAutoCompleteDropDown,
                                                       reinterpret_cast<void**>(dropDown.Put()))))
        dropDown.Get()->ResetEnumerator();
}

bool mvACBase::IsDropDownVisible() const {
    if (!m_autoComplete)
        return false;
    ComHandle<IAutoCompleteDropDown> dropDown;
    if (FAILED(m_autoComplete.Get()->QueryInterface(IID_IAutoCompleteDropDown,
                                                    reinterpret_cast<void**>(dropDown.Put()))))
        return false;
    DWORD flags = 0;
    CoTaskMemHandle<wchar_t> text;
    if (FAILED(dropDown.Get()->GetDropDownStatus(&flags, text.Put())))
        return false;
    return (flags & ACDD_VISIBLE) != 0;
}

void mvACBase::Clear() {
    m_enum.Get()->Clear();
    ResetEnumerator();
}

void mvACBase::Release() {
    m_autoComplete.Reset();
    for (auto& source : m_extraSources)
        source.Reset();
    m_shellSource.Reset();
    m_enum.Get()->Clear();
    m_objMgr.Reset();
}
