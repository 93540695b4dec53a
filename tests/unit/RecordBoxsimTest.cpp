// Recording the box simulator's stream over the test LAN through the real dialog, and the
// Record Files command on what that leaves behind.
#include "tests/unit/RecordTestSupport.h"

#include "framework/TextCodec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>

using namespace recordtest;

namespace {

constexpr int BLOCK = RECORD_BLOCK_SIZE;

// The box simulator serves streams on 10.86.1.10-19.
class RecordBoxsim : public MainDialogTest {
protected:
    // Record, wait for at least `blocks` blocks, Stop, and wait for the file to be closed.
    // Returns the file's path.
    std::string RecordBlocks(DeviceId id, int blocks)
    {
        COrvaneDlg& dialog = MainDialog();
        SelectOnly(RowOf(id));
        ClickRecord();
        const std::string path = WideToNarrow(dialog.Recordings().File(id));
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
    SelectOnly(PutBoxRow(StreamBox(id, "10.86.1.11")));
    const std::size_t threadsBefore = dialog.m_recorderThreads.size();

    const std::time_t before = std::time(nullptr);
    ClickRecord();
    const std::time_t after = std::time(nullptr);
    RowView started = ReadRow(id);
    EXPECT_EQ(started.record, L"Open");
    EXPECT_EQ(started.state, ROW_RECORDING);
    EXPECT_TRUE(dialog.Recordings().IsWanted(id));
    EXPECT_EQ(dialog.m_recorderThreads.size(), threadsBefore + 1);
    const std::string first = WideToNarrow(dialog.Recordings().File(id));
    const std::string prefix = WideToAnsi(GetExecutableDirectory().c_str()) + "\\10.86.1.11_";
    EXPECT_TRUE(first == prefix + TimeStampOf(before) + ".ts" || first == prefix + TimeStampOf(after) + ".ts")
        << first;

    EXPECT_TRUE(PumpUntil([&] { return ReadRow(id).record == L"On"; }, 5000));
    ASSERT_TRUE(PumpUntil([&] { return FileSize(first) >= 3 * BLOCK; }, 30000));
    ClickRecord();  // Stop
    RowView stopped = ReadRow(id);
    EXPECT_EQ(stopped.record, L"Off");
    EXPECT_EQ(stopped.state, ROW_IDLE);
    EXPECT_FALSE(dialog.Recordings().IsWanted(id));
    // The recorder finishes the block it is receiving, then closes the file.
    ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(first); }, 10000));
    ExpectWholeBlocksOfTs(first, 3);
    EXPECT_EQ(WideToNarrow(dialog.Recordings().File(id)), first) << "Stop keeps the file entry";

    ClickRecord();
    const std::string second = WideToNarrow(dialog.Recordings().File(id));
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
        SelectOnly(PutBoxRow(StreamBox(ids[i], "10.86.1.1" + std::to_string(2 + i))));
        ClickRecord();
        paths.push_back(WideToNarrow(dialog.Recordings().File(ids[i])));
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
const char SILENT_ADDRESS[] = "10.86.1.254";

TEST_F(RecordBoxsim, StopWhileConnectingShowsNoMessageAndForgetsTheFile)
{
    COrvaneDlg& dialog = MainDialog();
    const DeviceId id = 4131;
    MessageBoxCatcher messages;
    SelectOnly(PutBoxRow(StreamBox(id, SILENT_ADDRESS)));
    ClickRecord();
    ASSERT_FALSE(dialog.Recordings().File(id).empty());
    ClickRecord();  // Stop while the recorder still connects
    // The connection fails: the file entry is emptied and the row stays idle, silently.
    ASSERT_TRUE(PumpUntil([&] { return dialog.Recordings().File(id).empty(); }, 30000));
    EXPECT_TRUE(WaitRecordingOff(id, 1000));
    PumpFor(300);
    EXPECT_TRUE(messages.Texts().empty());
}

// The box simulator's open stream connections to one of its addresses, by client endpoint.
std::vector<std::string> StreamsTo(BoxSim& boxsim, const std::string& boxAddress)
{
    std::vector<std::string> peers;
    bool ok = false;
    for (const std::string& line : boxsim.Command("STREAMS", &ok)) {
        if (line.find(" local=" + boxAddress + " ") == std::string::npos)
            continue;
        const std::size_t begin = line.find("peer=") + 5;
        peers.push_back(line.substr(begin, line.find(' ', begin) - begin));
    }
    EXPECT_TRUE(ok) << "the box simulator does not list its streams";
    return peers;
}

// How the simulator begins its stream responses while a test runs; normal again afterwards.
class HeaderModeOfBoxes {
public:
    HeaderModeOfBoxes(BoxSim& boxsim, const std::string& mode) : m_boxsim(boxsim)
    {
        bool ok = false;
        m_boxsim.Command("HEADER " + mode, &ok);
        EXPECT_TRUE(ok) << "the box simulator does not take HEADER " << mode;
    }
    ~HeaderModeOfBoxes() { m_boxsim.Command("HEADER normal"); }

private:
    BoxSim& m_boxsim;
};

// Milliseconds until the connection is gone from the simulator's list (pumping meanwhile), or -1.
int MillisecondsUntilClosed(BoxSim& boxsim, const std::string& boxAddress, const std::string& peer, int timeoutMs)
{
    const DWORD start = ::GetTickCount();
    auto open = [&] {
        const std::vector<std::string> peers = StreamsTo(boxsim, boxAddress);
        return std::find(peers.begin(), peers.end(), peer) != peers.end();
    };
    if (!PumpUntil([&] { return !open(); }, timeoutMs))
        return -1;
    return (int)(::GetTickCount() - start);
}

