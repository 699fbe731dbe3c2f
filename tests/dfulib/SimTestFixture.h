// Runs the library's C calls against a scenario in virtual time.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "dfulib/include/TVXDFUUpgrade.h"
#include "dfulib/sim/SimulatorControl.h"

namespace tvxtest {

// A file in the test folder that no other test process writes: suites of
// several builds may run at once.
inline std::string ScratchPath(const std::string &name)
{
    return ::testing::TempDir() + "tvx-" + std::to_string(getpid()) + "-" + name;
}

struct Listed {
    std::string product;
    std::string id;
    bool operator==(const Listed &) const = default;
};

struct StatusPoll {
    uint32_t result = 0;
    uint32_t bytes = 0;
    uint32_t percent = 0;
    uint32_t phase = 0;
    int32_t status = 0;
};

class SimTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tvxdfu::sim::SetClock([this] { return now; });
    }
    void TearDown() override { tvxdfu::sim::SetClock({}); }

    // One terminal entry per argument, each a JSON object body.
    static std::string ScenarioWith(std::vector<std::string> terminals)
    {
        std::string json = R"({"terminals": [)";
        for (std::size_t i = 0; i < terminals.size(); ++i)
            json += (i ? ",{" : "{") + terminals[i] + "}";
        return json + "]}";
    }

    void Load(std::vector<std::string> terminals)
    {
        ASSERT_TRUE(tvxdfu::sim::UseScenarioJson(ScenarioWith(std::move(terminals))));
    }

    static std::vector<Listed> List()
    {
        uint32_t productLength = 0, idLength = 0;
        EXPECT_EQ(ListVORNDevices(nullptr, &productLength, nullptr, &idLength), 0u);
        std::string products(productLength, '\xEE'), ids(idLength, '\xEE');
        EXPECT_EQ(ListVORNDevices(products.data(), &productLength, ids.data(), &idLength), 0u);
        std::vector<Listed> listed;
        std::size_t p = 0, i = 0;
        while (i < ids.size() && ids[i] != '\0') {
            Listed entry{products.c_str() + p, ids.c_str() + i};
            p += entry.product.size() + 1;
            i += entry.id.size() + 1;
            listed.push_back(entry);
        }
        return listed;
    }

    static StatusPoll Poll()
    {
        StatusPoll s;
        s.result = GetUpgradeStatus(&s.bytes, &s.percent, &s.phase, &s.status);
        return s;
    }

    // Polls every `stepMs` until the part has ended; returns every poll.
    std::vector<StatusPoll> PollToEnd(int64_t stepMs = 10, int64_t limitMs = 600000)
    {
        std::vector<StatusPoll> polls;
        for (const int64_t until = now + limitMs; now < until;) {
            now += stepMs;
            polls.push_back(Poll());
            if (polls.back().result != 0)
                break;
        }
        return polls;
    }

    // The distinct (phase, status) steps of a poll record, in order.
    static std::vector<std::pair<uint32_t, int32_t>> Steps(const std::vector<StatusPoll> &polls)
    {
        std::vector<std::pair<uint32_t, int32_t>> steps;
        for (const StatusPoll &s : polls)
            if (steps.empty() || steps.back() != std::pair(s.phase, s.status))
                steps.emplace_back(s.phase, s.status);
        return steps;
    }

    static uint32_t Start(const char *id, const PackageEntry *part, const char *backup = nullptr)
    {
        return TVXDeviceFirmwareUpgrade(id, 16, part, backup);
    }

    struct Versions {
        uint32_t result, firmware, loader, deviceType;
        std::string identText;
    };
    static Versions Version(const char *id)
    {
        Versions v{};
        uint16_t extra = 0;
        char ident[130];
        v.result = GetwBCDDeviceFWVersion(id, 16, &v.firmware, &v.loader, &v.deviceType, &extra, ident);
        if (v.result == 0)
            v.identText.assign(ident, sizeof ident);
        return v;
    }

    int64_t now = 1000;
};

// Short timings so that a part takes a few seconds of virtual time.
inline const char *kFastTiming =
    R"("timing": {"initMs": 400, "pinMs": 500, "restartMs": 700, "manifestMs": 300,
                  "downloadBytesPerSecond": 8192, "uploadBytesPerSecond": 16384})";

inline std::string ThreePartTerminal(const std::string &id, const std::string &extra = "",
                                     const std::string &timing = kFastTiming)
{
    return R"("id": ")" + id +
           R"(", "model": "VORN 470 M online", "vendorCode": "KOTRX",
              "versionFormat": "three-part", "firmware": "4.6.0", "loader": "1.4.2",
              "deviceType": 470, "identNumber": 12345, "imageSize": 4096, )" +
           timing + extra;
}

inline std::string BcdTerminal(const std::string &id, const std::string &extra = "",
                               const std::string &timing = kFastTiming)
{
    return R"("id": ")" + id +
           R"(", "model": "VORN 460 M", "vendorCode": "KOTRX", "versionFormat": "bcd",
              "firmware": "0x0302", "loader": "0x0110", "deviceType": 460,
              "identNumber": 46001, "imageSize": 4096, )" +
           timing + extra;
}

} // namespace tvxtest
