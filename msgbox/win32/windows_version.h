// The system version test that switches the message box to its modern look.
#pragma once

// True when the system reports major version 6 (Vista) or later; false when
// it reports 5 or less, or the query fails.
bool IsWindows6OrLater();
