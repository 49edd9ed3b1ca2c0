// TrsProperty: one line of a property saver's Properties list, parsed. A
// line names a property path relative to the saver's owner (such as
// "textsize.ItemIndex") and may carry a quoted default value, a quoted
// substitute key name and three or four letters of attributes:
//   name
//   name,"default","substitute",
//   name,"default","substitute",DPD
// The saver reuses one descriptor for every line, so attribute letters that
// a line leaves out keep the previous line's value. Not thread-safe.
#pragma once

#include <QString>

class TrsProperty {
public:
    enum TrsPropertyType { ptPublished, ptCustom, ptUser, ptVariable };
    enum TrsPropertyState { psNormal, psRead, psWrite };

    QString Name;
    QString SubstName;
    QString DefValue;
    bool Enabled = true;
    TrsPropertyType PropType = ptPublished;
    TrsPropertyState State = psNormal;
    bool StoreEncrypted = false;

    // The key name in the storage: the substitute name, else the path.
    QString NameInData() const { return SubstName.isEmpty() ? Name : SubstName; }

    // Three letters (enabled, type, state) and "C" when stored encrypted;
    // "EPD" for a new descriptor.
    QString Params() const;
    // An empty text resets every attribute; unknown letters for type or
    // state leave those unchanged.
    void SetParams(const QString& params);

    // The descriptor's line in a Properties list, and its parser.
    QString AsString() const;
    void SetAsString(const QString& line);

private:
    void ResetParams();
};

// Number of comma-separated fields: 0 for an empty text, else commas + 1.
int ValuesCount(const QString& text);
// Field N (from 0) between commas, untrimmed; empty when there is none.
QString ValueByIndex(const QString& text, int index);
