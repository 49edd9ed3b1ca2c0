// Enumerations shared by the setting items and the stand-alone controls.
// They live in one Q_NAMESPACE so that every class can publish properties of
// these types with their value names. Plain values; thread-safe.
#pragma once

#include <QObject>

namespace NxTypes {
Q_NAMESPACE

// The state of check items and check boxes; the ordinals are stored.
enum TCheckBoxState { cbUnchecked = 0, cbChecked = 1, cbGrayed = 2 };
Q_ENUM_NS(TCheckBoxState)

// Editor restrictions of choice and number items and of the combo box.
enum TNxEditOption { epDisablePaste = 0x1, epDisableTyping = 0x2 };
Q_DECLARE_FLAGS(TNxEditOptions, TNxEditOption)
Q_FLAG_NS(TNxEditOptions)

} // namespace NxTypes

Q_DECLARE_OPERATORS_FOR_FLAGS(NxTypes::TNxEditOptions)

using NxTypes::TCheckBoxState;
using NxTypes::TNxEditOption;
using NxTypes::TNxEditOptions;
using enum NxTypes::TCheckBoxState;
using enum NxTypes::TNxEditOption;
