// The two pieces of HTTP the recorder understands: where the response header ends, and the
// chunked transfer coding that some servers wrap the body in. Everything else in the header
// stays uninterpreted: whatever the status, the body is recorded.
#pragma once

#include <cstdint>
#include <string>

// Finds the end of a response header, fed one byte at a time: the header ends at the first
// run of four consecutive bytes each of which is CR or LF, in any mix. On the way it reads
// every header line for the transfer coding, however long the header is; only the line being
// read is kept.
class HeaderSkipper {
public:
    // Takes the next byte; true when it was the fourth of the run, so the next byte is body.
    bool Take(char byte);
    // Whether the header seen so far names chunked as its transfer coding: the last
    // Transfer-Encoding field decides.
    bool IsChunked() const;

private:
    // A longer line is cut here: no header the recorder accepts holds one.
    static constexpr std::size_t MAX_LINE = 65536;

    int m_run = 0;
    bool m_pastStatusLine = false;
    bool m_chunked = false;  // what the complete fields said
    std::string m_line;      // the line being read, without its LF
};

// Removes the chunked framing: size lines (hex, with optional extensions), CRLF after each
// chunk's data, and the last chunk with its trailer. Fed any slices of the coded body.
class ChunkedDecoder {
public:
    enum class Status {
        MORE,        // all input used or the output is full; call again
        BODY_ENDED,  // the last chunk and its trailer have arrived; nothing follows
        MALFORMED    // the framing is broken; nothing more can be decoded
    };

    // Decodes from [in, inEnd) into [out, outEnd); both pointers move past what was used.
    Status Decode(const char*& in, const char* inEnd, char*& out, char* outEnd);

private:
    enum class State { SIZE, EXTENSION, SIZE_LF, DATA, DATA_CR, DATA_LF, TRAILER, DONE, BROKEN };

    void StartSizeLine();
    bool EndSizeLine();

    State m_state = State::SIZE;
    std::uint64_t m_size = 0;       // of the chunk being read, then the bytes of it still to come
    int m_sizeDigits = 0;
    std::size_t m_trailerLine = 0;  // bytes on the current trailer line, CR excluded
};
