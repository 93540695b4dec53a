// The base fixture of every test of the real main dialog (tests/unit/MainDialogHarness.h).
#pragma once

#include "tests/unit/MainDialogHarness.h"

#include <gtest/gtest.h>

#include <vector>

// Skips outside the test LAN; starts from a quiet box simulator (and fails when ORVANE_BOXSIM
// names one that does not answer), the program's own recording settings and an empty table;
// puts back the recording flags a test set and empties the table again.
class MainDialogTest : public ::testing::Test {
protected:
    enum class Start {
        WITH_DIALOG,  // the main dialog exists when the test begins
        // The test creates it itself, after the simulator was quieted (to see what the dialog
        // does first); nothing of the dialog is touched before or after.
        DIALOG_LATER,
    };
    explicit MainDialogTest(Start start = Start::WITH_DIALOG) : m_start(start) {}

    void SetUp() override;
    void TearDown() override;
    void SetRecording(DeviceId id, bool wanted);
    // Deletes every row with nothing selected, as Clear does with no box recorded, and waits
    // until the selection watcher has seen that.
    void EmptyTable();
    const CListCtrl& List() const { return MainDialog().DeviceListCtrl(); }

    COrvaneDlg* m_dialog = nullptr;  // null until the test has the dialog
    std::vector<DeviceId> m_flagged;

private:
    Start m_start;
};
