#include "storage/TrsException.h"
#include "storage/TrsStorage.h"
#include "storage/TrsStorageData.h"

#include <QBuffer>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <memory>

namespace {

std::string Utf8(const QString& text)
{
    return text.toStdString();
}

std::string Utf8(const QStringList& lines)
{
    return lines.join(u'\n').toStdString();
}

QByteArray Save(TrsStorage& storage, const QString& section = QString())
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    storage.SectionSaveToStream(section, buffer);
    return buffer.data();
}

void Load(TrsStorage& storage, const QByteArray& bytes, const QString& section = QString())
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    storage.SectionLoadFromStream(section, buffer);
}

// The message of the TrsException that F raises, or empty.
template <typename F> std::string ErrorOf(F&& f)
{
    try {
        f();
    } catch (const TrsException& e) {
        return Utf8(e.Message());
    }
    return {};
}

// A tree with a key of every type, nested sections and an empty key name.
void FillEveryKeyType(TrsStorage& s)
{
    s.WriteString(QStringLiteral("\\Text"), QStringLiteral("caf\u00e9 \u4e2d\U0001F600"));
    s.WriteString(QStringLiteral("\\EmptyText"), QString());
    const char bytes[] = "\x00\x01\xfe\xff";
    s.WriteBuffer(QStringLiteral("\\Output\\Buffer"), bytes, 4);
    s.WriteBuffer(QStringLiteral("\\Output\\EmptyBuffer"), bytes, 0);
    s.WriteInteger(QStringLiteral("\\Output\\Integer"), -123456);
    s.WriteFloat(QStringLiteral("\\Output\\Float"), 3.25e-7);
    s.WriteCurrency(QStringLiteral("\\Output\\Pdf\\Currency"), TCurrency { -98765432101LL });
    s.WriteDateTime(QStringLiteral("\\Output\\Pdf\\DateTime"), TDateTime { 45123.75 });
    s.WriteBoolean(QStringLiteral("\\Output\\Pdf\\Boolean"), true);
    s.WritePoint(QStringLiteral("\\Caption\\Point"), QPoint(-3, 70000));
    s.WriteInt64(QStringLiteral("\\Caption\\Int64"), -9000000000000000000LL);
    s.WritePointer(QStringLiteral("\\Caption\\Pointer"), 0xdeadbeefu);
    s.SetValues(QStringLiteral("\\Caption\\None"), QVariant());
    s.WriteString(QStringLiteral("\\Caption\\"), QStringLiteral("empty name"));
    s.SectionAdd(QStringLiteral("\\Empty\\Deeper"));
}

// Sections (path) and keys (path, type, text form), sorted.
std::string Describe(TrsStorage& s)
{
    QStringList lines;
    for (int i = s.SectionFirst(); i >= 0; i = s.SectionNext())
        lines.append(QStringLiteral("section ") + s.SectionWrapper().FullName());
    const QString root = s.RootSection();
    s.SetRootSection(QString());
    for (int i = s.KeyFirst(); i >= 0; i = s.KeyNext()) {
        TrsKeyWrapper& key = s.KeyWrapper();
        lines.append(key.FullName() + u' ' + QString::number(key.KeyType()) + u' '
            + (key.KeyType() == ktPointer ? QString::number(key.AsPointer()) : key.AsString()));
    }
    s.SetRootSection(root);
    // Section ids, and so the order of the arrays, depend on creation order.
    lines.sort();
    return Utf8(lines);
}

QByteArray Le32(qint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Name(const char* latin1)
{
    QByteArray b(1, char(qstrlen(latin1)));
    for (const char* p = latin1; *p; ++p)
        b += QByteArray(1, *p) + '\0';
    return b;
}

// Keeps a tree as a section stream in memory, typed values and all.
class TSectionStreamMemoryData : public TrsStorageData {
public:
    using TrsStorageData::TrsStorageData;
    QByteArray Bytes;

protected:
    void DoLoadStorage() override { Load(*Storage(), Bytes); }
    void DoSaveStorage() override { Bytes = Save(*Storage()); }
};

} // namespace

