// An application object for the window library's tests that records the
// help requests windows pass up to it.
#pragma once

#include "ui/core/mvApp.h"

#include <vector>

class HelpApp : public mvApp {
public:
    HelpApp() : mvApp(L"Velquin") {}
    void OnHelp(UINT message, WPARAM, LPARAM) override { helpMessages.push_back(message); }
    std::vector<UINT> helpMessages;
};
