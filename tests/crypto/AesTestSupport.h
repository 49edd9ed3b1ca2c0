// Shared helpers of the cipher tests: hex literals, random bytes, and a
// fixture parameter that runs a test once on the table path and once on the
// processor's AES instructions.
#pragma once

#include "crypto/TAESChipher.h"

#include <QByteArray>
#include <QString>
#include <gtest/gtest.h>
#include <random>

inline QByteArray Hex(const char* text)
{
    return QByteArray::fromHex(text);
}

inline QByteArray RandomBytes(qsizetype count, unsigned seed)
{
    std::mt19937 engine(seed);
    QByteArray bytes(count, Qt::Uninitialized);
    for (auto& b : bytes)
        b = char(engine() & 0xff);
    return bytes;
}

// A key text whose 8-bit bytes are exactly BYTES (all below 0x80).
inline QString KeyText(const QByteArray& bytes)
{
    QString text;
    for (char c : bytes)
        text.append(QChar(quint8(c)));
    return text;
}

enum class AesPath { Table, Instructions };

inline std::string PathName(const testing::TestParamInfo<AesPath>& info)
{
    return info.param == AesPath::Table ? "Table" : "Instructions";
}

class AesPathTest : public testing::TestWithParam<AesPath> {
protected:
    void SetUp() override { TAESChipher::SetForceTablePath(GetParam() == AesPath::Table); }
    void TearDown() override { TAESChipher::SetForceTablePath(false); }
};
