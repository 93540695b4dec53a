#include "recording/StreamReceiver.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace {

// Chunked bodies are received into this much buffer and decoded from there.
constexpr std::size_t CODED_BUFFER_SIZE = 65536;
// Header receives take whatever has arrived, up to this much.
constexpr int HEADER_RECEIVE_SIZE = 4096;

ReceiveStatus StatusOfReceive(int result)
{
    if (result > 0)
        return ReceiveStatus::OK;
    if (result == 0)
        return ReceiveStatus::CLOSED;
    return ::WSAGetLastError() == WSAETIMEDOUT ? ReceiveStatus::SILENT : ReceiveStatus::FAILED;
}

} // namespace

bool SetReceiveTimeout(SOCKET socket, int milliseconds)
{
    DWORD value = (DWORD)milliseconds;
    return ::setsockopt(socket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&value), sizeof value) == 0;
}

void SendAll(SOCKET socket, const char* bytes, int count)
{
    while (count > 0) {
        int sent = ::send(socket, bytes, count, 0);
        if (sent == SOCKET_ERROR || sent == 0)
            return;
        bytes += sent;
        count -= sent;
    }
}

// The socket is read only after select has said it is readable, so a receive never blocks
// for longer than a slice, and silence is measured here rather than by the receive time-out.
HeaderStatus ReceiveHeader(SOCKET socket, HeaderSkipper& header, std::string& bodyStart, int silenceLimitMs,
                           const std::function<bool()>& stillWanted)
{
    using Clock = std::chrono::steady_clock;
    char buffer[HEADER_RECEIVE_SIZE];
    std::size_t headerSize = 0;
    Clock::time_point lastArrival = Clock::now();
    for (;;) {
        if (!stillWanted())
            return HeaderStatus::STOPPED;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(socket, &readable);
        timeval slice = {0, HEADER_WAIT_SLICE_MS * 1000};
        const int ready = ::select(0, &readable, nullptr, nullptr, &slice);
        if (ready == SOCKET_ERROR)
            return HeaderStatus::FAILED;
        if (ready == 0) {
            if (Clock::now() - lastArrival >= std::chrono::milliseconds(silenceLimitMs))
                return HeaderStatus::SILENT;
            continue;
        }
        const int result = ::recv(socket, buffer, sizeof buffer, 0);
        switch (StatusOfReceive(result)) {
        case ReceiveStatus::OK:
            break;
        case ReceiveStatus::CLOSED:
            return HeaderStatus::CLOSED;
        case ReceiveStatus::SILENT:
            return HeaderStatus::SILENT;
        default:
            return HeaderStatus::FAILED;
        }
        lastArrival = Clock::now();
        for (int i = 0; i < result; ++i) {
            ++headerSize;
            if (header.Take(buffer[i])) {
                bodyStart.assign(buffer + i + 1, buffer + result);
                return HeaderStatus::ENDED;
            }
            if (headerSize >= MAX_RESPONSE_HEADER_SIZE)
                return HeaderStatus::TOO_LONG;
        }
    }
}

BodyReader::BodyReader(SOCKET socket, bool chunked, const std::string& bodyStart, int silenceLimitMs,
                       BodyObserver* observer)
    : m_socket(socket), m_chunked(chunked), m_observer(observer),
      m_deadlines(std::chrono::milliseconds(silenceLimitMs), std::chrono::milliseconds(BODY_READ_PERIOD_MS),
                  std::chrono::milliseconds(BODY_RECEIVE_SLICE_MS), ReadDeadlines::Clock::now()),
      m_received(bodyStart.begin(), bodyStart.end()), m_receivedEnd(bodyStart.size())
{
    if (m_chunked && m_received.size() < CODED_BUFFER_SIZE)
        m_received.resize(CODED_BUFFER_SIZE);
    SetReceiveTimeout(m_socket, BODY_RECEIVE_SLICE_MS);
}

