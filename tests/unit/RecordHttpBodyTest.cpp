// The recorder's pieces of HTTP and its file naming, without sockets.
#include "recording/DiskSpace.h"
#include "recording/HttpBody.h"
#include "recording/Recording.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <set>
#include <string>
#include <vector>

namespace {

// Where the body begins: the number of bytes the skipper swallowed, or -1 when the header
// never ended.
int HeaderLength(const std::string& response)
{
    HeaderSkipper skipper;
    for (std::size_t i = 0; i < response.size(); ++i) {
        if (skipper.Take(response[i]))
            return (int)i + 1;
    }
    return -1;
}

struct HeaderCase {
    const char* name;
    std::string response;
    std::string body;  // what must follow the header; empty: the header never ends
};

TEST(RecordHeaderSkip, EndsAtTheFirstRunOfFourCrOrLfBytes)
{
    const HeaderCase cases[] = {
        {"crlf", "HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\n\r\nG-body", "G-body"},
        {"bare LF lines: two LF do not end it", "HTTP/1.1 200 OK\nServer: x\n\nstill header\r\n\r\nG-body", "G-body"},
        {"four LF", "HTTP/1.1 200 OK\n\n\n\nG-body", "G-body"},
        {"any mix", "HTTP/1.1 200 OK\r\r\n\rG-body", "G-body"},
        {"a fifth CR/LF byte is body", "HTTP/1.1 200 OK\r\n\r\n\r\nG", "\r\nG"},
        {"an interrupted run starts again", "HTTP/1.1 200 OK\r\n\rX\n\r\n\rG", "G"},
        {"404 is skipped like any status", "HTTP/1.1 404 Not Found\r\n\r\nnot found", "not found"},
        {"no end", "HTTP/1.1 200 OK\r\nA: b\r\n\nG-body", ""},
    };
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(c.name);
        int length = HeaderLength(c.response);
        if (c.body.empty()) {
            EXPECT_EQ(length, -1);
        } else {
            ASSERT_GE(length, 0);
            EXPECT_EQ(c.response.substr(length), c.body);
        }
    }
}

