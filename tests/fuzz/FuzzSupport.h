// What the fuzz targets share: a failed expectation that stops the run like
// a sanitizer finding, an input reader and a scratch folder.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace tvx::fuzz {

// A property the code under test must keep whatever its input: a breach is a
// finding, reported and ended like a crash so that libFuzzer keeps the input.
inline void Expect(bool holds, const char *what)
{
    if (!holds) {
        std::fprintf(stderr, "fuzz expectation failed: %s\n", what);
        std::abort();
    }
}

// Reads a fuzz input from the front in the simple fields the harnesses
// define, so that seed inputs are easy to write by script. An exhausted
// input reads as zeros and empty runs.
class ByteReader {
public:
    ByteReader(const uint8_t *data, std::size_t size) : data_(data), size_(size) {}
    std::size_t Remaining() const { return size_ - at_; }
    uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    uint16_t Word() // little-endian
    {
        const uint16_t low = Byte();
        return static_cast<uint16_t>(low | Byte() << 8);
    }
    std::vector<uint8_t> Bytes(std::size_t count)
    {
        const std::size_t taken = std::min(count, Remaining());
        std::vector<uint8_t> bytes(data_ + at_, data_ + at_ + taken);
        at_ += taken;
        return bytes;
    }
    std::string Text(std::size_t count)
    {
        const std::vector<uint8_t> bytes = Bytes(count);
        return std::string(bytes.begin(), bytes.end());
    }
    std::vector<uint8_t> Rest() { return Bytes(Remaining()); }

private:
    const uint8_t *data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// A folder of the process's own for harnesses that need real files, removed
// when the run ends normally (after a finding it stays for a look). In
// memory where the system offers it: files that are synced to disk would
// otherwise dominate every run.
inline const std::filesystem::path &ScratchFolder()
{
    struct Folder {
        std::filesystem::path path;
        Folder()
        {
            const std::filesystem::path base = std::filesystem::is_directory("/dev/shm")
                                                   ? "/dev/shm"
                                                   : std::filesystem::temp_directory_path();
            path = base / ("tvx-fuzz-" + std::to_string(::getpid()));
            std::filesystem::create_directories(path);
        }
        ~Folder()
        {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    };
    static const Folder folder;
    return folder.path;
}

} // namespace tvx::fuzz
