// The exit codes of the sample setup program and its uninstaller, the one
// list of them: the tests that run the programs read their values from here
// (tests/sample_installer/sample_exit_codes.py), one definition a line.
#pragma once

namespace korvex_sample {

inline constexpr int kExitInstalled = 0;  // setup: installed
inline constexpr int kExitRemoved = 0;    // uninstaller: removed
// Setup: not installed, nothing left behind (also when the heap or the C++
// library fails it). Uninstaller: something could not be removed; the
// uninstall entry then stays, so that it can be run again.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitForcedFailure = 2;  // setup: KORVEX_SAMPLE_SETUP_FAIL is set
inline constexpr int kExitCancelled = 3;      // cancelled on the page

}  // namespace korvex_sample
