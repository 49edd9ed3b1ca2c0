#include "storage/TrsEncryptor.h"

#include "framework/AnsiCodePage.h"
#include "storage/Base64.h"
#include "storage/StorageUtils.h"
#include "storage/TrsException.h"
#include "storage/TrsStorage.h"

#include <QBuffer>
#include <QtEndian>
#include <climits>
#include <cstring>

namespace {

// The byte string of one enciphered key, the plain side of its cipher text:
// the key type as 2 little-endian bytes, then the value: UTF-16LE code units
// for a string, the bytes of a buffer, the 8-byte value field otherwise.
namespace KeyByteString {

constexpr int kTypeSize = 2;

QByteArray Utf16Le(QStringView text) {
  QByteArray bytes(text.size() * 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i)
    qToLittleEndian<quint16>(text[i].unicode(), bytes.data() + 2 * i);
  return bytes;
}

QByteArray Build(quint16 type, const TrsKeyValue &value) {
  QByteArray bytes(kTypeSize, Qt::Uninitialized);
  qToLittleEndian<quint16>(type, bytes.data());
  if (type == ktString)
    bytes += Utf16Le(value.VString);
  else if (type == ktBuffer)
    bytes += value.VBuffer;
  else
    bytes.append(reinterpret_cast<const char *>(value.Data.data()),
                 qsizetype(value.Data.size()));
  return bytes;
}

QByteArray BuildString(QStringView text) {
  TrsKeyValue value;
  value.VString = text.toString();
  return Build(ktString, value);
}

// The key type of a byte string; false when it is too short to hold one or
// the type is not a key type.
bool ReadType(const QByteArray &bytes, quint16 &type) {
  if (bytes.size() < kTypeSize)
    return false;
  type = qFromLittleEndian<quint16>(bytes.constData());
  return type <= ktLastKeyType;
}

// The text of UTF-16LE bytes; an odd last byte is dropped.
QString Text(QByteArrayView bytes) {
  QString text(bytes.size() / 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i)
    text[i] = QChar(qFromLittleEndian<quint16>(bytes.data() + 2 * i));
  return text;
}

// Restores a key from its type and value bytes.
void Apply(TrsKeyWrapper &key, quint16 type, const QByteArray &payload) {
  key.Clear();
  key.SetKeyType(type);
  if (type == ktString) {
    key.SetAsString(Text(payload));
  } else if (type == ktBuffer) {
    key.SetAsBuffer(payload.constData(), int(payload.size()));
  } else {
    auto &field = key.PKeyItem()->Value.Data;
    std::memcpy(field.data(), payload.constData(),
                size_t(qMin<qsizetype>(payload.size(), field.size())));
  }
}

} // namespace KeyByteString

// A path of EncryptKeys as a section path from the top: a leading "\" is
// added and a final separator removed.
QString NormalizeSection(const QString &section) {
  QString path = section;
  if (!path.isEmpty() && !IsPathDelimiter(path[0]))
    path.prepend(u'\\');
  if (!path.isEmpty() && IsPathDelimiter(path.back()))
    path.chop(1);
  return path;
}

// Whether a line of EncryptKeys names an existing key. A path that ends in a
// separator names a section: once enciphered, the section holds a key of
// exactly that path, and taking it for a key would leave the section
// enciphered after a load.
bool NamesKey(TrsStorage &storage, const QString &path) {
  return !path.isEmpty() && !IsPathDelimiter(path.back()) &&
         storage.KeyExist(path);
}

[[noreturn]] void RaiseSectionStreamError(const QString &section) {
  RaiseStorageError(
      ekGeneral,
      QStringLiteral("Can't load section \"%1\" from stream.").arg(section));
}

QByteArray SaveSection(TrsStorage &storage, const QString &section) {
  QBuffer stream;
  stream.open(QIODevice::WriteOnly);
  storage.SectionSaveToStream(section, stream);
  return stream.data();
}

void LoadSection(TrsStorage &storage, const QString &section, QByteArray data) {
  QBuffer stream(&data);
  stream.open(QIODevice::ReadOnly);
  storage.SectionLoadFromStream(section, stream);
}

} // namespace

TrsEncryptor::TrsEncryptor(TComponent *AOwner) : TComponent(AOwner) {}

TrsEncryptor::~TrsEncryptor() {
  if (FStorage) {
    if (FStorage->IsDestroying())
      FStorage->Close();
    if (FStorage && FStorage->Encryptor() == this)
      FStorage->SetEncryptor(nullptr);
    FStorage = nullptr;
  }
}

