// The socket wrapper on real sockets: TCP over loopback for ReceiveExact, UDP binds on the
// test LAN's addresses.
#include "DiscoveryTestSupport.h"

#include "discovery/Ipv4Text.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

// Connects two loopback TCP sockets: returns the accepting end (INVALID_SOCKET on failure)
// and stores the connecting end, the peer, in *peer.
SOCKET ConnectLoopback(SOCKET* peer)
{
    SocketStartup();
    *peer = INVALID_SOCKET;
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    SOCKET accepted = INVALID_SOCKET;
    if (listener != INVALID_SOCKET && ::bind(listener, (sockaddr*)&address, sizeof address) == 0 &&
        ::listen(listener, 1) == 0 && ::getsockname(listener, (sockaddr*)&address, &length) == 0) {
        *peer = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        if (::connect(*peer, (sockaddr*)&address, sizeof address) == 0)
            accepted = ::accept(listener, nullptr, nullptr);
    }
    if (listener != INVALID_SOCKET)
        ::closesocket(listener);
    return accepted;
}

std::uint16_t BoundPort(const NetSocket& socket)
{
    sockaddr_in local = {};
    int length = sizeof local;
    if (::getsockname(socket.Handle(), (sockaddr*)&local, &length) != 0)
        return 0;
    return ::ntohs(local.sin_port);
}

} // namespace

// Exactly the bytes asked for, however the peer cuts them up; false when the peer closes early,
// with what did arrive at the start of the buffer.
TEST(NetSocket, ReceiveExactWaitsForEveryByte)
{
    SKIP_UNLESS_TEST_LAN();
    struct Case {
        const char* name;
        std::vector<int> pieces;  // sent one after another, then the peer closes
        int asked;
        bool complete;
    };
    const Case cases[] = {
        {"all at once", {8}, 8, true},
        {"in three pieces", {3, 4, 5}, 12, true},
        {"more than asked", {20}, 8, true},
        {"peer closes after 5 of 8", {5}, 8, false},
        {"peer closes at once", {}, 4, false},
        {"half a megabyte in small pieces", std::vector<int>(512, 1024), 524288, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SOCKET peerSocket = INVALID_SOCKET;
        NetSocket receiver(ConnectLoopback(&peerSocket));
        ASSERT_TRUE(receiver.IsValid());
        std::vector<char> sent;
        std::thread peer([&] {
            for (int piece : c.pieces) {
                std::vector<char> bytes(piece);
                for (int i = 0; i < piece; ++i)
                    bytes[i] = (char)((sent.size() + i) * 7 + 1);
                ::send(peerSocket, bytes.data(), piece, 0);
                sent.insert(sent.end(), bytes.begin(), bytes.end());
                ::Sleep(1);
            }
            ::shutdown(peerSocket, SD_SEND);
        });
        std::vector<char> buffer(c.asked + 16, 0x55);
        bool complete = receiver.ReceiveExact(buffer.data(), c.asked);
        peer.join();
        EXPECT_EQ(complete, c.complete);
        size_t arrived = std::min(sent.size(), (size_t)c.asked);
        EXPECT_TRUE(std::equal(sent.begin(), sent.begin() + arrived, buffer.begin()));
        EXPECT_EQ(buffer[c.asked], 0x55) << "wrote past the bytes asked for";
        ::closesocket(peerSocket);
        receiver.ShutdownAndClose();
        EXPECT_FALSE(receiver.IsValid());
    }
}

// A socket held by a local NetSocket is closed when the NetSocket goes: the peer sees the
// connection end.
TEST(NetSocket, ClosesItsSocketWhenItGoes)
{
    SKIP_UNLESS_TEST_LAN();
    SOCKET peerSocket = INVALID_SOCKET;
    SOCKET handle = ConnectLoopback(&peerSocket);
    ASSERT_NE(handle, INVALID_SOCKET);
    {
        NetSocket owner(handle);
        EXPECT_TRUE(owner.IsValid());
    }
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(peerSocket, &readable);
    timeval wait = {5, 0};
    ASSERT_EQ(::select(0, &readable, nullptr, nullptr, &wait), 1) << "the peer hears nothing";
    char byte;
    EXPECT_EQ(::recv(peerSocket, &byte, 1, 0), 0) << "the connection is still open";
    ::closesocket(peerSocket);
}

// A UDP socket on a local address and port 0. (No failing bind here: Wine accepts a bind to an
// address the host does not have.)
TEST(NetSocket, BindLocalBindsToTheAddressGiven)
{
    SKIP_UNLESS_TEST_LAN();
    SocketStartup();
    const std::string locals[] = {PcAddress(), TEST_LAN_PC_ADDRESSES[1].address, "127.0.0.1"};
    for (const std::string& address : locals) {
        NetSocket socket;
        ASSERT_TRUE(socket.BindLocal(address.c_str())) << address;
        sockaddr_in local = {};
        int length = sizeof local;
        ASSERT_EQ(::getsockname(socket.Handle(), (sockaddr*)&local, &length), 0);
        EXPECT_EQ(Ipv4ToText(local.sin_addr.s_addr), address);
        EXPECT_NE(BoundPort(socket), 0) << address;
        int type = 0, typeLength = sizeof type;
        ::getsockopt(socket.Handle(), SOL_SOCKET, SO_TYPE, (char*)&type, &typeLength);
        EXPECT_EQ(type, SOCK_DGRAM);
        socket.Close();
        EXPECT_FALSE(socket.IsValid());
        socket.Close();  // twice is harmless
    }
}

TEST(NetSocket, SendBroadcastNeedsASocket)
{
    SKIP_UNLESS_TEST_LAN();
    NetSocket socket;
    DeviceDatagram probe = MakeProbe();
    EXPECT_FALSE(socket.SendBroadcast(&probe));
}