TEST(SectionStream, EmptyTreeIsEightZeroBytes)
{
    TrsStorage storage;
    EXPECT_EQ(Save(storage), QByteArray(8, '\0'));
    // A missing, non-empty section path writes nothing.
    EXPECT_EQ(Save(storage, QStringLiteral("Missing")), QByteArray());
}

TEST(SectionStream, LayoutIsCountsThenSubsectionsThenKeysLittleEndian)
{
    TrsStorage storage;
    storage.WriteInteger(QStringLiteral("\\A\\k"), 7);
    storage.WriteString(QStringLiteral("\\s"), QStringLiteral("hi"));
    const QByteArray expected = Le32(1) + Le32(1) + Name("A") + Le32(0) + Le32(1) + Name("k")
        + QByteArray("\x03\x00\x07\x00\x00\x00", 6) + Name("s") + QByteArray("\x01\x00", 2) + Le32(4)
        + QByteArray("h\0i\0", 4);
    EXPECT_EQ(Save(storage), expected);
    EXPECT_EQ(Save(storage, QStringLiteral("A")),
        Le32(0) + Le32(1) + Name("k") + QByteArray("\x03\x00\x07\x00\x00\x00", 6));
}

TEST(SectionStream, WholeTreeRoundTripsEveryKeyType)
{
    TrsStorage source;
    FillEveryKeyType(source);
    source.SetKeyOptions(QStringLiteral("\\Text"), 5);
    const QByteArray bytes = Save(source);

    TrsStorage target;
    target.WriteInteger(QStringLiteral("\\Old\\Gone"), 1);
    Load(target, bytes);
    EXPECT_EQ(Describe(target), Describe(source));
    EXPECT_EQ(Save(target), bytes);
    // Key options are not carried.
    EXPECT_EQ(target.KeyOptions(QStringLiteral("\\Text")), 0);
    EXPECT_EQ(Utf8(target.ReadString(QStringLiteral("\\Text"), QString())),
        Utf8(source.ReadString(QStringLiteral("\\Text"), QString())));
}

TEST(SectionStream, LoadReplacesOnlyTheNamedSectionAndRestoresRootSection)
{
    TrsStorage source;
    FillEveryKeyType(source);
    const QByteArray output = Save(source, QStringLiteral("\\Output"));

    TrsStorage target;
    target.WriteInteger(QStringLiteral("\\Keep\\k"), 1);
    target.WriteInteger(QStringLiteral("\\Keep\\Copy\\Stale"), 2);
    target.SetRootSection(QStringLiteral("Keep"));
    Load(target, output, QStringLiteral("Copy")); // relative to the current section
    EXPECT_EQ(Utf8(target.RootSection()), "Keep");
    EXPECT_FALSE(target.KeyExist(QStringLiteral("\\Keep\\Copy\\Stale")));
    EXPECT_EQ(target.ReadInteger(QStringLiteral("\\Keep\\Copy\\Integer"), 0), -123456);
    EXPECT_TRUE(target.ReadBoolean(QStringLiteral("\\Keep\\Copy\\Pdf\\Boolean"), false));
    EXPECT_EQ(target.ReadInteger(QStringLiteral("\\Keep\\k"), 0), 1);
    EXPECT_EQ(Save(target, QStringLiteral("\\Keep\\Copy")), output);

    // A stream already at its end clears the section and raises nothing.
    Load(target, QByteArray(), QStringLiteral("\\Keep\\Copy"));
    EXPECT_TRUE(target.SectionExist(QStringLiteral("\\Keep\\Copy")));
    EXPECT_FALSE(target.KeyExist(QStringLiteral("\\Keep\\Copy\\Integer")));
    EXPECT_EQ(Utf8(target.RootSection()), "Keep");
}

