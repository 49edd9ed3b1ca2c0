// LZRW compression and decompression of 10 MB against zlib at level 1 and
// LZ4 on the same bytes, for three inputs: text shaped like an XML storage
// file, random bytes and a short repeated pattern. Throughput is counted
// over the uncompressed bytes; "ratio" is the compressed size over it.
#include "Comparison.h"
#include "storage/Lzrw.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <lz4.h>
#include <zlib.h>

namespace {

constexpr qsizetype InputSize = 10 * 1000 * 1000;

QByteArray XmlLikeText()
{
    QByteArray text;
    text.reserve(InputSize + 256);
    text += "<?xml version=\"1.0\" encoding=\"windows-1252\"?>\r\n<mirovane3>\r\n";
    for (int i = 0; text.size() < InputSize; ++i) {
        text += "  <section" + QByteArray::number(i % 53) + ">\r\n";
        text += "    <jpegquality.Value>" + QByteArray::number(i * 7919 % 101) + "</jpegquality.Value>\r\n";
        text += "    <caption>Page " + QByteArray::number(i) + " of the template</caption>\r\n";
        text += "    <buffer>0A,FF," + QByteArray::number(i * 31 % 256, 16).toUpper() + ",10</buffer>\r\n";
        text += "  </section" + QByteArray::number(i % 53) + ">\r\n";
    }
    text.truncate(InputSize);
    return text;
}

QByteArray RandomBytes()
{
    QByteArray bytes(InputSize, Qt::Uninitialized);
    QRandomGenerator generator(20261209);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), InputSize / 4);
    return bytes;
}

QByteArray RepeatedPattern()
{
    const QByteArray pattern("<key>0123456789abcdef</key>\r\n");
    QByteArray bytes;
    bytes.reserve(InputSize + pattern.size());
    while (bytes.size() < InputSize)
        bytes += pattern;
    bytes.truncate(InputSize);
    return bytes;
}

const QByteArray& Input(int kind)
{
    static const QByteArray inputs[] = { XmlLikeText(), RandomBytes(), RepeatedPattern() };
    return inputs[kind];
}

const char* const InputNames[] = { "text", "random", "pattern" };

// The target's room is reserved up front, as the references get their
// output buffers whole.
QByteArray Lzrw(void (*transform)(QIODevice&, QIODevice&), const QByteArray& data, qsizetype room)
{
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    QByteArray out;
    out.reserve(room);
    QBuffer target(&out);
    target.open(QIODevice::WriteOnly);
    transform(source, target);
    target.close();
    return out;
}

QByteArray ZlibCompress(const QByteArray& data)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(qsizetype(size), Qt::Uninitialized);
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
        uLong(data.size()), 1);
    out.truncate(qsizetype(size));
    return out;
}

QByteArray ZlibDecompress(const QByteArray& data)
{
    uLongf size = InputSize;
    QByteArray out(InputSize, Qt::Uninitialized);
    uncompress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.constData()),
        uLong(data.size()));
    out.truncate(qsizetype(size));
    return out;
}

QByteArray Lz4Compress(const QByteArray& data)
{
    QByteArray out(LZ4_compressBound(int(data.size())), Qt::Uninitialized);
    out.truncate(LZ4_compress_default(data.constData(), out.data(), int(data.size()), int(out.size())));
    return out;
}

QByteArray Lz4Decompress(const QByteArray& data)
{
    QByteArray out(InputSize, Qt::Uninitialized);
    out.truncate(
        qMax(0, LZ4_decompress_safe(data.constData(), out.data(), int(data.size()), int(out.size()))));
    return out;
}

QByteArray LzrwCompress(const QByteArray& data)
{
    return Lzrw(CompressStream, data, data.size() + data.size() / 256 + 64);
}

QByteArray LzrwDecompress(const QByteArray& data)
{
    return Lzrw(DecompressStream, data, InputSize);
}

using TCoder = QByteArray (*)(const QByteArray&);

void Compress(benchmark::State& state, TCoder compress, TCoder decompress)
{
    const int kind = int(state.range(0));
    const QByteArray& input = Input(kind);
    qsizetype compressed = 0;
    for (auto _ : state) {
        const QByteArray out = compress(input);
        compressed = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    if (decompress(compress(input)) != input)
        state.SkipWithError("the round trip lost bytes");
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["ratio"] = double(compressed) / double(input.size());
    state.SetLabel(InputNames[kind]);
}

void Decompress(benchmark::State& state, TCoder compress, TCoder decompress)
{
    const int kind = int(state.range(0));
    const QByteArray& input = Input(kind);
    const QByteArray packed = compress(input);
    bool whole = true;
    for (auto _ : state) {
        const QByteArray out = decompress(packed);
        whole = whole && out.size() == input.size();
        benchmark::DoNotOptimize(out.constData());
    }
    if (!whole)
        state.SkipWithError("the decompressed size differs");
    state.SetBytesProcessed(state.iterations() * input.size());
    state.SetLabel(InputNames[kind]);
}

void Lzrw_Ours_Compress(benchmark::State& s)
{
    Compress(s, LzrwCompress, LzrwDecompress);
}
void Lzrw_Ours_Decompress(benchmark::State& s)
{
    Decompress(s, LzrwCompress, LzrwDecompress);
}
void Lzrw_Zlib1_Compress(benchmark::State& s)
{
    Compress(s, ZlibCompress, ZlibDecompress);
}
void Lzrw_Zlib1_Decompress(benchmark::State& s)
{
    Decompress(s, ZlibCompress, ZlibDecompress);
}
void Lzrw_Lz4_Compress(benchmark::State& s)
{
    Compress(s, Lz4Compress, Lz4Decompress);
}
void Lzrw_Lz4_Decompress(benchmark::State& s)
{
    Decompress(s, Lz4Compress, Lz4Decompress);
}

} // namespace

// Argument: 0 text, 1 random bytes, 2 repeated pattern.
BENCHMARK(Lzrw_Ours_Compress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzrw_Zlib1_Compress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzrw_Lz4_Compress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzrw_Ours_Decompress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzrw_Zlib1_Decompress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);
BENCHMARK(Lzrw_Lz4_Decompress)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

static const int kLzrwGoals = (AddComparison("Lzrw_Ours_Compress/0", "Lzrw_Zlib1_Compress/0", 2.0),
    AddComparison("Lzrw_Ours_Compress/0", "Lzrw_Lz4_Compress/0", 0.4),
    AddComparison("Lzrw_Ours_Decompress/0", "Lzrw_Lz4_Decompress/0", 0.6),
    AddThroughputGoal("Lzrw_Ours_Compress/1", 100), AddThroughputGoal("Lzrw_Ours_Decompress/1", 100),
    AddComparison("Lzrw_Ours_Compress/1", "Lzrw_Lz4_Compress/1", 0),
    AddComparison("Lzrw_Ours_Decompress/1", "Lzrw_Lz4_Decompress/1", 0),
    AddComparison("Lzrw_Ours_Compress/2", "Lzrw_Lz4_Compress/2", 0),
    AddComparison("Lzrw_Ours_Decompress/2", "Lzrw_Lz4_Decompress/2", 0));
