// A setting of the process-wide block replaced for the life of a scope, and
// given back after it, without writing any settings file.
#pragma once

#include "foundation/Settings.h"
#include "foundation/mvini.h"

#include <cstdint>

template <typename Setting> class ScopedSetting {
public:
    ScopedSetting(Setting& slot, const Setting& value) : m_slot(slot), m_old(slot) {
        m_slot = value;
    }
    ~ScopedSetting() { m_slot = m_old; }
    ScopedSetting(const ScopedSetting&) = delete;
    ScopedSetting& operator=(const ScopedSetting&) = delete;

private:
    Setting& m_slot;
    Setting m_old;
};

// Settings that hold a value and name no file, to put in place.
inline BoolSetting UnsavedBool(bool value) {
    BoolSetting setting;
    setting.Load(mvini(L"global"), L"unused", value, SettingFileNone);
    return setting;
}
inline ByteSetting UnsavedByte(std::uint8_t value) {
    ByteSetting setting;
    setting.Load(mvini(L"global"), L"unused", 0, 255, value, SettingFileNone);
    return setting;
}

class ScopedBoolSetting : public ScopedSetting<BoolSetting> {
public:
    ScopedBoolSetting(BoolSetting& slot, bool value)
        : ScopedSetting<BoolSetting>(slot, UnsavedBool(value)) {}
};
class ScopedByteSetting : public ScopedSetting<ByteSetting> {
public:
    ScopedByteSetting(ByteSetting& slot, std::uint8_t value)
        : ScopedSetting<ByteSetting>(slot, UnsavedByte(value)) {}
};