TEST(RecordHeaderSkip, ChunkedOnlyWhenTransferEncodingEndsWithIt)
{
    const struct {
        const char* header;
        bool chunked;
    } cases[] = {
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\ntransfer-encoding:   Chunked  \r\n\r\n", true},
        {"HTTP/1.1 200 OK\nContent-Type: video/mp2t\nTransfer-Encoding: chunked\n\n\n\n", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n", true},
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked, gzip\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nContent-Type: video/mp2t\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nX-Transfer-Encoding: chunked\r\n\r\n", false},
        {"HTTP/1.1 200 OK\r\nContent-Type: chunked\r\n\r\n", false},
        {"Transfer-Encoding: chunked\r\n\r\n", false},  // a status line, not a field
        {"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\nTransfer-Encoding: gzip\r\n\r\n", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        HeaderSkipper skipper;
        for (const char* p = c.header; *p; ++p)
            skipper.Take(*p);
        EXPECT_EQ(skipper.IsChunked(), c.chunked);
    }
}

// Wherever the field stands in a header of up to 64 KiB (the most the recorder accepts), and
// whatever long lines come before it.
TEST(RecordHeaderSkip, ChunkedFoundAnywhereInALongHeader)
{
    const std::string padding = "X-Padding: " + std::string(20000, 'a') + "\r\n";
    const struct {
        const char* name;
        std::string header;
    } cases[] = {
        {"after 20 KB of one field", "HTTP/1.1 200 OK\r\n" + padding + "Transfer-Encoding: chunked\r\n\r\n"},
        {"after 60 KB of fields",
         "HTTP/1.1 200 OK\r\n" + padding + padding + padding + "Transfer-Encoding: chunked\r\n\r\n"},
        {"in the last line, ended by CRs alone", "HTTP/1.1 200 OK\r\n" + padding + "Transfer-Encoding: chunked\r\r\r\r"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_LT(c.header.size(), 65536u);
        HeaderSkipper skipper;
        std::size_t taken = 0;
        while (taken < c.header.size() && !skipper.Take(c.header[taken]))
            ++taken;
        EXPECT_EQ(taken, c.header.size() - 1) << "the header ends with its last byte";
        EXPECT_TRUE(skipper.IsChunked());
    }
}

struct Decoded {
    std::string body;
    ChunkedDecoder::Status status;
};

// Feeds the coded bytes in slices of inSlice bytes into an output of outSlice bytes at a time.
Decoded Decode(const std::string& coded, std::size_t inSlice, std::size_t outSlice)
{
    ChunkedDecoder decoder;
    Decoded result{std::string(), ChunkedDecoder::Status::MORE};
    std::string out(outSlice, '\0');
    std::size_t position = 0;
    while (position < coded.size() && result.status == ChunkedDecoder::Status::MORE) {
        const char* in = coded.data() + position;
        const char* inEnd = coded.data() + std::min(coded.size(), position + inSlice);
        char* outPointer = &out[0];
        result.status = decoder.Decode(in, inEnd, outPointer, &out[0] + outSlice);
        result.body.append(out.data(), outPointer - out.data());
        position = in - coded.data();
    }
    return result;
}

TEST(RecordChunked, RemovesTheFramingWhateverTheSlicing)
{
    using S = ChunkedDecoder::Status;
    const struct {
        const char* name;
        std::string coded;
        std::string body;
        S status;
    } cases[] = {
        {"one chunk", "5\r\nhello\r\n0\r\n\r\n", "hello", S::BODY_ENDED},
        {"extensions and a trailer", "5;name=v\r\nhello\r\n6\r\n world\r\n0\r\nExpires: never\r\n\r\n", "hello world",
         S::BODY_ENDED},
        {"hex digits of both cases", "a\r\n0123456789\r\nB\r\nabcdefghijk\r\n0\r\n\r\n", "0123456789abcdefghijk",
         S::BODY_ENDED},
        {"CR and LF inside data are data", "4\r\n\r\n\r\n\r\n0\r\n\r\n", "\r\n\r\n", S::BODY_ENDED},
        {"bare LF framing", "3\nabc\n0\n\n", "abc", S::BODY_ENDED},
        {"body not finished", "5\r\nhel", "hel", S::MORE},
        {"bytes after the end are not body", "1\r\nx\r\n0\r\n\r\nGARBAGE", "x", S::BODY_ENDED},
        {"size not hex", "zz\r\nhello\r\n", "", S::MALFORMED},
        {"empty size line", "\r\nhello", "", S::MALFORMED},
        {"no line end after data", "3\r\nabcX\r\n", "abc", S::MALFORMED},
        {"more size digits than 64 bits hold", "FFFFFFFFFFFFFFFFFF\r\n", "", S::MALFORMED},
        {"size beyond reason", "10000000001\r\n", "", S::MALFORMED},
    };
    for (const auto& c : cases) {
        for (std::size_t inSlice : {std::size_t(1), std::size_t(3), c.coded.size()}) {
            for (std::size_t outSlice : {std::size_t(1), std::size_t(4096)}) {
                SCOPED_TRACE(std::string(c.name) + " in " + std::to_string(inSlice) + " out " + std::to_string(outSlice));
                Decoded decoded = Decode(c.coded, inSlice, outSlice);
                EXPECT_EQ(decoded.body, c.body);
                EXPECT_EQ((int)decoded.status, (int)c.status);
            }
        }
    }
}

TEST(RecordFileName, StaticAddressAndZeroPaddedLocalStartTime)
{
    const struct {
        const wchar_t* directory;
        const wchar_t* host;
        int year, month, day, hour, minute, second;
        const wchar_t* name;
    } cases[] = {
        {L"C:\\tools", L"192.168.1.100", 2024, 1, 31, 23, 59, 59, L"C:\\tools\\192.168.1.100_20240131_235959.ts"},
        {L"D:\\rec", L"10.0.0.2", 2025, 2, 3, 4, 5, 6, L"D:\\rec\\10.0.0.2_20250203_040506.ts"},
        // A folder named outside any single ANSI code page keeps its name.
        {L"C:\\Users\\li\\\u5f55\u50cf \u0432\u0438\u0434\u0435\u043e", L"10.0.0.3", 2025, 12, 1, 0, 0, 0,
         L"C:\\Users\\li\\\u5f55\u50cf \u0432\u0438\u0434\u0435\u043e\\10.0.0.3_20251201_000000.ts"},
    };
    for (const auto& c : cases) {
        std::tm start = {};
        start.tm_year = c.year - 1900;
        start.tm_mon = c.month - 1;
        start.tm_mday = c.day;
        start.tm_hour = c.hour;
        start.tm_min = c.minute;
        start.tm_sec = c.second;
        EXPECT_EQ(RecordingFileName(c.directory, c.host, start), c.name);
    }
}

// A name already taken (by an earlier recording of the run or an existing file) moves the
// recording on to the next free second.
TEST(RecordFileName, ATakenNameMovesOnToTheNextFreeSecond)
{
    std::tm noon = {};
    noon.tm_year = 2025 - 1900;
    noon.tm_mon = 5;
    noon.tm_mday = 30;
    noon.tm_hour = 23;
    noon.tm_min = 59;
    noon.tm_sec = 58;
    const __time64_t start = ::_mktime64(&noon);
    ASSERT_NE(start, -1);
    const std::set<std::wstring> taken = {L"C:\\rec\\10.0.0.2_20250630_235958.ts",
                                          L"C:\\rec\\10.0.0.2_20250630_235959.ts"};
    std::vector<std::wstring> asked;
    const std::wstring name = FreeRecordingFileName(L"C:\\rec", L"10.0.0.2", start, [&](const std::wstring& path) {
        asked.push_back(path);
        return taken.count(path) != 0;
    });
    EXPECT_EQ(name, L"C:\\rec\\10.0.0.2_20250701_000000.ts");
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(FreeRecordingFileName(L"C:\\rec", L"10.0.0.3", start, [](const std::wstring&) { return false; }),
              L"C:\\rec\\10.0.0.3_20250630_235958.ts");
}

TEST(RecordFileName, ExecutableDirectoryHasNoTrailingBackslash)
{
    const std::wstring directory = GetExecutableDirectory();
    ASSERT_FALSE(directory.empty());
    EXPECT_NE(directory.back(), L'\\');
    EXPECT_NE(::GetFileAttributesW((directory + L"\\orvane_tests.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(WideToAnsi(directory.c_str()).size(), directory.size());  // an ASCII build path stays whole
}

// The space a volume keeps free of recordings: 5% of it, at most 1 GiB.
TEST(RecordDiskReserve, FivePercentOfTheVolumeAtMostOneGiB)
{
    constexpr std::uint64_t MiB = 1024 * 1024;
    constexpr std::uint64_t GiB = 1024 * MiB;
    const struct {
        std::uint64_t total;
        std::uint64_t reserve;
    } cases[] = {
        {64 * MiB, 64 * MiB / 100 * 5},  // a small tmpfs: 3.2 MiB
        {10 * GiB, 10 * GiB / 100 * 5},  // 512 MiB
        {40 * GiB, GiB},                 // 5% would be 2 GiB
        {2000 * GiB, GiB},               // a large disk keeps 1 GiB, not 100 GiB
        {0, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DiskReserve(c.total), c.reserve) << c.total;
    EXPECT_EQ(FolderOf(L"C:\\rec\\10.0.0.1_20240131_235959.ts"), L"C:\\rec");
}

} // namespace
