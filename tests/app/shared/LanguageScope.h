// A language file of the test's own, loaded for the life of a scope, with
// no language (every text empty) again after it.
#pragma once

#include "foundation/Language.h"

#include "support/TempDir.h"

class LanguageScope {
public:
    explicit LanguageScope(const char* body) {
        Language() = VQ_MLang(); // no word lists cached from before
        loaded = Language().SetLanguageFile(m_dir.WriteFile(L"test.ini", body));
    }
    ~LanguageScope() { Language() = VQ_MLang(); }
    LanguageScope(const LanguageScope&) = delete;
    LanguageScope& operator=(const LanguageScope&) = delete;

    bool loaded = false;

private:
    TempDir m_dir;
};
