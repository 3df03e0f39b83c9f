// Tool changes by ATC type.
#include "nc/tool_change.h"

namespace morvex {

int ToolNumberOfWord(const ToolWordForm& form, int word) {
    if (!form.withOffsetDigits) return word;
    int divisor = 1;
    for (int i = 0; i < form.offsetDigits && i < 9; ++i) divisor *= 10;
    return word / divisor;
}

int ToolChangeOf(int atcType, const ToolWordForm& form, const PathRecord& path, int& preselected) {
    if (path.moduleTool > 0) {
        preselected = path.moduleTool;
        return path.moduleTool;
    }
    const int word = path.toolWord >= 0 ? ToolNumberOfWord(form, path.toolWord) : -1;
    switch (atcType) {
    case kAtcWait:
        if (word >= 0) preselected = word;
        return path.mCode == 6 ? preselected : -1;
    case kAtcWait2:
        if (path.mCode == 6) return word >= 0 ? word : preselected;
        if (word >= 0) preselected = word;
        return -1;
    default:
        return word;
    }
}

}  // namespace morvex
