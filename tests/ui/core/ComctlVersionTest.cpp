#include "ui/core/ComctlVersion.h"

#include <gtest/gtest.h>

#include <uxtheme.h>

TEST(ComctlVersion, ThemedFromVersionSix) {
    if (!IsAppThemed()) {
        // Not themed: no version makes the controls themed.
        SetComctlMajorVersion(6);
        EXPECT_FALSE(IsThemedComctl());
        SetComctlMajorVersion(0);
        return;
    }
    struct Case {
        DWORD major;
        bool themed;
    } cases[] = {{5, false}, {6, true}, {7, true}, {1, false}};
    for (const Case& c : cases) {
        SetComctlMajorVersion(c.major);
        EXPECT_EQ(IsThemedComctl(), c.themed) << c.major;
    }
    SetComctlMajorVersion(0);
}
