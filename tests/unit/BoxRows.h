// Rows of the main dialog's device table put in by the tests: a box described once (TestBox)
// and one injector with the two ways an announcement can reach the window thread.
#pragma once

#include "tests/unit/MainDialogHarness.h"

#include <cstdint>
#include <string>

// A box as the tests describe it; addresses and MAC as the table shows them.
struct TestBox {
    DeviceId id;
    std::string lanIp;  // the announcement's source address
    std::string staticIp;
    std::string netmask;
    std::string gateway;
    std::string mac;
};
DeviceDatagram AnnouncementOf(const TestBox& box);

// How the box's announcement reaches the window thread.
struct Delivery {
    // One announcement job sent straight to the dialog, which writes the row at once. An
    // address that is a host name (no announcement can carry one) is written into its cell as
    // given, for the recorder's tests of names.
    static Delivery ToWindowThread() { return {false, 0}; }
    // Handed to HandleAnnouncement under ReplyLock as a receiver does, so DeviceInterfaceMap
    // records the interface that heard it; then pumped until its row is written.
    static Delivery AsReceiverOn(std::uint32_t interfaceIndex) { return {true, interfaceIndex}; }

    bool asReceiver;
    std::uint32_t interfaceIndex;
};

// Window thread: shows the box in the main dialog's table; returns its row (-1: none).
int PutBoxRow(const TestBox& box, Delivery delivery = Delivery::ToWindowThread());
