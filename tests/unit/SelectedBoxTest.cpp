// Record, Stop and Record Files act on the box the operator sees selected at the click, also
// when the table has just changed under the selection and the selection watcher has not yet
// caught up: a new box inserted at the top, or Clear removing rows above the selected one.
// Real dialog, real recordings of the box simulator's streams on the test LAN.
#include "tests/unit/RecordTestSupport.h"

#include "framework/TextCodec.h"

#include <gtest/gtest.h>

namespace {

std::vector<std::wstring>& ExplorerCalls()
{
    static std::vector<std::wstring> calls;
    return calls;
}

void RecordExplorerCall(const std::wstring& parameters)
{
    ExplorerCalls().push_back(parameters);
}

class SelectedBox : public MainDialogTest {
protected:
    void SetUp() override
    {
        MainDialogTest::SetUp();
        if (!m_dialog)
            return;
        m_dialog->m_openExplorer = RecordExplorerCall;
        ExplorerCalls().clear();
    }

    void TearDown() override
    {
        if (m_dialog) {
            for (DeviceId id : m_recorded) {
                m_dialog->Recordings().SetWanted(id, false);
                const std::string path = WideToNarrow(m_dialog->Recordings().File(id));
                EXPECT_TRUE(PumpUntil([&] { return recordtest::IsFileClosed(path); }, 10000)) << path;
                ::DeleteFileA(path.c_str());
            }
            m_dialog->m_openExplorer = nullptr;
        }
        MainDialogTest::TearDown();
    }

    // Selects only the box's row and waits until the watcher has taken it.
    void SelectBox(DeviceId id)
    {
        const int row = RowOf(List(), id);
        SelectRows(List(), {row});
        ASSERT_TRUE(PumpUntil([&] { return m_dialog->SelectedRow() == row; }, 2000)) << "box " << id;
    }

    // Records the box through its row and waits until its file exists.
    void RecordUntilFileExists(DeviceId id)
    {
        SelectBox(id);
        ClickButton(*m_dialog, IDC_RECORD);
        ASSERT_TRUE(m_dialog->Recordings().IsWanted(id)) << "box " << id;
        m_recorded.push_back(id);
        const std::string path = WideToNarrow(m_dialog->Recordings().File(id));
        ASSERT_TRUE(PumpUntil([&] { return recordtest::FileSize(path) >= 0; }, 15000)) << path;
    }

    void ExpectRecording(DeviceId id, bool wanted)
    {
        EXPECT_EQ(m_dialog->Recordings().IsWanted(id), wanted) << "box " << id;
        const int row = RowOf(List(), id);
        ASSERT_GE(row, 0) << "box " << id;
        EXPECT_EQ(TagOfRow(List(), row)->state, wanted ? ROW_RECORDING : ROW_IDLE) << "box " << id;
    }

    std::vector<DeviceId> m_recorded;
    MessageBoxCatcher m_messages;
};

// Box 11 selected; box 33 announced just before Record: box 11 is recorded, 33 is not. Then a
// box 44 announced just before Stop: box 11 stops.
TEST_F(SelectedBox, RecordAndStopRightAfterANewBoxAtTheTop)
{
    ASSERT_GE(PutBoxRow(recordtest::StreamBox(5511, "10.86.1.17")), 0);
    SelectBox(5511);

    ASSERT_EQ(PutBoxRow(recordtest::StreamBox(5533, "10.86.1.18")), 0);
    ASSERT_EQ(m_dialog->SelectedRow(), 0) << "the watcher must not have seen the new row yet";
    const std::size_t recorders = m_dialog->m_recorderThreads.size();
    ClickButton(*m_dialog, IDC_RECORD);
    EXPECT_EQ(m_dialog->m_recorderThreads.size(), recorders + 1);
    m_recorded.push_back(5511);
    ExpectRecording(5511, true);
    EXPECT_EQ(List().GetItemText(RowOf(List(), 5511), COL_RECORD), L"Open");
    EXPECT_FALSE(m_dialog->Recordings().IsWanted(5533));
    EXPECT_EQ(List().GetItemText(RowOf(List(), 5533), COL_RECORD), L"Off");
    EXPECT_EQ(m_dialog->Recordings().File(5511).find(L"10.86.1.17_"), GetExecutableDirectory().size() + 1);

    ASSERT_TRUE(PumpUntil([&] { return m_dialog->SelectedRow() == 1; }, 2000));
    ASSERT_EQ(PutBoxRow(recordtest::StreamBox(5544, "10.86.1.18")), 0);
    ClickButton(*m_dialog, IDC_RECORD);
    ExpectRecording(5511, false);
    EXPECT_FALSE(m_dialog->Recordings().IsWanted(5544));
    EXPECT_EQ(List().GetItemText(RowOf(List(), 5544), COL_RECORD), L"Off");
    EXPECT_EQ(m_dialog->m_recorderThreads.size(), recorders + 1) << "Stop starts no recorder";
    EXPECT_TRUE(m_messages.Texts().empty());
}

// Rows 11 idle, 22 recording and selected, 33 recording; Clear; then at once Stop stops 22
// and 33 keeps recording, and Record Files shows 22's file.
TEST_F(SelectedBox, StopAndRecordFilesRightAfterClearAboveTheSelection)
{
    PutBoxRow(recordtest::StreamBox(5633, "10.86.1.18"));
    PutBoxRow(recordtest::StreamBox(5622, "10.86.1.17"));
    PutBoxRow(recordtest::StreamBox(5611, "10.86.1.16"));
    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({5611, 5622, 5633}));
    RecordUntilFileExists(5633);
    RecordUntilFileExists(5622);
    SelectBox(5622);
    ASSERT_TRUE(PumpUntil([&] { return ControlText(*m_dialog, IDC_RECORD) == L"Stop"; }, 2000));

    ClickButton(*m_dialog, IDC_CLEAR);
    ASSERT_EQ(RowIds(List()), std::vector<DeviceId>({5622, 5633}));
    ASSERT_EQ(m_dialog->SelectedRow(), 1) << "the watcher must not have seen the Clear yet";
    ClickButton(*m_dialog, IDC_RECORD_FILES);
    ASSERT_EQ(ExplorerCalls().size(), 1u);
    EXPECT_EQ(ExplorerCalls()[0], L"/select," + m_dialog->Recordings().File(5622));

    ClickButton(*m_dialog, IDC_RECORD);
    ExpectRecording(5622, false);
    ExpectRecording(5633, true);

    // The same with a new box inserted above the stopped one: Record Files still shows its file.
    ASSERT_EQ(PutBoxRow(recordtest::StreamBox(5644, "10.86.1.16")), 0);
    ClickButton(*m_dialog, IDC_RECORD_FILES);
    ASSERT_EQ(ExplorerCalls().size(), 2u);
    EXPECT_EQ(ExplorerCalls()[1], L"/select," + m_dialog->Recordings().File(5622));
    EXPECT_TRUE(m_messages.Texts().empty());
}

} // namespace
