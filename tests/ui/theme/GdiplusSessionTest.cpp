#include "ui/theme/GdiplusSession.h"

#include <gtest/gtest.h>

TEST(GdiplusSession, StartedAtFirstUseWithOneToken) {
    // The first call starts the session; later calls give its token.
    const ULONG_PTR token = GdiplusSession(false);
    EXPECT_NE(token, 0u);
    EXPECT_EQ(GdiplusSession(false), token);
    const gdip::Api* api = gdip::GetApi();
    ASSERT_NE(api, nullptr);
    // The flat functions work on the session: a brush can be made and freed.
    gdip::Brush* brush = nullptr;
    EXPECT_EQ(api->CreateSolidFill(gdip::Argb(RGB(1, 2, 3), 255), &brush), 0);
    ASSERT_NE(brush, nullptr);
    EXPECT_EQ(api->DeleteBrush(brush), 0);
}

TEST(GdiplusSession, ArgbFromColorref) {
    EXPECT_EQ(gdip::Argb(RGB(0x11, 0x22, 0x33), 0xFF), 0xFF112233u);
    EXPECT_EQ(gdip::Argb(RGB(0xAB, 0, 0), 0x80), 0x80AB0000u);
    EXPECT_EQ(gdip::Argb(RGB(0, 0, 0xCD), 0), 0x000000CDu);
}
