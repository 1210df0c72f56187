// A property system that formats every value as "<property id>:<flags>:<value>"
// or refuses, standing in for the system's where it cannot format.
#pragma once

#include <propsys.h>
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

// A property description with a key and a display name; everything else is
// refused. Lives on the stack of the list that hands it out.
class FakePropertyDescription : public IPropertyDescription {
public:
    FakePropertyDescription(const PROPERTYKEY& key, std::wstring name)
        : m_key(key), m_name(std::move(name)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IPropertyDescription)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetPropertyKey(PROPERTYKEY* key) override {
        *key = m_key;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* name) override {
        *name = static_cast<LPWSTR>(CoTaskMemAlloc((m_name.size() + 1) * sizeof(wchar_t)));
        wcscpy(*name, m_name.c_str());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetCanonicalName(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyType(VARTYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetEditInvitation(LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeFlags(PROPDESC_TYPE_FLAGS, PROPDESC_TYPE_FLAGS*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetViewFlags(PROPDESC_VIEW_FLAGS*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDefaultColumnWidth(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDisplayType(PROPDESC_DISPLAYTYPE*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetColumnState(SHCOLSTATEF*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetGroupingRange(PROPDESC_GROUPING_RANGE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRelativeDescriptionType(PROPDESC_RELATIVEDESCRIPTION_TYPE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetRelativeDescription(REFPROPVARIANT, REFPROPVARIANT, LPWSTR*,
                                                     LPWSTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSortDescription(PROPDESC_SORTDESCRIPTION*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSortDescriptionLabel(BOOL, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetAggregationType(PROPDESC_AGGREGATION_TYPE*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetConditionType(PROPDESC_CONDITION_TYPE*, CONDITION_OPERATION*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetEnumTypeList(REFIID, void** out) override {
        *out = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CoerceToCanonicalValue(PROPVARIANT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FormatForDisplay(REFPROPVARIANT, PROPDESC_FORMAT_FLAGS,
                                               LPWSTR*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE IsValueCanonical(REFPROPVARIANT) override { return E_NOTIMPL; }

private:
    PROPERTYKEY m_key;
    std::wstring m_name;
};

// The descriptions a fake property system lists, in the order given.
class FakePropertyDescriptionList : public IPropertyDescriptionList {
public:
    std::vector<FakePropertyDescription> descriptions;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(IPropertyDescriptionList)) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE GetCount(UINT* count) override {
        *count = static_cast<UINT>(descriptions.size());
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetAt(UINT index, REFIID iid, void** out) override {
        if (index >= descriptions.size()) {
            *out = nullptr;
            return E_INVALIDARG;
        }
        return descriptions[index].QueryInterface(iid, out);
    }
};

class FakePropertySystem : public IPropertySystem {
public:
    bool refuse = false;
    PROPVARIANT lastValue{};
    bool listed = false;
    FakePropertyDescriptionList descriptionList;
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
    // Listed only with the system filter, and only when `listed` is set.
    HRESULT STDMETHODCALLTYPE EnumeratePropertyDescriptions(PROPDESC_ENUMFILTER filter, REFIID iid,
                                                            void** out) override {
        if (!listed || filter != PDEF_SYSTEM) {
            *out = nullptr;
            return E_NOTIMPL;
        }
        return descriptionList.QueryInterface(iid, out);
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
