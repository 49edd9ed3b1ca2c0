// One key of a registry hive in memory: name, optional class, last-write
// time, flags, values and subkeys. A key owns its values and subkeys; subkeys
// are held by shared pointers because open handles keep a key alive after it
// has been deleted (it then reports itself deleted and has no parent).
// Values and subkeys are kept sorted by name ignoring letter case
// (CompareText), which is also the order Wine enumerates and saves them in
// for every name of the Basic Multilingual Plane. Not thread-safe: the
// registry guards all keys with its one lock.
#pragma once

#include "platform/WinError.h"

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <memory>
#include <vector>

// Value types.
inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;
inline constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
inline constexpr DWORD REG_LINK = 6;
inline constexpr DWORD REG_MULTI_SZ = 7;
inline constexpr DWORD REG_QWORD = 11;

// A named, typed registry value; an empty name is the key's default value.
struct TRegValue {
    QString FName;
    DWORD FType = 0;
    QByteArray FData;
};

class TRegKey {
public:
    using TPtr = std::shared_ptr<TRegKey>;

    explicit TRegKey(QString name = {}, TRegKey* parent = nullptr);

    const QString& Name() const { return FName; }
    TRegKey* Parent() const { return FParent; }
    bool Deleted() const { return FDeleted; }

    // Last-write time in 100-ns ticks since 1601-01-01 UTC; 0 = not yet set.
    quint64 Time() const { return FTime; }
    void SetTime(quint64 time) { FTime = time; }
    bool HasClass() const { return FHasClass; }
    const QString& Class() const { return FClass; }
    void SetClass(const QString& keyClass);
    bool Volatile() const { return FVolatile; }
    void SetVolatile(bool value) { FVolatile = value; }
    bool Link() const { return FLink; }
    void SetLink(bool value) { FLink = value; }

    const std::vector<TPtr>& SubKeys() const { return FSubKeys; }
    const std::vector<TRegValue>& Values() const { return FValues; }

    // The subkey of that name, or null.
    TPtr FindSubKey(QStringView name) const;
    // The subkey of that name, created (with CREATED set) when missing.
    TPtr AddSubKey(const QString& name, bool* created = nullptr);
    // Detaches the subkey and marks it and everything below it deleted.
    bool RemoveSubKey(QStringView name);

    const TRegValue* FindValue(QStringView name) const;
    // Replaces type and data of the value of that name, or adds it. An
    // existing value keeps the letter case of its name.
    void SetValue(const QString& name, DWORD type, QByteArray data);
    bool RemoveValue(QStringView name);

    // Marks this key and everything below it deleted and drops the tree.
    void MarkDeleted();

private:
    std::vector<TPtr>::const_iterator SubKeyBound(QStringView name) const;
    std::vector<TRegValue>::const_iterator ValueBound(QStringView name) const;

    QString FName;
    TRegKey* FParent;
    quint64 FTime = 0;
    QString FClass;
    bool FHasClass = false;
    bool FVolatile = false;
    bool FLink = false;
    bool FDeleted = false;
    std::vector<TPtr> FSubKeys;
    std::vector<TRegValue> FValues;
};
