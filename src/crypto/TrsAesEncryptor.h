// TrsAesEncryptor: the storage encryptor on AES. It owns one TAESChipher
// and runs the four buffer operations of TrsEncryptor through the cipher
// buffer layout, so enciphered keys, sections and trees hold cipher
// buffers. Mode, KeyBits and Key are the cipher's; a new encryptor has
// cmECB, ck128 and an empty key. Not thread-safe.
#pragma once

#include "crypto/TAESChipher.h"
#include "storage/TrsEncryptor.h"

class TrsAesEncryptor : public TrsEncryptor {
    Q_OBJECT
    // Spelled with their namespace, which the meta-object system needs to
    // see them as enumerations with value names.
    Q_PROPERTY(AESChipherTypes::TAESChipherMode Mode READ Mode WRITE SetMode)
    Q_PROPERTY(AESChipherTypes::TAESChipherKeyBits KeyBits READ KeyBits WRITE SetKeyBits)
    Q_PROPERTY(QString Key READ Key WRITE SetKey)

public:
    explicit TrsAesEncryptor(TComponent* AOwner = nullptr);

    TAESChipherMode Mode() const { return FCipher.Mode(); }
    void SetMode(TAESChipherMode Value) { FCipher.SetMode(Value); }
    TAESChipherKeyBits KeyBits() const { return FCipher.KeyBits(); }
    void SetKeyBits(TAESChipherKeyBits Value) { FCipher.SetKeyBits(Value); }
    QString Key() const { return FCipher.Key(); }
    void SetKey(const QString& Value) { FCipher.SetKey(Value); }

    TAESChipher& Cipher() { return FCipher; }

protected:
    // The cipher buffer of COUNT plain bytes: 16 * ceil(COUNT / 16) + 4, and
    // 0 for no bytes.
    int EncryptedSize(int Count) override;
    int DecryptedSize(int Count) override;
    int EncryptBuffer(char* Buffer, int Count) override;
    int DecryptBuffer(char* Buffer, int Count) override;

private:
    TAESChipher FCipher;
};
