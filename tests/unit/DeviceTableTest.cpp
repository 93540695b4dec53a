// The device table against the real list-view control: a report-style SysListView32 of its
// own, driven on the test's thread, which is the control's window thread.
#include "DeviceListWindow.h"
#include "DiscoveryTestSupport.h"

#include "discovery/DeviceTable.h"
#include "discovery/HandleAnnouncement.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <set>

namespace {

class DeviceTableTest : public DeviceListWindow {
protected:
    void SetUp() override
    {
        DeviceListWindow::SetUp();
        m_table.Attach(m_list);
    }

    void TearDown() override
    {
        DeviceListWindow::TearDown();
    }

    // An announcement from box id; generation changes every cell the announcement writes.
    AnnouncementJob Job(DeviceId id, int generation)
    {
        AnnouncedBox box = AnnouncedBoxForId(id);
        box.gateway = (192u << 24) | (168u << 16) | (std::uint32_t)generation;
        box.boardType = generation % 2 ? 801 : 1202;
        return MakeAnnouncementJob(MakeAnnouncementDatagram(box), (10u << 24) | (86u << 16) | (1u << 8) | 10u,
                                   1700000000u + (std::uint32_t)generation);
    }

    int Announce(DeviceId id, int generation = 0)
    {
        AnnouncementJob job = Job(id, generation);
        m_lastJob[id] = job;
        return m_table.Apply(job);
    }

    // Every row's tag names the row's own box, no box has two rows, and each row shows the
    // latest announcement of its box.
    void ExpectConsistentRows()
    {
        std::set<DeviceId> seen;
        std::vector<TableRow> rows = ReadTable(m_list);
        for (size_t i = 0; i < rows.size(); ++i) {
            const TableRow& row = rows[i];
            ASSERT_NE(row.tag, nullptr) << "row " << i;
            DeviceId id = std::stoi(row.cells[COL_ID]);
            EXPECT_EQ(row.tag->deviceId, id) << "row " << i;
            EXPECT_TRUE(seen.insert(id).second) << "box " << id << " has two rows";
            const AnnouncementJob& job = m_lastJob[id];
            for (int column = FIRST_ANNOUNCED_COLUMN; column <= LAST_ANNOUNCED_COLUMN; ++column)
                EXPECT_EQ(row.cells[column], job.cells[column]) << "row " << i << " column " << column;
        }
    }

    // The RowTags the table owns, in creation order.
    std::vector<RowTag*> Tags() const { return RowTagsOf(m_table); }

    DeviceTable m_table;
    std::map<DeviceId, AnnouncementJob> m_lastJob;
};

} // namespace

TEST_F(DeviceTableTest, NewBoxesArriveAtTheTop)
{
    EXPECT_EQ(Announce(5), 0);
    EXPECT_EQ(Announce(9), 0);
    EXPECT_EQ(Announce(2), 0);

    EXPECT_EQ(RowIds(m_list), (std::vector<DeviceId>{2, 9, 5}));
    ASSERT_EQ(Tags().size(), 3u);
    EXPECT_EQ(Tags()[0]->deviceId, 5);  // in creation order
    EXPECT_EQ(Tags()[2]->deviceId, 2);
    std::vector<TableRow> rows = ReadTable(m_list);
    for (const TableRow& row : rows) {
        EXPECT_EQ(row.cells[COL_RECORD], L"Off");
        EXPECT_EQ(row.tag->state, 0);
    }
    EXPECT_EQ(rows[0].tag, Tags()[2]);
    ExpectConsistentRows();
}

TEST_F(DeviceTableTest, IdColumnIsSignedDecimal)
{
    Announce(-1);
    Announce(2147483647);
    Announce(-2147483647 - 1);
    EXPECT_EQ(m_list.GetItemText(0, COL_ID), L"-2147483648");
    EXPECT_EQ(m_list.GetItemText(1, COL_ID), L"2147483647");
    EXPECT_EQ(m_list.GetItemText(2, COL_ID), L"-1");
}

// A known box's announcement rewrites columns 1 to 7 of its own row, wherever that row now
// stands, and creates nothing.
TEST_F(DeviceTableTest, RefreshWritesTheBoxsOwnRowInPlace)
{
    Announce(5, 1);
    Announce(9, 1);
    Announce(2, 1);
    const std::vector<TableRow> before = ReadTable(m_list);

    EXPECT_EQ(Announce(5, 2), 2);  // the first box is now at the bottom
    EXPECT_EQ(Announce(9, 3), 1);
    EXPECT_EQ(Announce(2, 4), 0);
    EXPECT_EQ(Announce(5, 5), 2);

    EXPECT_EQ(RowIds(m_list), (std::vector<DeviceId>{2, 9, 5}));
    EXPECT_EQ(Tags().size(), 3u);
    std::vector<TableRow> after = ReadTable(m_list);
    for (size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(after[i].tag, before[i].tag);
        EXPECT_NE(after[i].cells[COL_LAN_GATEWAY], before[i].cells[COL_LAN_GATEWAY]);
    }
    EXPECT_EQ(after[2].cells[COL_LAN_GATEWAY], L"192.168.0.5");
    ExpectConsistentRows();
}

