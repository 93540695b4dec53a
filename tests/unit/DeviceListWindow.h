// A report-style list-view of the test's own with the device table's nine columns, created on
// the test's thread (which is then the control's window thread) and destroyed after the test.
#pragma once

#include "discovery/DeviceTable.h"
#include "framework/Dpi.h"

#include <commctrl.h>
#include <gtest/gtest.h>

class DeviceListWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&controls);
        m_hwnd = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | LVS_REPORT, 0, 0, 800, 300, nullptr, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_hwnd, nullptr);
        m_list.Attach(m_hwnd);
        InsertDeviceColumns(m_list, SystemDpi());
    }

    void TearDown() override
    {
        if (m_hwnd)
            ::DestroyWindow(m_hwnd);
    }

    HWND m_hwnd = nullptr;
    CListCtrl m_list;
};
