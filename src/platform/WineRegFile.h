// The registry file format of Wine (system.reg, user.reg, userdef.reg): the
// one place that knows its text layout. The reader accepts what Wine 8.0
// accepts and gives each line the meaning Wine gives it, down to the damaged
// lines Wine keeps as empty REG_NONE values, so that a file read and written
// here means to Wine exactly what it meant before. The writer writes what
// Wine writes: ASCII with escapes, LF line ends, keys depth-first in name
// order, keys that hold only subkeys left out, hex data wrapped as Wine wraps
// it. Reader and writer keep no state between calls. Thread-safe.
#pragma once

#include "platform/RegKey.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>

class TWineRegFile {
public:
    // Deeper keys are refused, as Windows refuses them; it also bounds the
    // recursion over a tree read from a file.
    static constexpr int MaxDepth = 512;

    // True when the first line of BYTES is exactly Wine's header line.
    static bool HasHeader(QByteArrayView bytes);

    // Adds the keys and values of BYTES below ROOT; keys without a time get
    // NOW (ticks since 1601). ARCH receives the value of the "#arch=" line.
    // Returns false, adding nothing, when BYTES are not a Wine registry file
    // (wrong first line, or an architecture Wine does not know).
    static bool Read(QByteArrayView bytes, TRegKey& root, QByteArray& arch, quint64 now);

    // The file for the hive ROOT. ROOTPATH names the hive on line 2 (for
    // example REGISTRY, User, .Default); an empty ARCH writes no "#arch=".
    static QByteArray Write(const TRegKey& root, const QStringList& rootPath, QByteArrayView arch);

    // TEXT escaped as Wine escapes names, strings and classes, with the two
    // delimiter characters of the context escaped too.
    static void AppendEscaped(QByteArray& out, QStringView text, char delimiter1, char delimiter2);

    // Unescapes LINE from POS up to the first unescaped END into OUT. Returns
    // the position after END, or -1 when the line ends first.
    static qsizetype ParseString(QByteArrayView line, qsizetype pos, char end, QString& out);

private:
    TWineRegFile(QByteArrayView bytes, TRegKey& root, quint64 now);

    bool NextLine(QByteArrayView& line);
    bool ReadAll(QByteArray& arch);
    void FinishKey();
    void ReadKeyLine(QByteArrayView line, qsizetype pos);
    void ReadKeyOption(QByteArrayView line, qsizetype pos);
    void ReadValue(QByteArrayView line, qsizetype pos);
    bool ReadData(QByteArrayView line, qsizetype pos, DWORD& type, QByteArray& data);
    bool ReadHexData(QByteArrayView line, qsizetype pos, QByteArray& data);

    QByteArrayView FBytes;
    qsizetype FPos = 0;
    TRegKey& FRoot;
    quint64 FNow;
    TRegKey* FKey = nullptr;
    quint64 FKeyTime = 0;
};