// A recording's "Open"/"On" and its row state are the recorder's; announcements never touch them.
TEST_F(DeviceTableTest, RecordCellAndStateSurviveRefreshes)
{
    struct Case {
        const char* name;
        const wchar_t* record;
        int state;
    };
    const Case cases[] = {
        {"recording", L"On", ROW_RECORDING}, {"file open", L"Open", ROW_RECORDING}, {"stopped", L"Off", ROW_IDLE}};
    for (size_t index = 0; index < std::size(cases); ++index) {
        const Case& c = cases[index];
        SCOPED_TRACE(c.name);
        DeviceId id = 100 + 10 * (DeviceId)index;  // a box of its own for each case
        Announce(id);
        Announce(id + 1000);  // moves the box's row down
        int row = 1;
        RowTag* tag = TagOfRow(m_list, row);
        ASSERT_EQ(tag->deviceId, id);
        m_list.SetItemText(row, COL_RECORD, c.record);
        tag->state = c.state;

        Announce(id, 7);
        Announce(id, 8);

        EXPECT_EQ(m_list.GetItemText(row, COL_RECORD), c.record);
        EXPECT_EQ(TagOfRow(m_list, row), tag);
        EXPECT_EQ(tag->state, c.state);
        EXPECT_EQ(m_list.GetItemText(row, COL_LAN_GATEWAY), L"192.168.0.8");
    }
    ExpectConsistentRows();
}