void TrsEncryptor::SetEncryptKeyLines(TStrings *Value) {
  if (Value != &FEncryptKeys)
    FEncryptKeys.Assign(Value ? Value->List() : QStringList());
}

void TrsEncryptor::Notification(TComponent *AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove || !FStorage || AComponent != FStorage)
    return;
  // Being destroyed together: the storage closes while this encryptor is
  // still whole, so its closing save can run through it.
  if (IsDestroying()) {
    FStorage->Close();
    if (FStorage->Encryptor() == this)
      FStorage->SetEncryptor(nullptr);
  }
  FStorage = nullptr;
}

// ---------------------------------------------------------------------------
// The cipher: nothing in this base.

int TrsEncryptor::DecryptBuffer(char *, int) { return -1; }

int TrsEncryptor::EncryptBuffer(char *, int) { return -1; }

int TrsEncryptor::DecryptedSize(int) { return -1; }

int TrsEncryptor::EncryptedSize(int) { return -1; }

bool TrsEncryptor::Encipher(QByteArray &Data) {
  if (Data.size() > INT_MAX / 2)
    return false;
  const int count = int(Data.size());
  const int size = EncryptedSize(count);
  if (size > count)
    Data.append(QByteArray(size - count, '\0'));
  const int length = EncryptBuffer(Data.data(), count);
  if (length < 0 || length > Data.size())
    return false;
  Data.truncate(length);
  return true;
}

bool TrsEncryptor::Decipher(QByteArray &Data) {
  if (Data.size() > INT_MAX / 2)
    return false;
  const int count = int(Data.size());
  const int size = DecryptedSize(count);
  if (size > count)
    Data.append(QByteArray(size - count, '\0'));
  const int length = DecryptBuffer(Data.data(), count);
  if (length <= 0 || length > Data.size())
    return false;
  Data.truncate(length);
  return true;
}

QByteArray TrsEncryptor::ReadKeyBytes(const QString &Key) {
  if (FStorage->FindKey(Key, false) < 0)
    return {};
  const TrsKeyWrapper &key = FStorage->KeyWrapper();
  QByteArray bytes(key.GetAsBuffer(nullptr, 0), Qt::Uninitialized);
  key.GetAsBuffer(bytes.data(), int(bytes.size()));
  return bytes;
}

// ---------------------------------------------------------------------------
// Enciphering

void TrsEncryptor::DoEncrypt() {
  if (!FStorage)
    return;
  if (FEncryptAll) {
    DoEncryptAll();
    return;
  }
  const QStringList paths = FEncryptKeys.List();
  for (const QString &path : paths) {
    if (NamesKey(*FStorage, path))
      DoEncryptKey(path);
    else if (FStorage->SectionExist(path))
      DoEncryptSection(path);
  }
}

void TrsEncryptor::DoEncryptAll() {
  if (!FStorage)
    return;
  FStorage->SetRootSection(QString());
  QByteArray data = SaveSection(*FStorage, QString());
  if (!Encipher(data))
    RaiseStorageError(
        ekGeneral,
        QStringLiteral(
            "Can't encrypt the storage: the cipher rejected its data."));
  FStorage->ClearAll();
  FStorage->WriteBuffer(QStringLiteral("\\"), data.constData(),
                        int(data.size()));
}

void TrsEncryptor::DoEncryptSection(const QString &Section) {
  const QString path = NormalizeSection(Section);
  if (!FStorage || !FStorage->SectionExist(path))
    return;
  QByteArray data = SaveSection(*FStorage, path);
  if (!Encipher(data))
    RaiseStorageError(
        ekGeneral,
        QStringLiteral(
            "Can't encrypt section \"%1\": the cipher rejected its data.")
            .arg(path));
  FStorage->SectionClear(path);
  FStorage->WriteBuffer(path + u'\\', data.constData(), int(data.size()));
}

QByteArray TrsEncryptor::GetEncryptedKey(const QString &Key) {
  FTempKeyType = 0;
  if (!FStorage || FStorage->FindKey(Key, false) < 0)
    return {};
  const TrsKeyValue &value = FStorage->KeyWrapper().PKeyItem()->Value;
  QByteArray bytes = KeyByteString::Build(value.kvType, value);
  FTempKeyType = value.kvType;
  if (!Encipher(bytes))
    return {};
  return Base64Encode(bytes);
}

