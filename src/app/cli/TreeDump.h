// The text form of a storage tree that `mirovane-templates dump` prints:
// depth first in storage order, at each level the level's keys first, then
// its sections, each section followed by its own content.
//   section<TAB>path              names joined by "\", no leading separator
//   key<TAB>full name<TAB>type<TAB>value
// Buffers print as compact upper-case hex; backslash, TAB, CR and LF in
// names and values print as \\, \t, \r and \n, other characters below 32 as
// \xHH. Lines end with LF.
#pragma once

#include <QString>

class TrsStorage;

QString DumpTree(TrsStorage& storage);
// The same tree as nested JSON objects, each level
// {"sections": {NAME: LEVEL, ...}, "keys": {NAME: {"type": TYPE, "value": TEXT}, ...}},
// values as in the text form but unescaped.
QString DumpTreeJson(TrsStorage& storage);
// The escaping used for names and values.
QString EscapeDumpText(const QString& text);
// "ktNone" .. "ktPointer"; the number itself for an unknown type.
QString KeyTypeName(int type);
