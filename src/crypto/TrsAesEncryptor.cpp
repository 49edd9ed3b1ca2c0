#include "crypto/TrsAesEncryptor.h"

#include <QByteArray>
#include <cstring>

TrsAesEncryptor::TrsAesEncryptor(TComponent* AOwner)
    : TrsEncryptor(AOwner)
{
}

int TrsAesEncryptor::EncryptedSize(int Count)
{
    // Asking without source and destination only reports the size; a count
    // the cipher refuses leaves it 0.
    int size = 0;
    FCipher.BufferEncrypt(nullptr, Count, nullptr, size);
    return size;
}

int TrsAesEncryptor::DecryptedSize(int Count)
{
    return Count;
}

int TrsAesEncryptor::EncryptBuffer(char* Buffer, int Count)
{
    int size = EncryptedSize(Count);
    QByteArray sealed(size, Qt::Uninitialized);
    const int result = FCipher.BufferEncrypt(Buffer, Count, sealed.data(), size);
    if (result < 0)
        return result;
    std::memcpy(Buffer, sealed.constData(), size_t(size));
    return size;
}

int TrsAesEncryptor::DecryptBuffer(char* Buffer, int Count)
{
    int size = Count;
    QByteArray plain(qMax(Count, 0), Qt::Uninitialized);
    const int result = FCipher.BufferDecrypt(Buffer, Count, plain.data(), size);
    if (result <= 0)
        return result;
    std::memcpy(Buffer, plain.constData(), size_t(size));
    return size;
}
