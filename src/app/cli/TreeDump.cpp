#include "app/cli/TreeDump.h"

#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"

#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <array>

namespace {

const std::array<const char*, 11> kTypeNames { "ktNone", "ktString", "ktBuffer", "ktInteger", "ktFloat",
    "ktCurrency", "ktDateTime", "ktBoolean", "ktPoint", "ktInt64", "ktPointer" };

// Positions of the sections under each parent id and of the keys of each
// section id, in array order, which is storage order.
struct TreeIndex {
    QHash<int, QList<int>> sectionsOf;
    QHash<int, QList<int>> keysOf;

    explicit TreeIndex(TrsStorage& storage)
    {
        for (int i = 0; i < storage.SectionItemCount(); ++i)
            sectionsOf[storage.GetSectionItem(i)->ParentId].append(i);
        for (int i = 0; i < storage.KeyItemCount(); ++i)
            keysOf[storage.GetKeyItem(i)->SectionId].append(i);
    }
};

QString ValueText(TrsKeyWrapper& wrapper)
{
    if (wrapper.KeyType() != ktBuffer)
        return wrapper.AsString();
    return QString::fromLatin1(wrapper.PKeyItem()->Value.VBuffer.toHex().toUpper());
}

void DumpLevel(TrsStorage& storage, const TreeIndex& index, int sectionId, QString& out)
{
    TrsKeyWrapper wrapper(&storage);
    for (int k : index.keysOf.value(sectionId)) {
        wrapper.SetKeyItem(storage.GetKeyItem(k));
        out += QStringLiteral("key\t") + EscapeDumpText(wrapper.FullName()) + u'\t'
            + KeyTypeName(wrapper.KeyType()) + u'\t' + EscapeDumpText(ValueText(wrapper)) + u'\n';
    }
    for (int s : index.sectionsOf.value(sectionId)) {
        out += QStringLiteral("section\t") + EscapeDumpText(storage.GetSectionPath(s)) + u'\n';
        DumpLevel(storage, index, storage.GetSectionItem(s)->Id, out);
    }
}

QJsonObject JsonLevel(TrsStorage& storage, const TreeIndex& index, int sectionId)
{
    TrsKeyWrapper wrapper(&storage);
    QJsonObject keys;
    for (int k : index.keysOf.value(sectionId)) {
        TrsKeyItem* item = storage.GetKeyItem(k);
        wrapper.SetKeyItem(item);
        keys.insert(item->Name,
            QJsonObject { { "type", KeyTypeName(wrapper.KeyType()) }, { "value", ValueText(wrapper) } });
    }
    QJsonObject sections;
    for (int s : index.sectionsOf.value(sectionId)) {
        const TrsSectionItem* section = storage.GetSectionItem(s);
        sections.insert(section->Name, JsonLevel(storage, index, section->Id));
    }
    return QJsonObject { { "sections", sections }, { "keys", keys } };
}

} // namespace

QString KeyTypeName(int type)
{
    if (type >= 0 && size_t(type) < kTypeNames.size())
        return QString::fromLatin1(kTypeNames[size_t(type)]);
    return QString::number(type);
}

QString EscapeDumpText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        default:
            if (c.unicode() < 32)
                out += QStringLiteral("\\x")
                    + QString::number(c.unicode(), 16).rightJustified(2, u'0').toUpper();
            else
                out += c;
        }
    }
    return out;
}

QString DumpTree(TrsStorage& storage)
{
    const TreeIndex index(storage);
    QString out;
    DumpLevel(storage, index, 0, out);
    return out;
}

QString DumpTreeJson(TrsStorage& storage)
{
    const TreeIndex index(storage);
    return QString::fromUtf8(QJsonDocument(JsonLevel(storage, index, 0)).toJson(QJsonDocument::Indented));
}