TEST(SectionStream, TruncatedStreamRaisesAndKeepsWhatWasReadBeforeTheCut)
{
    TrsStorage source;
    FillEveryKeyType(source);
    const QByteArray bytes = Save(source);
    const std::string error = "Storage library error: Can't load section \"\\Into\" from stream.";
    for (qsizetype cut = 1; cut < bytes.size(); ++cut) {
        TrsStorage target;
        target.SetRootSection(QStringLiteral("Elsewhere"));
        EXPECT_EQ(ErrorOf([&] { Load(target, bytes.left(cut), QStringLiteral("\\Into")); }), error) << cut;
        EXPECT_EQ(Utf8(target.RootSection()), "Elsewhere") << cut;
    }
    // A cut inside the last key keeps every entry read before it, but not
    // the key whose value was cut.
    TrsStorage target;
    EXPECT_FALSE(ErrorOf([&] { Load(target, bytes.left(bytes.size() - 1)); }).empty());
    EXPECT_EQ(target.ReadInteger(QStringLiteral("\\Output\\Integer"), 0), -123456);
    EXPECT_EQ(Utf8(target.ReadString(QStringLiteral("\\Caption\\"), QString())), "empty name");
    EXPECT_FALSE(target.KeyExist(QStringLiteral("\\Text")));
}

TEST(SectionStream, DamagedStreamsRaiseInsteadOfBuildingABrokenTree)
{
    const std::string error = "Storage library error: Can't load section \"\" from stream.";
    const auto loadError = [](const QByteArray& bytes) {
        TrsStorage target;
        return ErrorOf([&] { Load(target, bytes); });
    };
    EXPECT_EQ(loadError(Le32(-1) + Le32(0)), error);
    EXPECT_EQ(loadError(Le32(0) + Le32(-5)), error);
    EXPECT_EQ(loadError(Le32(0x7fffffff) + Le32(0x7fffffff)), error);
    // Odd byte count of a string, and a huge buffer count.
    EXPECT_EQ(loadError(Le32(0) + Le32(1) + Name("s") + QByteArray("\x01\x00", 2) + Le32(3) + "abc"), error);
    EXPECT_EQ(
        loadError(Le32(0) + Le32(1) + Name("b") + QByteArray("\x02\x00", 2) + Le32(0x7fffffff) + "x"), error);
    // A subsection name must be one path component.
    EXPECT_EQ(loadError(Le32(1) + Le32(0) + Name("A\\B") + Le32(0) + Le32(0)), error);
    EXPECT_EQ(loadError(Le32(1) + Le32(0) + Name("") + Le32(0) + Le32(0)), error);

    QRandomGenerator random(3);
    TrsStorage source;
    FillEveryKeyType(source);
    const QByteArray bytes = Save(source);
    for (int trial = 0; trial < 500; ++trial) {
        QByteArray damaged = bytes;
        damaged[random.bounded(damaged.size())] ^= char(1 << random.bounded(8));
        TrsStorage target;
        ErrorOf([&] { Load(target, damaged); });
        EXPECT_TRUE(target.RootSection().isEmpty());
    }
}

TEST(SectionStream, KeyNamedTwiceInOneSectionKeepsTheLaterValue)
{
    const QByteArray key = Name("k") + QByteArray("\x03\x00", 2);
    TrsStorage target;
    Load(target, Le32(0) + Le32(2) + key + Le32(1) + Name("K") + QByteArray("\x03\x00", 2) + Le32(2));
    EXPECT_EQ(target.KeyCount(), 1);
    EXPECT_EQ(target.ReadInteger(QStringLiteral("k"), 0), 2);
}

