// Loads message texts of the module's own string table.
#include "frame/messages.h"

#include <acrxEntryPoint.h>

CString loadMessage(UINT id) {
    // Not cleared first: LoadStringW terminates what it copies; a failed load is answered
    // with an empty text instead of the buffer.
    wchar_t buffer[8192];
    if (LoadStringW(_hdllInstance, id, buffer, 8192) <= 0) return CString();
    return CString(buffer);
}
