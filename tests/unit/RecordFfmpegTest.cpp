// A live stream from a server nobody here wrote: ffmpeg serving MPEG-TS over HTTP in its
// listen mode, which answers with a chunked body. The test LAN's script starts it (see
// tests/record_ffmpeg_server.sh) at ORVANE_FFMPEG_TS, by default 10.86.1.19:8080; it serves
// one client and exits, so this test connects exactly once.
#include "tests/unit/RecordTestSupport.h"

#include "framework/TextCodec.h"
#include "recording/HealthObserver.h"
#include "recording/Recorder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <memory>

using namespace recordtest;

namespace {

class RecordFfmpeg : public MainDialogTest {};

TEST_F(RecordFfmpeg, LiveChunkedStreamIsRecordedAsWholeTransportStreamPackets)
{
    std::string server = EnvText("ORVANE_FFMPEG_TS");
    if (server.empty())
        server = "10.86.1.19:8080";
    const std::size_t colon = server.find(':');
    ASSERT_NE(colon, std::string::npos) << server;
    const std::string host = server.substr(0, colon);
    const int port = std::atoi(server.c_str() + colon + 1);

    COrvaneDlg& dialog = MainDialog();
    MessageBoxCatcher messages;
    const DeviceId id = 4201;
    PutBoxRow(StreamBox(id, host));
    // The recording is kept for ffprobe (see the report of this test's script).
    const std::wstring widePath = GetExecutableDirectory() + L"\\record_ffmpeg.ts";
    const std::string path = WideToNarrow(widePath);
    ::DeleteFileW(widePath.c_str());

    // The Record command always uses port 80, where the box simulator listens; ffmpeg has its
    // own port, so the recorder is started the way OnRecord starts it, with that port.
    const RecordingGeneration generation = dialog.Recordings().Begin(id, widePath);
    std::atomic<bool> ended{false};
    std::atomic<int> result{1};
    // The recording's health sees the bytes as they pass, as a recording started by Record does.
    const auto health = std::make_shared<RecordingHealth>(widePath, std::time(nullptr), RecordingHealth::Clock::now());
    HealthObserver observer(health);
    std::thread recorder([&] {
        result = RunRecorder(dialog.Recordings(), dialog, {host, port, widePath, id, generation, RECORD_SILENCE_LIMIT_MS}, &observer);
        ended = true;
    });
    EXPECT_TRUE(PumpUntil([&] { return FileSize(path) >= 4 * RECORD_BLOCK_SIZE || ended; }, 60000));
    dialog.Recordings().SetWanted(id, false);
    EXPECT_TRUE(PumpUntil([&] { return ended.load(); }, 20000));
    recorder.join();
    EXPECT_EQ(result, 0) << "the recording ended by its Stop";
    EXPECT_TRUE(messages.Texts().empty()) << WideToNarrow(messages.Texts().empty() ? L"" : messages.Texts()[0]);

    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    ASSERT_GE(bytes.size(), 4u * RECORD_BLOCK_SIZE);
    EXPECT_EQ(bytes.size() % RECORD_BLOCK_SIZE, 0u);
    EXPECT_EQ(bytes[0], 0x47);
    EXPECT_EQ(FirstMissingSyncByte(bytes), -1) << "chunk framing left in the file breaks the packet grid";
    // ffmpeg's stream is clean (its null packets, which fill it up to its rate, are not counted).
    const RecordingHealthSnapshot seen = health->Snapshot(RecordingHealth::Clock::now());
    EXPECT_EQ(seen.continuityErrors, 0u);
    EXPECT_EQ(seen.syncLosses, 0u);
    EXPECT_EQ(seen.fileBytes, bytes.size());

    const std::string out = EnvText("ORVANE_TEST_OUT");
    if (!out.empty()) {
        // Wine shows the Unix file system as drive Z:.
        std::string target = "Z:" + out + "/record_ffmpeg.ts";
        for (char& c : target)
            if (c == '/')
                c = '\\';
        EXPECT_TRUE(::CopyFileA(path.c_str(), target.c_str(), FALSE)) << target;
    }
}

} // namespace
