// A property system that formats every value as "<property id>:<flags>:<value>"
// or refuses, standing in for the system's where it cannot format.
#pragma once

#include <propsys.h>
#include <windows.h>

#include <functional>
#include <string>

class FakePropertySystem : public IPropertySystem {
public:
    bool refuse = false;
    PROPVARIANT lastValue{};
    // Runs before each value is formatted, to look at the caller's state.
    std::function<void()> onFormat;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IPropertySystem)) {
            *out = this;
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --m_refs; }
    ULONG References() const { return m_refs; }

    HRESULT STDMETHODCALLTYPE FormatForDisplayAlloc(REFPROPERTYKEY key, REFPROPVARIANT value,
                                                    PROPDESC_FORMAT_FLAGS flags,
                                                    LPWSTR* text) override {
        *text = nullptr;
        if (onFormat)
            onFormat();
        lastValue = value;
        if (refuse)
            return E_NOTIMPL;
        unsigned long long number =
            value.vt == VT_UI8   ? value.uhVal.QuadPart
            : value.vt == VT_UI4 ? value.ulVal
            : value.vt == VT_FILETIME
                ? (static_cast<unsigned long long>(value.filetime.dwHighDateTime) << 32) |
                      value.filetime.dwLowDateTime
                : ~0ull;
        std::wstring s = std::to_wstring(key.pid) + L":" + std::to_wstring(flags) + L":" +
                         std::to_wstring(number);
        *text = static_cast<LPWSTR>(CoTaskMemAlloc((s.size() + 1) * sizeof(wchar_t)));
        wcscpy(*text, s.c_str());
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE GetPropertyDescription(REFPROPERTYKEY, REFIID, void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyDescriptionByName(LPCWSTR, REFIID, void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetPropertyDescriptionListFromString(LPCWSTR, REFIID,
                                                                   void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EnumeratePropertyDescriptions(PROPDESC_ENUMFILTER, REFIID,
                                                            void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FormatForDisplay(REFPROPERTYKEY, REFPROPVARIANT,
                                               PROPDESC_FORMAT_FLAGS, LPWSTR, DWORD) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE RegisterPropertySchema(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnregisterPropertySchema(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RefreshPropertySchema() override { return E_NOTIMPL; }

private:
    ULONG m_refs = 1;
};
