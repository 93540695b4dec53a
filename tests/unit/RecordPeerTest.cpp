// Recordings from HTTP peers that misbehave, each scripted in the test process on its own
// loopback address (port 80, as the Record command always uses), through the real dialog.
#include "tests/unit/RecordTestSupport.h"

#include "framework/TextCodec.h"
#include "recording/Recorder.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>

using namespace recordtest;

namespace {

constexpr int BLOCK = RECORD_BLOCK_SIZE;
// The program waits 15 s for a silent box; the tests shorten that.
constexpr int TEST_SILENCE_LIMIT_MS = 1500;
constexpr std::uint64_t PACED_RATE = 8 * 1024 * 1024;  // bytes per second for endless bodies

const char OK_HEADER[] = "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\n\r\n";

// What the test does once the recording has begun.
enum class Operator { WAITS, STOPS_AFTER_TWO_BLOCKS, STOPS_WHEN_CONNECTED, STOPS_AT_ONCE };

struct PeerCase {
    const char* name;
    int loopbackHost;  // the peer listens on 127.0.0.<n>; 0 with hostText: a name
    const char* hostText;
    bool listening;
    ScriptedPeer::Script script;
    Operator action;
    // Expected outcome.
    int minBlocks;  // -1: no file is made
    int maxBlocks;
    const wchar_t* message;  // text before the host; nullptr: no message
    bool fileEntryKept;
    bool checkBlockOnDiskWhileWaiting = false;
};

void EndlessAfter(PeerConnection& peer, const std::string& header)
{
    if (peer.Send(header))
        peer.SendPatternUntilClosed(PACED_RATE);
}

// Chunks of awkward sizes that carry exactly two blocks and 100 bytes of body, then the
// last chunk and a trailer; the connection then stays open, as HTTP/1.1 allows.
void ChunkedTwoBlocksThenEnd(PeerConnection& peer, const std::string& header)
{
    if (!peer.Send(header))
        return;
    const std::uint64_t total = 2 * BLOCK + 100;
    const std::size_t sizes[] = {1, 187, 4096, 65536, 300000, 7};
    std::uint64_t offset = 0;
    for (int i = 0; offset < total; ++i) {
        std::size_t size = (std::size_t)std::min<std::uint64_t>(sizes[i % 6], total - offset);
        char line[32];
        std::snprintf(line, sizeof line, i % 2 ? "%zx\r\n" : "%zX;part=%d\r\n", size, i);
        if (!peer.Send(line) || !peer.SendPattern(offset, size) || !peer.Send("\r\n"))
            return;
        offset += size;
    }
    peer.Send("0\r\nX-Checksum: none\r\n\r\n");
    peer.WaitForClientClose(20000);
}

const PeerCase kCases[] = {
    {"bare LF header lines", 21, nullptr, true,
     [](PeerConnection& p) { EndlessAfter(p, "HTTP/1.1 200 OK\nContent-Type: video/mp2t\n\n\r\n"); },
     Operator::STOPS_AFTER_TWO_BLOCKS, 2, 1000, nullptr, true},
    {"four LF bytes", 22, nullptr, true, [](PeerConnection& p) { EndlessAfter(p, "HTTP/1.1 200 OK\n\n\n\n"); },
     Operator::STOPS_AFTER_TWO_BLOCKS, 2, 1000, nullptr, true},
    {"404 with a body", 23, nullptr, true,
     [](PeerConnection& p) {
         if (p.Send("HTTP/1.1 404 Not Found\r\nContent-Type: text/plain\r\n\r\n"))
             p.SendPattern(0, BLOCK + 1000);
     },
     Operator::WAITS, 1, 1, L"Stream ended by the box: ", true},
    {"close during the header", 24, nullptr, true, [](PeerConnection& p) { p.Send("HTTP/1.1 200 OK\r\nContent-Ty"); },
     Operator::WAITS, -1, -1, L"Connect failed: ", false},
    {"close in the middle of a block", 25, nullptr, true,
     [](PeerConnection& p) {
         if (p.Send(OK_HEADER))
             p.SendPattern(0, BLOCK + BLOCK / 2);
     },
     Operator::WAITS, 1, 1, L"Stream ended by the box: ", true},
    {"silence during the header", 26, nullptr, true,
     [](PeerConnection& p) {
         if (p.Send("HTTP/1.1 200 OK\r\n"))
             p.WaitForClientClose(20000);
     },
     Operator::WAITS, -1, -1, L"Connect failed: ", false},
    {"silence in the middle of a block", 27, nullptr, true,
     [](PeerConnection& p) {
         if (p.Send(OK_HEADER) && p.SendPattern(0, BLOCK + 10))
             p.WaitForClientClose(20000);
     },
     Operator::WAITS, 1, 1, L"Stream ended, no data for 1.5 seconds: ", true, true},
    {"chunked body that ends", 28, nullptr, true,
     [](PeerConnection& p) {
         ChunkedTwoBlocksThenEnd(p, "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\nTransfer-Encoding: chunked\r\n\r\n");
     },
     Operator::WAITS, 2, 2, L"Stream ended by the box: ", true},
    // The framing is named far into a long header: the file still holds the body alone.
    {"chunked named 40 KB into the header", 33, nullptr, true,
     [](PeerConnection& p) {
         const std::string padding = "X-Padding: " + std::string(20000, 'p') + "\r\n";
         ChunkedTwoBlocksThenEnd(p, "HTTP/1.1 200 OK\r\n" + padding + padding + "Transfer-Encoding: chunked\r\n\r\n");
     },
     Operator::WAITS, 2, 2, L"Stream ended by the box: ", true},
    {"stop while the header is awaited", 29, nullptr, true,
     [](PeerConnection& p) {
         ::Sleep(700);  // the operator presses Stop meanwhile
         EndlessAfter(p, OK_HEADER);
     },
     Operator::STOPS_WHEN_CONNECTED, 0, 0, nullptr, true},
    // Stop before the window thread has heard of the connection: the row must not turn "On".
    {"stop before the connection is reported", 31, nullptr, true,
     [](PeerConnection& p) { EndlessAfter(p, OK_HEADER); }, Operator::STOPS_AT_ONCE, 0, 0, nullptr, true},
    // The header and the body's first bytes in one segment: the recorder reads the header in
    // whole receives, and what came behind it begins the file.
    {"body in the header's segment", 32, nullptr, true,
     [](PeerConnection& p) {
         std::string first = OK_HEADER;
         for (std::uint64_t offset = 0; offset < 1000; ++offset)
             first += PatternByte(offset);
         if (p.Send(first) && p.SendPattern(1000, 3 * BLOCK))
             p.WaitForClientClose(20000);
     },
     Operator::STOPS_AFTER_TWO_BLOCKS, 2, 3, nullptr, true},
    {"refusal: nothing listening", 30, nullptr, false, nullptr, Operator::WAITS, -1, -1, L"Connect failed: ", false},
    {"unresolvable host", 0, "no-such-box.invalid", false, nullptr, Operator::WAITS, -1, -1, L"Connect failed: ",
     false},
};

class RecordPeer : public MainDialogTest, public ::testing::WithParamInterface<int> {};

TEST_P(RecordPeer, EndsAsItShouldInBoundedTime)
{
    const PeerCase& c = kCases[GetParam()];
    SCOPED_TRACE(c.name);
    COrvaneDlg& dialog = MainDialog();
    dialog.m_recordSilenceLimitMs = TEST_SILENCE_LIMIT_MS;

    const std::string host = c.hostText ? c.hostText : "127.0.0." + std::to_string(c.loopbackHost);
    const DeviceId id = 7300 + GetParam();
    std::unique_ptr<ScriptedPeer> peer;
    if (c.listening) {
        peer.reset(new ScriptedPeer(host, STREAM_PORT, {c.script}));
        ASSERT_TRUE(peer->Listening()) << "cannot listen on " << host << ":80";
    }
    MessageBoxCatcher messages;

    SelectOnly(PutBoxRow(StreamBox(id, host)));
    ClickRecord();
    // Started: the row is recording and "Open" before the recorder has done anything.
    RowView started = ReadRow(id);
    EXPECT_EQ(started.record, L"Open");
    EXPECT_EQ(started.state, ROW_RECORDING);
    const std::string path = WideToNarrow(dialog.Recordings().File(id));
    ASSERT_FALSE(path.empty());

    if (c.checkBlockOnDiskWhileWaiting) {
        // The recorder now waits for the next block: the complete one is already on disk.
        EXPECT_TRUE(PumpUntil([&] { return FileSize(path) == BLOCK; }, 1000));
        EXPECT_EQ(ReadRow(id).record, L"On");
    }
    if (c.action == Operator::STOPS_AFTER_TWO_BLOCKS) {
        ASSERT_TRUE(PumpUntil([&] { return FileSize(path) >= 2 * BLOCK; }, 10000));
        ClickRecord();
    } else if (c.action == Operator::STOPS_AT_ONCE) {
        ClickRecord();  // no pumping since the click: the recorder's report waits for this thread
    } else if (c.action == Operator::STOPS_WHEN_CONNECTED) {
        ASSERT_TRUE(PumpUntil([&] { return ReadRow(id).record == L"On"; }, 5000));
        ClickRecord();
    }

    ASSERT_TRUE(WaitRecordingOff(id, 10000));
    if (peer) {
        // The recorder has closed its end (or the peer closed first) within bounded time.
        EXPECT_TRUE(peer->WaitAllDone(1, 10000));
        ASSERT_EQ(peer->Accepted(), 1);
        EXPECT_EQ(peer->Requests()[0], "GET /0.ts HTTP/1.1\r\nUser-Agent: VLC/2.0.0\r\n\r\n");
    }
    if (c.message) {
        ASSERT_TRUE(messages.WaitForCount(1, 10000));
        EXPECT_EQ(messages.Texts()[0], c.message + NarrowToWide(host));
    }
    PumpFor(300);
    EXPECT_EQ(messages.Texts().size(), c.message ? 1u : 0u);

    EXPECT_FALSE(dialog.Recordings().IsWanted(id));
    EXPECT_EQ(dialog.Recordings().File(id), c.fileEntryKept ? NarrowToWide(path) : L"");
    if (c.minBlocks < 0) {
        EXPECT_EQ(FileSize(path), -1) << "no file for a recording that never began";
    } else {
        ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(path); }, 5000)) << "the file stays open";
        const std::vector<unsigned char> bytes = ReadWholeFile(path);
        EXPECT_EQ(bytes.size() % BLOCK, 0u);
        EXPECT_GE(bytes.size(), (std::size_t)c.minBlocks * BLOCK);
        EXPECT_LE(bytes.size(), (std::size_t)c.maxBlocks * BLOCK);
        EXPECT_EQ(FirstPatternMismatch(bytes), -1) << "the file is the body from its first byte";
        ::DeleteFileA(path.c_str());
    }
}