void TrsEncryptor::DoEncryptKey(const QString &Key) {
  const QByteArray text = GetEncryptedKey(Key);
  if (!FStorage || FStorage->FindKey(Key, false) < 0)
    return;
  // A key's cipher text is never empty; an empty one means the cipher
  // refused, and overwriting the key would lose its value.
  if (text.isEmpty())
    RaiseStorageError(
        ekGeneral,
        QStringLiteral(
            "Can't encrypt key \"%1\": the cipher rejected its value.")
            .arg(Key));
  TrsKeyWrapper &key = FStorage->KeyWrapper();
  if (key.KeyType() == ktBuffer)
    key.SetAsBuffer(text.constData(), int(text.size()));
  else
    key.SetAsString(QString::fromLatin1(text));
}

QString TrsEncryptor::GetEncryptedValue(const QString &Value) {
  if (Value.isEmpty())
    return {};
  QByteArray bytes = KeyByteString::BuildString(Value);
  if (!Encipher(bytes))
    return {};
  return QString::fromLatin1(Base64Encode(bytes));
}

bool TrsEncryptor::IsSameEncryptedKey(const QString &Key,
                                      const QString &Value) {
  if (!FStorage || FStorage->FindKey(Key, false) < 0)
    return false;
  const QString stored = FStorage->KeyWrapper().AsString();
  return GetEncryptedValue(Value) == stored;
}

// ---------------------------------------------------------------------------
// Deciphering

void TrsEncryptor::DoDecrypt() {
  if (!FStorage)
    return;
  if (FEncryptAll) {
    DoDecryptAll();
    return;
  }
  const QStringList paths = FEncryptKeys.List();
  for (const QString &path : paths) {
    if (NamesKey(*FStorage, path))
      DoDecryptKey(path);
    else if (FStorage->SectionExist(path))
      DoDecryptSection(path);
  }
}

void TrsEncryptor::DoDecryptAll() {
  if (!FStorage)
    return;
  QByteArray data = ReadKeyBytes(QStringLiteral("\\"));
  // A tree without the key is plain, as a plain file loaded through an
  // encrypting storage is: it stays as loaded.
  if (data.isEmpty())
    return;
  FStorage->SetRootSection(QString());
  // Cipher text the cipher refuses is reported as a damaged stream, and the
  // tree keeps what was loaded instead of being emptied.
  if (!Decipher(data))
    RaiseSectionStreamError(QString());
  LoadSection(*FStorage, QString(), data);
}

void TrsEncryptor::DoDecryptSection(const QString &Section) {
  const QString path = NormalizeSection(Section);
  if (!FStorage || !FStorage->SectionExist(path))
    return;
  QByteArray data = ReadKeyBytes(path + u'\\');
  if (data.isEmpty())
    return;
  if (!Decipher(data))
    RaiseSectionStreamError(path);
  LoadSection(*FStorage, path, data);
}

QByteArray TrsEncryptor::GetDecryptedKey(const QString &Key) {
  FTempKeyType = 0;
  if (!FStorage || FStorage->FindKey(Key, false) < 0)
    return {};
  const TrsKeyValue &value = FStorage->KeyWrapper().PKeyItem()->Value;
  QByteArray text;
  if (value.kvType == ktString)
    text = AnsiEncode(value.VString);
  else if (value.kvType == ktBuffer)
    text = value.VBuffer;
  else
    return {};
  QByteArray bytes = Base64Decode(text);
  quint16 type = 0;
  if (bytes.isEmpty() || !Decipher(bytes) ||
      !KeyByteString::ReadType(bytes, type))
    return {};
  FTempKeyType = type;
  return bytes.mid(KeyByteString::kTypeSize);
}

void TrsEncryptor::DoDecryptKey(const QString &Key) {
  const QByteArray payload = GetDecryptedKey(Key);
  if (payload.isEmpty() && FTempKeyType == 0)
    return;
  if (!FStorage || FStorage->FindKey(Key, false) < 0)
    return;
  KeyByteString::Apply(FStorage->KeyWrapper(), FTempKeyType, payload);
}

// Nothing in the system calls this; it accepts exactly the outputs of
// GetEncryptedValue and gives an empty text for anything else.
QString TrsEncryptor::GetDecryptedValue(const QString &Value) {
  if (Value.isEmpty())
    return {};
  QByteArray bytes = Base64Decode(AnsiEncode(Value));
  quint16 type = 0;
  if (bytes.isEmpty() || !Decipher(bytes) ||
      !KeyByteString::ReadType(bytes, type) || type != ktString ||
      (bytes.size() - KeyByteString::kTypeSize) % 2 != 0)
    return {};
  return KeyByteString::Text(
      QByteArrayView(bytes).sliced(KeyByteString::kTypeSize));
}
