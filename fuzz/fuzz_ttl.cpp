// Fuzz target: the tool table reader, and every tool it defines selected and
// asked for its profile height across its radius, as the sweep asks.
#include <cmath>
#include <cstdlib>

#include "fuzz_input.h"
#include "sim/tool_profile.h"
#include "sim/tool_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    ToolTableOptions options;
    options.maxMagazine = 50;
    ToolTable table;
    if (ReadToolTable(fuzz::WriteInput(data, size, "tools.ttl"), options, table) != 1) std::abort();
    for (std::size_t n = 1; n < table.tools.size(); ++n) {
        ToolProfile profile;
        SelectTool(table, static_cast<int>(n), -1.0, -1.0, nullptr, profile);
        const double reach = std::isfinite(profile.outerRadius) ? std::min(profile.outerRadius, 1e6) : 0.0;
        for (int i = 0; i <= 8; ++i) {
            const double rho = reach * i / 8.0;
            (void)ToolProfileHeight(profile, 0.0, rho * rho);
        }
    }
    return 0;
}
