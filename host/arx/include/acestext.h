// Names of the host's status codes.
#pragma once

#include "AdAChar.h"
#include "acadstrc.h"

// The enumerator's name without the "Acad::" scope ("eKeyNotFound"). A number the host does
// not know gives "eUnknownErrorStatus(<number>)"; that text stays valid until the next call
// for an unknown number on the same thread, known names stay valid for ever.
const ACHAR* acadErrorStatusText(Acad::ErrorStatus status);
