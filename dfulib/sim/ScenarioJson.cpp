// Reads scenario JSON into TerminalSpec records. Unknown keys are refused so
// that a misspelt key does not silently fall back to a default.
#include <json-parser/json.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <stdexcept>
#include <string_view>

#include "dfulib/json/JsonValueOwner.h"
#include "dfulib/sim/Scenario.h"

namespace tvxdfu::sim {
namespace {

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string &where, const std::string &what)
{
    throw ScenarioError(where + ": " + what);
}

std::string_view Name(const json_object_entry &entry)
{
    return {entry.name, entry.name_length};
}

void RequireObject(const json_value &value, const std::string &where)
{
    if (value.type != json_object)
        Fail(where, "must be an object");
}

void CheckKeys(const json_value &object, const std::string &where,
               std::initializer_list<std::string_view> known)
{
    for (unsigned i = 0; i < object.u.object.length; ++i) {
        const std::string_view name = Name(object.u.object.values[i]);
        for (unsigned j = 0; j < i; ++j)
            if (Name(object.u.object.values[j]) == name)
                Fail(where, "key \"" + std::string(name) + "\" given twice");
        bool found = false;
        for (std::string_view k : known)
            found = found || k == name;
        if (!found)
            Fail(where, "unknown key \"" + std::string(name) + "\"");
    }
}

const json_value *Member(const json_value &object, std::string_view key)
{
    for (unsigned i = 0; i < object.u.object.length; ++i)
        if (Name(object.u.object.values[i]) == key)
            return object.u.object.values[i].value;
    return nullptr;
}

std::string Text(const json_value &value, const std::string &where)
{
    if (value.type != json_string)
        Fail(where, "must be a text");
    return {value.u.string.ptr, value.u.string.length};
}

int64_t Integer(const json_value &value, const std::string &where, int64_t min, int64_t max)
{
    if (value.type != json_integer)
        Fail(where, "must be a whole number");
    const int64_t n = value.u.integer;
    if (n < min || n > max)
        Fail(where, "must lie between " + std::to_string(min) + " and " + std::to_string(max));
    return n;
}

bool Boolean(const json_value &value, const std::string &where)
{
    if (value.type != json_boolean)
        Fail(where, "must be true or false");
    return value.u.boolean != 0;
}

// A JSON number, or a text holding a number in C notation ("0xDF550006").
uint32_t Code(const json_value &value, const std::string &where)
{
    if (value.type == json_integer)
        return static_cast<uint32_t>(Integer(value, where, INT32_MIN, UINT32_MAX));
    const std::string text = Text(value, where);
    char *end = nullptr;
    const unsigned long long n = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || n > UINT32_MAX)
        Fail(where, "is not a number: \"" + text + "\"");
    return static_cast<uint32_t>(n);
}

uint32_t ThreePartVersion(const std::string &text, const std::string &where)
{
    unsigned parts[3];
    int consumed = 0;
    if (std::sscanf(text.c_str(), "%3u.%3u.%3u%n", &parts[0], &parts[1], &parts[2], &consumed) != 3 ||
        static_cast<std::size_t>(consumed) != text.size() || parts[0] > 255 || parts[1] > 255 ||
        parts[2] > 255)
        Fail(where, "\"" + text + "\" is not a version of the form 4.6.0");
    return 0x01000000u | parts[0] << 16 | parts[1] << 8 | parts[2];
}

uint32_t BcdVersion(const std::string &text, const std::string &where)
{
    char *end = nullptr;
    const unsigned long n = std::strtoul(text.c_str(), &end, 16);
    if (text.size() < 3 || text.compare(0, 2, "0x") != 0 || *end != '\0' || n > 0xFFFF)
        Fail(where, "\"" + text + "\" is not a version of the form 0x0302");
    return static_cast<uint32_t>(n);
}

RunStage Stage(const std::string &text, const std::string &where)
{
    static const std::pair<std::string_view, RunStage> kStages[] = {
        {"init", RunStage::Init},         {"pin", RunStage::Pin},           {"upload", RunStage::Upload},
        {"download", RunStage::Download}, {"manifest", RunStage::Manifest},
    };
    for (const auto &[name, stage] : kStages)
        if (name == text)
            return stage;
    Fail(where, "unknown phase \"" + text + "\"");
}

void ReadPin(const json_value &value, const std::string &where, TerminalSpec *spec)
{
    // The failing ends, in the order of their status codes from -69 on.
    static const std::string_view kFailingEnds[] = {
        "error", "aborted", "timeout-1min", "timeout-10min", "timeout-1h", "timeout-24h", "timeout-entry",
    };
    if (value.type != json_array && value.type != json_string)
        Fail(where, "must be a list of texts");
    const unsigned count = value.type == json_array ? value.u.array.length : 1;
    for (unsigned i = 0; i < count; ++i) {
        const json_value &item = value.type == json_array ? *value.u.array.values[i] : value;
        const std::string text = Text(item, where);
        if (spec->pinFailure)
            Fail(where, "\"" + text + "\" follows a failing end");
        if (text == "adjust-display") {
            spec->pinAttempts.push_back(PinAttempt::AdjustDisplay);
            continue;
        }
        if (text == "wrong") {
            spec->pinAttempts.push_back(PinAttempt::Wrong);
            continue;
        }
        for (std::size_t k = 0; k < std::size(kFailingEnds); ++k)
            if (kFailingEnds[k] == text)
                spec->pinFailure = -69 + static_cast<int32_t>(k);
        if (!spec->pinFailure)
            Fail(where, "unknown PIN attempt \"" + text + "\"");
    }
}

