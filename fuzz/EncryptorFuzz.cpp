// Fuzz target: deciphering an EncryptAll tree through TrsAesEncryptor, set
// up as the updater sets it up. The storage holds one buffer key with the
// empty name. Bit 0 of the first byte chooses what that key holds: the
// rest of the input as it is (exercising the cipher buffer checks), or the
// rest enciphered first, so that the plain side, a section stream, is the
// fuzzer's own. GetDecryptedKey reads the same key as Base64 cipher text.
#include "crypto/TrsAesEncryptor.h"
#include "framework/Exception.h"
#include "storage/TrsStorage.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0 || size > (1 << 20))
        return 0;
    const bool encipherFirst = data[0] & 1;
    const QByteArray input(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

    TComponent owner;
    auto* encryptor = new TrsAesEncryptor(&owner);
    encryptor->SetEncryptAll(true);
    encryptor->SetMode(cmECB);
    encryptor->SetKeyBits(ck256);
    encryptor->SetKey(QStringLiteral("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr"));
    auto* storage = new TrsStorage(&owner);
    storage->SetOptions({});

    QByteArray key = input;
    if (encipherFirst) {
        key = encryptor->Cipher().StringEncrypt(input);
        if (key.isEmpty())
            return 0;
    }
    const QString keyPath = QStringLiteral("\\");
    storage->WriteBuffer(keyPath, key.constData(), int(key.size()));
    storage->SetEncryptor(encryptor);

    (void)encryptor->GetDecryptedKey(keyPath);
    (void)encryptor->GetDecryptedValue(QString::fromLatin1(input));
    try {
        encryptor->DoDecrypt();
    } catch (const Exception&) {
    }
    return 0;
}
