#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>

#include "dfulib/sim/Scenario.h"
#include "dfulib/sim/Utf8FileName.h"
#include "dfulib/text/PrintableText.h"

namespace tvxdfu::sim {
namespace {

// A scenario is a short text: a larger file is refused unread.
constexpr std::size_t kMaxScenarioBytes = 1 << 20;

// The file's text; false with the reason when there is none to parse.
bool ReadScenarioFile(const std::string &path, std::string *text, std::string *reason)
{
    std::filesystem::path name;
    try {
        name = PathOfUtf8Name(path);
    } catch (const std::exception &) {
        *reason = "is no UTF-8 file name";
        return false;
    }
    std::error_code error;
    if (std::filesystem::is_directory(name, error)) {
        *reason = "is a folder, not a scenario file";
        return false;
    }
    std::ifstream file(name, std::ios::binary);
    if (!file) {
        *reason = "cannot be read";
        return false;
    }
    text->resize(kMaxScenarioBytes + 1);
    file.read(text->data(), static_cast<std::streamsize>(text->size()));
    text->resize(static_cast<std::size_t>(file.gcount()));
    if (file.bad())
        *reason = "cannot be read";
    else if (text->size() > kMaxScenarioBytes)
        *reason = "is larger than 1 MiB, too large for a scenario";
    else if (text->empty())
        *reason = "is empty";
    return reason->empty();
}

} // namespace

bool SameIdNumber(std::string_view a, std::string_view b)
{
    a = a.substr(0, kIdNumberCharacters);
    b = b.substr(0, kIdNumberCharacters);
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool LoadScenario(const std::string &source, Scenario *scenario)
{
    *scenario = {};
    std::string text;
    if (source == "demo") {
        text = DemoScenarioJson();
    } else {
        std::string reason;
        if (!ReadScenarioFile(source, &text, &reason)) {
            std::fprintf(stderr, "TVXDFUUpgrade: scenario %s: %s; no simulated terminals\n",
                         tvx::PrintableText(source).c_str(), tvx::PrintableText(reason).c_str());
            return false;
        }
    }
    std::string error;
    if (!ParseScenario(text, scenario, &error)) {
        std::fprintf(stderr, "TVXDFUUpgrade: scenario %s: %s; no simulated terminals\n",
                     tvx::PrintableText(source).c_str(), tvx::PrintableText(error).c_str());
        return false;
    }
    return true;
}

} // namespace tvxdfu::sim
