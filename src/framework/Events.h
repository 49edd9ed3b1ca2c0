// Event handler types. A handler is a replaceable callable: a component may
// save the current handler of another component's event, install its own,
// call the saved one from it, and put it back later. Empty means unassigned.
#pragma once

#include <QObject>
#include <functional>

using TObject = QObject;

// (Sender)
using TNotifyEvent = std::function<void(TObject* Sender)>;
// (Sender, CanClose): a handler may set CanClose to false to refuse closing.
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
