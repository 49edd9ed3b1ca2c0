// Damaged Wine registry files: every prefix and flipped bytes of a file Wine
// wrote, each read from a block of exactly its size so that a read past the
// end is caught.
#include "platform/WineRegFile.h"
#include "support/BrokenInput.h"

#include <QFile>
#include <QStringList>
#include <gtest/gtest.h>

namespace {

const QStringList UserRootPath { "REGISTRY", "User", "S-1-5-21-0-0-0-1000" };

QByteArray ReadData(const char* name)
{
    QFile file(QStringLiteral(MIROVANE_TEST_DATA "/") + name);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

struct TReadResult {
    TLoadOutcome Outcome;
    bool Accepted = false;
    QByteArray Rewritten;
};

// Reads BYTES and, when they are taken for a registry file, writes the tree
// read back out: whatever a damaged file yields must be writable.
TReadResult ReadAndRewrite(QByteArrayView bytes)
{
    const TExactBytes exact(bytes);
    TReadResult result;
    result.Outcome = LoadOutcome([&] {
        TRegKey root;
        QByteArray arch;
        result.Accepted = TWineRegFile::Read(exact.View(), root, arch, 1);
        if (result.Accepted)
            result.Rewritten = TWineRegFile::Write(root, UserRootPath, arch);
    });
    return result;
}

// The first line of a file, without its line end.
qsizetype HeaderLength(const QByteArray& file)
{
    return file.indexOf('\n');
}

} // namespace

TEST(BrokenWineRegFile, EveryPrefixIsReadOrRefusedWithoutAFault)
{
    const QByteArray file = ReadData("user.reg");
    ASSERT_GT(file.size(), 20000);
    const qsizetype header = HeaderLength(file);
    ASSERT_GT(header, 0);
    for (const qsizetype cut : CutLengths(file.size(), 600)) {
        const std::string where = "prefix of " + std::to_string(cut);
        const TReadResult result = ReadAndRewrite(QByteArrayView(file).first(cut));
        ExpectLoadedOrOwnError(result.Outcome, {}, where);
        EXPECT_TRUE(result.Outcome.Loaded) << where << ": " << result.Outcome.Error.toStdString();
        // Too short to hold the whole header line: not a registry file.
        if (cut < header) {
            EXPECT_FALSE(result.Accepted) << where;
        }
    }
    const TReadResult whole = ReadAndRewrite(file);
    ASSERT_TRUE(whole.Accepted);
    EXPECT_EQ(whole.Rewritten, file);
}

TEST(BrokenWineRegFile, FlippedBytesAreReadOrRefusedWithoutAFault)
{
    const QByteArray file = ReadData("user.reg");
    for (const qsizetype at : TrialPositions(file.size(), 250)) {
        for (const char mask : { '\xff', '\x01' }) {
            QByteArray damaged = file;
            damaged[at] = char(damaged[at] ^ mask);
            const std::string where = "byte " + std::to_string(at) + " xor " + std::to_string(quint8(mask));
            const TReadResult result = ReadAndRewrite(damaged);
            ExpectLoadedOrOwnError(result.Outcome, {}, where);
            EXPECT_TRUE(result.Outcome.Loaded) << where << ": " << result.Outcome.Error.toStdString();
            // A damaged header line is never taken for Wine's.
            if (at < HeaderLength(file)) {
                EXPECT_FALSE(result.Accepted) << where;
            }
        }
    }
}