void ReadTiming(const json_value &value, const std::string &where, Timing *timing)
{
    RequireObject(value, where);
    CheckKeys(
        value, where,
        {"initMs", "pinMs", "restartMs", "manifestMs", "downloadBytesPerSecond", "uploadBytesPerSecond"});
    const int64_t kDay = int64_t{24} * 3600 * 1000;
    const std::pair<std::string_view, int64_t *> kTimes[] = {
        {"initMs", &timing->initMs},
        {"pinMs", &timing->pinMs},
        {"restartMs", &timing->restartMs},
        {"manifestMs", &timing->manifestMs},
    };
    for (const auto &[key, field] : kTimes)
        if (const json_value *v = Member(value, key))
            *field = Integer(*v, where + "." + std::string(key), 0, kDay);
    const std::pair<std::string_view, int64_t *> kRates[] = {
        {"downloadBytesPerSecond", &timing->downloadBytesPerSecond},
        {"uploadBytesPerSecond", &timing->uploadBytesPerSecond},
    };
    for (const auto &[key, field] : kRates)
        if (const json_value *v = Member(value, key))
            *field = Integer(*v, where + "." + std::string(key), 1, 1LL << 40);
}

void ReadOneFault(const json_value &value, const std::string &where, FaultScript *fault)
{
    RequireObject(value, where);
    CheckKeys(value, where,
              {"phase", "atPercent", "status", "unplugAtPercent", "returnAfterMs", "returns", "startResult"});
    if (const json_value *v = Member(value, "startResult")) {
        fault->startResult = Code(*v, where + ".startResult");
        if (*fault->startResult == 0)
            Fail(where + ".startResult", "must not be 0");
    }
    if (const json_value *v = Member(value, "returnAfterMs"))
        fault->returnAfterMs = Integer(*v, where + ".returnAfterMs", 0, 24LL * 3600 * 1000);
    if (const json_value *v = Member(value, "returns"))
        fault->returns = Boolean(*v, where + ".returns");
    const json_value *status = Member(value, "status");
    const int32_t code =
        status ? static_cast<int32_t>(Integer(*status, where + ".status", INT32_MIN, INT32_MAX)) : 0;
    if (status && code == 0)
        Fail(where + ".status", "must not be 0");
    if (const json_value *v = Member(value, "unplugAtPercent")) {
        fault->unplugAtPercent = static_cast<uint32_t>(Integer(*v, where + ".unplugAtPercent", 0, 100));
        if (status)
            fault->unplugStatus = code;
        return;
    }
    if (const json_value *phase = Member(value, "phase")) {
        if (!status)
            Fail(where, "a phase fault needs a \"status\"");
        StatusFault f;
        f.stage = Stage(Text(*phase, where + ".phase"), where + ".phase");
        f.status = code;
        if (const json_value *v = Member(value, "atPercent"))
            f.atPercent = static_cast<uint32_t>(Integer(*v, where + ".atPercent", 0, 100));
        fault->status = f;
    } else if (status || Member(value, "atPercent")) {
        Fail(where, R"("status" and "atPercent" need a "phase" or "unplugAtPercent")");
    }
}

void ReadFault(const json_value &value, const std::string &where, FaultScript *fault)
{
    if (value.type != json_array)
        return ReadOneFault(value, where, fault);
    for (unsigned i = 0; i < value.u.array.length; ++i)
        ReadOneFault(*value.u.array.values[i], where + "[" + std::to_string(i) + "]", fault);
}

void ReadPresent(const json_value &value, const std::string &where, TerminalSpec *spec)
{
    const bool list = value.type == json_array;
    const unsigned count = list ? value.u.array.length : 1;
    for (unsigned i = 0; i < count; ++i) {
        const json_value &item = list ? *value.u.array.values[i] : value;
        const std::string at = list ? where + "[" + std::to_string(i) + "]" : where;
        RequireObject(item, at);
        CheckKeys(item, at, {"arrivalMs", "removalMs"});
        PresenceWindow window;
        if (const json_value *v = Member(item, "arrivalMs"))
            window.arrivalMs = Integer(*v, at + ".arrivalMs", 0, kNever - 1);
        if (const json_value *v = Member(item, "removalMs"))
            window.removalMs = Integer(*v, at + ".removalMs", window.arrivalMs, kNever - 1);
        if (!spec->present.empty() && window.arrivalMs < spec->present.back().removalMs)
            Fail(at, "must begin after the previous stretch ends");
        spec->present.push_back(window);
    }
}

const json_value &Required(const json_value &object, std::string_view key, const std::string &where)
{
    const json_value *v = Member(object, key);
    if (!v)
        Fail(where, "\"" + std::string(key) + "\" is missing");
    return *v;
}

