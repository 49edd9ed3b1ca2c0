#include "app/cli/TemplateReport.h"

#include "app/SettingsCatalogue.h"
#include "app/TemplateWriter.h"
#include "app/FreshForm.h"
#include "app/cli/TreeDump.h"
#include "persist/TrsPropSaver.h"
#include "storage/TrsKeyWrapper.h"
#include "storage/TrsStorage.h"

#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariant>

namespace {

// The id of the top-level section named NAME (ignoring case), 0 when none.
int TopSectionId(TrsStorage& storage, const QString& name)
{
    for (int i = 0; i < storage.SectionItemCount(); ++i) {
        const TrsSectionItem* section = storage.GetSectionItem(i);
        if (section->ParentId == 0 && section->Name.compare(name, Qt::CaseInsensitive) == 0)
            return section->Id;
    }
    return 0;
}

QString SaverSection(const Tupdateform& form)
{
    return form.rsPropSaver1->RootSection();
}

// Case-folded path -> the path, for the keys a setting path names.
QHash<QString, QString> PathsByKey()
{
    QHash<QString, QString> paths;
    for (const QString& path : SettingPathList())
        paths.insert(path.toCaseFolded(), path);
    return paths;
}

// The property's text as the saver would store it; false when the path
// resolves to no property.
bool ReadBack(Tupdateform& form, const QString& path, QString& text)
{
    QVariant value;
    if (!form.rsPropSaver1->GetPublishProperty(path, value))
        return false;
    text = value.toString();
    return true;
}

QString WrittenText(Tupdateform& form, const QString& path)
{
    const qsizetype dot = path.indexOf(u'.');
    const TComponent* holder = dot < 0 ? nullptr : form.FindComponent(QStringView(path).left(dot));
    return TemplateValueText(holder, QStringView(path).mid(dot + 1));
}

// The template's keys, classified; LOADED receives the case-folded names
// of the keys the saver took.
QList<TLostKey> ClassifyKeys(TrsStorage& storage, Tupdateform& form, QSet<QString>& loaded)
{
    const QHash<QString, QString> paths = PathsByKey();
    const int sectionId = TopSectionId(storage, SaverSection(form));
    QList<TLostKey> lost;
    TrsKeyWrapper wrapper(&storage);
    for (int i = 0; i < storage.KeyItemCount(); ++i) {
        TrsKeyItem* item = storage.GetKeyItem(i);
        wrapper.SetKeyItem(item);
        const QString stored = wrapper.AsString();
        const QString folded = item->Name.toCaseFolded();
        QString readBack;
        if (sectionId == 0 || item->SectionId != sectionId)
            lost.append({ wrapper.FullName(), QStringLiteral("outside"), stored });
        else if (!paths.contains(folded) || !ReadBack(form, paths.value(folded), readBack))
            lost.append({ wrapper.FullName(), QStringLiteral("unknown"), stored });
        else {
            loaded.insert(folded);
            if (readBack != stored)
                lost.append({ wrapper.FullName(), QStringLiteral("changed"), stored });
        }
    }
    return lost;
}

QString Row(const QStringList& cells, const QList<qsizetype>& widths)
{
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i)
        line += i + 1 < cells.size() ? cells[i].leftJustified(widths[i] + 2) : cells[i];
    return line + u'\n';
}

QString Table(const QList<QStringList>& rows)
{
    QList<qsizetype> widths(rows.first().size(), 0);
    for (const QStringList& row : rows) {
        for (qsizetype i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], row[i].size());
    }
    QString out;
    for (const QStringList& row : rows)
        out += Row(row, widths);
    return out;
}

} // namespace

QSet<QString> SettingKeysIn(TrsStorage& storage, const Tupdateform& form)
{
    const QHash<QString, QString> paths = PathsByKey();
    const int sectionId = TopSectionId(storage, SaverSection(form));
    QSet<QString> keys;
    for (int i = 0; sectionId != 0 && i < storage.KeyItemCount(); ++i) {
        const TrsKeyItem* item = storage.GetKeyItem(i);
        if (item->SectionId == sectionId && paths.contains(item->Name.toCaseFolded()))
            keys.insert(item->Name.toCaseFolded());
    }
    return keys;
}

TTemplateReport BuildTemplateReport(const QString& file, TProductSettings productSettings)
{
    TFreshForm form(productSettings);
    // Taken before the load: an encrypted template is loaded into the very
    // storage that holds the product's settings.
    const QSet<QString> product = SettingKeysIn(*form->rsStorage1, *form);
    TrsStorage& storage = form->LoadTemplate(QFileInfo(file).absoluteFilePath());
    TTemplateReport report;
    report.file = file;
    QSet<QString> loaded;
    report.notCarried = ClassifyKeys(storage, *form, loaded);
    for (const QString& path : SettingPathList()) {
        QString ignored;
        const bool resolves = ReadBack(*form, path, ignored);
        const QString folded = path.toCaseFolded();
        const QString origin = loaded.contains(folded) ? QStringLiteral("template")
            : resolves && product.contains(folded)     ? QStringLiteral("product")
                                                       : QStringLiteral("default");
        report.settings.append({ path, WrittenText(*form, path), origin });
    }
    return report;
}

QString ReportTable(const TTemplateReport& report)
{
    QList<QStringList> settings { { QStringLiteral("Setting"), QStringLiteral("Value"),
        QStringLiteral("Origin") } };
    for (const TSettingRow& row : report.settings)
        settings.append({ row.path, EscapeDumpText(row.value), row.origin });
    QString out = Table(settings) + u'\n';
    if (report.notCarried.isEmpty())
        return out + QStringLiteral("Every key of the template is carried over.\n");
    QList<QStringList> lost { { QStringLiteral("Not carried over"), QStringLiteral("Reason"),
        QStringLiteral("Stored") } };
    for (const TLostKey& key : report.notCarried)
        lost.append({ EscapeDumpText(key.key), key.reason, EscapeDumpText(key.stored) });
    return out + Table(lost);
}

QString ReportJson(const TTemplateReport& report)
{
    QJsonArray settings;
    for (const TSettingRow& row : report.settings)
        settings.append(
            QJsonObject { { "path", row.path }, { "value", row.value }, { "origin", row.origin } });
    QJsonArray lost;
    for (const TLostKey& key : report.notCarried)
        lost.append(QJsonObject { { "key", key.key }, { "reason", key.reason }, { "stored", key.stored } });
    const QJsonObject root { { "file", report.file }, { "settings", settings }, { "not_carried", lost } };
    return QString::fromUtf8(QJsonDocument(root).toJson(QJsonDocument::Indented));
}