INSTANTIATE_TEST_SUITE_P(Peers, RecordPeer, ::testing::Range(0, (int)(sizeof kCases / sizeof kCases[0])),
                         [](const ::testing::TestParamInfo<int>& info) {
                             std::string name = kCases[info.param].name;
                             for (char& ch : name)
                                 if (!std::isalnum((unsigned char)ch))
                                     ch = '_';
                             return name;
                         });

// A file that cannot be created: the recording fails like a failed connect, with a message
// that names the file, and the connection is closed.
class RecordFile : public MainDialogTest {};

TEST_F(RecordFile, UncreatableFileFailsTheRecordingNamingTheFile)
{
    COrvaneDlg& dialog = MainDialog();
    const std::string host = "127.0.0.42";
    const DeviceId id = 7442;
    ScriptedPeer peer(host, STREAM_PORT, {[](PeerConnection& p) { EndlessAfter(p, OK_HEADER); }});
    ASSERT_TRUE(peer.Listening());
    MessageBoxCatcher messages;
    PutBoxRow(StreamBox(id, host));
    // The recorder started the way OnRecord starts it, with a path in a folder that does not exist.
    const std::wstring path = GetExecutableDirectory() + L"\\no-such-folder\\recording.ts";
    const RecordingGeneration generation = dialog.Recordings().Begin(id, path);
    std::atomic<int> result{1};
    std::thread recorder([&] {
        result = RunRecorder(dialog.Recordings(), dialog, {host, STREAM_PORT, path, id, generation, RECORD_SILENCE_LIMIT_MS},
                             nullptr);
    });
    ASSERT_TRUE(messages.WaitForCount(1, 10000));
    EXPECT_EQ(messages.Texts()[0], L"Cannot create the recording file " + path);
    ASSERT_TRUE(WaitRecordingOff(id, 10000));
    EXPECT_TRUE(peer.WaitAllDone(1, 10000)) << "the connection stays open";
    ASSERT_TRUE(PumpUntil([&] { return result != 1; }, 5000));
    recorder.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(dialog.Recordings().File(id), L"");
}