TEST(SectionStream, NamesLongerThan255CharactersAreRefusedAndNothingIsWritten)
{
    TrsStorage storage;
    storage.WriteInteger(QStringLiteral("\\A\\") + QString(255, u'k'), 1);
    EXPECT_EQ(Save(storage).size(), 8 + 3 + 8 + 1 + 510 + 2 + 4);
    storage.WriteInteger(QStringLiteral("\\A\\") + QString(256, u'k'), 1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const std::string message = ErrorOf([&] { storage.SectionSaveToStream(QString(), buffer); });
    EXPECT_EQ(message,
        "Storage library error: Can't save key \"\\A\\" + std::string(256, 'k')
            + "\" to stream: names may have at most 255 characters.");
    EXPECT_TRUE(buffer.data().isEmpty());

    TrsStorage sections;
    sections.SectionAdd(QString(300, u's'));
    EXPECT_EQ(ErrorOf([&] { Save(sections); }),
        "Storage library error: Can't save section \"" + std::string(300, 's')
            + "\" to stream: names may have at most 255 characters.");
}

TEST(SectionStreamRename, MovesContentAndRemovesTheOldSection)
{
    TrsStorage storage;
    FillEveryKeyType(storage);
    const QByteArray output = Save(storage, QStringLiteral("Output"));
    storage.SetRootSection(QStringLiteral("Output\\Pdf"));
    storage.SectionRename(QStringLiteral("\\Output"), QStringLiteral("\\Moved\\Here"));
    EXPECT_FALSE(storage.SectionExist(QStringLiteral("\\Output")));
    EXPECT_EQ(Save(storage, QStringLiteral("\\Moved\\Here")), output);
    // The current section moved with its section.
    EXPECT_EQ(Utf8(storage.RootSection()), "Moved\\Here\\Pdf");
    EXPECT_TRUE(storage.ReadBoolean(QStringLiteral("Boolean"), false));
    // A missing old section changes nothing.
    const std::string before = Describe(storage);
    storage.SectionRename(QStringLiteral("\\Nowhere"), QStringLiteral("\\Other"));
    EXPECT_EQ(Describe(storage), before);
}

TEST(SectionStreamRename, OntoItselfOrIntoItsOwnSubtreeRaisesAndChangesNothing)
{
    TrsStorage storage;
    FillEveryKeyType(storage);
    storage.SetRootSection(QStringLiteral("Output"));
    const std::string before = Describe(storage);
    const std::string prefix = "Storage library error: Can't rename section ";
    EXPECT_EQ(
        ErrorOf([&] { storage.SectionRename(QStringLiteral("\\Output"), QStringLiteral("\\OUTPUT/")); }),
        prefix + "\"\\Output\" to \"\\OUTPUT/\": it is the same section.");
    EXPECT_EQ(ErrorOf([&] { storage.SectionRename(QStringLiteral("Pdf"), QStringLiteral("Pdf\\Inner")); }),
        prefix + "\"Pdf\" to \"Pdf\\Inner\": the new name lies inside the section.");
    EXPECT_EQ(ErrorOf([&] { storage.SectionRename(QStringLiteral("\\"), QStringLiteral("\\Top")); }),
        prefix + "\"\\\" to \"\\Top\": the new name lies inside the section.");
    EXPECT_EQ(Describe(storage), before);
    EXPECT_EQ(Utf8(storage.RootSection()), "Output");
    EXPECT_TRUE(storage.ClientList().Active());
}

TEST(SectionStreamRename, OntoAnAncestorKeepsTheMovedContent)
{
    TrsStorage storage;
    storage.WriteInteger(QStringLiteral("\\A\\B\\B\\k"), 1);
    storage.WriteInteger(QStringLiteral("\\A\\B\\j"), 2);
    storage.WriteInteger(QStringLiteral("\\A\\other"), 3);
    storage.SectionRename(QStringLiteral("A\\B"), QStringLiteral("A"));
    EXPECT_EQ(storage.ReadInteger(QStringLiteral("\\A\\B\\k"), 0), 1);
    EXPECT_EQ(storage.ReadInteger(QStringLiteral("\\A\\j"), 0), 2);
    EXPECT_FALSE(storage.KeyExist(QStringLiteral("\\A\\other")));
}

TEST(SectionStreamSaveChanges, SavesOnlyKeysThatDifferFromTheDefaults)
{
    TSectionStreamMemoryData defaults;
    TSectionStreamMemoryData target;
    {
        TrsStorage writer;
        writer.SetStorageData(&defaults);
        writer.WriteInteger(QStringLiteral("\\Output\\Same"), 1);
        writer.WriteInteger(QStringLiteral("\\Output\\Changed"), 1);
        writer.WriteString(QStringLiteral("\\OnlyDefault"), QStringLiteral("x"));
        writer.Save();
        writer.SetStorageData(nullptr);
    }
    TrsStorage storage;
    storage.SetStorageData(&target);
    storage.WriteInteger(QStringLiteral("\\Output\\Same"), 1);
    storage.WriteInteger(QStringLiteral("\\Output\\Changed"), 2);
    storage.WriteFloat(QStringLiteral("\\New"), 0.5);
    storage.SaveChanges(&defaults);
    EXPECT_FALSE(storage.CurrentStates().Contains(ssSavingChanges));

    TrsStorage saved;
    Load(saved, target.Bytes);
    EXPECT_FALSE(saved.KeyExist(QStringLiteral("\\Output\\Same")));
    EXPECT_FALSE(saved.KeyExist(QStringLiteral("\\OnlyDefault")));
    EXPECT_EQ(saved.ReadInteger(QStringLiteral("\\Output\\Changed"), 0), 2);
    EXPECT_EQ(saved.ReadFloat(QStringLiteral("\\New"), 0), 0.5);

    // Defaults equal to every key: nothing at all is saved.
    storage.WriteInteger(QStringLiteral("\\Output\\Changed"), 1);
    storage.KeyDelete(QStringLiteral("\\New"));
    storage.WriteString(QStringLiteral("\\OnlyDefault"), QStringLiteral("x"));
    storage.SaveChanges(&defaults);
    Load(saved, target.Bytes);
    EXPECT_EQ(saved.KeyItemCount(), 0);
    storage.SetStorageData(nullptr);
}

TEST(SectionStreamStrings, WriteOverALongerListLeavesExactlyTheNewItems)
{
    TrsStorage storage;
    const QStringList five = { "a", "b", "c", "d", "e" };
    storage.WriteStrings(QStringLiteral("\\Lists\\Names"), five);
    storage.WriteString(QStringLiteral("\\Lists\\NAMES"), QStringLiteral("base key"));
    storage.WriteString(QStringLiteral("\\Lists\\names.item"), QStringLiteral("no digits"));
    storage.WriteString(QStringLiteral("\\Lists\\Names.Item99x"), QStringLiteral("not an item"));
    storage.WriteString(QStringLiteral("\\Lists\\Other.Item0"), QStringLiteral("other list"));
    QStringList lines;
    EXPECT_TRUE(storage.ReadStrings(QStringLiteral("\\Lists\\Names"), lines));
    EXPECT_EQ(Utf8(lines), Utf8(five));

    storage.SetRootSection(QStringLiteral("Elsewhere"));
    storage.WriteStrings(QStringLiteral("\\Lists\\Names"), { "x", "y" });
    EXPECT_EQ(Utf8(storage.RootSection()), "Elsewhere");
    storage.SetRootSection(QStringLiteral("Lists"));
    QStringList keys;
    storage.KeyList(keys);
    EXPECT_EQ(Utf8(keys), "names.item\nNames.Item0\nNames.Item1\nNames.Item99x\nOther.Item0");
    EXPECT_TRUE(storage.ReadStrings(QStringLiteral("Names"), lines));
    EXPECT_EQ(Utf8(lines), "x\ny");

    // An empty list removes the items without digits too.
    storage.WriteStrings(QStringLiteral("Names"), {});
    storage.KeyList(keys);
    EXPECT_EQ(Utf8(keys), "Names.Item99x\nOther.Item0");
}

TEST(SectionStreamStrings, ReadOfAMissingListIsFalseAndEmpty)
{
    TrsStorage storage;
    storage.WriteStrings(QStringLiteral("\\Top"), { "1", "2", "3" });
    EXPECT_TRUE(storage.KeyExist(QStringLiteral("\\Top.Item2")));
    QStringList lines = { "stale" };
    EXPECT_FALSE(storage.ReadStrings(QStringLiteral("\\Missing\\List"), lines));
    EXPECT_TRUE(lines.isEmpty());
    EXPECT_FALSE(storage.SectionExist(QStringLiteral("\\Missing")));
    EXPECT_FALSE(storage.ReadStrings(QStringLiteral("\\Top.Item0"), lines));
    storage.KeyDelete(QStringLiteral("\\Top.Item0"));
    EXPECT_FALSE(storage.ReadStrings(QStringLiteral("\\Top"), lines));
    EXPECT_TRUE(lines.isEmpty());
}
