// Names of the host's status codes, generated from the one status list.
#include "acestext.h"

#include <cwchar>

const ACHAR* acadErrorStatusText(Acad::ErrorStatus status) {
    switch (status) {
#define ACAD_ERROR_STATUS_TEXT(name, value) \
    case Acad::name:                        \
        return L## #name;
        ACAD_ERROR_STATUS_LIST(ACAD_ERROR_STATUS_TEXT)
#undef ACAD_ERROR_STATUS_TEXT
    }
    // A number outside the list (a cast from a bad int) still gets a text that names it.
    thread_local ACHAR unknown[48];
    std::swprintf(unknown, sizeof unknown / sizeof unknown[0], L"eUnknownErrorStatus(%d)",
                  static_cast<int>(status));
    return unknown;
}
