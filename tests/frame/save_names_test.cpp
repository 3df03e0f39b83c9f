// The save dialogs' names: the ending a typed name gets from the chosen
// form, and the name offered first.
#include "frame/save_names.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(SaveNames, EndingOfTheChosenFormAndTheOfferedName) {
    const struct {
        const char* typed;
        const char* ending;
        const char* saved;
    } endings[] = {
        {"/w/part", ".dmf", "/w/part.dmf"},           // no ending: the form's
        {"/w/part.dmf", ".dmf", "/w/part.dmf"},       // already there
        {"/w/PART.DMF", ".dmf", "/w/PART.DMF"},       // in capitals too
        {"/w/part.v2", ".dmf", "/w/part.v2.dmf"},     // a dot inside the name is no ending
        {"/w/part.stl", ".dmf", "/w/part.stl.dmf"},   // the chosen form decides what is written
        {"/w/view", ".png", "/w/view.png"},
        {"/w.d/view", ".png", "/w.d/view.png"},       // a dot in the folder is not the name's
        {"/w/.dmf", ".dmf", "/w/.dmf"},
        {"/w/", ".dmf", "/w/"},                       // a folder names no file
        {"", ".dmf", ""},
    };
    for (const auto& e : endings) EXPECT_EQ(WithEnding(e.typed, e.ending), e.saved) << e.typed;

    const struct {
        const char* folder;
        const char* nc;
        const char* work;
        const char* ending;
        const char* offered;
    } offers[] = {
        {"/dmf", "/nc/pocket.nc", "/w/old.stl", ".dmf", "/dmf/pocket.dmf"},  // the NC program first
        {"/dmf/", "/nc/pocket.nc", "", ".png", "/dmf/pocket.png"},
        {"/dmf", "/nc/a.b.nc", "", ".wrl", "/dmf/a.b.wrl"},                  // only the last ending goes
        {"/dmf", "/nc/drill", "", ".dmf", "/dmf/drill.dmf"},
        {"/dmf", "", "/w/old.stl", ".dmf", "/dmf/old.dmf"},                  // else the work file's
        {"/dmf", "", "", ".dmf", "/dmf/"},                                   // else only the folder
        {"", "pocket.nc", "", ".dmf", "pocket.dmf"},
    };
    for (const auto& o : offers) EXPECT_EQ(ProposedSaveName(o.folder, o.nc, o.work, o.ending), o.offered) << o.nc;

    // The filters in the dialog's order, in both languages, listing both letter cases.
    ASSERT_EQ(WorkSaveForms().size(), 6u);
    EXPECT_EQ(FilterText(WorkSaveForms()[0], true), "DMF(*.dmf *.DMF)");
    EXPECT_EQ(FilterText(WorkSaveForms()[3], false), "STLﾌｫｰﾏｯﾄ/ﾊﾞｲﾅﾘ/ﾓﾄﾛｰﾗ系(*.stl *.STL)");
    EXPECT_EQ(std::string(WorkSaveForms()[3].tail) + WorkSaveForms()[5].tail, ",b2,p");
    EXPECT_EQ(FilterText(ImageSaveForm(), false), "PNG(*.png *.PNG)");
}

}  // namespace
}  // namespace morvex