// A box that trickles its response header (one byte every 100 ms, about 7 s in all): a newer
// recording of the box, and then a Stop, each end the wait for the header within about a
// second and close the connection. As with any Stop before the body, the file is made empty.
TEST_F(RecordBoxsim, StopAndANewerRecordingEndTheWaitForATrickledHeader)
{
    COrvaneDlg& dialog = MainDialog();
    BoxSim boxsim;
    ASSERT_TRUE(boxsim.Connected());
    HeaderModeOfBoxes trickle(boxsim, "trickle");
    MessageBoxCatcher messages;
    const std::string address = "10.86.1.17";
    const DeviceId id = 4141;
    SelectOnly(PutBoxRow(StreamBox(id, address)));

    ClickRecord();
    const std::wstring firstPath = dialog.Recordings().File(id);
    ASSERT_TRUE(PumpUntil([&] { return StreamsTo(boxsim, address).size() == 1; }, 5000));
    const std::string first = StreamsTo(boxsim, address)[0];
    PumpFor(500);  // a few header bytes have arrived
    ClickRecord();  // Stop
    ClickRecord();  // Record again: the newer recording of the box
    const std::wstring secondPath = dialog.Recordings().File(id);
    const int firstClosedAfter = MillisecondsUntilClosed(boxsim, address, first, 5000);
    EXPECT_GE(firstClosedAfter, 0) << "the first recorder keeps waiting for its header";
    EXPECT_LE(firstClosedAfter, 2000);

    ASSERT_TRUE(PumpUntil([&] { return StreamsTo(boxsim, address).size() == 1; }, 5000));
    const std::string second = StreamsTo(boxsim, address)[0];
    PumpFor(500);
    EXPECT_TRUE(dialog.Recordings().IsWanted(id)) << "the first recorder's end leaves the newer recording alone";
    ClickRecord();  // Stop, while the header still trickles
    const int secondClosedAfter = MillisecondsUntilClosed(boxsim, address, second, 5000);
    EXPECT_GE(secondClosedAfter, 0) << "the recorder keeps waiting for its header after Stop";
    EXPECT_LE(secondClosedAfter, 2000);

    ASSERT_TRUE(WaitRecordingOff(id, 2000));
    for (const std::wstring& path : {firstPath, secondPath}) {
        ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(WideToNarrow(path)); }, 5000));
        EXPECT_EQ(FileSize(WideToNarrow(path)), 0) << WideToNarrow(path);
        ::DeleteFileW(path.c_str());
    }
    EXPECT_EQ(dialog.Recordings().File(id), secondPath) << "Stop keeps the file entry";
    EXPECT_TRUE(messages.Texts().empty());
}

// A box whose answer never ends its header: past 64 KiB the recording fails like a failed
// connect (flag cleared, file entry emptied, no file, row idle), and the operator is told
// that the answer is not a stream.
TEST_F(RecordBoxsim, AnEndlessHeaderFailsSayingTheAnswerIsNotAStream)
{
    COrvaneDlg& dialog = MainDialog();
    BoxSim boxsim;
    ASSERT_TRUE(boxsim.Connected());
    HeaderModeOfBoxes endless(boxsim, "endless");
    MessageBoxCatcher messages;
    const std::string address = "10.86.1.18";
    const DeviceId id = 4142;
    SelectOnly(PutBoxRow(StreamBox(id, address)));

    ClickRecord();
    const std::wstring path = dialog.Recordings().File(id);
    ASSERT_TRUE(messages.WaitForCount(1, 10000));
    EXPECT_EQ(messages.Texts()[0],
              L"The box's answer is not a stream (no end of its header within 64 KiB): " + NarrowToWide(address));
    ASSERT_TRUE(WaitRecordingOff(id, 5000));
    EXPECT_EQ(dialog.Recordings().File(id), L"");
    EXPECT_TRUE(PumpUntil([&] { return StreamsTo(boxsim, address).empty(); }, 3000)) << "the connection stays open";
    EXPECT_EQ(FileSize(WideToNarrow(path)), -1) << "no file for an answer that is not a stream";
    PumpFor(300);
    EXPECT_EQ(messages.Texts().size(), 1u);
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
    PutBoxRow(StreamBox(recorded, "10.86.1.16"));
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
    EXPECT_TRUE(dialog.Recordings().HasFile(recorded));
    EXPECT_EQ(dialog.Recordings().File(recorded), L"");

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
    SelectOnly(PutBoxRow(StreamBox(connecting, SILENT_ADDRESS)));
    ClickRecord();
    ClickRecordFiles();
    ASSERT_TRUE(messages.WaitForCount(1, 5000));
    EXPECT_EQ(messages.Texts()[0], L"File not existed! Connect don't established until now!");
    EXPECT_EQ(ExplorerCalls().size(), 4u);

    // The connection then fails while wanted: the operator is told, and the folder opens.
    ASSERT_TRUE(messages.WaitForCount(2, 30000));
    EXPECT_EQ(messages.Texts()[1], L"Connect failed: " + NarrowToWide(SILENT_ADDRESS));
    ASSERT_TRUE(WaitRecordingOff(connecting, 5000));
    EXPECT_EQ(dialog.Recordings().File(connecting), L"");
    SelectOnly(RowOf(connecting));
    ClickRecordFiles();
    ASSERT_EQ(ExplorerCalls().size(), 5u);
    EXPECT_EQ(ExplorerCalls()[4], folder);
    dialog.m_openExplorer = nullptr;
}

} // namespace
