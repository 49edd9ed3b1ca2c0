// The registry hive's save under every injected write fault, in process:
// the Nth counted call of one family fails with one errno, for every N the
// save reaches. The save reports ERROR_CANTWRITE (or the refusal of the file
// it could not read), user.reg holds its old bytes or the whole new ones,
// and no temporary file is left.
#include "platform/RegistryHive.h"
#include "support/FaultInjection.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cerrno>
#include <cstring>

namespace {

const QStringList kRootPath { "REGISTRY", "User", "S-1-5-21-0-0-0-1000" };

QByteArray Read(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Loads the hive from the prefix, sets VALUE and writes it back.
LONG SaveWithValue(const QByteArray& value)
{
    TRegistryHive hive(QStringLiteral("user.reg"), kRootPath);
    if (const LONG loaded = hive.Acquire(); loaded != ERROR_SUCCESS)
        return loaded;
    hive.Root()->AddSubKey(QStringLiteral("Software"))->SetValue(QStringLiteral("v"), REG_BINARY, value);
    hive.MarkDirty();
    return hive.Release();
}

class HiveSaveFault : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FPrefix.isValid());
        qputenv("WINEPREFIX", FPrefix.path().toLocal8Bit());
        FaultInjectionConfigure(nullptr, -1, 0, 0);
        ASSERT_EQ(SaveWithValue("old"), ERROR_SUCCESS);
        FOld = Read(UserReg());
        ASSERT_EQ(SaveWithValue("new"), ERROR_SUCCESS);
        FNew = Read(UserReg());
        ASSERT_NE(FOld, FNew);
    }
    void TearDown() override
    {
        FaultInjectionConfigure(nullptr, -1, 0, 0);
        qunsetenv("WINEPREFIX");
    }

    QString UserReg() const { return FPrefix.filePath("user.reg"); }
    void RestoreOld() const
    {
        QFile file(UserReg());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(FOld);
    }

    QTemporaryDir FPrefix;
    QByteArray FOld, FNew;
};

TEST_P(HiveSaveFault, AFailedCallKeepsTheOldFileAndIsReported)
{
    const auto [family, error] = GetParam();
    const QByteArray folder = QFile::encodeName(FPrefix.path());
    RestoreOld();
    FaultInjectionConfigure(folder.constData(), family, 0, error);
    ASSERT_EQ(SaveWithValue("new"), ERROR_SUCCESS);
    const long reached = FaultInjectionCount(family);
    ASSERT_GT(reached, 0) << "the save never reaches a call of this family";
    for (long n = 1; n <= reached; ++n) {
        SCOPED_TRACE(::testing::Message() << FaultInjectionFamilyName(family) << " call " << n << " of "
                                          << reached << " fails: " << std::strerror(error));
        RestoreOld();
        FaultInjectionConfigure(folder.constData(), family, n, error);
        const LONG result = SaveWithValue("new");
        const bool fired = FaultInjectionFired();
        FaultInjectionConfigure(nullptr, -1, 0, 0);
        ASSERT_TRUE(fired);
        EXPECT_NE(result, ERROR_SUCCESS);
        const QByteArray bytes = Read(UserReg());
        EXPECT_TRUE(bytes == FOld || bytes == FNew) << "user.reg is a part:\n" << bytes.toStdString();
        EXPECT_EQ(QDir(FPrefix.path()).entryList(QDir::Files | QDir::Hidden), QStringList { "user.reg" });
        if (HasFailure())
            break;
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::tuple<int, int>>& info)
{
    return std::string(FaultInjectionFamilyName(std::get<0>(info.param))) + "_"
        + strerrorname_np(std::get<1>(info.param));
}

INSTANTIATE_TEST_SUITE_P(Families, HiveSaveFault,
    ::testing::Combine(::testing::Values(FaultOpen, FaultWrite, FaultSync, FaultRename, FaultClose),
        ::testing::Values(ENOSPC, EIO, EDQUOT, EROFS, EACCES)),
    CaseName);

} // namespace
