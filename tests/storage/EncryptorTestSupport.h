// Test doubles for the encryptor tests: a storage data that keeps the saved
// tree in memory, and a toy cipher that gives the encryptor base real
// buffers to work on (a length prefix and every byte XORed with a key byte).
#pragma once

#include "storage/TrsEncryptor.h"
#include "storage/TrsStorage.h"
#include "storage/TrsStorageData.h"

#include <QBuffer>
#include <QByteArray>
#include <QtEndian>
#include <cstring>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// Keeps the saved tree as its section stream, as a backend would keep a file.
class TMemoryStorageData : public TrsStorageData {
public:
    using TrsStorageData::TrsStorageData;

    QByteArray Image;

protected:
    void DoSaveStorage() override
    {
        QBuffer stream;
        stream.open(QIODevice::WriteOnly);
        Storage()->SectionSaveToStream(QString(), stream);
        Image = stream.data();
    }
    void DoLoadStorage() override
    {
        QBuffer stream(&Image);
        stream.open(QIODevice::ReadOnly);
        Storage()->SectionLoadFromStream(QString(), stream);
    }
};

// Cipher text: 4-byte little-endian plain length, then the plain bytes XORed
// with KeyByte. Deciphering refuses a length that does not fit.
class TXorEncryptor : public TrsEncryptor {
public:
    using TrsEncryptor::TrsEncryptor;

    quint8 KeyByte = 0x5a;
    bool RefuseEncrypt = false;
    int DecryptResult = 1; // a value <= 0 is returned instead of deciphering

protected:
    int EncryptedSize(int Count) override { return Count + 4; }
    int DecryptedSize(int Count) override { return Count; }
    int EncryptBuffer(char* Buffer, int Count) override
    {
        if (RefuseEncrypt)
            return -1;
        std::memmove(Buffer + 4, Buffer, size_t(Count));
        qToLittleEndian<qint32>(Count, Buffer);
        for (int i = 4; i < Count + 4; ++i)
            Buffer[i] = char(Buffer[i] ^ KeyByte);
        return Count + 4;
    }
    int DecryptBuffer(char* Buffer, int Count) override
    {
        if (DecryptResult <= 0)
            return DecryptResult;
        if (Count < 4 || qFromLittleEndian<qint32>(Buffer) != Count - 4)
            return 0;
        for (int i = 4; i < Count; ++i)
            Buffer[i - 4] = char(Buffer[i] ^ KeyByte);
        return Count - 4;
    }
};

// Every section path, key path, type and text value of a storage, one line
// each in stored order, to compare whole trees.
inline QStringList TreeDump(TrsStorage& storage)
{
    QStringList lines;
    for (int i = 0; i < storage.SectionItemCount(); ++i)
        lines << QStringLiteral("section ") + storage.GetSectionPath(i);
    const QString root = storage.RootSection();
    storage.SetRootSection(QString());
    for (int i = storage.KeyFirst(); i >= 0; i = storage.KeyNext()) {
        TrsKeyWrapper& key = storage.KeyWrapper();
        lines << QStringLiteral("key %1 type %2 = %3")
                     .arg(key.FullName())
                     .arg(key.KeyType())
                     .arg(key.AsString());
    }
    storage.SetRootSection(root);
    return lines;
}
