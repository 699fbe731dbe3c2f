#include "dfulib/usb/AccessCause.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace tvxdfu::usb {
namespace {

// The rule file in the first folder that has it, "" when none does.
std::string FindRule(const std::vector<std::string> &folders)
{
    for (const std::string &folder : folders) {
        std::string path = folder + "/" + kUdevRuleName;
        if (std::ifstream(path).good())
            return path;
    }
    return {};
}

// The value of GROUP="..." (or GROUP:=) in a rule line, "" when it has none.
std::string GroupAssignment(const std::string &line)
{
    for (std::size_t at = line.find("GROUP"); at != std::string::npos; at = line.find("GROUP", at + 1)) {
        if (at > 0 && (std::isalnum(static_cast<unsigned char>(line[at - 1])) || line[at - 1] == '_'))
            continue;
        std::size_t p = line.find_first_not_of(" \t", at + 5);
        if (p != std::string::npos && line[p] == ':')
            ++p;
        if (p >= line.size() || line[p] != '=' || (p + 1 < line.size() && line[p + 1] == '='))
            continue;
        p = line.find_first_not_of(" \t", p + 1);
        const std::size_t end =
            p == std::string::npos || line[p] != '"' ? std::string::npos : line.find('"', p + 1);
        if (end != std::string::npos && end > p + 1)
            return line.substr(p + 1, end - p - 1);
    }
    return {};
}

// The group a rule file gives its devices ("" when it names none); a local
// copy may name another than plugdev.
std::string RuleGroup(const std::string &rulePath)
{
    std::ifstream rule(rulePath);
    std::string line;
    while (std::getline(rule, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] == '#')
            continue;
        if (std::string group = GroupAssignment(line); !group.empty())
            return group;
    }
    return {};
}

// ACTIVE=1 on a seat and not REMOTE=1 in the session's state file.
bool ActiveLocalSession(const AccessSystem &system)
{
    if (system.sessionId.empty())
        return false;
    std::ifstream state(system.sessionsFolder + "/" + system.sessionId);
    bool active = false, seat = false, remote = false;
    std::string line;
    while (std::getline(state, line)) {
        active = active || line == "ACTIVE=1";
        seat = seat || (line.starts_with("SEAT=") && line.size() > 5);
        remote = remote || line == "REMOTE=1";
    }
    return active && seat && !remote;
}

// The logind session of this process, from the scope its cgroup sits in
// (".../session-<id>.scope"), else from the environment pam_systemd sets.
std::string OwnSessionId()
{
    std::ifstream cgroup("/proc/self/cgroup");
    std::string line;
    while (std::getline(cgroup, line)) {
        const std::size_t start = line.find("/session-");
        const std::size_t end = start == std::string::npos ? start : line.find(".scope", start);
        if (end != std::string::npos)
            return line.substr(start + 9, end - start - 9);
    }
    const char *fromEnvironment = std::getenv("XDG_SESSION_ID");
    return fromEnvironment ? fromEnvironment : "";
}

std::optional<GroupEntry> SystemGroup(const std::string &name)
{
    // The reentrant lookups: the listing and a worker may ask at once.
    group storage{};
    group *entry = nullptr;
    std::vector<char> buffer(16384);
    if (::getgrnam_r(name.c_str(), &storage, buffer.data(), buffer.size(), &entry) != 0 || !entry)
        return std::nullopt;
    GroupEntry result;
    result.gid = entry->gr_gid;
    for (char **member = entry->gr_mem; member && *member; ++member)
        result.members.emplace_back(*member);
    return result;
}

} // namespace

AccessSystem AccessSystem::Installed()
{
    AccessSystem system;
    system.ruleFolders = {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d",
                          "/lib/udev/rules.d"};
    system.sessionsFolder = "/run/systemd/sessions";
    system.sessionId = OwnSessionId();
    passwd storage{};
    passwd *user = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::geteuid(), &storage, buffer.data(), buffer.size(), &user) == 0 && user)
        system.userName = user->pw_name;
    const int count = ::getgroups(0, nullptr);
    system.processGroups.resize(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0)
        system.processGroups.resize(
            static_cast<std::size_t>(std::max(::getgroups(count, system.processGroups.data()), 0)));
    system.processGroups.push_back(::getegid());
    system.findGroup = SystemGroup;
    return system;
}

AccessFinding FindAccessCause(const AccessSystem &system, const std::string &deviceNode)
{
    AccessFinding finding;
    const std::string rule = FindRule(system.ruleFolders);
    if (rule.empty()) {
        finding.cause = AccessCause::NoRule;
        return finding;
    }
    finding.group = RuleGroup(rule);
    const bool activeLocal = ActiveLocalSession(system);
    const std::optional<GroupEntry> group =
        finding.group.empty() ? std::nullopt : system.findGroup(finding.group);
    if (!group) {
        // Only the uaccess tag can grant access; on arrival it does so to
        // the active local session.
        finding.cause = activeLocal ? AccessCause::RulePluggedBefore : AccessCause::NotActiveNotInGroup;
        return finding;
    }
    struct stat node {};
    if (::stat(deviceNode.c_str(), &node) != 0)
        return finding;
    // The rule gives the node its group when the device arrives; a node of
    // another group arrived before the rule did.
    if (node.st_gid != group->gid) {
        finding.cause = AccessCause::RulePluggedBefore;
        return finding;
    }
    const auto &groups = system.processGroups;
    const auto &members = group->members;
    if (std::find(groups.begin(), groups.end(), group->gid) != groups.end())
        finding.cause = AccessCause::Unknown;
    else if (std::find(members.begin(), members.end(), system.userName) != members.end())
        finding.cause = AccessCause::GroupAfterLogin;
    else if (!activeLocal)
        finding.cause = AccessCause::NotActiveNotInGroup;
    return finding;
}

std::string AccessCauseText(const AccessFinding &finding)
{
    const std::string rule = kUdevRuleName;
    switch (finding.cause) {
    case AccessCause::NoRule:
        return "the udev rule " + rule + " is not installed";
    case AccessCause::RulePluggedBefore:
        return "plugged in before the udev rule " + rule + " was installed: plug it in again";
    case AccessCause::GroupAfterLogin:
        return "the user joined group " + finding.group + " after logging in: log in again";
    case AccessCause::NotActiveNotInGroup:
        return "this session is not the active local one" +
               (finding.group.empty() ? std::string() : " and the user is not in group " + finding.group);
    case AccessCause::Unknown:
        break;
    }
    return "permission denied";
}

} // namespace tvxdfu::usb
