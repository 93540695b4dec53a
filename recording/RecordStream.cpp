// The stream recorder: one thread per recording. It fetches the box's transport stream over
// HTTP and copies the response body into the recording file in whole blocks for as long as
// its recording is wanted and is the box's newest.
//
// How a recording ends: which event clears the box's flag, and who tells the operator, in order.
// - Stop: OnRecord (window thread) clears the flag and shows the row idle at once. The
//   recorder sees it before its next block (within HEADER_WAIT_SLICE_MS while the header
//   arrives), closes file and socket and tells nobody.
// - A newer recording of the box (Record after Stop): this recording is no longer the box's
//   newest, which the recorder treats as a Stop; its later events are ignored by the window
//   thread, so it never touches the newer recording's flag, file entry or row.
// - The recording cannot begin (no address, no connection, an answer that is no stream, no
//   file): the recorder closes the socket, then tells the operator (a message box, only while
//   the recording is still wanted and the newest) and waits for OK, then sends FAILED: the
//   window thread clears the flag, empties the file entry and shows the row idle.
// - The stream ends early (the box closed it or fell silent, the file cannot be written): the
//   recorder closes file and socket, then sends STREAM_ENDED: the window thread clears the
//   flag, keeps the file entry (the file holds every complete block) and shows the row idle at
//   once; then, if the recording was still wanted, the recorder tells the operator.
#include "app/OrvaneDlg.h"

#include "discovery/NetSocket.h"
#include "framework/TextCodec.h"
#include "recording/StreamReceiver.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <mutex>
#include <vector>

namespace {

// Sockets start-up for the recorders: once per process, also when several start together.
std::once_flag g_recorderSocketsStarted;

// Owns the recording file: closed when the owner goes.
struct FileCloser {
    void operator()(FILE* file) const { std::fclose(file); }
};
using RecordingFileOwner = std::unique_ptr<FILE, FileCloser>;

std::wstring SilenceText(int milliseconds)
{
    wchar_t seconds[32];
    std::swprintf(seconds, 32, L"%g", milliseconds / 1000.0);
    return L"Stream ended, no data for " + std::wstring(seconds) + L" seconds: ";
}

std::wstring NotAStreamText()
{
    return L"The box's answer is not a stream (no end of its header within " +
           std::to_wstring(MAX_RESPONSE_HEADER_SIZE / 1024) + L" KiB): ";
}

} // namespace

int COrvaneDlg::RecordStream(std::string host, int port, std::wstring path, DeviceId id, RecordingGeneration generation)
{
    std::call_once(g_recorderSocketsStarted, SocketStartup);
    const std::wstring wideHost = NarrowToWide(host);
    const std::wstring connectFailed = L"Connect failed: " + wideHost;

    const hostent* entry = ::gethostbyname(host.c_str());
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0])
        return FailRecording(id, generation, connectFailed);
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = ::htons((u_short)port);
    std::memcpy(&address.sin_addr, entry->h_addr_list[0], 4);

    NetSocket socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (!socket.IsValid())
        return FailRecording(id, generation, connectFailed);
    if (::connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR) {
        socket.Close();
        return FailRecording(id, generation, connectFailed);
    }
    SendRecorderEvent(RecorderEvent::CONNECTED, id, generation);

    // Every receive from here on gives up after the silence limit. (Windows Sockets 2, Wine's
    // included, honours SO_RCVTIMEO on blocking sockets; were it refused, receives would only
    // end with the connection.)
    const int silenceLimitMs = m_recordSilenceLimitMs;
    SetReceiveTimeout(socket.Handle(), silenceLimitMs);
    SendAll(socket.Handle(), STREAM_REQUEST, STREAM_REQUEST_SIZE);

    // A connection that ends or falls silent before the body begins is a failed connect, and
    // an answer whose header does not end is no stream. A Stop (or a newer recording of the
    // box) ends the wait for the header: the file is then made and closed empty, as when the
    // header had just ended.
    HeaderSkipper header;
    std::string bodyStart;
    const HeaderStatus headerStatus = ReceiveHeader(socket.Handle(), header, bodyStart, silenceLimitMs,
                                                    [&] { return IsRecordingCurrent(id, generation); });
    if (headerStatus != HeaderStatus::ENDED && headerStatus != HeaderStatus::STOPPED) {
        socket.ShutdownAndClose();
        if (headerStatus == HeaderStatus::TOO_LONG)
            return FailRecording(id, generation, NotAStreamText() + wideHost);
        return FailRecording(id, generation, connectFailed);
    }
    if (headerStatus == HeaderStatus::STOPPED)
        socket.ShutdownAndClose();

    RecordingFileOwner file(::_wfopen(path.c_str(), L"wb"));
    if (!file) {
        socket.ShutdownAndClose();
        return FailRecording(id, generation, L"Cannot create the recording file " + path);
    }

    std::vector<char> block(RECORD_BLOCK_SIZE);
    BodyReader body(socket.Handle(), header.IsChunked(), bodyStart);
    ReceiveStatus received = ReceiveStatus::OK;
    bool written = true;
    while (IsRecordingCurrent(id, generation)) {
        received = body.ReadBlock(block.data(), RECORD_BLOCK_SIZE);
        if (received != ReceiveStatus::OK)
            break;
        // Flushed before the next receive: the process may end at any moment (closing the
        // window ends it at once), and a block already received must not go with it.
        written = std::fwrite(block.data(), RECORD_BLOCK_SIZE, 1, file.get()) == 1 && std::fflush(file.get()) == 0;
        if (!written)
            break;
    }
    file.reset();
    socket.ShutdownAndClose();

    // Stopped by the operator, or superseded by a newer recording of the box.
    if (written && received == ReceiveStatus::OK)
        return 0;
    if (!written)
        return EndRecordingEarly(id, generation, L"Cannot write the recording file " + path);
    if (received == ReceiveStatus::SILENT)
        return EndRecordingEarly(id, generation, SilenceText(silenceLimitMs) + wideHost);
    return EndRecordingEarly(id, generation, L"Stream ended by the box: " + wideHost);
}

// The recording could not begin: the operator is told while it is still wanted, then the
// window thread clears the flag and file entry and shows the row idle.
int COrvaneDlg::FailRecording(DeviceId id, RecordingGeneration generation, const std::wstring& message)
{
    if (IsRecordingCurrent(id, generation))
        MessageBox(message);
    SendRecorderEvent(RecorderEvent::FAILED, id, generation);
    return -1;
}

// The recording ended before its Stop: the file keeps every complete block and stays the
// box's file; the row goes idle at once and the operator is told if it was still wanted.
int COrvaneDlg::EndRecordingEarly(DeviceId id, RecordingGeneration generation, const std::wstring& message)
{
    if (SendRecorderEvent(RecorderEvent::STREAM_ENDED, id, generation))
        MessageBox(message);
    return -1;
}
