// The results list's own tooltip window, which shows the info tips: no tips
// while a search, a load or a search within results runs, painted in the
// theme's colours and transparent to the mouse.
#pragma once

#include "ui/controls/ToolTip.h"

class CVQListViewTT : public mvToolTipCtrl {
public:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};
