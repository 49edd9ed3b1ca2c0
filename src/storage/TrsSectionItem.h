// One section record of a storage tree. The storage keeps all of them in one
// array sorted by ParentId and then by name (CompareText); a record's
// address is valid only until that array changes. Not thread-safe.
#pragma once

#include <QString>
#include <QtGlobal>

struct TrsSectionItem {
    QString Name; // the section's own name, one path component
    qint32 Id = 0; // unique, at least 1
    qint32 ParentId = 0; // 0 for a top-level section
};

// Records move in the array by block moves.
Q_DECLARE_TYPEINFO(TrsSectionItem, Q_RELOCATABLE_TYPE);
