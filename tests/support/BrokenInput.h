// Shared pieces of the broken-input suites: the outcome of feeding a decoder
// damaged bytes, the cut and flip positions worth trying in a file, and a
// device that fails after a set number of bytes. Header only; each test
// binary that includes it gets its own copy. Not thread-safe.
#pragma once

#include "backends/TestPrinters.h"
#include "framework/Exception.h"
#include "storage/TrsStorage.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <gtest/gtest.h>
#include <initializer_list>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

// What a load of damaged input did: loaded, or raised one of the system's
// own errors (Error holds its message). Anything else thrown is recorded in
// Foreign and is always a fault.
struct TLoadOutcome {
    bool Loaded = false;
    QString Error;
    std::string Foreign;
};

template <typename F> TLoadOutcome LoadOutcome(F&& load)
{
    TLoadOutcome outcome;
    try {
        load();
        outcome.Loaded = true;
    } catch (const Exception& e) {
        outcome.Error = e.Message();
    } catch (const std::bad_alloc&) {
        outcome.Foreign = "std::bad_alloc";
    } catch (const std::exception& e) {
        outcome.Foreign = std::string(typeid(e).name()) + ": " + e.what();
    } catch (...) {
        outcome.Foreign = "an exception of unknown type";
    }
    return outcome;
}

// Fails the test unless OUTCOME is a load or one of the system's errors
// whose message starts with one of PREFIXES (any message when none given).
inline void ExpectLoadedOrOwnError(
    const TLoadOutcome& outcome, std::initializer_list<const char*> prefixes, const std::string& where)
{
    EXPECT_TRUE(outcome.Foreign.empty()) << where << ": raised " << outcome.Foreign;
    if (outcome.Loaded || !outcome.Foreign.empty())
        return;
    bool known = prefixes.size() == 0;
    for (const char* prefix : prefixes)
        known = known || outcome.Error.startsWith(QLatin1String(prefix));
    EXPECT_TRUE(known) << where << ": unexpected message \"" << outcome.Error.toStdString() << '"';
}

// Positions 0..COUNT-1 to try: all of the first and last 64, and about
// BUDGET more spread evenly between them so that sanitizer runs stay short.
inline std::vector<qsizetype> TrialPositions(qsizetype count, qsizetype budget)
{
    constexpr qsizetype Edge = 64;
    std::vector<qsizetype> positions;
    const qsizetype step = qMax<qsizetype>(1, (count - 2 * Edge) / qMax<qsizetype>(1, budget));
    for (qsizetype i = 0; i < count; i += (i < Edge || i >= count - Edge) ? 1 : step)
        positions.push_back(i);
    // The stepped part may jump past the start of the last 64.
    for (qsizetype i = qMax<qsizetype>(0, count - Edge); i < count; ++i)
        if (positions.back() < i)
            positions.push_back(i);
    return positions;
}

// Prefix lengths of a file of SIZE bytes, the whole file included.
inline std::vector<qsizetype> CutLengths(qsizetype size, qsizetype budget)
{
    return TrialPositions(size + 1, budget);
}

// A write-only device that takes LIMIT bytes and then fails every write
// with ErrorText; a write that crosses the limit is taken in part.
class TFailingDevice : public QIODevice {
public:
    static inline const QString ErrorText = QStringLiteral("No space left on device");

    explicit TFailingDevice(qint64 limit)
        : FLimit(limit)
    {
        open(QIODevice::WriteOnly);
    }

    QByteArray Written;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        const qint64 room = FLimit - Written.size();
        if (room <= 0) {
            setErrorString(ErrorText);
            return -1;
        }
        const qint64 taken = qMin(room, size);
        Written.append(data, taken);
        if (taken < size)
            setErrorString(ErrorText);
        return taken;
    }

private:
    qint64 FLimit;
};

// A copy of BYTES in a heap block of exactly their size, so that a read
// one byte past the end is caught by the address sanitizer (a QByteArray
// keeps a terminating zero behind its data).
class TExactBytes {
public:
    explicit TExactBytes(QByteArrayView bytes)
        : FBytes(bytes.begin(), bytes.end())
    {
        FBytes.shrink_to_fit();
    }
    QByteArrayView View() const { return QByteArrayView(FBytes.data(), qsizetype(FBytes.size())); }

private:
    std::vector<char> FBytes;
};

// Sections by path, and every key's full name, type and text, in order: the
// tree as a load gave it, to compare with what was saved.
inline QStringList Describe(TrsStorage& s)
{
    QStringList lines;
    for (int i = 0; i < s.SectionItemCount(); ++i)
        lines << QStringLiteral("section ") + s.GetSectionPath(i);
    const QString root = s.RootSection();
    s.SetRootSection(QString());
    for (int i = s.KeyFirst(); i >= 0; i = s.KeyNext()) {
        TrsKeyWrapper& key = s.KeyWrapper();
        lines << QStringLiteral("key %1 type %2 = %3")
                     .arg(key.FullName())
                     .arg(key.KeyType())
                     .arg(key.AsString());
    }
    s.SetRootSection(root);
    return lines;
}
