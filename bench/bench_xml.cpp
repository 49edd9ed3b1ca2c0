// The XML storage file under load: a tree of 1,000 sections of 100 keys of
// mixed types (about 10 MB as 8-bit text) saved to and loaded from a file,
// in both encodings. Throughput is reported over the file's bytes.
#include "backends/TrsXMLData.h"
#include "framework/Component.h"
#include "storage/TrsStorage.h"

#include <QFileInfo>
#include <QPoint>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int SectionCount = 1000;
constexpr int KeysPerSection = 100;

void Fill(TrsStorage& storage)
{
    const QString text = QStringLiteral(
        "Value with <markup> & \"quotes\" of a setting, long enough to "
        "weigh as a caption text does in a template, with a second sentence as the longer texts have it.");
    QByteArray bytes;
    for (int i = 0; i < 72; ++i)
        bytes.append(char(i * 7));
    for (int s = 0; s < SectionCount; ++s) {
        const QString section = QStringLiteral("\\Section%1\\").arg(s, 4, 10, QChar(u'0'));
        for (int k = 0; k < KeysPerSection; ++k) {
            const QString key = section + QStringLiteral("Key%1").arg(k, 3, 10, QChar(u'0'));
            switch (k % 8) {
            case 0:
            case 7:
                storage.WriteString(key, text);
                break;
            case 1:
                storage.WriteBuffer(key, bytes.constData(), int(bytes.size()));
                break;
            case 2:
                storage.WriteInteger(key, s * 1000 + k);
                break;
            case 3:
                storage.WriteFloat(key, s + k / 64.0);
                break;
            case 4:
                storage.WriteBoolean(key, (k & 1) != 0);
                break;
            case 5:
                storage.WriteInt64(key, 1234567890123LL * (k + 1));
                break;
            default:
                storage.WritePoint(key, QPoint(s, -k));
                break;
            }
        }
    }
}

struct TFixture {
    QTemporaryDir Dir;
    TComponent Owner;
    TrsStorage* Storage = new TrsStorage(&Owner);
    TrsXMLData* Data = new TrsXMLData(&Owner);

    explicit TFixture(bool unicode)
    {
        Data->SetFileDir(fdCustom);
        Data->SetOptions({});
        Data->SetFileName(Dir.filePath(QStringLiteral("bench.xml")));
        Data->SetUnicode(unicode);
        Storage->SetStorageData(Data);
        Fill(*Storage);
        Storage->Save();
    }
    qint64 FileSize() const { return QFileInfo(Data->FullFileName()).size(); }
};

void BM_SaveXml(benchmark::State& state)
{
    TFixture fixture(state.range(0) != 0);
    for (auto _ : state)
        fixture.Storage->Save();
    state.SetBytesProcessed(state.iterations() * fixture.FileSize());
    state.counters["file_MB"] = double(fixture.FileSize()) / 1e6;
    state.SetLabel(state.range(0) ? "UTF-16" : "8-bit");
}

void BM_LoadXml(benchmark::State& state)
{
    TFixture fixture(state.range(0) != 0);
    for (auto _ : state)
        fixture.Storage->Load();
    if (fixture.Storage->KeyItemCount() != SectionCount * KeysPerSection)
        state.SkipWithError("the file did not load whole");
    state.SetBytesProcessed(state.iterations() * fixture.FileSize());
    state.counters["file_MB"] = double(fixture.FileSize()) / 1e6;
    state.SetLabel(state.range(0) ? "UTF-16" : "8-bit");
}

} // namespace

BENCHMARK(BM_SaveXml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadXml)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
