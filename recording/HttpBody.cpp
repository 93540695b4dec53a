#include "recording/HttpBody.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';
// A chunk size above this is taken as broken framing rather than believed.
constexpr std::uint64_t MAX_CHUNK_SIZE = std::uint64_t(1) << 40;

std::string Trimmed(const std::string& text)
{
    std::size_t begin = text.find_first_not_of(" \t");
    if (begin == std::string::npos)
        return std::string();
    std::size_t end = text.find_last_not_of(" \t");
    return text.substr(begin, end - begin + 1);
}

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return (char)std::tolower(c); });
    return text;
}

int HexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Chunked counts only as the last (or only) coding of a Transfer-Encoding field. For such a
// field, chunked is set to what it says; any other line leaves chunked alone.
void FieldSaysChunked(std::string line, bool& chunked)
{
    while (!line.empty() && line.back() == CR)
        line.pop_back();
    const std::size_t colon = line.find(':');
    if (colon == std::string::npos || Lowered(Trimmed(line.substr(0, colon))) != "transfer-encoding")
        return;
    const std::string value = line.substr(colon + 1);
    const std::size_t lastComma = value.rfind(',');
    const std::string lastCoding = lastComma == std::string::npos ? value : value.substr(lastComma + 1);
    chunked = Lowered(Trimmed(lastCoding)) == "chunked";
}

} // namespace

bool HeaderSkipper::Take(char byte)
{
    if (byte == LF) {
        // The status line is not a field.
        if (m_pastStatusLine)
            FieldSaysChunked(m_line, m_chunked);
        m_pastStatusLine = true;
        m_line.clear();
    } else if (m_line.size() < MAX_LINE) {
        m_line.push_back(byte);
    }
    if (byte == CR || byte == LF)
        return ++m_run == 4;
    m_run = 0;
    return false;
}

bool HeaderSkipper::IsChunked() const
{
    // A header may end in CR bytes alone, leaving its last field without an LF.
    bool chunked = m_chunked;
    if (m_pastStatusLine)
        FieldSaysChunked(m_line, chunked);
    return chunked;
}

void ChunkedDecoder::StartSizeLine()
{
    m_state = State::SIZE;
    m_size = 0;
    m_sizeDigits = 0;
}

bool ChunkedDecoder::EndSizeLine()
{
    if (m_sizeDigits == 0)
        return false;
    m_state = m_size == 0 ? State::TRAILER : State::DATA;
    m_trailerLine = 0;
    return true;
}

ChunkedDecoder::Status ChunkedDecoder::Decode(const char*& in, const char* inEnd, char*& out, char* outEnd)
{
    while (in < inEnd) {
        if (m_state == State::DONE)
            return Status::BODY_ENDED;
        if (m_state == State::BROKEN)
            return Status::MALFORMED;
        if (m_state == State::DATA) {
            if (out == outEnd)
                return Status::MORE;
            std::size_t count = (std::size_t)std::min<std::uint64_t>(m_size, std::min(inEnd - in, outEnd - out));
            std::memcpy(out, in, count);
            in += count;
            out += count;
            m_size -= count;
            if (m_size == 0)
                m_state = State::DATA_CR;
            continue;
        }
        char c = *in++;
        switch (m_state) {
        case State::SIZE: {
            int digit = HexValue(c);
            if (digit >= 0) {
                m_size = m_size * 16 + (std::uint64_t)digit;
                if (++m_sizeDigits > 16 || m_size > MAX_CHUNK_SIZE)
                    m_state = State::BROKEN;
            } else if (c == ';' || c == ' ' || c == '\t') {
                m_state = m_sizeDigits ? State::EXTENSION : State::BROKEN;
            } else if (c == CR) {
                m_state = State::SIZE_LF;
            } else if (c == LF) {
                if (!EndSizeLine())
                    m_state = State::BROKEN;
            } else {
                m_state = State::BROKEN;
            }
            break;
        }
        case State::EXTENSION:
            if (c == LF)
                EndSizeLine();
            break;
        case State::SIZE_LF:
            if (c != LF || !EndSizeLine())
                m_state = State::BROKEN;
            break;
        case State::DATA_CR:
            // CR LF after the data; a bare LF is accepted as well.
            if (c == CR)
                m_state = State::DATA_LF;
            else if (c == LF)
                StartSizeLine();
            else
                m_state = State::BROKEN;
            break;
        case State::DATA_LF:
            if (c == LF)
                StartSizeLine();
            else
                m_state = State::BROKEN;
            break;
        case State::TRAILER:
            // Trailer fields are skipped; an empty line ends the body.
            if (c == LF) {
                if (m_trailerLine == 0)
                    m_state = State::DONE;
                m_trailerLine = 0;
            } else if (c != CR) {
                ++m_trailerLine;
            }
            break;
        default:
            break;
        }
    }
    if (m_state == State::DONE)
        return Status::BODY_ENDED;
    if (m_state == State::BROKEN)
        return Status::MALFORMED;
    return Status::MORE;
}