// Stop, then Record of the same box while the old recorder still waits on a silent box: the
// new recording gets its own file, and the old recorder, ending later, leaves the new
// recording's flag, file entry and row alone and tells nobody.
class RecordGenerations : public MainDialogTest {};

TEST_F(RecordGenerations, OldRecorderNeverTouchesANewerRecording)
{
    struct Variant {
        const char* name;
        int loopbackHost;
        ScriptedPeer::Script oldConnection;
    };
    const Variant variants[] = {
        {"old recorder silent in the header", 40,
         [](PeerConnection& p) { p.WaitForClientClose(20000); }},
        {"old recorder silent in the body", 41,
         [](PeerConnection& p) {
             if (p.Send(OK_HEADER))
                 p.WaitForClientClose(20000);
         }},
    };
    COrvaneDlg& dialog = MainDialog();
    dialog.m_recordSilenceLimitMs = TEST_SILENCE_LIMIT_MS;
    for (const Variant& v : variants) {
        SCOPED_TRACE(v.name);
        const std::string host = "127.0.0." + std::to_string(v.loopbackHost);
        const DeviceId id = 7400 + v.loopbackHost;
        ScriptedPeer peer(host, STREAM_PORT,
                          {v.oldConnection, [](PeerConnection& p) { EndlessAfter(p, OK_HEADER); }});
        ASSERT_TRUE(peer.Listening());
        MessageBoxCatcher messages;

        SelectOnly(PutBoxRow(StreamBox(id, host)));
        ClickRecord();
        const std::wstring oldPath = dialog.Recordings().File(id);
        ASSERT_TRUE(PumpUntil([&] { return peer.Accepted() == 1 && ReadRow(id).record == L"On"; }, 5000));
        ClickRecord();  // Stop
        ClickRecord();  // Record again, within the same second
        const std::wstring newPath = dialog.Recordings().File(id);
        EXPECT_NE(newPath, oldPath) << "two recordings never share a file";
        EXPECT_GT(newPath, oldPath) << "the later recording has the later name";

        ASSERT_TRUE(PumpUntil([&] { return FileSize(WideToNarrow(newPath)) >= BLOCK; }, 10000));
        // The old recorder gives up on its silent box and closes its connection.
        ASSERT_TRUE(peer.WaitAllDone(1, 10000));
        PumpFor(300);
        EXPECT_TRUE(dialog.Recordings().IsWanted(id));
        EXPECT_EQ(dialog.Recordings().File(id), newPath);
        RowView row = ReadRow(id);
        EXPECT_EQ(row.record, L"On");
        EXPECT_EQ(row.state, ROW_RECORDING);
        EXPECT_TRUE(messages.Texts().empty());

        ClickRecord();  // Stop the new one
        ASSERT_TRUE(WaitRecordingOff(id, 5000));
        ASSERT_TRUE(peer.WaitAllDone(2, 10000));
        ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(WideToNarrow(newPath)); }, 5000));
        const std::vector<unsigned char> bytes = ReadWholeFile(WideToNarrow(newPath));
        EXPECT_GE(bytes.size(), (std::size_t)BLOCK);
        EXPECT_EQ(bytes.size() % BLOCK, 0u);
        EXPECT_EQ(FirstPatternMismatch(bytes), -1);
        EXPECT_TRUE(messages.Texts().empty());
        ::DeleteFileA(WideToNarrow(oldPath).c_str());
        ::DeleteFileA(WideToNarrow(newPath).c_str());
    }
}


