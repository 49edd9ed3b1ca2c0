// The storage tree under load: 100,000 keys in 1,000 sections written
// through the typed writes, read back, and the sections deleted.
#include "Comparison.h"
#include "storage/TrsStorage.h"

#include <memory>
#include <vector>

namespace {

constexpr int SectionCount = 1000;
constexpr int KeysPerSection = 100;

struct TPaths {
    std::vector<QString> Sections; // "S0000"
    std::vector<QString> Keys; // "K000"
    std::vector<QString> Full; // "\S0000\K000"
};

const TPaths& Paths()
{
    static const TPaths paths = [] {
        TPaths p;
        for (int s = 0; s < SectionCount; ++s)
            p.Sections.push_back(QStringLiteral("S%1").arg(s, 4, 10, QChar(u'0')));
        for (int k = 0; k < KeysPerSection; ++k)
            p.Keys.push_back(QStringLiteral("K%1").arg(k, 3, 10, QChar(u'0')));
        for (const QString& section : p.Sections)
            for (const QString& key : p.Keys)
                p.Full.push_back(u'\\' + section + u'\\' + key);
        return p;
    }();
    return paths;
}

std::unique_ptr<TrsStorage> BuildByFullPaths()
{
    auto storage = std::make_unique<TrsStorage>();
    int value = 0;
    for (const QString& path : Paths().Full)
        storage->WriteInteger(path, value++);
    return storage;
}

// Full key paths, in sorted order.
void Tree_WriteFullPaths(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(BuildByFullPaths());
    state.SetItemsProcessed(state.iterations() * SectionCount * KeysPerSection);
}

// The way a file backend loads: select the section, then bare key names.
void Tree_WriteAsBackendLoads(benchmark::State& state)
{
    for (auto _ : state) {
        TrsStorage storage;
        int value = 0;
        for (const QString& section : Paths().Sections) {
            storage.SectionAdd(section);
            storage.ChangeDownRootSection(section);
            for (const QString& key : Paths().Keys)
                storage.WriteInteger(key, value++);
            storage.ChangeUpRootSection();
        }
        benchmark::DoNotOptimize(storage.KeyItemCount());
    }
    state.SetItemsProcessed(state.iterations() * SectionCount * KeysPerSection);
}

// Paths in reverse order: each key lands at the front of its section's run
// (sections get their ids in creation order, so the runs still append).
void Tree_WriteReverseOrder(benchmark::State& state)
{
    for (auto _ : state) {
        TrsStorage storage;
        for (auto it = Paths().Full.rbegin(); it != Paths().Full.rend(); ++it)
            storage.WriteInteger(*it, 1);
        benchmark::DoNotOptimize(storage.KeyItemCount());
    }
    state.SetItemsProcessed(state.iterations() * SectionCount * KeysPerSection);
}

void Tree_ReadEveryKey(benchmark::State& state)
{
    const auto storage = BuildByFullPaths();
    for (auto _ : state) {
        qint64 sum = 0;
        for (const QString& path : Paths().Full)
            sum += storage->ReadInteger(path, 0);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * SectionCount * KeysPerSection);
}

void Tree_DeleteSections(benchmark::State& state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto storage = BuildByFullPaths();
        state.ResumeTiming();
        for (const QString& section : Paths().Sections)
            storage->SectionDelete(u'\\' + section);
        benchmark::DoNotOptimize(storage->KeyItemCount());
        state.PauseTiming();
        storage.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * SectionCount);
}

} // namespace

BENCHMARK(Tree_WriteFullPaths)->Unit(benchmark::kMillisecond);
BENCHMARK(Tree_WriteAsBackendLoads)->Unit(benchmark::kMillisecond);
BENCHMARK(Tree_WriteReverseOrder)->Unit(benchmark::kMillisecond);
BENCHMARK(Tree_ReadEveryKey)->Unit(benchmark::kMillisecond);
BENCHMARK(Tree_DeleteSections)->Unit(benchmark::kMillisecond);
