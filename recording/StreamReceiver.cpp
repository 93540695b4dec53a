#include "recording/StreamReceiver.h"

namespace {

// Chunked bodies are received into this much buffer and decoded from there.
constexpr std::size_t CODED_BUFFER_SIZE = 65536;

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

ReceiveStatus ReceiveByte(SOCKET socket, char& byte)
{
    return StatusOfReceive(::recv(socket, &byte, 1, 0));
}

BodyReader::BodyReader(SOCKET socket, bool chunked) : m_socket(socket), m_chunked(chunked)
{
    if (m_chunked)
        m_coded.resize(CODED_BUFFER_SIZE);
}

ReceiveStatus BodyReader::ReadBlock(char* block, int size)
{
    return m_chunked ? ReadChunked(block, size) : ReadPlain(block, size);
}

// Straight into the block: one recv per arrival, asking for everything still missing.
ReceiveStatus BodyReader::ReadPlain(char* block, int size)
{
    int received = 0;
    while (received < size) {
        int result = ::recv(m_socket, block + received, size - received, 0);
        ReceiveStatus status = StatusOfReceive(result);
        if (status != ReceiveStatus::OK)
            return status;
        received += result;
    }
    return ReceiveStatus::OK;
}

// The decoder may meet the end of the body (or broken framing) just after it filled the
// block: that block is still whole, and the end is reported by the next call.
ReceiveStatus BodyReader::ReadChunked(char* block, int size)
{
    char* out = block;
    char* outEnd = block + size;
    while (out < outEnd) {
        if (m_decodingEnded != ReceiveStatus::OK)
            return m_decodingEnded;
        if (m_codedBegin == m_codedEnd) {
            int result = ::recv(m_socket, m_coded.data(), (int)m_coded.size(), 0);
            ReceiveStatus status = StatusOfReceive(result);
            if (status != ReceiveStatus::OK)
                return status;
            m_codedBegin = 0;
            m_codedEnd = (std::size_t)result;
        }
        const char* in = m_coded.data() + m_codedBegin;
        ChunkedDecoder::Status status = m_decoder.Decode(in, m_coded.data() + m_codedEnd, out, outEnd);
        m_codedBegin = (std::size_t)(in - m_coded.data());
        if (status == ChunkedDecoder::Status::BODY_ENDED)
            m_decodingEnded = ReceiveStatus::CLOSED;
        else if (status == ChunkedDecoder::Status::MALFORMED)
            m_decodingEnded = ReceiveStatus::FAILED;
    }
    return ReceiveStatus::OK;
}
