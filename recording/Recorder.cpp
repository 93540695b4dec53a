#include "recording/Recorder.h"

#include "discovery/NetSocket.h"
#include "recording/DiskSpace.h"
#include "recording/Recording.h"

#include <cstdio>
#include <cstring>
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

RecordingOutcome OutcomeOfReceive(ReceiveStatus received)
{
    return received == ReceiveStatus::SILENT ? RecordingOutcome::SILENT : RecordingOutcome::STREAM_ENDED;
}

// Receives the next whole block, looking at the disk whenever the reader hands back control:
// when the block is whole, and at least once a second while the box is slow or silent. The
// recording itself is looked at only between blocks, so that after a Stop the block being
// received is still finished and written. STOPPED when the block is whole and nothing has
// ended the recording.
RecordingOutcome ReceiveBlock(BodyReader& body, char* block, const std::wstring& folder)
{
    for (;;) {
        const ReceiveStatus received = body.ReadBlock(block, RECORD_BLOCK_SIZE);
        if (received != ReceiveStatus::OK && received != ReceiveStatus::WAITING)
            return OutcomeOfReceive(received);
        if (IsDiskNearlyFull(folder))
            return RecordingOutcome::DISK_NEARLY_FULL;
        if (received == ReceiveStatus::OK)
            return RecordingOutcome::STOPPED;
    }
}

} // namespace

Recorder::Recorder(RecordingBook& book, RecordingWindow& window, RecordingRequest request, BodyObserver* observer)
    : m_book(book), m_window(window), m_request(std::move(request)), m_observer(observer)
{
}

RecordingOutcome Recorder::Run()
{
    std::call_once(g_recorderSocketsStarted, SocketStartup);

    const hostent* entry = ::gethostbyname(m_request.host.c_str());
    if (!entry || !entry->h_addr_list || !entry->h_addr_list[0])
        return RecordingOutcome::CONNECT_FAILED;
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_family = AF_INET;
    address.sin_port = ::htons((u_short)m_request.port);
    std::memcpy(&address.sin_addr, entry->h_addr_list[0], 4);

    NetSocket socket(::socket(AF_INET, SOCK_STREAM, 0));
    if (!socket.IsValid())
        return RecordingOutcome::CONNECT_FAILED;
    if (::connect(socket.Handle(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == SOCKET_ERROR)
        return RecordingOutcome::CONNECT_FAILED;
    m_window.ShowConnected(m_request.id, m_request.generation);

    SendAll(socket.Handle(), STREAM_REQUEST, STREAM_REQUEST_SIZE);

    // A connection that ends or falls silent before the body begins is a failed connect, and
    // an answer whose header does not end is no stream. A Stop (or a newer recording of the
    // box) ends the wait for the header: the file is then made and closed empty, as when the
    // header had just ended.
    HeaderSkipper header;
    std::string bodyStart;
    const HeaderStatus headerStatus =
        ReceiveHeader(socket.Handle(), header, bodyStart, m_request.silenceLimitMs, [this] { return IsCurrent(); });
    if (headerStatus == HeaderStatus::TOO_LONG)
        return RecordingOutcome::NOT_A_STREAM;
    if (headerStatus != HeaderStatus::ENDED && headerStatus != HeaderStatus::STOPPED)
        return RecordingOutcome::CONNECT_FAILED;
    if (headerStatus == HeaderStatus::STOPPED)
        socket.ShutdownAndClose();

    RecordingFileOwner file(::_wfopen(m_request.path.c_str(), L"wb"));
    if (!file)
        return RecordingOutcome::FILE_NOT_CREATED;

    const std::wstring folder = FolderOf(m_request.path);
    std::vector<char> block(RECORD_BLOCK_SIZE);
    BodyReader body(socket.Handle(), header.IsChunked(), bodyStart, m_request.silenceLimitMs, m_observer);
    RecordingOutcome outcome = RecordingOutcome::STOPPED;
    while (outcome == RecordingOutcome::STOPPED && IsCurrent()) {
        outcome = ReceiveBlock(body, block.data(), folder);
        if (outcome == RecordingOutcome::STOPPED &&
            (std::fwrite(block.data(), RECORD_BLOCK_SIZE, 1, file.get()) != 1 || std::fflush(file.get()) != 0)) {
            // Flushed before the next receive: the process may end at any moment (closing the
            // window ends it at once), and a block already received must not go with it.
            outcome = RecordingOutcome::WRITE_FAILED;
        }
    }
    file.reset();
    socket.ShutdownAndClose();
    return outcome;
}

int RunRecorder(RecordingBook& book, RecordingWindow& window, RecordingRequest request, BodyObserver* observer)
{
    Recorder recorder(book, window, request, observer);
    return ReportRecordingEnd(recorder.Run(), request, window);
}
