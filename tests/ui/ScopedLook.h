// Puts the system look (or the own colour theme) in force for one test and
// the previous state back afterwards.
#pragma once

#include "ui/theme/UiTheme.h"

class ScopedLook {
public:
    explicit ScopedLook(bool systemLook) : m_saved(UiTheme::Get().SystemLookFlag) {
        UiTheme::Get().SystemLookFlag = systemLook;
    }
    ~ScopedLook() { UiTheme::Get().SystemLookFlag = m_saved; }
    ScopedLook(const ScopedLook&) = delete;
    ScopedLook& operator=(const ScopedLook&) = delete;

private:
    bool m_saved;
};
