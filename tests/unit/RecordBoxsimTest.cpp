// Recording the box simulator's stream over the test LAN through the real dialog, and the
// Record Files command on what that leaves behind.
#include "RecordTestSupport.h"

#include "framework/TextCodec.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace recordtest;

namespace {

constexpr int BLOCK = RECORD_BLOCK_SIZE;

class RecordBoxsim : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!OnTestLan())
            GTEST_SKIP() << "needs the test LAN (ORVANE_TEST_LAN=1) with the box simulator on 10.86.1.10-19";
        MainDialog().m_recordSilenceLimitMs = RECORD_SILENCE_LIMIT_MS;
    }

    // Record, wait for at least `blocks` blocks, Stop, and wait for the file to be closed.
    // Returns the file's path.
    std::string RecordBlocks(DeviceId id, int blocks)
    {
        COrvaneDlg& dialog = MainDialog();
        SelectOnly(RowOf(id));
        ClickRecord();
        const std::string path = WideToNarrow(dialog.RecordingFile(id));
        EXPECT_TRUE(PumpUntil([&] { return FileSize(path) >= (std::int64_t)blocks * BLOCK; }, 30000))
            << path << " did not reach " << blocks << " blocks";
        SelectOnly(RowOf(id));
        ClickRecord();
        EXPECT_TRUE(PumpUntil([&] { return IsFileClosed(path); }, 10000)) << path << " stays open after Stop";
        return path;
    }
};

std::string TimeStampOf(std::time_t when)
{
    char text[32] = {};
    std::strftime(text, sizeof text, "%Y%m%d_%H%M%S", std::localtime(&when));
    return text;
}

// Whole blocks of the stream, 0x47 at the start of every 188-byte packet.
void ExpectWholeBlocksOfTs(const std::string& path, int minBlocks)
{
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    EXPECT_GE(bytes.size(), (std::size_t)minBlocks * BLOCK) << path;
    EXPECT_EQ(bytes.size() % BLOCK, 0u) << path;
    ASSERT_FALSE(bytes.empty()) << path;
    EXPECT_EQ(bytes[0], 0x47) << path;
    EXPECT_EQ(FirstMissingSyncByte(bytes), -1) << path;
}

TEST_F(RecordBoxsim, RecordsWholeBlocksUntilStoppedThenANewRecordingGetsALaterName)
{
    COrvaneDlg& dialog = MainDialog();
    const DeviceId id = 4101;
    MessageBoxCatcher messages;
    SelectOnly(AddBoxRow(id, L"10.86.1.11"));
    const std::size_t threadsBefore = dialog.m_recorderThreads.size();

    const std::time_t before = std::time(nullptr);
    ClickRecord();
    const std::time_t after = std::time(nullptr);
    RowView started = ReadRow(id);
    EXPECT_EQ(started.record, L"Open");
    EXPECT_EQ(started.state, ROW_RECORDING);
    EXPECT_TRUE(dialog.IsRecordingWanted(id));
    EXPECT_EQ(dialog.m_recorderThreads.size(), threadsBefore + 1);
    const std::string first = WideToNarrow(dialog.RecordingFile(id));
    const std::string prefix = WideToAnsi(GetExecutableDirectory().c_str()) + "\\10.86.1.11_";
    EXPECT_TRUE(first == prefix + TimeStampOf(before) + ".ts" || first == prefix + TimeStampOf(after) + ".ts")
        << first;

    EXPECT_TRUE(PumpUntil([&] { return ReadRow(id).record == L"On"; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return FileSize(first) >= 3 * BLOCK; }, 30000));
    ClickRecord();  // Stop
    RowView stopped = ReadRow(id);
    EXPECT_EQ(stopped.record, L"Off");
    EXPECT_EQ(stopped.state, ROW_IDLE);
    EXPECT_FALSE(dialog.IsRecordingWanted(id));
    // The recorder finishes the block it is receiving, then closes the file.
    ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(first); }, 10000));
    ExpectWholeBlocksOfTs(first, 3);
    EXPECT_EQ(WideToNarrow(dialog.RecordingFile(id)), first) << "Stop keeps the file entry";

    ClickRecord();
    const std::string second = WideToNarrow(dialog.RecordingFile(id));
    EXPECT_GT(second, first);
    EXPECT_EQ(dialog.m_recorderThreads.size(), threadsBefore + 2);
    ASSERT_TRUE(PumpUntil([&] { return FileSize(second) >= BLOCK; }, 30000));
    ClickRecord();
    ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(second); }, 10000));
    ExpectWholeBlocksOfTs(second, 1);
    ExpectWholeBlocksOfTs(first, 3);  // untouched by the second recording

    EXPECT_TRUE(messages.Texts().empty());
    ::DeleteFileA(first.c_str());
    ::DeleteFileA(second.c_str());
}

