// The XML storage file under load: a tree of 1,000 sections of 100 keys of
// mixed types (about 10 MB as 8-bit text) saved to and loaded from a file,
// in both encodings. The reference is pugixml on the same file: parsed in
// place with every section and key name and every text copied into a
// std::map, and the parsed document saved in the same encoding.
#include "Comparison.h"
#include "backends/TrsXMLData.h"
#include "framework/Component.h"
#include "storage/TrsStorage.h"

#include <QFile>
#include <QFileInfo>
#include <QPoint>
#include <QTemporaryDir>
#include <map>
#include <memory>
#include <pugixml.hpp>

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

// One saved file per encoding, shared by the benchmarks of that encoding.
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
    std::string Path() const { return QFile::encodeName(Data->FullFileName()).toStdString(); }
    qint64 FileSize() const { return QFileInfo(Data->FullFileName()).size(); }
};

TFixture& Fixture(bool unicode)
{
    static std::unique_ptr<TFixture> fixtures[2];
    auto& fixture = fixtures[unicode ? 1 : 0];
    if (!fixture)
        fixture = std::make_unique<TFixture>(unicode);
    return *fixture;
}

void Describe(benchmark::State& state, const TFixture& fixture, bool unicode)
{
    state.SetBytesProcessed(state.iterations() * fixture.FileSize());
    state.SetLabel(unicode ? "UTF-16" : "8-bit");
}

// Both saves write into memory: the file write and its sync are the
// system's work, and pugixml's save_file does not sync.
void OursSave(benchmark::State& state, bool unicode)
{
    TFixture& fixture = Fixture(unicode);
    qsizetype size = 0;
    fixture.Data->SetOnSaveToStream([&size](TObject*, QBuffer& stream, bool&) { size = stream.size(); });
    for (auto _ : state)
        fixture.Storage->Save();
    fixture.Data->SetOnSaveToStream(nullptr);
    if (size != fixture.FileSize())
        state.SkipWithError("the saved size differs from the file's");
    Describe(state, fixture, unicode);
}

void OursLoad(benchmark::State& state, bool unicode)
{
    TFixture& fixture = Fixture(unicode);
    for (auto _ : state)
        fixture.Storage->Load();
    if (fixture.Storage->KeyItemCount() != SectionCount * KeysPerSection)
        state.SkipWithError("the file did not load whole");
    Describe(state, fixture, unicode);
}

using TKeyMap = std::map<std::string, std::string>;

// Sections are elements with element children; every other element, and
// every attribute, is a key.
void CopyKeys(const pugi::xml_node& section, const std::string& path, TKeyMap& keys)
{
    for (const pugi::xml_node& child : section.children()) {
        if (child.type() != pugi::node_element)
            continue;
        std::string name = path + '\\' + child.name();
        for (const pugi::xml_attribute& attribute : child.attributes())
            keys.emplace(name + '\\' + attribute.name(), attribute.value());
        if (child.find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_element; }))
            CopyKeys(child, name, keys);
        else
            keys.emplace(std::move(name), child.child_value());
    }
}

void PugiLoad(benchmark::State& state, bool unicode)
{
    TFixture& fixture = Fixture(unicode);
    size_t count = 0;
    for (auto _ : state) {
        pugi::xml_document document;
        if (!document.load_file(fixture.Path().c_str())) {
            state.SkipWithError("pugixml did not parse the file");
            break;
        }
        TKeyMap keys;
        CopyKeys(document, std::string(), keys);
        count = keys.size();
        benchmark::DoNotOptimize(count);
    }
    if (count < size_t(SectionCount * KeysPerSection))
        state.SkipWithError("pugixml found fewer keys than were saved");
    Describe(state, fixture, unicode);
}

// Appends to a string that keeps its room from one save to the next, as
// our stream data keeps its work buffer.
class TStringWriter : public pugi::xml_writer {
public:
    std::string Text;
    void write(const void* data, size_t size) override { Text.append(static_cast<const char*>(data), size); }
};

void PugiSave(benchmark::State& state, bool unicode)
{
    TFixture& fixture = Fixture(unicode);
    pugi::xml_document document;
    document.load_file(fixture.Path().c_str());
    TStringWriter writer;
    for (auto _ : state) {
        writer.Text.clear();
        document.save(
            writer, "  ", pugi::format_default, unicode ? pugi::encoding_utf16_le : pugi::encoding_latin1);
        benchmark::DoNotOptimize(writer.Text.data());
    }
    if (writer.Text.empty())
        state.SkipWithError("pugixml saved nothing");
    Describe(state, fixture, unicode);
}

void Xml_Ours_Load_8bit(benchmark::State& s)
{
    OursLoad(s, false);
}
void Xml_Pugi_Load_8bit(benchmark::State& s)
{
    PugiLoad(s, false);
}
void Xml_Ours_Load_Utf16(benchmark::State& s)
{
    OursLoad(s, true);
}
void Xml_Pugi_Load_Utf16(benchmark::State& s)
{
    PugiLoad(s, true);
}
void Xml_Ours_Save_8bit(benchmark::State& s)
{
    OursSave(s, false);
}
void Xml_Pugi_Save_8bit(benchmark::State& s)
{
    PugiSave(s, false);
}
void Xml_Ours_Save_Utf16(benchmark::State& s)
{
    OursSave(s, true);
}
void Xml_Pugi_Save_Utf16(benchmark::State& s)
{
    PugiSave(s, true);
}

} // namespace

BENCHMARK(Xml_Ours_Load_8bit)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Pugi_Load_8bit)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Ours_Load_Utf16)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Pugi_Load_Utf16)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Ours_Save_8bit)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Pugi_Save_8bit)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Ours_Save_Utf16)->Unit(benchmark::kMillisecond);
BENCHMARK(Xml_Pugi_Save_Utf16)->Unit(benchmark::kMillisecond);

static const int kXmlGoals = (AddComparison("Xml_Ours_Load_8bit", "Xml_Pugi_Load_8bit", 1.2),
    AddComparison("Xml_Ours_Load_Utf16", "Xml_Pugi_Load_Utf16", 1.2),
    AddComparison("Xml_Ours_Save_8bit", "Xml_Pugi_Save_8bit", 0.8),
    AddComparison("Xml_Ours_Save_Utf16", "Xml_Pugi_Save_Utf16", 0.8));
