// Reading speed of the definition-file value readers and of the settings file.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "frame/ini_file.h"
#include "frame/settings_reader.h"
#include "nc/definition_reader.h"

namespace {

// Lines like those of a tool table: a key, separators and a list of numbers.
std::vector<std::string> DefinitionLines() {
    std::vector<std::string> lines;
    for (int i = 0; i < 1000; ++i) {
        lines.push_back("TOOL = " + std::to_string(i) + ", 10.000, 0.5, -25.25, 1.5e1, 3\n");
    }
    return lines;
}

void BM_ReadNumberList(benchmark::State& state) {
    const std::vector<std::string> lines = DefinitionLines();
    for (auto _ : state) {
        double sum = 0.0;
        for (const std::string& line : lines) {
            std::size_t cursor = 4;
            morvex::SkipSeparators(cursor, line);
            double v = 0.0;
            morvex::ReadNumberDouble(cursor, line, v);
            sum += v;
            for (int k = 0; k < 5; ++k) {
                morvex::ReadNextDouble(cursor, line, v);
                sum += v;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(lines.size()));
}
BENCHMARK(BM_ReadNumberList);

void BM_ReadSettingsFile(benchmark::State& state) {
    const std::string path = std::string(MORVEX_SAMPLES_DIR) + "/morvex.ini";
    morvex::SettingsContext context{MORVEX_SAMPLES_DIR "/", MORVEX_SAMPLES_DIR "/", 2};
    morvex::LaunchOptions options;
    for (auto _ : state) {
        morvex::Settings settings;
        morvex::ReadSettings(morvex::LoadIni(path), options, context, settings);
        benchmark::DoNotOptimize(settings.work.workPitch);
    }
}
BENCHMARK(BM_ReadSettingsFile);

}  // namespace
