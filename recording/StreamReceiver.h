// The recorder's side of its TCP connection: the request, the header read byte by byte,
// and the body read in whole blocks, de-chunked when the header said so. Every receive is
// bounded by the socket's receive time-out, so a silent box cannot hold a recorder for ever.
#pragma once

#include "recording/HttpBody.h"

#include <winsock2.h>

#include <vector>

enum class ReceiveStatus {
    OK,
    CLOSED,  // the box closed the connection, or its chunked body ended
    FAILED,  // a receive error, or chunked framing that cannot be decoded
    SILENT   // nothing arrived within the receive time-out
};

// Sets the socket's receive time-out (SO_RCVTIMEO); false when the platform refused it.
bool SetReceiveTimeout(SOCKET socket, int milliseconds);

// Sends the bytes, going on after partial sends; stops quietly at the first error or zero.
void SendAll(SOCKET socket, const char* bytes, int count);

// One byte of the response header.
ReceiveStatus ReceiveByte(SOCKET socket, char& byte);

// Reads the response body in blocks. The socket is not owned.
class BodyReader {
public:
    BodyReader(SOCKET socket, bool chunked);

    // Fills the whole block. OK only when every byte of it arrived; otherwise the block's
    // contents are undefined and the reader is finished.
    ReceiveStatus ReadBlock(char* block, int size);

private:
    ReceiveStatus ReadPlain(char* block, int size);
    ReceiveStatus ReadChunked(char* block, int size);

    SOCKET m_socket;
    bool m_chunked;
    ChunkedDecoder m_decoder;
    std::vector<char> m_coded;  // received but not yet decoded (chunked bodies only)
    std::size_t m_codedBegin = 0;
    std::size_t m_codedEnd = 0;
    ReceiveStatus m_decodingEnded = ReceiveStatus::OK;  // CLOSED or FAILED once the decoder stopped
};
