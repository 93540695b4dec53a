// Where the tests that broadcast may run: the test LAN's PC namespace that scripts/test sets
// up, the same check as require_test_lan in tests/e2e/common.bash. Also the environment the
// test LAN hands the tests. Free of gtest, so the benchmarks use it too.
#pragma once

#include <string>

// The PC's addresses on the test LAN's two links (scripts/lib.sh LAN_PC_ADDRS).
struct TestLanAddress {
    const char* address;
    const char* netmask;
};
constexpr TestLanAddress TEST_LAN_PC_ADDRESSES[] = {
    {"10.86.1.1", "255.255.255.0"},
    {"10.86.2.1", "255.255.255.0"},
};

// An environment variable's text; empty when it is not set.
std::string EnvText(const char* name);

// True inside the test LAN's PC namespace: ORVANE_TEST_LAN=1, the process is in a network
// namespace named by `ip netns add`, and its IPv4 addresses besides loopback are exactly the
// test LAN's PC addresses. The main dialog starts scanners that broadcast from every local
// address, so nothing may create it anywhere else.
bool OnTestLan();

// The gtest skip of a test that needs the test LAN (expanded only in gtest files).
#define SKIP_UNLESS_TEST_LAN()                                                                     \
    do {                                                                                           \
        if (!OnTestLan())                                                                          \
            GTEST_SKIP() << "needs the test LAN (scripts/test runs the tests inside its PC namespace)"; \
    } while (0)

// The local address the tests send from and talk to (ORVANE_PC_ADDR, default the first link's).
std::string PcAddress();
