// The names the save dialogs work with: the forms a work or a picture can be
// saved in (the dialog's filters), the ending a typed name takes from the
// chosen form, and the name offered before the user types one.
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace morvex {

struct SaveForm {
    const char* english;   // the filter's label
    const char* japanese;
    const char* patterns;  // the names it lists, blank-separated
    const char* ending;    // what a name without it gets
    const char* tail;      // what tells SaveWorkFile the form (",b", ",p", ...)
};

// The work's forms in the order of the save dialog: DMF, the three STL
// forms, the two VRML forms.
std::span<const SaveForm> WorkSaveForms();
const SaveForm& ImageSaveForm();

// "label(patterns)" in the language.
std::string FilterText(const SaveForm& form, bool english);

// The path with the form's ending added unless its name already ends so
// (letter case aside). A path that names no file (empty, or ending in a
// separator) stays as it is.
std::string WithEnding(std::string_view path, std::string_view ending);

// The name offered first: in `folder`, the NC program's name with the
// form's ending in place of its own; without an NC program the work file's
// name; with neither only the folder.
std::string ProposedSaveName(std::string_view folder, std::string_view ncProgram, std::string_view workFile,
                             std::string_view ending);

}  // namespace morvex
