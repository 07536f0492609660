#include "platform/port_state.h"

#include <grp.h>
#include <errno.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "platform/port_holder.h"

namespace platform {
namespace {

bool InSessionGroups(gid_t Gid) {
  if (getegid() == Gid) return true;
  std::vector<gid_t> groups(static_cast<size_t>(getgroups(0, nullptr) + 1));
  const int n = getgroups(int(groups.size()), groups.data());
  for (int i = 0; i < n; ++i)
    if (groups[size_t(i)] == Gid) return true;
  return false;
}

// The group database: joining a group counts there at once, in a session only after a new login.
bool InUserGroups(gid_t Gid) {
  const passwd* pw = getpwuid(getuid());
  if (!pw) return false;
  int n = 64;
  std::vector<gid_t> groups(static_cast<size_t>(n));
  if (getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) {
    groups.resize(size_t(n));
    if (getgrouplist(pw->pw_name, pw->pw_gid, groups.data(), &n) < 0) return false;
  }
  for (int i = 0; i < n; ++i)
    if (groups[size_t(i)] == Gid) return true;
  return false;
}

}  // namespace

TPortState PortStateOf(const std::string& DevPath) {
  TPortState s;
  if (access(DevPath.c_str(), R_OK | W_OK) != 0 && errno == EACCES) {
    s.Condition = TPortCondition::NoPermission;
    struct stat st {};
    if (stat(DevPath.c_str(), &st) == 0) {
      const group* g = getgrgid(st.st_gid);
      s.Group = g ? g->gr_name : std::to_string(st.st_gid);
      s.JoinedLater = !InSessionGroups(st.st_gid) && InUserGroups(st.st_gid);
    }
    return s;
  }
  s.Holder = PortHolder(DevPath);
  if (s.Holder == "ModemManager")
    s.Condition = TPortCondition::ModemManager;
  else if (!s.Holder.empty())
    s.Condition = TPortCondition::InUse;
  return s;
}

}  // namespace platform
