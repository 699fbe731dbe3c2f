// Why a terminal stays closed to this user, found from folders and a group
// database of the test's own: rule folders, logind session files, the device
// node's group.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "dfulib/usb/AccessCause.h"

namespace tvxdfu::usb {
namespace {

namespace fs = std::filesystem;

constexpr const char *kRule =
    "# VORN terminals\n"
    "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"0d7b\", TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"\n";
constexpr const char *kActiveLocal = "UID=1000\nUSER=tech\nACTIVE=1\nSEAT=seat0\nREMOTE=0\n";

struct Case {
    const char *name;
    const char *rule;     // in the second rule folder; nullptr: none
    bool nodeInGroup;     // the node carries the rule group's gid
    bool userListed;      // the group database lists the user
    bool processHasGroup; // this process has the group
    const char *session;  // the session's state file; nullptr: no session
    AccessCause cause;
    const char *text;
};

class AccessCauseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() / ("tvx-access-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "etc");
        fs::create_directories(root_ / "lib");
        fs::create_directories(root_ / "sessions");
        std::ofstream(root_ / "node") << "";
        struct stat node {};
        ASSERT_EQ(::stat((root_ / "node").c_str(), &node), 0);
        nodeGid_ = node.st_gid;
    }
    void TearDown() override { fs::remove_all(root_); }

    AccessFinding Find(const Case &c)
    {
        if (c.rule)
            std::ofstream(root_ / "lib" / kUdevRuleName) << c.rule;
        if (c.session)
            std::ofstream(root_ / "sessions" / "7") << c.session;
        AccessSystem system;
        system.ruleFolders = {(root_ / "etc").string(), (root_ / "lib").string()};
        system.sessionsFolder = (root_ / "sessions").string();
        system.sessionId = c.session ? "7" : "";
        system.userName = "tech";
        const gid_t groupGid = c.nodeInGroup ? nodeGid_ : nodeGid_ + 1;
        system.processGroups = {groupGid + 100};
        if (c.processHasGroup)
            system.processGroups.push_back(groupGid);
        system.findGroup = [&](const std::string &name) -> std::optional<GroupEntry> {
            lookedUp_ = name;
            GroupEntry entry;
            entry.gid = groupGid;
            entry.members = {"someone"};
            if (c.userListed)
                entry.members.emplace_back("tech");
            return entry;
        };
        return FindAccessCause(system, (root_ / "node").string());
    }

    fs::path root_;
    gid_t nodeGid_ = 0;
    std::string lookedUp_;
};

TEST_F(AccessCauseTest, NamesTheCauseFromRuleNodeGroupAndSession)
{
    const char *oldRule = "SUBSYSTEM==\"usb\", ATTR{idVendor}==\"0d7b\", TAG+=\"uaccess\"\n";
    // A comment and a match name a group too; only the assignment counts.
    const char *otherGroup =
        "# GROUP=\"wheel\"\nSUBSYSTEM==\"usb\", GROUP==\"users\", TAG+=\"uaccess\", GROUP:=\"dialout\"\n";
    const Case cases[] = {
        {"no rule", nullptr, true, false, false, kActiveLocal, AccessCause::NoRule,
         "the udev rule 70-tvxupgrade.rules is not installed"},
        {"node of another group", kRule, false, true, true, kActiveLocal, AccessCause::RulePluggedBefore,
         "plugged in before the udev rule 70-tvxupgrade.rules was installed: plug it in again"},
        {"listed, not yet in this login", kRule, true, true, false, nullptr, AccessCause::GroupAfterLogin,
         "the user joined group plugdev after logging in: log in again"},
        {"remote, not in group", kRule, true, false, false, "ACTIVE=1\nSEAT=seat0\nREMOTE=1\n",
         AccessCause::NotActiveNotInGroup,
         "this session is not the active local one and the user is not in group plugdev"},
        {"inactive, not in group", kRule, true, false, false, "ACTIVE=0\nSEAT=seat0\n",
         AccessCause::NotActiveNotInGroup,
         "this session is not the active local one and the user is not in group plugdev"},
        {"no session, not in group", kRule, true, false, false, nullptr, AccessCause::NotActiveNotInGroup,
         "this session is not the active local one and the user is not in group plugdev"},
        {"active local, rule applied", kRule, true, false, false, kActiveLocal, AccessCause::Unknown,
         "permission denied"},
        {"in group, rule applied", kRule, true, true, true, nullptr, AccessCause::Unknown,
         "permission denied"},
        {"rule without group, remote", oldRule, true, false, false, nullptr, AccessCause::NotActiveNotInGroup,
         "this session is not the active local one"},
        {"rule without group, active", oldRule, true, false, false, kActiveLocal,
         AccessCause::RulePluggedBefore,
         "plugged in before the udev rule 70-tvxupgrade.rules was installed: plug it in again"},
        {"rule naming another group", otherGroup, true, false, false, nullptr,
         AccessCause::NotActiveNotInGroup,
         "this session is not the active local one and the user is not in group dialout"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        const AccessFinding finding = Find(c);
        EXPECT_EQ(finding.cause, c.cause);
        EXPECT_EQ(AccessCauseText(finding), c.text);
    }
}

TEST_F(AccessCauseTest, TheRuleIsFoundInAnyOfTheFolders)
{
    std::ofstream(root_ / "etc" / kUdevRuleName) << kRule;
    AccessSystem system;
    system.ruleFolders = {(root_ / "lib").string(), (root_ / "etc").string()};
    system.findGroup = [&](const std::string &name) -> std::optional<GroupEntry> {
        lookedUp_ = name;
        return std::nullopt;
    };
    const AccessFinding finding = FindAccessCause(system, (root_ / "node").string());
    EXPECT_NE(finding.cause, AccessCause::NoRule);
    EXPECT_EQ(lookedUp_, "plugdev");
}

} // namespace
} // namespace tvxdfu::usb