// Rows removed between announcements, as Clear and the start of scanning remove them: a box
// whose row is gone gets a new row at the top with a new RowTag; the others keep landing on
// their own rows.
TEST_F(DeviceTableTest, RowsDeletedBetweenAnnouncements)
{
    struct Case {
        const char* name;
        std::vector<DeviceId> first;   // announced in this order
        std::vector<int> deleteRows;   // row indexes, deleted in this order
        std::vector<DeviceId> then;    // announced after the deletion
        std::vector<DeviceId> expected;  // ids from the top
        size_t newTags;                // RowTags created by `then`
    };
    const std::vector<Case> cases = {
        {"top row removed, its box returns", {5, 9, 2}, {0}, {5, 2}, {2, 9, 5}, 1},
        {"bottom row removed, its box returns", {5, 9, 2}, {2}, {9, 5, 2}, {5, 2, 9}, 1},
        {"middle row removed, neighbours refresh", {5, 9, 2}, {1}, {2, 5}, {2, 5}, 0},
        {"all rows removed", {5, 9, 2}, {0, 0, 0}, {9, 5}, {5, 9}, 2},
        {"rows above removed, bottom box refreshes", {1, 2, 3, 4, 5}, {0, 0, 1}, {1, 4}, {4, 3, 1}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_list.DeleteAllItems();
        m_lastJob.clear();
        int generation = 0;
        for (DeviceId id : c.first)
            Announce(id, ++generation);
        std::map<DeviceId, RowTag*> oldTags;
        for (const TableRow& row : ReadTable(m_list))
            oldTags[row.tag->deviceId] = row.tag;
        for (int row : c.deleteRows)
            ASSERT_TRUE(m_list.DeleteItem(row));
        const std::vector<DeviceId> remaining = RowIds(m_list);
        auto remained = [&](DeviceId id) { return std::find(remaining.begin(), remaining.end(), id) != remaining.end(); };
        for (auto it = m_lastJob.begin(); it != m_lastJob.end();)
            it = remained(it->first) ? std::next(it) : m_lastJob.erase(it);

        size_t tagsBefore = Tags().size();
        for (DeviceId id : c.then)
            Announce(id, ++generation);

        EXPECT_EQ(RowIds(m_list), c.expected);
        EXPECT_EQ(Tags().size() - tagsBefore, c.newTags);
        for (const TableRow& row : ReadTable(m_list)) {
            if (remained(row.tag->deviceId)) {
                EXPECT_EQ(row.tag, oldTags[row.tag->deviceId]);
            } else {
                EXPECT_NE(row.tag, oldTags[row.tag->deviceId]) << "a returning box needs a new RowTag";
                EXPECT_EQ(row.tag->state, 0);
                EXPECT_EQ(row.cells[COL_RECORD], L"Off");
            }
        }
        ExpectConsistentRows();
    }
}

// A returning box's new row starts clean even when its old record was recording.
TEST_F(DeviceTableTest, ReturningBoxGetsAFreshRowTag)
{
    Announce(7);
    RowTag* old = TagOfRow(m_list, 0);
    old->state = ROW_RECORDING;
    m_list.SetItemText(0, COL_RECORD, L"On");
    m_list.DeleteItem(0);

    Announce(7, 1);

    ASSERT_EQ(m_list.GetItemCount(), 1);
    EXPECT_NE(TagOfRow(m_list, 0), old);
    EXPECT_EQ(TagOfRow(m_list, 0)->state, 0);
    EXPECT_EQ(m_list.GetItemText(0, COL_RECORD), L"Off");
    EXPECT_EQ(old->state, ROW_RECORDING);  // the old record stays as it was
    EXPECT_EQ(Tags().size(), 2u);
}

// A row without a RowTag is nobody's row.
TEST_F(DeviceTableTest, RowWithoutTagDoesNotMatch)
{
    m_list.InsertItem(0, L"7");
    Announce(7);
    ASSERT_EQ(m_list.GetItemCount(), 2);
    EXPECT_NE(TagOfRow(m_list, 0), nullptr);
    EXPECT_EQ(TagOfRow(m_list, 1), nullptr);
    EXPECT_EQ(m_list.GetItemText(1, COL_LAN_IP), L"");
}

// Many boxes, announcements in random order, and rows deleted at random in between (Clear,
// other windows' work): after every step the table equals a simple model of it.
TEST_F(DeviceTableTest, RandomAnnouncementsAndDeletionsKeepRowsTrue)
{
    std::mt19937 random(12345);
    std::vector<DeviceId> model;  // ids from the top
    for (int step = 0; step < 3000; ++step) {
        int action = (int)(random() % 10);
        if (action < 8 || model.empty()) {
            DeviceId id = (DeviceId)(random() % 300) - 150;
            int row = Announce(id, step);
            auto at = std::find(model.begin(), model.end(), id);
            if (at == model.end()) {
                model.insert(model.begin(), id);
                ASSERT_EQ(row, 0) << "step " << step;
            } else {
                ASSERT_EQ(row, at - model.begin()) << "step " << step;
            }
        } else {
            int row = (int)(random() % model.size());
            ASSERT_TRUE(m_list.DeleteItem(row));
            m_lastJob.erase(model[row]);
            model.erase(model.begin() + row);
        }
        if (step % 250 == 0) {
            ASSERT_EQ(RowIds(m_list), model) << "step " << step;
        }
    }
    EXPECT_EQ(RowIds(m_list), model);
    ExpectConsistentRows();
}

namespace {
int g_searches = 0;  // LVM_FINDITEMW messages the list received
WNDPROC g_listProc = nullptr;

LRESULT CALLBACK CountSearches(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    g_searches += message == LVM_FINDITEMW;
    return ::CallWindowProcW(g_listProc, hwnd, message, wParam, lParam);
}
} // namespace

// After rows were removed (Clear), the table keeps nothing for boxes that are gone: their
// RowTags are freed, and their next announcements cost what a new box's costs, without a
// search of the list. Kept rows keep their RowTags and are refreshed in place.
TEST_F(DeviceTableTest, ReleasedRowsLeaveNothingAndReturnAsNewBoxes)
{
    constexpr int kBoxes = 400;
    for (int i = 0; i < kBoxes; ++i)
        Announce(1000 + i);
    const std::set<DeviceId> kept = {1000, 1200};
    for (int row = m_list.GetItemCount() - 1; row >= 0; --row) {
        if (!kept.count(TagOfRow(m_list, row)->deviceId))
            m_list.DeleteItem(row);
    }
    for (auto it = m_lastJob.begin(); it != m_lastJob.end();)
        it = kept.count(it->first) ? std::next(it) : m_lastJob.erase(it);
    m_table.ReleaseRemovedRows();

    ASSERT_EQ(Tags().size(), 2u);
    EXPECT_EQ(Tags()[0]->deviceId, 1000);  // still in creation order
    EXPECT_EQ(Tags()[1]->deviceId, 1200);
    EXPECT_EQ(TagOfRow(m_list, 1), Tags()[0]);
    EXPECT_EQ(TagOfRow(m_list, 0), Tags()[1]);

    g_searches = 0;
    g_listProc = (WNDPROC)::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, (LONG_PTR)&CountSearches);
    for (int i = 0; i < kBoxes; ++i) {
        const DeviceId id = 1000 + i;
        const int row = Announce(id, 1);
        if (!kept.count(id)) {
            EXPECT_EQ(row, 0) << id;
        }
    }
    ::SetWindowLongPtrW(m_hwnd, GWLP_WNDPROC, (LONG_PTR)g_listProc);

    EXPECT_EQ(g_searches, 0) << "returning boxes searched the list";
    EXPECT_EQ(m_list.GetItemCount(), kBoxes);
    EXPECT_EQ(Tags().size(), (size_t)kBoxes);
    EXPECT_EQ(Tags()[0]->deviceId, 1000);
    ExpectConsistentRows();
}
