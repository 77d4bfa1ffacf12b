// Status texts: the enumerator names reports show.
#include <gtest/gtest.h>

#include <string>

#include "acestext.h"

namespace {

TEST(AcadErrorStatusTextTest, NamesTheHostsStatusesAndUnknownNumbers) {
    const struct {
        int number;
        const wchar_t* text;
    } cases[] = {
        {0, L"eOk"}, {2, L"eNotApplicable"}, {22, L"eKeyNotFound"}, {80, L"eWasErased"},
        {1300, L"eNoAcDbHostApplication"},
        {19, L"eUnknownErrorStatus(19)"},  // a gap in the host's numbering
        {-7, L"eUnknownErrorStatus(-7)"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.text, acadErrorStatusText(static_cast<Acad::ErrorStatus>(c.number)))
            << c.number;
    }
}

}  // namespace
