// Status texts: the enumerator names reports show.
#include <gtest/gtest.h>

#include <string>

#include "acestext.h"

namespace {

TEST(AcadErrorStatusTextTest, NamesTheHostsStatusesAndUnknownNumbers) {
    const struct { int number; const wchar_t* text; } cases[] = {
        // Names in reports are the module's error report tests; here the ends and the gaps.
        {0, L"eOk"}, {1300, L"eNoAcDbHostApplication"},
        {19, L"eUnknownErrorStatus(19)"},  // a gap in the host's numbering
        {-7, L"eUnknownErrorStatus(-7)"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.text, acadErrorStatusText(static_cast<Acad::ErrorStatus>(c.number))) << c.number;
    }
}

}  // namespace
