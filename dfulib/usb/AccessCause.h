// Why this user may not open a terminal. The udev rule grants access two
// ways: by the uaccess tag to the user of the active local session, and by
// its GROUP to the group's members; a terminal stays closed when the rule is
// missing, when the terminal was plugged in before the rule came, or when
// neither way applies to this user. The finder looks where udev and logind
// keep their state; tests point it at folders of their own.
#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tvxdfu::usb {

inline constexpr const char *kUdevRuleName = "70-tvxupgrade.rules";

enum class AccessCause {
    NoRule,              // the rule file is in none of udev's rule folders
    RulePluggedBefore,   // the device node lacks the rule's group: plugged in before the rule
    GroupAfterLogin,     // the group lists the user, this login session does not have it yet
    NotActiveNotInGroup, // neither the active local session nor in the rule's group
    Unknown,             // all looks right, yet the open was refused
};

struct GroupEntry {
    gid_t gid = 0;
    std::vector<std::string> members;
};

// Where the finder looks and what it asks; Installed() is this system's.
struct AccessSystem {
    std::vector<std::string> ruleFolders;
    std::string sessionsFolder; // logind's session state files, one per session id
    std::string sessionId;      // this process's logind session, "" when it has none
    std::string userName;
    std::vector<gid_t> processGroups; // the groups this process has (getgroups)
    std::function<std::optional<GroupEntry>(const std::string &name)> findGroup;

    static AccessSystem Installed();
};

struct AccessFinding {
    AccessCause cause = AccessCause::Unknown;
    std::string group; // the group the rule names, "" when none
};

// The cause for the device file `deviceNode` (/dev/bus/usb/BBB/DDD).
AccessFinding FindAccessCause(const AccessSystem &system, const std::string &deviceNode);

// The cause in a few words, for the product text in the device list.
std::string AccessCauseText(const AccessFinding &finding);

} // namespace tvxdfu::usb
