// Export and import of N profiles, each naming its own macro, through one exchange file over
// the in-memory registry: time per round and how it grows with N.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "middleware/store/memory_registry.h"
#include "middleware/store/settings_store.h"

using namespace tessel;
using namespace tessel::store;

namespace {

const std::u16string kDevice = u"KavixControl_0013";

// A store of n macros ("Macro 0" …, four elements) and n profiles ("Profile 0" …, nine
// mappings, the fourth naming the profile's macro).
struct Fixture {
    explicit Fixture(std::int64_t n) {
        ProfileGroupStore::open(registry, kDevice, groups);
        path = (std::filesystem::temp_directory_path() / "tessel-bench-exchange.xml").u16string();
        std::filesystem::remove(path);
        Macro macro{1, 0, 1, 1, u"icon.ico", {}};
        macro.elements.resize(4);
        for (std::int64_t i = 0; i < n; ++i) {
            const std::u16string index = asText(i);
            groups->profiles().macros().save(u"Macro " + index, macro);
            Profile profile{1, {}};
            for (std::int32_t button = 1; button <= 9; ++button) {
                ButtonMapping mapping;
                mapping.button = button;
                mapping.mappingType = records::BUTTON_MAPPING_DEVICE_ACTION;
                if (button == 4) {
                    mapping.mappingType = records::BUTTON_MAPPING_MACRO;
                    mapping.name = u"Macro " + index;
                }
                profile.mappings.push_back(mapping);
            }
            groups->profiles().save(u"Profile " + index, profile);
        }
    }
    ~Fixture() { std::filesystem::remove(path); }

    static std::u16string asText(std::int64_t i) {
        const std::string digits = std::to_string(i);
        return {digits.begin(), digits.end()};
    }

    HResult exportAll() {
        std::filesystem::remove(path);
        HResult status = exportAllMacros(groups->profiles().macros(), localFiles(), path);
        if (hr::succeeded(status))
            status = exportAllProfiles(groups->profiles(), localFiles(), path);
        return status;
    }

    HResult importAll() {
        HResult status = importAllMacros(groups->profiles().macros(), localFiles(), path);
        if (hr::succeeded(status))
            status = importAllProfiles(groups->profiles(), localFiles(), path);
        return status;
    }

    MemoryRegistry registry;
    std::unique_ptr<ProfileGroupStore> groups;
    std::u16string path;
};

void exportProfilesAndMacros(benchmark::State& state) {
    Fixture fixture(state.range(0));
    for (auto _ : state)
        if (fixture.exportAll() != hr::ok) state.SkipWithError("export failed");
    state.SetComplexityN(state.range(0));
    state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(fixture.path));
}

void importProfilesAndMacros(benchmark::State& state) {
    Fixture fixture(state.range(0));
    if (fixture.exportAll() != hr::ok) state.SkipWithError("export failed");
    for (auto _ : state)
        if (fixture.importAll() != hr::ok) state.SkipWithError("import failed");
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(exportProfilesAndMacros)
    ->Arg(125)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(importProfilesAndMacros)
    ->Arg(125)
    ->Arg(250)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(2000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();

BENCHMARK_MAIN();