TEST_F(RecordBoxsim, SeveralBoxesRecordAtOnce)
{
    COrvaneDlg& dialog = MainDialog();
    MessageBoxCatcher messages;
    const DeviceId ids[] = {4111, 4112, 4113, 4114};
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        SelectOnly(AddBoxRow(ids[i], L"10.86.1.1" + std::to_wstring(2 + i)));
        ClickRecord();
        paths.push_back(WideToNarrow(dialog.RecordingFile(ids[i])));
    }
    for (const std::string& path : paths)
        ASSERT_TRUE(PumpUntil([&] { return FileSize(path) >= 2 * BLOCK; }, 30000)) << path;
    for (DeviceId id : ids) {
        SelectOnly(RowOf(id));
        ClickRecord();
    }
    for (int i = 0; i < 4; ++i) {
        ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(paths[i]); }, 10000));
        ExpectWholeBlocksOfTs(paths[i], 2);
        EXPECT_EQ(ReadRow(ids[i]).record, L"Off");
        ::DeleteFileA(paths[i].c_str());
    }
    EXPECT_TRUE(messages.Texts().empty());
}

// An address of the test LAN where nothing answers: connecting takes a few seconds and fails.
const wchar_t SILENT_ADDRESS[] = L"10.86.1.254";

TEST_F(RecordBoxsim, StopWhileConnectingShowsNoMessageAndForgetsTheFile)
{
    COrvaneDlg& dialog = MainDialog();
    const DeviceId id = 4131;
    MessageBoxCatcher messages;
    SelectOnly(AddBoxRow(id, SILENT_ADDRESS));
    ClickRecord();
    ASSERT_FALSE(dialog.RecordingFile(id).empty());
    ClickRecord();  // Stop while the recorder still connects
    // The connection fails: the file entry is emptied and the row stays idle, silently.
    ASSERT_TRUE(PumpUntil([&] { return dialog.RecordingFile(id).empty(); }, 30000));
    EXPECT_TRUE(WaitRecordingOff(id, 1000));
    PumpFor(300);
    EXPECT_TRUE(messages.Texts().empty());
}

std::vector<std::wstring>& ExplorerCalls()
{
    static std::vector<std::wstring> calls;
    return calls;
}

// Stands in for Explorer: ShellExecuteW would start Wine's own explorer, which shows nothing
// a test can read back.
void RecordExplorerCall(const std::wstring& parameters)
{
    ExplorerCalls().push_back(parameters);
}

TEST_F(RecordBoxsim, RecordFilesSelectsTheNewestFileOrOpensTheFolder)
{
    COrvaneDlg& dialog = MainDialog();
    dialog.m_openExplorer = RecordExplorerCall;
    ExplorerCalls().clear();
    MessageBoxCatcher messages;
    const std::wstring folder = GetExecutableDirectory();

    // A finished recording: Explorer selects its file.
    const DeviceId recorded = 4121;
    AddBoxRow(recorded, L"10.86.1.16");
    const std::string path = RecordBlocks(recorded, 1);
    SelectOnly(RowOf(recorded));
    ClickRecordFiles();
    ASSERT_EQ(ExplorerCalls().size(), 1u);
    EXPECT_EQ(ExplorerCalls()[0], L"/select," + NarrowToWide(path));

    // The file deleted: the entry is forgotten and the folder opens, then and later.
    ASSERT_TRUE(::DeleteFileA(path.c_str()));
    ClickRecordFiles();
    ClickRecordFiles();
    ASSERT_EQ(ExplorerCalls().size(), 3u);
    EXPECT_EQ(ExplorerCalls()[1], folder);
    EXPECT_EQ(ExplorerCalls()[2], folder);
    EXPECT_TRUE(dialog.HasRecordingFile(recorded));
    EXPECT_EQ(dialog.RecordingFile(recorded), L"");

    // No selection: Record does nothing, Record Files opens the folder.
    SelectOnly(-1);
    const std::size_t threads = dialog.m_recorderThreads.size();
    ClickRecord();
    EXPECT_EQ(dialog.m_recorderThreads.size(), threads);
    ClickRecordFiles();
    ASSERT_EQ(ExplorerCalls().size(), 4u);
    EXPECT_EQ(ExplorerCalls()[3], folder);

    // Still connecting: no file yet, so a message and no Explorer.
    const DeviceId connecting = 4122;
    SelectOnly(AddBoxRow(connecting, SILENT_ADDRESS));
    ClickRecord();
    ClickRecordFiles();
    ASSERT_TRUE(messages.WaitForCount(1, 5000));
    EXPECT_EQ(messages.Texts()[0], L"File not existed! Connect don't established until now!");
    EXPECT_EQ(ExplorerCalls().size(), 4u);

    // The connection then fails while wanted: the operator is told, and the folder opens.
    ASSERT_TRUE(messages.WaitForCount(2, 30000));
    EXPECT_EQ(messages.Texts()[1], std::wstring(L"Connect failed: ") + SILENT_ADDRESS);
    ASSERT_TRUE(WaitRecordingOff(connecting, 5000));
    EXPECT_EQ(dialog.RecordingFile(connecting), L"");
    SelectOnly(RowOf(connecting));
    ClickRecordFiles();
    ASSERT_EQ(ExplorerCalls().size(), 5u);
    EXPECT_EQ(ExplorerCalls()[4], folder);
    dialog.m_openExplorer = nullptr;
}

} // namespace
