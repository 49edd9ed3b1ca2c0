// One key record of a storage tree. The storage keeps all of them in one
// array sorted by SectionId and then by name (CompareText); a record's
// address is valid only until that array changes. Not thread-safe.
#pragma once

#include "storage/TrsKeyValue.h"

#include <QString>
#include <QtGlobal>

struct TrsKeyItem {
    QString Name; // the key's own name
    qint32 SectionId = 0; // 0 for a top-level key
    TrsKeyValue Value;
};

// Records move in the array by block moves.
Q_DECLARE_TYPEINFO(TrsKeyItem, Q_RELOCATABLE_TYPE);

using PrsKeyItem = TrsKeyItem*;
