// Read-only view of one section record, positioned by the storage's section
// iteration (SectionFirst .. SectionLast). Owned by the storage; it keeps a
// position, not a pointer, so a change of the section array never leaves it
// pointing at freed memory. Not thread-safe.
#pragma once

#include "storage/TrsSectionItem.h"

#include <QString>

class TrsStorage;

class TrsSectionWrapper {
public:
    explicit TrsSectionWrapper(TrsStorage* AOwner)
        : FStorage(AOwner)
    {
    }

    // -1 points at no record.
    void SetSectionIdx(int Index) { FSectionIdx = Index; }
    int SectionIdx() const { return FSectionIdx; }
    // The record at the position, or nullptr.
    const TrsSectionItem* PSectionItem() const;

    // Empty, 0 or "" when not positioned.
    QString Name() const;
    QString FullName() const;
    int Level() const;
    int Id() const;
    int ParentId() const;

private:
    TrsStorage* FStorage;
    int FSectionIdx = -1;
};
