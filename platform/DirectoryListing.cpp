#include "platform/DirectoryListing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/Utf8Path.h"

namespace tvx {

namespace {

// As an unsigned byte, so that the letters beyond ASCII (UTF-8) sort after
// it, in the order of their code points.
unsigned char FoldCase(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte - 'A' + 'a') : byte;
}

bool LessIgnoringCase(std::string_view a, std::string_view b)
{
    const auto folded = std::lexicographical_compare(
        a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return FoldCase(x) < FoldCase(y); });
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
    fs::path named;
    if (!PathFromUtf8(folder, &named))
        return {};
    const fs::path absolute = fs::absolute(named, error);
    if (error)
        return {};
    fs::directory_iterator it(absolute, error);
    if (error)
        return {};

    std::vector<Entry> entries;
    for (; it != fs::directory_iterator(); it.increment(error)) {
        if (error)
            return {};
        std::string name;
        // A name with no UTF-8 form could not be opened by the one shown.
        if (!Utf8FromPath(it->path().filename(), &name) || name.empty() || name.front() == '.')
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
        listing.emplace_back("[..]");
    for (auto &entry : entries)
        listing.push_back(entry.folder ? "[" + entry.name + "]" : std::move(entry.name));
    return listing;
}

} // namespace tvx
