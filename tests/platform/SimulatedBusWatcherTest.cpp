#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/DeviceNotifications.h"
#include "platform/SimulatedBusWatcher.h"

namespace {

// A terminal list answering the two-call protocol as the library does; it can
// let a terminal arrive between the sizing call and the listing call.
class FakeBus {
public:
    std::vector<std::pair<std::string, std::string>> terminals; // product text, ID number
    std::vector<std::pair<std::string, std::string>> arrivingAfterSizing;
    int calls = 0;

    uint32_t List(char *products, uint32_t *productLength, char *ids, uint32_t *idLength)
    {
        ++calls;
        std::string productList, idList;
        for (const auto &[product, id] : terminals) {
            productList += product + '\0';
            idList += id + '\0';
        }
        productList += '\0';
        idList += '\0';
        if (!products || !ids) {
            *productLength = static_cast<uint32_t>(productList.size());
            *idLength = static_cast<uint32_t>(idList.size());
            terminals.insert(terminals.end(), arrivingAfterSizing.begin(), arrivingAfterSizing.end());
            arrivingAfterSizing.clear();
            return 0;
        }
        if (*productLength < productList.size() || *idLength < idList.size())
            return 122;
        std::memcpy(products, productList.data(), productList.size());
        std::memcpy(ids, idList.data(), idList.size());
        return 0;
    }
};

class EventLog : public tvx::DialogHandler {
public:
    bool OnInitDialog() override { return true; }
    void OnButtonClicked(int) override {}
    void OnComboSelChange(int) override {}
    void OnListItemChanged(int, int, unsigned, unsigned) override {}
    void OnTimer(unsigned) override {}
    void OnSysCommand(unsigned) override {}
    void OnDeviceChange(unsigned eventCode, const void *record) override
    {
        events.emplace_back(eventCode, static_cast<const tvx::DeviceInterfaceRecord *>(record)->dbcc_name);
    }
    std::vector<std::pair<unsigned, std::string>> events;
};

class SimulatedBusWatcherTest : public ::testing::Test {
protected:
    void SetUp() override { handle = tvx::RegisterDeviceNotification(log, tvx::kUsbDeviceInterface); }
    void TearDown() override { tvx::UnregisterDeviceNotification(handle); }

    tvx::SimulatedBusWatcher Watcher()
    {
        return tvx::SimulatedBusWatcher(
            [this](char *p, uint32_t *pl, char *i, uint32_t *il) { return bus.List(p, pl, i, il); });
    }

    FakeBus bus;
    EventLog log;
    tvx::NotificationHandle handle = nullptr;
};

using Events = std::vector<std::pair<unsigned, std::string>>;

TEST_F(SimulatedBusWatcherTest, PostsRemovalsThenArrivalsForChangedTerminals)
{
    bus.terminals = {{"VORN 470 M online KOTRX V 4.6.0 V.1.2.0 RTM", "SN470"},
                     {"VORN 460 M DEBRV RTM", "SN460"}};
    auto watcher = Watcher();
    watcher.Poll();
    EXPECT_TRUE(log.events.empty()) << "terminals already there are not announced";

    watcher.Poll();
    EXPECT_TRUE(log.events.empty()) << "nothing changed";

    // The 470 restarts into its loader (new product text), a third one is plugged in.
    bus.terminals = {{"VORN 460 M DEBRV RTM", "SN460"},
                     {"VORN 470 M online KOTRX V 1.2.0 V.4.6.0 DFU", "SN470"},
                     {"VORN 480 KOTRX RTM", "SN480"}};
    watcher.Poll();
    const Events expected = {
        {tvx::DBT_DEVICEREMOVECOMPLETE, tvx::UsbInterfacePath(0x0470, "SN470")},
        {tvx::DBT_DEVICEARRIVAL, tvx::UsbInterfacePath(0x0470, "SN470")},
        {tvx::DBT_DEVICEARRIVAL, tvx::UsbInterfacePath(0x0480, "SN480")},
    };
    EXPECT_EQ(log.events, expected);

    log.events.clear();
    bus.terminals.clear();
    watcher.Poll();
    EXPECT_EQ(log.events.size(), 3u);
    for (const auto &event : log.events)
        EXPECT_EQ(event.first, tvx::DBT_DEVICEREMOVECOMPLETE);
}

TEST_F(SimulatedBusWatcherTest, ATerminalArrivingBetweenTheTwoCallsIsListedOnTheRetry)
{
    auto watcher = Watcher();
    watcher.Poll();
    bus.arrivingAfterSizing = {{"VORN 460 M DEBRV RTM", "SN460"}};
    watcher.Poll();
    const Events expected = {{tvx::DBT_DEVICEARRIVAL, tvx::UsbInterfacePath(0x0460, "SN460")}};
    EXPECT_EQ(log.events, expected);
}

TEST_F(SimulatedBusWatcherTest, AFailingListKeepsThePreviousState)
{
    bus.terminals = {{"VORN 460 M DEBRV RTM", "SN460"}};
    bool failing = false;
    tvx::SimulatedBusWatcher watcher([&](char *p, uint32_t *pl, char *i, uint32_t *il) -> uint32_t {
        return failing ? 0xDF550001u : bus.List(p, pl, i, il);
    });
    watcher.Poll();
    failing = true;
    watcher.Poll();
    EXPECT_TRUE(log.events.empty()) << "a failed read is not a removal";
    failing = false;
    watcher.Poll();
    EXPECT_TRUE(log.events.empty());
}

TEST(SimulatedProductId, FirstDigitsOfTheProductTextReadAsHex)
{
    EXPECT_EQ(tvx::SimulatedProductId("VORN 470 M online KOTRX V 4.6.0"), 0x0470);
    EXPECT_EQ(tvx::SimulatedProductId("VORN 460 M DEBRV RTM"), 0x0460);
    EXPECT_EQ(tvx::SimulatedProductId("T123456"), 0x1234);
    EXPECT_EQ(tvx::SimulatedProductId("no digits"), 0);
}

} // namespace
