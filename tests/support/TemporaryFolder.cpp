#include "tests/support/TemporaryFolder.h"

#include <filesystem>
#include <random>
#include <system_error>

std::string MakeTemporaryFolder(const std::string &stem)
{
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    if (error)
        return {};
    std::random_device seed;
    std::mt19937_64 random(seed());
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stem + "-";
        for (int i = 0; i < 12; ++i)
            name += kDigits[random() % 16];
        const std::filesystem::path folder = base / name;
        // create_directory says false for a folder that was there already.
        if (std::filesystem::create_directory(folder, error))
            return folder.string();
        if (error)
            return {};
    }
    return {};
}
