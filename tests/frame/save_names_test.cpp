// The save dialogs' names: the ending a typed name gets from the chosen
// form, and the name offered first.
#include "frame/save_names.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(SaveNames, EndingOfTheChosenFormAndTheOfferedName) {
    const char* endings[][3] = {
        {"/w/part", ".dmf", "/w/part.dmf"},          {"/w/PART.DMF", ".dmf", "/w/PART.DMF"},
        {"/w/part.v2", ".dmf", "/w/part.v2.dmf"},    {"/w/part.stl", ".dmf", "/w/part.stl.dmf"},
        {"/w.d/view", ".png", "/w.d/view.png"},      {"/w/", ".dmf", "/w/"},
    };
    for (const auto& e : endings) EXPECT_EQ(WithEnding(e[0], e[1]), e[2]) << e[0];

    const char* offers[][5] = {  // folder, NC program, work file, ending: offered
        {"/dmf", "/nc/pocket.nc", "/w/old.stl", ".dmf", "/dmf/pocket.dmf"},
        {"/dmf/", "/nc/a.b.nc", "", ".png", "/dmf/a.b.png"},
        {"/dmf", "", "/w/old.stl", ".wrl", "/dmf/old.wrl"},
        {"/dmf", "", "", ".dmf", "/dmf/"},
    };
    for (const auto& o : offers) EXPECT_EQ(ProposedSaveName(o[0], o[1], o[2], o[3]), o[4]) << o[1];

    ASSERT_EQ(WorkSaveForms().size(), 6u);
    EXPECT_EQ(FilterText(WorkSaveForms()[0], true), "DMF(*.dmf *.DMF)");
    EXPECT_EQ(FilterText(WorkSaveForms()[3], false), "STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ﾓﾄﾛｰﾗ系(*.stl *.STL)");
    EXPECT_EQ(std::string(WorkSaveForms()[3].tail) + WorkSaveForms()[5].tail, ",b2,p");
}

}  // namespace
}  // namespace morvex
