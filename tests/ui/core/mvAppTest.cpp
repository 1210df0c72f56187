#include "ui/core/mvApp.h"

#include "ProbeWnd.h"

#include <gtest/gtest.h>

TEST(mvApp, TheNewestObjectIsTheApplicationAndAnEmptyNameIsTheProgramsName) {
    EXPECT_EQ(mvApp::Get(), nullptr);
    EXPECT_EQ(mvApp::Instance(), GetModuleHandleW(nullptr)) << "the process's module without one";
    {
        mvBaseApp unnamed(L"");
        EXPECT_EQ(unnamed.m_name, L"ui_tests");
        EXPECT_EQ(mvBaseApp::Get(), &unnamed);
        EXPECT_EQ(mvApp::Get(), &unnamed);
    }
    EXPECT_EQ(mvApp::Get(), nullptr) << "no pointer to an object that is gone";
    EXPECT_EQ(mvBaseApp::Get(), nullptr);

    mvApp named(L"Velquin");
    EXPECT_EQ(mvApp::Get(), &named);
    EXPECT_EQ(named.m_name, L"Velquin");
    EXPECT_EQ(named.m_exitCode, 0);
    EXPECT_EQ(mvBaseApp::Get(), nullptr) << "not an application base";
    EXPECT_EQ(mvApp::MainWindow(), nullptr);
    ProbeWnd main;
    ASSERT_TRUE(CreateTopLevel(main));
    named.m_mainWnd = &main;
    EXPECT_EQ(mvApp::MainWindow(), &main);
    EXPECT_TRUE(IsMainWindow(main.Handle()));
    EXPECT_FALSE(IsMainWindow(nullptr));
    named.m_mainWnd = nullptr;
}