TerminalSpec ReadTerminal(const json_value &value, const std::string &where)
{
    RequireObject(value, where);
    CheckKeys(value, where,
              {"id", "model", "vendorCode", "versionFormat", "firmware", "loader", "deviceType",
               "identNumber", "secondVendor", "mode", "canUpload", "pin", "timing", "fault", "present",
               "product", "productId", "extraValue", "imageSize"});
    TerminalSpec spec;
    spec.id = Text(Required(value, "id", where), where + ".id");
    if (spec.id.empty() || spec.id.size() > 64 ||
        spec.id.find_first_of(std::string(" \t\r\n\0", 5)) != std::string::npos)
        Fail(where + ".id", "must be 1 to 64 characters without blanks");
    const std::string at = where + " (" + spec.id + ")";
    spec.model = Text(Required(value, "model", at), at + ".model");
    spec.vendorCode = Text(Required(value, "vendorCode", at), at + ".vendorCode");
    const std::string format = Text(Required(value, "versionFormat", at), at + ".versionFormat");
    if (format == "bcd")
        spec.format = VersionFormat::Bcd;
    else if (format != "three-part")
        Fail(at + ".versionFormat", R"(must be "three-part" or "bcd")");
    auto version = [&](std::string_view key) {
        const std::string field = at + "." + std::string(key);
        const std::string text = Text(Required(value, key, at), field);
        return spec.format == VersionFormat::Bcd ? BcdVersion(text, field) : ThreePartVersion(text, field);
    };
    spec.firmware = version("firmware");
    spec.loader = version("loader");
    if (const json_value *v = Member(value, "deviceType"))
        spec.deviceType = static_cast<uint32_t>(Integer(*v, at + ".deviceType", 0, UINT32_MAX));
    if (const json_value *v = Member(value, "identNumber"))
        spec.identNumber = static_cast<uint32_t>(Integer(*v, at + ".identNumber", 0, 99999));
    spec.secondVendor = spec.vendorCode == "DEBRV";
    if (const json_value *v = Member(value, "secondVendor"))
        spec.secondVendor = Boolean(*v, at + ".secondVendor");
    if (const json_value *v = Member(value, "mode")) {
        const std::string mode = Text(*v, at + ".mode");
        if (mode == "DFU")
            spec.mode = TerminalMode::Loader;
        else if (mode != "RTM")
            Fail(at + ".mode", R"(must be "RTM" or "DFU")");
    }
    if (const json_value *v = Member(value, "canUpload"))
        spec.canUpload = Boolean(*v, at + ".canUpload");
    if (const json_value *v = Member(value, "pin"))
        ReadPin(*v, at + ".pin", &spec);
    if (const json_value *v = Member(value, "timing"))
        ReadTiming(*v, at + ".timing", &spec.timing);
    if (const json_value *v = Member(value, "fault"))
        ReadFault(*v, at + ".fault", &spec.fault);
    if (const json_value *v = Member(value, "present"))
        ReadPresent(*v, at + ".present", &spec);
    if (const json_value *v = Member(value, "product"))
        spec.product = Text(*v, at + ".product");
    if (const json_value *v = Member(value, "productId"))
        spec.productId = static_cast<uint16_t>(Integer(*v, at + ".productId", 0, 0xFFFF));
    if (const json_value *v = Member(value, "extraValue"))
        spec.extraValue = static_cast<uint16_t>(Integer(*v, at + ".extraValue", 0, 0xFFFF));
    if (const json_value *v = Member(value, "imageSize"))
        spec.imageSize =
            static_cast<uint32_t>(Integer(*v, at + ".imageSize", 1024, int64_t{256} * 1024 * 1024));
    return spec;
}

} // namespace

bool ParseScenario(const std::string &text, Scenario *scenario, std::string *error)
{
    json_settings settings{};
    char parseError[json_error_max] = {};
    tvx::JsonValueOwner root(json_parse_ex(&settings, text.data(), text.size(), parseError));
    if (!root) {
        *error = std::string("not valid JSON: ") + parseError;
        return false;
    }
    try {
        RequireObject(*root, "the scenario");
        CheckKeys(*root, "the scenario", {"terminals", "comment"});
        const json_value &list = Required(*root, "terminals", "the scenario");
        if (list.type != json_array)
            Fail("terminals", "must be a list");
        Scenario result;
        for (unsigned i = 0; i < list.u.array.length; ++i) {
            const std::string where = "terminals[" + std::to_string(i) + "]";
            TerminalSpec spec = ReadTerminal(*list.u.array.values[i], where);
            for (const TerminalSpec &earlier : result.terminals)
                if (SameIdNumber(earlier.id, spec.id))
                    Fail(where + ".id", "\"" + spec.id + "\" is used twice" +
                                            (spec.id.size() > kIdNumberCharacters
                                                 ? " (IDs are told apart by their first 16 characters)"
                                                 : ""));
            result.terminals.push_back(std::move(spec));
        }
        *scenario = std::move(result);
        return true;
    } catch (const ScenarioError &e) {
        *error = e.what();
        return false;
    }
}

} // namespace tvxdfu::sim
