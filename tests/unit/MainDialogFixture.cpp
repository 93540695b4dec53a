#include "tests/unit/MainDialogFixture.h"

void MainDialogTest::SetUp()
{
    SKIP_UNLESS_TEST_LAN();
    // Before the dialog exists, so no announcement but the test's own reaches it.
    ASSERT_TRUE(QuietLan()) << "the box simulator at ORVANE_BOXSIM does not answer";
    if (m_start == Start::DIALOG_LATER)
        return;
    m_dialog = &MainDialog();
    ASSERT_NE(m_dialog->GetSafeHwnd(), nullptr);
    m_dialog->m_recordSilenceLimitMs = RECORD_SILENCE_LIMIT_MS;
    PumpFor(50);
    EmptyTable();
}

void MainDialogTest::TearDown()
{
    if (!m_dialog)
        return;
    for (DeviceId id : m_flagged)
        m_dialog->Recordings().SetWanted(id, false);
    EmptyTable();
}

void MainDialogTest::SetRecording(DeviceId id, bool wanted)
{
    m_dialog->Recordings().SetWanted(id, wanted);
    m_flagged.push_back(id);
}

void MainDialogTest::EmptyTable()
{
    COrvaneDlg& dialog = MainDialog();
    SelectRows(dialog.DeviceListCtrl(), {});
    dialog.DeviceListCtrl().DeleteAllItems();
    PumpUntil([&] { return ControlText(dialog, IDC_RECORD) == L"Record" && dialog.SelectedRow() == -1; }, 1000);
}