// Stop, then Clear while the recorder still waits for the rest of its block: Clear forgets the
// box, and the recorder, finishing that block and looking at its recording, brings no entry
// back.
class RecordClear : public MainDialogTest {};

TEST_F(RecordClear, ClearAfterStopForgetsTheBoxWhileItsRecorderFinishesItsBlock)
{
    COrvaneDlg& dialog = MainDialog();
    const std::string host = "127.0.0.50";
    const DeviceId id = 7450;
    ScriptedPeer peer(host, STREAM_PORT, {[](PeerConnection& p) {
                          if (!p.Send(OK_HEADER) || !p.SendPattern(0, BLOCK + 1000))
                              return;
                          ::Sleep(3000);  // the operator stops and clears meanwhile
                          if (p.SendPattern(BLOCK + 1000, BLOCK))
                              p.WaitForClientClose(20000);
                      }});
    ASSERT_TRUE(peer.Listening());
    MessageBoxCatcher messages;

    SelectOnly(PutBoxRow(StreamBox(id, host)));
    ClickRecord();
    const std::string path = WideToNarrow(dialog.Recordings().File(id));
    ASSERT_TRUE(PumpUntil([&] { return FileSize(path) == BLOCK; }, 5000));
    // The recorder looks at its recording right after writing a block; a Stop before that look
    // would end it there. Half a second brings it back to waiting for its second block, even
    // on a busy or emulated machine.
    PumpFor(500);
    ClickRecord();  // Stop
    ClickButton(dialog, IDC_CLEAR);
    EXPECT_EQ(RowOf(List(), id), -1);
    EXPECT_FALSE(dialog.Recordings().HasFlag(id));

    // The recorder receives the rest of its block, writes it, finds the recording stopped.
    ASSERT_TRUE(peer.WaitAllDone(1, 10000)) << "the recorder keeps its connection";
    ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(path); }, 5000));
    PumpFor(300);
    EXPECT_FALSE(dialog.Recordings().HasFlag(id)) << "the finished recorder put the box's entry back";
    EXPECT_FALSE(dialog.Recordings().IsWanted(id));
    EXPECT_EQ(FileSize(path), 2 * BLOCK);
    EXPECT_TRUE(messages.Texts().empty());
    ::DeleteFileA(path.c_str());
}

