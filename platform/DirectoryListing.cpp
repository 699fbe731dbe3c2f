#include "DirectoryListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tvx {

namespace {

char FoldCase(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool LessIgnoringCase(std::string_view a, std::string_view b)
{
    const auto folded = std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                                     [](char x, char y) { return FoldCase(x) < FoldCase(y); });
    if (folded)
        return true;
    const auto foldedReverse = std::lexicographical_compare(
        b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) { return FoldCase(x) < FoldCase(y); });
    // Names equal but for case keep a stable, byte-wise order.
    return !foldedReverse && a < b;
}

struct Entry {
    std::string name;
    bool folder;
};

} // namespace

bool MatchesWildcard(std::string_view name, std::string_view pattern)
{
    // Iterative match with back-tracking to the last '*'.
    std::size_t n = 0, p = 0;
    std::size_t starPattern = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            starPattern = p++;
            starName = n;
        } else if (starPattern != std::string_view::npos) {
            p = starPattern + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

std::vector<std::string> ListDirectoryEntries(const std::string &folder, std::string_view pattern)
{
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(folder, error);
    if (error)
        return {};
    fs::directory_iterator it(absolute, error);
    if (error)
        return {};

    std::vector<Entry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            return {};
        std::string name = it->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError))
            entries.push_back({std::move(name), true});
        else if (MatchesWildcard(name, pattern))
            entries.push_back({std::move(name), false});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry &a, const Entry &b) { return LessIgnoringCase(a.name, b.name); });

    std::vector<std::string> listing;
    listing.reserve(entries.size() + 1);
    if (absolute.lexically_normal().has_relative_path())
        listing.push_back("[..]");
    for (auto &entry : entries)
        listing.push_back(entry.folder ? "[" + entry.name + "]" : std::move(entry.name));
    return listing;
}

} // namespace tvx
