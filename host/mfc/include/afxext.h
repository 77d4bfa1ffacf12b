// MFC stand-in: everything lives in afx.h; this name is kept for code that includes it.
#pragma once

#include <afx.h>
