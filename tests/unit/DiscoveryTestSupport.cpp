#include "tests/unit/DiscoveryTestSupport.h"

#include <atomic>
#include <thread>

bool RunOnWorkerWhilePumping(const std::function<void()>& work, DWORD timeoutMs)
{
    std::atomic<bool> done{false};
    std::thread worker([&] {
        work();
        done = true;
    });
    bool inTime = PumpUntil([&] { return done.load(); }, timeoutMs);
    // The worker may be waiting for this thread: keep answering until it has ended.
    PumpUntil([&] { return done.load(); }, INFINITE);
    worker.join();
    WaitForQueuedAnnouncements();
    return inTime;
}

std::vector<TableRow> ReadTable(const CListCtrl& list)
{
    std::vector<TableRow> rows;
    int count = list.GetItemCount();
    for (int i = 0; i < count; ++i) {
        TableRow row;
        row.tag = reinterpret_cast<RowTag*>(list.GetItemData(i));
        for (int column = 0; column < DEVICE_COLUMN_COUNT; ++column)
            row.cells[column] = list.GetItemText(i, column);
        rows.push_back(row);
    }
    return rows;
}

AnnouncedBox AnnouncedBoxForId(DeviceId id)
{
    std::uint32_t bits = (std::uint32_t)id;
    AnnouncedBox box;
    box.id = id;
    box.staticIp = (10u << 24) | (bits & 0xFFFFFFu);
    box.netmask = 0xFFFFFF00u;
    box.gateway = (172u << 24) | (bits & 0xFFFFFFu);
    box.mac[0] = 0x02;
    box.mac[1] = 0x42;
    box.mac[2] = (std::uint8_t)(bits >> 24);
    box.mac[3] = (std::uint8_t)(bits >> 16);
    box.mac[4] = (std::uint8_t)(bits >> 8);
    box.mac[5] = (std::uint8_t)bits;
    box.boardType = 1200;
    return box;
}
