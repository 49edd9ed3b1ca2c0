// The settings catalogue: every setting item and control of the template
// updater with its caption, place in the settings tree, choices and
// configured value, plus the setting-path list. CreateSettingsCatalogue
// creates all of it on an owner (the main form, or a bare component in
// tests), which then owns and finally destroys every part; look the parts up
// with the owner's FindComponent, which ignores letter case. Not
// thread-safe.
#pragma once

#include "framework/Component.h"

#include <QStringList>

// Creates, in this order: the inspector "NextInspector1" with its three
// group headers and 55 setting items in flat order, the five stand-alone
// controls, the memo "setlist" holding the setting paths and the memo
// "tempcheck". Choice items receive Value, then ItemIndex, then Lines, so a
// configured index never overwrites a configured value.
void CreateSettingsCatalogue(TComponent* owner);

// The 61 setting paths, in the order the saver and the writer walk them.
const QStringList& SettingPathList();
