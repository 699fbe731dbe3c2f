// The engine against an emulated device in virtual time.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "dfulib/usb/DfuEngine.h"
#include "dfulib/usb/emulated/EmulatedDfuDevice.h"
#include "dfulib/usb/emulated/VirtualPacer.h"

namespace tvxdfu::usb {

inline std::vector<uint8_t> Pattern(std::size_t size, uint8_t seed)
{
    std::vector<uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<uint8_t>(i * 31 + seed + (i >> 8));
    return bytes;
}

// A path as the library takes it: UTF-8 on every system (c_str() gives
// UTF-16 on Windows).
inline std::string Utf8(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

inline std::vector<uint8_t> ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct ProgressReport {
    uint32_t phase, bytes, percent;
    bool operator==(const ProgressReport &) const = default;
};

class RecordingProgress final : public ProgressSink {
public:
    void Report(uint32_t phase, uint32_t bytes, uint32_t percent) override
    {
        reports.push_back({phase, bytes, percent});
    }
    std::vector<ProgressReport> reports;
};

// A folder of its own for backup files, removed afterwards.
class ScratchFolder {
public:
    ScratchFolder() : path_(std::filesystem::temp_directory_path() / Name())
    {
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(path_); }
    std::filesystem::path operator/(const char *name) const { return path_ / name; }
    std::size_t Entries() const
    {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path_), std::filesystem::directory_iterator()));
    }

private:
    // A parameterised test's name holds a '/', which would make a folder in
    // a folder and leave the outer one behind.
    static std::string Name()
    {
        std::string name = "tvx-usb-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                           "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        return name;
    }

    std::filesystem::path path_;
};

class EngineTest : public ::testing::Test {
protected:
    EmulatedDfuDevice &Make(EmulatedDeviceConfig config)
    {
        device_ = std::make_unique<EmulatedDfuDevice>(pacer_, std::move(config));
        return *device_;
    }
    int32_t Run(const std::vector<uint8_t> &image, const char *backupPath = nullptr)
    {
        progress_.reports.clear();
        DfuEngine engine(*device_, pacer_, progress_);
        EngineJob job;
        job.image = image.data();
        job.size = image.size();
        job.backupPath = backupPath;
        job.backupBcdDevice = 0x0302;
        job.backupIdProduct = 0x0470;
        return engine.Run(job);
    }

    VirtualPacer pacer_;
    RecordingProgress progress_;
    std::unique_ptr<EmulatedDfuDevice> device_;
};

} // namespace tvxdfu::usb
