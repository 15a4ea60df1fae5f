#pragma once

// This computer's account files as the system reads them, from text the
// caller has read: no file is opened here. Names are kept as the bytes the
// files hold, whatever their encoding.
//
//   passwd      name:password:UID:GID:GECOS:home:shell
//   shadow      name:password:lastchange:min:max:warn:inactive:expire:reserved
//   group       name:password:GID:member,member,...
//   login.defs  KEY value, '#' starts a comment

#include "platform/netapi/PositionIndex.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace netapi::local {

// One /etc/passwd account.
struct PasswdEntry
{
    std::string name;
    std::uint32_t uid = 0;
    std::uint32_t gid = 0; // UINT32_MAX when the field is no number: in no group by number
    std::string fullName;  // the first comma-separated field of GECOS
};

// The UIDs of normal accounts, from UID_MIN to UID_MAX.
struct UidRange
{
    std::uint32_t min = 1000;
    std::uint32_t max = 60000;
};

// The accounts of a passwd file in file order. Comments, NIS lines ("+", "-"),
// lines without a name, a number UID or a GID field are skipped; with
// `normalOnly`, so is every account isNormalAccount() refuses for that range.
std::vector<PasswdEntry> parsePasswd(std::string_view content,
                                     const UidRange *normalOnly = nullptr);

// The range login.defs gives; a key without a valid number keeps the default.
UidRange uidRangeOf(std::string_view loginDefs);

// A user name that must never become part of a path: empty, holding '/',
// starting with '.', or holding a control character.
bool isUnsafeUserName(std::string_view user);

// An account the listing shows: its UID in range and its name safe.
bool isNormalAccount(const PasswdEntry &entry, const UidRange &range);

// An account's /etc/shadow state.
struct ShadowEntry
{
    bool passwordLocked = false;
    std::int64_t expireDay = -1; // -1: never expires
};

// The shadow entries by name, without the password hashes: only the names
// are kept, and of each name only its first line, as for the system's own
// lookup.
class ShadowTable
{
public:
    // The entry of `name`, or null. A caller that looks names up in the
    // file's order (a listing, passwd and shadow being in the same order as
    // a rule) keeps `cursor`, a place in the table starting at 0: a name at
    // or just after it is found without hashing.
    const ShadowEntry *find(std::string_view name, std::size_t *cursor = nullptr) const;
    // Every name kept, one after the other.
    const std::string &names() const { return m_names; }

private:
    friend ShadowTable parseShadow(std::string_view content);

    struct Line
    {
        std::size_t nameAt = 0;
        std::size_t nameSize = 0;
        ShadowEntry entry;
    };
    std::string_view nameOf(const Line &line) const
    {
        return std::string_view(m_names).substr(line.nameAt, line.nameSize);
    }
    // The slot of `name` in m_index: where it is, or the empty one it would take.
    std::size_t slotOf(std::string_view name, std::size_t hash) const;

    std::string m_names;
    std::vector<Line> m_lines; // in file order
    PositionIndex m_index;     // of m_lines, by name
};

ShadowTable parseShadow(std::string_view content);

// A set of names kept flat: asking for a name that is not there touches one
// slot of a small table rather than a node per name, which matters when a
// listing asks for every account whether it has a tally.
class NameSet
{
public:
    void insert(std::string_view name);
    bool contains(std::string_view name) const;
    // contains() of each account's name, all at once: each name's slot is
    // fetched a few names before its turn, rather than waited for.
    std::vector<bool> containsEach(const std::vector<PasswdEntry> &accounts) const;
    std::size_t size() const { return m_names.size(); }

private:
    // The slot of `name`: where it is, or the empty one it would take.
    std::size_t slotOf(std::string_view name, std::size_t hash) const;

    std::vector<std::string> m_names;
    PositionIndex m_index; // of m_names
};

// A disabled account: its password locked ('!'), or its expiry day come
// (pam_unix refuses a logon from that day on). `now`: seconds since 1970.
bool isDisabled(const ShadowEntry &entry, std::int64_t now);

// A group, as an admin_group names it.
struct GroupEntry
{
    std::uint32_t gid = 0;
    std::unordered_set<std::string> members;
};

// The groups of a group file whose names are in `wanted`; the first line of
// a name counts.
std::unordered_map<std::string, GroupEntry>
parseGroups(std::string_view content, const std::unordered_set<std::string> &wanted);

// An administrator to pam_faillock: root, or in the group a line names as
// admin_group (by primary GID or as a member). `groups`: the groups read, a
// group missing from them is one the system does not have.
bool isAdmin(const PasswdEntry &entry, const std::string &adminGroup,
             const std::unordered_map<std::string, GroupEntry> &groups);

} // namespace netapi::local
