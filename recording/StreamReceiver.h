// The recorder's side of its TCP connection: the request, the response header, and the body
// read in whole blocks, de-chunked when the header said so. No receive blocks for long, so a
// slow or silent box cannot hold a recorder for ever.
#pragma once

#include "recording/HttpBody.h"
#include "recording/ReadDeadlines.h"

#include <winsock2.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// A response whose header has not ended within this many bytes is not a stream.
constexpr std::size_t MAX_RESPONSE_HEADER_SIZE = 65536;
// While the header arrives the recorder looks at its recording this often, so that a Stop
// ends a box that trickles its header (or never ends it) within a fraction of a second.
constexpr int HEADER_WAIT_SLICE_MS = 200;
// While the body is awaited, a read hands control back to the recorder at least this often,
// so that the recorder looks at its disk also while the box is slow or silent.
constexpr int BODY_READ_PERIOD_MS = 1000;
// The socket's receive time-out while the body is read: the longest a receive blocks before
// the read looks at its clock again.
constexpr int BODY_RECEIVE_SLICE_MS = 250;

enum class ReceiveStatus {
    OK,
    WAITING,  // the block is not whole yet, and the read's period is over
    CLOSED,   // the box closed the connection, or its chunked body ended
    FAILED,   // a receive error, or chunked framing that cannot be decoded
    SILENT    // nothing arrived for the silence limit (from a single receive: its time-out)
};

// Sets the socket's receive time-out (SO_RCVTIMEO); false when the platform refused it.
bool SetReceiveTimeout(SOCKET socket, int milliseconds);

// Sends the bytes, going on after partial sends; stops quietly at the first error or zero.
void SendAll(SOCKET socket, const char* bytes, int count);

enum class HeaderStatus {
    ENDED,     // the header is complete; what came behind it is the body's beginning
    STOPPED,   // the recording is no longer wanted (or no longer the box's newest)
    TOO_LONG,  // no end of header within MAX_RESPONSE_HEADER_SIZE bytes
    CLOSED,    // the box closed the connection
    FAILED,    // a receive error
    SILENT     // nothing arrived for the silence limit
};

// Reads the response header into the skipper, in receives of whatever has arrived. Waits
// for data in slices of HEADER_WAIT_SLICE_MS and asks stillWanted() before each one. On
// ENDED, bodyStart holds the bytes that arrived behind the header.
HeaderStatus ReceiveHeader(SOCKET socket, HeaderSkipper& header, std::string& bodyStart, int silenceLimitMs,
                           const std::function<bool()>& stillWanted);

// Sees the body's bytes as they arrive, once per receive, after any chunked framing is
// removed (the bytes that came with the header first). Called on the recorder's thread;
// the bytes are only lent for the call.
class BodyObserver {
public:
    virtual void OnBodyBytes(const char* bytes, std::size_t count) = 0;

protected:
    ~BodyObserver() = default;
};

// Reads the response body in blocks. The socket and the observer are not owned; the reader
// sets the socket's receive time-out to BODY_RECEIVE_SLICE_MS.
class BodyReader {
public:
    // bodyStart: the body's first bytes, received together with the header. silenceLimitMs:
    // how long the box may send nothing. observer: may be null.
    BodyReader(SOCKET socket, bool chunked, const std::string& bodyStart, int silenceLimitMs,
               BodyObserver* observer = nullptr);

    // Fills the block, and returns within BODY_READ_PERIOD_MS (were the receive time-out
    // refused, a receive would wait for bytes or the end). OK when every byte of the block has
    // arrived. WAITING when the period ended first: the bytes so far are kept, and the next
    // call, which must pass the same block, goes on filling it. Otherwise the block's contents
    // are undefined and the reader is finished.
    ReceiveStatus ReadBlock(char* block, int size);

private:
    ReceiveStatus ReadPlain(char* block, int size);
    ReceiveStatus ReadChunked(char* block, int size);

    // After a receive with this result: OK to receive on, or WAITING, SILENT, CLOSED, FAILED.
    ReceiveStatus AfterReceive(int result);
    void Observe(const char* bytes, std::size_t count);

    SOCKET m_socket;
    bool m_chunked;
    BodyObserver* m_observer;
    ReadDeadlines m_deadlines;
    std::size_t m_filled = 0;  // bytes of the block being filled that are in it already
    ChunkedDecoder m_decoder;
    std::vector<char> m_received;  // received but not yet used: [m_receivedBegin, m_receivedEnd)
    std::size_t m_receivedBegin = 0;
    std::size_t m_receivedEnd = 0;
    ReceiveStatus m_decodingEnded = ReceiveStatus::OK;  // CLOSED or FAILED once the decoder stopped
};
