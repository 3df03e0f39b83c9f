// Fuzz target: report templates. Any bytes expand to a defined text: no
// read beyond the template, no variable left unreplaced that the input did
// not hold, and the output bounded by the values a line can take.
#include <cstdlib>
#include <string>

#include "fuzz_input.h"
#include "results/report_file.h"
#include "results/report_template.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    const std::string path = fuzz::WriteInput(data, size, kReportTemplateName);
    std::string text;
    if (!ReadReportTemplate(path, text) || text.size() != size) std::abort();
    ReportValues values;
    values.g = {0, 1, 54, 59};
    values.tools = {1, 2, 3};
    values.workOffsets.assign(7, Point{1.0, 2.0, 3.0});
    values.nc = "prog.nc";
    const std::string out = ExpandReport(text, values);
    // The longest value (a work offset, 31 bytes) from the shortest name ("$NC" or "$G54").
    if (out.size() > 32 * size + 64) std::abort();
    return 0;
}
