// TCatalogueSnapshot: the values of a form's settings, one per setting
// path, taken at one moment and put back on demand. The window takes one
// right after start-up, when the catalogue holds the product's settings, so
// that each file named on its command line or dropped on it starts from
// that state, as each file of the command-line tool starts from a fresh
// form, instead of from what the file before it left. A load writes only
// the properties the setting paths name, and no two paths name the same
// component, so putting those back undoes a conversion. The form must
// outlive the snapshot. GUI thread only.
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>

class Tupdateform;

class TCatalogueSnapshot {
public:
    explicit TCatalogueSnapshot(Tupdateform& form);

    // Puts every value taken back into the form.
    void Restore() const;

private:
    Tupdateform& FForm;
    QList<QPair<QString, QVariant>> FValues; // in setting-path order
};
