// Ids of the module's string table.
#pragma once

// "The file [%s] is not managed by PDM." (format; the drawing's full path)
#define IDS_FILE_NOT_MANAGED 1003
