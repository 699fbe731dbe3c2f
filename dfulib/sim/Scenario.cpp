#include <cstdio>
#include <fstream>
#include <sstream>

#include "Scenario.h"

namespace tvxdfu::sim {

bool SameIdNumber(std::string_view a, std::string_view b)
{
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
        std::ifstream file(source, std::ios::binary);
        std::ostringstream content;
        if (!file || !(content << file.rdbuf())) {
            std::fprintf(stderr,
                         "TVXDFUUpgrade: scenario %s: cannot be read; no simulated terminals\n",
                         source.c_str());
            return false;
        }
        text = content.str();
    }
    std::string error;
    if (!ParseScenario(text, scenario, &error)) {
        std::fprintf(stderr, "TVXDFUUpgrade: scenario %s: %s; no simulated terminals\n",
                     source.c_str(), error.c_str());
        return false;
    }
    return true;
}

} // namespace tvxdfu::sim
