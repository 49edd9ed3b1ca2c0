// The property stream: the bytes a buffer key holds for WritePersistent and
// WriteComponent. For each stored published property (Q_PROPERTY) of an
// object: its name, a kind tag and the value; a property holding an object
// is written as that object's own property list. A zero name length ends a
// list. A component stream starts with the component's class name. This is
// the only place that knows the layout; integers are little-endian. The
// functions touch only the object passed in; not thread-safe beyond that.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

class QObject;

QByteArray WritePropertyStream(const QObject& Instance);
QByteArray WriteComponentStream(const QObject& Instance);

// Read the properties into Instance; properties it does not have are
// skipped. False when the bytes are damaged (properties read before the
// damage stay set) or, for a component stream, name another class.
bool ReadPropertyStream(QByteArrayView Bytes, QObject& Instance);
bool ReadComponentStream(QByteArrayView Bytes, QObject& Instance);
