// How the registry commands treat registry links (keys made with
// REG_OPTION_CREATE_LINK that stand for another key): a link is followed when
// the key it leads to lies in the current user's own hives (the system links
// the user's Software\Classes to the user's classes hive), or when the link
// and the key it leads to both lie in the machine's hive, where programs of
// the user cannot make keys (the system links the 32-bit view's
// Wow6432Node\Classes there). Any other link is never followed, so no
// program of the user can turn a deletion in its own hive into one elsewhere
// (MayFollowRegistryLink, registry_path.h).
#pragma once

namespace korvex {

// Test seam: the security identifier text whose hives count as the current
// user's (null: the user of the process's token).
void SetCurrentUserSidForTesting(const wchar_t* sid);

}  // namespace korvex
