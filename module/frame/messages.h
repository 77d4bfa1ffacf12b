// Message texts from the module's string table.
#pragma once

#include <afx.h>

// The text of string id in the host's language; empty when the table has no such string.
CString loadMessage(UINT id);
