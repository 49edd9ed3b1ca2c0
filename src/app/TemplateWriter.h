// The writer of the new ".bts" template format: the one place that knows
// its layout. Five lines in the ANSI code page, each ending in CR LF, no
// byte-order mark; line 4 holds one element per setting path,
// "<PATH>VALUE</PATH>", with nothing escaped. The writer reads the catalogue
// only (after ending an open in-place edit) and changes no setting. The
// catalogue's parts stay owned by OWNER. Not thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/TStrings.h"

#include <QString>
#include <QStringList>
#include <QStringView>

class TNextInspector;

// The text a setting holder gives for the property PROPERTYNAME: the choice
// index for "ItemIndex" (exact case) of a choice item, a text item's Value, a
// check item's "cbChecked" or "cbUnChecked", a check box's "True" or
// "False", a combo box's Text, a slider's Value; empty for a null holder and
// for every other kind.
QString TemplateValueText(const TComponent* holder, QStringView propertyName);

// The five lines of the new template for the setting paths PATHS, holders
// looked up among OWNER's components ignoring letter case. INSPECTOR (may be
// null) is told to end editing before anything is read.
QStringList NewTemplateLines(TComponent* owner, const TStrings& paths, TNextInspector* inspector);

// Writes those lines to FILENAME, replacing any file there as a whole.
// Raises EFCreateError "Cannot create file "NAME". REASON" when it cannot.
void WriteNewTemplate(
    const QString& fileName, TComponent* owner, const TStrings& paths, TNextInspector* inspector);

// The bytes of the new template from the catalogue's own parts on OWNER (as
// below), for a caller that writes them itself.
QByteArray NewTemplateBytes(TComponent* owner);

// The same with the catalogue's own parts on OWNER: the memo "setlist" (no
// memo: no paths) and the inspector "NextInspector1".
void WriteNewTemplate(const QString& fileName, TComponent* owner);
