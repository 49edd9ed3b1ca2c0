// Throughput of LZRW compression and decompression over 10 MB of text shaped
// like an XML storage file. Reported as bytes per second of uncompressed data.
#include "storage/Lzrw.h"

#include <QBuffer>
#include <benchmark/benchmark.h>

namespace {

constexpr qsizetype InputSize = 10 * 1024 * 1024;

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

const QByteArray& Input()
{
    static const QByteArray input = XmlLikeText();
    return input;
}

QByteArray Run(void (*transform)(QIODevice&, QIODevice&), const QByteArray& data)
{
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    QBuffer target;
    target.open(QIODevice::WriteOnly);
    transform(source, target);
    return target.data();
}

void BM_LzrwCompress(benchmark::State& state)
{
    const QByteArray& input = Input();
    qsizetype compressed = 0;
    for (auto _ : state) {
        const QByteArray out = Run(CompressStream, input);
        compressed = out.size();
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["ratio"] = double(compressed) / double(input.size());
}

void BM_LzrwDecompress(benchmark::State& state)
{
    const QByteArray& input = Input();
    const QByteArray stream = Run(CompressStream, input);
    for (auto _ : state) {
        const QByteArray out = Run(DecompressStream, stream);
        benchmark::DoNotOptimize(out.constData());
    }
    state.SetBytesProcessed(state.iterations() * input.size());
}

} // namespace

BENCHMARK(BM_LzrwCompress)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LzrwDecompress)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
