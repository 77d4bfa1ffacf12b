// Test hooks of the MFC stand-in: what the framework did that has no visible effect here.
#pragma once

#include <afx.h>

namespace cadhost::testing {

// Current nesting of BeginWaitCursor/EndWaitCursor (0 = normal cursor).
int waitCursorDepth();
// How many times the wait cursor was begun since the program started.
int waitCursorBeginCount();

// Number of CDynLinkLibrary entries in the resource chain, and whether one is there for the
// module.
int dynLinkLibraryCount();
bool hasDynLinkLibrary(HMODULE module);

}  // namespace cadhost::testing
