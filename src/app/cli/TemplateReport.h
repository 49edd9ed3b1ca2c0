// What the new template of one old template would hold, and which of the
// old template's keys the conversion does not carry over; nothing is
// written. Built from a fresh form, as a conversion is.
//
// Origin of a setting: "template" when the template held its key and the
// property saver loaded it, "product" when the template lacks it and the
// product's settings supplied it, "default" otherwise (the configured
// value, also for the path that names no component). A key is not carried
// over when it is "outside" the section the saver reads, "unknown" when no
// setting takes it (no path names it, or the component the path names does
// not exist), or "changed" when it was loaded but the item reads back
// another text than the stored one (a slider clamping "150" to "100").
#pragma once

#include "app/Tupdateform.h"

#include <QList>
#include <QSet>
#include <QString>

struct TSettingRow {
    QString path;
    QString value; // the text the writer puts in the element
    QString origin;
};

struct TLostKey {
    QString key; // full name, as "\mirovane3\notasetting"
    QString reason;
    QString stored;
};

struct TTemplateReport {
    QString file;
    QList<TSettingRow> settings; // in the setting-path order
    QList<TLostKey> notCarried; // in storage order
};

// Raises as a conversion of FILE does.
TTemplateReport BuildTemplateReport(const QString& file, TProductSettings productSettings);

// The names, case-folded, of the keys in STORAGE's section that the
// property saver of FORM reads, which a setting path names.
QSet<QString> SettingKeysIn(TrsStorage& storage, const Tupdateform& form);

QString ReportTable(const TTemplateReport& report);
QString ReportJson(const TTemplateReport& report);