ReceiveStatus BodyReader::ReadBlock(char* block, int size)
{
    m_deadlines.ReadBegins(ReadDeadlines::Clock::now());
    return m_chunked ? ReadChunked(block, size) : ReadPlain(block, size);
}

// A receive's time-out only ends one slice of the wait; the deadlines tell when the box is
// silent. The clock is read once per receive: no socket call is added on the fast path.
ReceiveStatus BodyReader::AfterReceive(int result)
{
    const ReceiveStatus status = StatusOfReceive(result);
    const bool timedOut = status == ReceiveStatus::SILENT;
    if (status != ReceiveStatus::OK && !timedOut)
        return status;
    switch (m_deadlines.AfterReceive(ReadDeadlines::Clock::now(), !timedOut)) {
    case ReadDeadlines::Next::SILENT:
        return ReceiveStatus::SILENT;
    case ReadDeadlines::Next::RETURN:
        return ReceiveStatus::WAITING;
    default:
        return ReceiveStatus::OK;
    }
}

void BodyReader::Observe(const char* bytes, std::size_t count)
{
    if (m_observer && count > 0)
        m_observer->OnBodyBytes(bytes, count);
}

// Straight into the block: first what came with the header, then one recv per arrival,
// asking for everything still missing.
ReceiveStatus BodyReader::ReadPlain(char* block, int size)
{
    const std::size_t wanted = (std::size_t)size;
    const std::size_t early = std::min(m_receivedEnd - m_receivedBegin, wanted - m_filled);
    // Nothing may have come with the header: then there is no buffer to copy from at all.
    if (early > 0)
        std::memcpy(block + m_filled, m_received.data() + m_receivedBegin, early);
    m_receivedBegin += early;
    Observe(block + m_filled, early);
    m_filled += early;
    while (m_filled < wanted) {
        const int result = ::recv(m_socket, block + m_filled, (int)(wanted - m_filled), 0);
        if (result > 0) {
            Observe(block + m_filled, (std::size_t)result);
            m_filled += (std::size_t)result;
        }
        const ReceiveStatus status = AfterReceive(result);
        if (m_filled == wanted)
            break;  // whole, even when the period has just ended
        if (status != ReceiveStatus::OK)
            return status;
    }
    m_filled = 0;
    return ReceiveStatus::OK;
}

// The decoder may meet the end of the body (or broken framing) just after it filled the
// block: that block is still whole, and the end is reported by the next call. Bytes received
// when the period ends are kept coded and decoded by the next call.
ReceiveStatus BodyReader::ReadChunked(char* block, int size)
{
    char* out = block + m_filled;
    char* outEnd = block + size;
    while (out < outEnd) {
        if (m_decodingEnded != ReceiveStatus::OK)
            return m_decodingEnded;
        if (m_receivedBegin == m_receivedEnd) {
            const int result = ::recv(m_socket, m_received.data(), (int)m_received.size(), 0);
            if (result > 0) {
                m_receivedBegin = 0;
                m_receivedEnd = (std::size_t)result;
            }
            const ReceiveStatus status = AfterReceive(result);
            if (status != ReceiveStatus::OK) {
                m_filled = (std::size_t)(out - block);
                return status;
            }
        }
        const char* in = m_received.data() + m_receivedBegin;
        char* const decoded = out;
        ChunkedDecoder::Status status = m_decoder.Decode(in, m_received.data() + m_receivedEnd, out, outEnd);
        m_receivedBegin = (std::size_t)(in - m_received.data());
        Observe(decoded, (std::size_t)(out - decoded));
        if (status == ChunkedDecoder::Status::BODY_ENDED)
            m_decodingEnded = ReceiveStatus::CLOSED;
        else if (status == ChunkedDecoder::Status::MALFORMED)
            m_decodingEnded = ReceiveStatus::FAILED;
    }
    m_filled = 0;
    return ReceiveStatus::OK;
}