// The row menu opened on a recorded box shows Stop; the recording ends while the menu is open,
// and the operator then chooses that Stop: it stops nothing and starts no recording, as the
// button would not once its caption reads Record again.
class RecordMenu : public MainDialogTest {};

TEST_F(RecordMenu, StopChosenAfterTheRecordingEndedStartsNothing)
{
    COrvaneDlg& dialog = MainDialog();
    const std::string host = "127.0.0.51";
    const DeviceId id = 7451;
    const RecordingGeneration generation = 1;  // the box's first recording in this process
    ScriptedPeer peer(host, STREAM_PORT, {[](PeerConnection& p) { EndlessAfter(p, OK_HEADER); }});
    ASSERT_TRUE(peer.Listening());
    MessageBoxCatcher messages;

    SelectOnly(PutBoxRow(StreamBox(id, host)));
    ClickRecord();
    const std::string path = WideToNarrow(dialog.Recordings().File(id));
    ASSERT_TRUE(PumpUntil([&] { return ReadRow(id).record == L"On" && FileSize(path) >= BLOCK; }, 10000));
    const std::size_t threads = dialog.m_recorderThreads.size();

    const CListCtrl& list = dialog.DeviceListCtrl();
    RECT label = {LVIR_LABEL, 0, 0, 0};
    ASSERT_TRUE(list.SendMessage(LVM_GETITEMRECT, RowOf(List(), id), (LPARAM)&label));
    POINT click = {label.left + 10, (label.top + label.bottom) / 2};
    ::ClientToScreen(list.GetSafeHwnd(), &click);
    // The right button's press focuses and selects the row under it; the menu takes that row.
    LVITEMW pressed = {};
    pressed.stateMask = pressed.state = LVIS_FOCUSED | LVIS_SELECTED;
    list.SendMessage(LVM_SETITEMSTATE, RowOf(List(), id), (LPARAM)&pressed);

    const std::vector<std::string> failures = WhileDriving(
        dialog,
        [&](ModalDriver&, std::vector<std::string>& failed) {
            if (!WaitForVisibleMenu(5000)) {
                failed.push_back("the row menu did not open");
                return;
            }
            // The recording ends the way its recorder ends it when the box ends the stream
            // (row idle, flag cleared); the recorder's message box, which would take the focus
            // and close the menu, is left out.
            if (dialog.ShowEnded(id, generation, true) != RecordingEndSeen::WANTED)
                failed.push_back("the recording was not the box's running one");
            if (!VisibleMenu()) {
                failed.push_back("the menu closed when the recording ended");
                return;
            }
            ::PostMessageW(dialog.GetSafeHwnd(), WM_CHAR, L't', 0);  // S&top
            const DWORD chosen = ::GetTickCount();
            while (VisibleMenu() && ::GetTickCount() - chosen < 3000)
                ::Sleep(20);
            if (HWND menu = VisibleMenu()) {
                failed.push_back("the menu took no Stop");
                ::PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
                ::PostMessageW(dialog.GetSafeHwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
            }
        },
        [&] { dialog.SendMessage(WM_CONTEXTMENU, (WPARAM)list.GetSafeHwnd(), MAKELPARAM(click.x, click.y)); });
    for (const std::string& failure : failures)
        ADD_FAILURE() << failure;

    PumpFor(500);
    EXPECT_EQ(dialog.m_recorderThreads.size(), threads) << "the stale Stop started a recording";
    EXPECT_FALSE(dialog.Recordings().IsWanted(id));
    dialog.Recordings().SetWanted(id, false);  // ends what a stale Stop started, so that the peer ends
    const RowView row = ReadRow(id);
    EXPECT_EQ(row.record, L"Off");
    EXPECT_EQ(row.state, ROW_IDLE);
    // The recorder finds its recording ended at its next block and closes file and connection.
    EXPECT_TRUE(peer.WaitAllDone(peer.Accepted(), 10000));
    ASSERT_TRUE(PumpUntil([&] { return IsFileClosed(path); }, 5000));
    EXPECT_TRUE(messages.Texts().empty());
    ::DeleteFileA(path.c_str());
}

} // namespace
