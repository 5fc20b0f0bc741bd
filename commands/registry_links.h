// How the registry commands treat registry links (keys made with
// REG_OPTION_CREATE_LINK that stand for another key): a link is followed only
// when the key it leads to lies in the current user's own hives; the system
// makes such links itself (the user's Software\Classes leads to the user's
// classes hive). A link to anywhere else is never followed, so no program of
// the user can turn a deletion in its own hive into one elsewhere.
#pragma once

namespace korvex {

// Test seam: the security identifier text whose hives count as the current
// user's (null: the user of the process's token).
void SetCurrentUserSidForTesting(const wchar_t* sid);

}  // namespace korvex
