#include "app/TemplateWriter.h"

#include "app/TNextInspector.h"
#include "app/TNxCheckBox.h"
#include "app/TNxCheckBoxItem.h"
#include "app/TNxComboBox.h"
#include "app/TNxComboBoxItem.h"
#include "app/TNxTextItem.h"
#include "app/TNxTrackBarItem.h"
#include "framework/PropertyAccess.h"
#include "framework/SafeFile.h"
#include "framework/TMemo.h"
#include "framework/TextCompare.h"
#include "framework/TextFile.h"

#include <algorithm>
#include <vector>

namespace {

// The owner's components sorted by name, for the many lookups of one
// template: the answer of FindComponent (the first of that name in
// creation order) without a walk over every component per setting.
class TComponentsByName {
public:
    explicit TComponentsByName(const TComponent* owner)
    {
        for (int i = 0; owner && i < owner->ComponentCount(); ++i)
            FSorted.push_back({ owner->Components(i)->Name(), owner->Components(i), i });
        // Creation order among equal names, so the first of them is found.
        std::sort(FSorted.begin(), FSorted.end(), [](const TNamed& a, const TNamed& b) {
            const int order = CompareText(a.name, b.name);
            return order != 0 ? order < 0 : a.created < b.created;
        });
    }

    const TComponent* Find(QStringView name) const
    {
        if (name.isEmpty())
            return nullptr;
        const auto found = std::lower_bound(FSorted.begin(), FSorted.end(), name,
            [](const TNamed& a, QStringView b) { return CompareText(a.name, b) < 0; });
        return found != FSorted.end() && SameText(found->name, name) ? found->component : nullptr;
    }

private:
    struct TNamed {
        QString name;
        const TComponent* component;
        int created;
    };
    std::vector<TNamed> FSorted;
};

// Removes characters of code 32 and below from both ends; unlike
// QString::trimmed it leaves other Unicode blanks alone.
QStringView TrimControls(QStringView text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && text[start].unicode() <= u' ')
        ++start;
    while (end > start && text[end - 1].unicode() <= u' ')
        --end;
    return text.sliced(start, end - start);
}

// Appends "<PATH>VALUE</PATH>" for the setting path on LINE.
void AppendSettingElement(QString& settings, const TComponentsByName& components, QStringView line)
{
    const QStringView path = TrimControls(line);
    const qsizetype dot = path.indexOf(u'.');
    const QStringView componentName = dot < 0 ? QStringView() : path.left(dot);
    const QStringView propertyName = dot < 0 ? path : TrimControls(path.mid(dot + 1));
    const QString value = TemplateValueText(components.Find(componentName), propertyName);
    settings += u'<';
    settings += path;
    settings += u'>';
    settings += value;
    settings += u"</";
    settings += path;
    settings += u'>';
}

} // namespace

QString TemplateValueText(const TComponent* holder, QStringView propertyName)
{
    if (IsA<TNxComboBoxItem>(holder)) {
        const auto* choice = static_cast<const TNxComboBoxItem*>(holder);
        return propertyName == u"ItemIndex" ? QString::number(choice->ItemIndex()) : choice->Value();
    }
    if (IsA<TNxTextItem>(holder))
        return static_cast<const TNxTextItem*>(holder)->Value();
    if (IsA<TNxCheckBoxItem>(holder)) {
        // The unchecked word differs in case from the enumeration name.
        const bool checked = static_cast<const TNxCheckBoxItem*>(holder)->State() == cbChecked;
        return checked ? QStringLiteral("cbChecked") : QStringLiteral("cbUnChecked");
    }
    if (IsA<TNxCheckBox>(holder))
        return static_cast<const TNxCheckBox*>(holder)->Checked() ? QStringLiteral("True")
                                                                  : QStringLiteral("False");
    if (IsA<TNxComboBox>(holder))
        return static_cast<const TNxComboBox*>(holder)->Text();
    if (IsA<TNxTrackBarItem>(holder))
        return static_cast<const TNxTrackBarItem*>(holder)->Value();
    return {};
}

QStringList NewTemplateLines(TComponent* owner, const TStrings& paths, TNextInspector* inspector)
{
    QStringList lines { QStringLiteral("<?xml version=\"1.0\" ?>"),
        QStringLiteral("<!-- Mirovane 3 Settings -->"), QStringLiteral("<DOCUMENT><mirovane3>") };
    if (inspector)
        inspector->EndEditing();
    const TComponentsByName components(owner);
    QString settings;
    for (int i = 0; i < paths.Count(); ++i)
        AppendSettingElement(settings, components, paths[i]);
    lines.append(settings);
    lines.append(QStringLiteral("</mirovane3></DOCUMENT>"));
    return lines;
}

void WriteNewTemplate(
    const QString& fileName, TComponent* owner, const TStrings& paths, TNextInspector* inspector)
{
    WriteTextFile(fileName, NewTemplateLines(owner, paths, inspector));
}

QByteArray NewTemplateBytes(TComponent* owner)
{
    const auto* setList = qobject_cast<TMemo*>(owner ? owner->FindComponent(u"setlist") : nullptr);
    auto* inspector
        = qobject_cast<TNextInspector*>(owner ? owner->FindComponent(u"NextInspector1") : nullptr);
    const TStrings noPaths;
    return TextFileBytes(NewTemplateLines(owner, setList ? *setList->Lines() : noPaths, inspector));
}

void WriteNewTemplate(const QString& fileName, TComponent* owner)
{
    ReplaceFileSafely(fileName, NewTemplateBytes(owner));
}
