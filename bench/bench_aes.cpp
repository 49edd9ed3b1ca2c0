// Enciphering and deciphering 1 MiB in ECB with AES-256: our cipher buffer
// against OpenSSL's EVP AES-256-ECB on the same key bytes, with the ratio.
// MIROVANE_AES_FORCE_TABLE=1 measures our table path; OpenSSL's own switch
// OPENSSL_ia32cap="~0x200000200000000" turns its AES instructions off.
#include "crypto/TAESChipher.h"

#include <QByteArray>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <map>
#include <openssl/evp.h>
#include <string>

namespace {

constexpr int kSize = 1 << 20;
const char kKey[] = "qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug"; // 32 bytes

QByteArray Data()
{
    QByteArray data(kSize, Qt::Uninitialized);
    for (int i = 0; i < kSize; ++i)
        data[i] = char((i * 131 + 7) & 0xff);
    return data;
}

TAESChipher MakeCipher()
{
    TAESChipher cipher;
    cipher.SetKeyBits(ck256);
    cipher.SetKey(QString::fromLatin1(kKey));
    return cipher;
}

void OursEncrypt(benchmark::State& state)
{
    TAESChipher cipher = MakeCipher();
    const QByteArray plain = Data();
    QByteArray out(kSize + 4, Qt::Uninitialized);
    for (auto _ : state) {
        int size = int(out.size());
        benchmark::DoNotOptimize(cipher.BufferEncrypt(plain.constData(), kSize, out.data(), size));
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void OursDecrypt(benchmark::State& state)
{
    TAESChipher cipher = MakeCipher();
    const QByteArray sealed = cipher.StringEncrypt(Data());
    QByteArray out(kSize, Qt::Uninitialized);
    for (auto _ : state) {
        int size = kSize;
        benchmark::DoNotOptimize(
            cipher.BufferDecrypt(sealed.constData(), int(sealed.size()), out.data(), size));
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

void OpenSsl(benchmark::State& state, bool encrypt)
{
    const QByteArray in = Data();
    QByteArray out(kSize + 16, Qt::Uninitialized);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    const auto* key = reinterpret_cast<const unsigned char*>(kKey);
    for (auto _ : state) {
        int written = 0;
        EVP_CipherInit_ex(ctx, EVP_aes_256_ecb(), nullptr, key, nullptr, encrypt ? 1 : 0);
        EVP_CIPHER_CTX_set_padding(ctx, 0);
        EVP_CipherUpdate(ctx, reinterpret_cast<unsigned char*>(out.data()), &written,
            reinterpret_cast<const unsigned char*>(in.constData()), kSize);
        benchmark::DoNotOptimize(written);
    }
    EVP_CIPHER_CTX_free(ctx);
    state.SetBytesProcessed(state.iterations() * kSize);
}

void OpenSslEncrypt(benchmark::State& state)
{
    OpenSsl(state, true);
}

void OpenSslDecrypt(benchmark::State& state)
{
    OpenSsl(state, false);
}

// Keeps the time per iteration of every run to print the ratios at the end.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        // With repetitions, the median stands for the benchmark.
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name == "median")
                FTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void PrintRatio(const char* what, const std::string& ours, const std::string& theirs) const
    {
        const auto a = FTimes.find(ours), b = FTimes.find(theirs);
        if (a == FTimes.end() || b == FTimes.end() || b->second <= 0)
            return;
        std::printf("%s: ours %.3f ms, OpenSSL %.3f ms per MiB, ours / OpenSSL = %.2f\n", what,
            a->second / 1e6, b->second / 1e6, a->second / b->second);
    }

private:
    std::map<std::string, double> FTimes;
};

} // namespace

BENCHMARK(OursEncrypt)->Unit(benchmark::kNanosecond);
BENCHMARK(OpenSslEncrypt)->Unit(benchmark::kNanosecond);
BENCHMARK(OursDecrypt)->Unit(benchmark::kNanosecond);
BENCHMARK(OpenSslDecrypt)->Unit(benchmark::kNanosecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    std::printf("our block path: %s\n", TAESChipher::UsesAesInstructions() ? "AES instructions" : "tables");
    TRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("encipher", "OursEncrypt", "OpenSslEncrypt");
    reporter.PrintRatio("decipher", "OursDecrypt", "OpenSslDecrypt");
    benchmark::Shutdown();
    return 0;
}
