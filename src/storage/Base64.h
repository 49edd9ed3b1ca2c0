// Base64 text of byte strings, as the encryptor keeps enciphered values: the
// RFC 4648 alphabet, most significant bits first, no padding and no line
// breaks. Plain functions without shared state; thread-safe.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// n bytes give 4 * (n / 3) characters, plus n % 3 + 1 when n % 3 is not 0.
QByteArray Base64Encode(QByteArrayView bytes);

// The bytes of unpadded Base64 text. Any character outside the alphabet
// ("=", blanks and line breaks included) or a final group of one character
// gives an empty result.
QByteArray Base64Decode(QByteArrayView text);
