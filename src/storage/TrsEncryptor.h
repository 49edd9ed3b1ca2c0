// TrsEncryptor: the component a storage hands its tree to just before a
// save (DoEncrypt) and right after a save or a load (DoDecrypt), so that
// chosen keys, sections or the whole tree are enciphered while they sit in
// the backend. It knows what to encipher and how cipher text lies in the
// tree; the cipher itself comes from a descendant through the four buffer
// operations, which this base leaves failing (-1).
//
// Layout in the tree: an enciphered key keeps its path and holds the Base64
// text of the cipher of its type and value; an enciphered section holds one
// binary key with the empty name; with EncryptAll the whole tree is the one
// binary key "\". Only TrsEncryptor.cpp knows the byte string of a key.
//
// The link to the storage is a plain reference set by the storage's
// Encryptor property and cleared when the storage is removed. The encryptor
// owns its EncryptKeys list. TempKeyType carries a value from one call to
// the next, so an encryptor is not thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/TStrings.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

class TrsStorage;

class TrsEncryptor : public TComponent {
  Q_OBJECT
  Q_PROPERTY(bool Active READ Active WRITE SetActive)
  Q_PROPERTY(bool EncryptAll READ EncryptAll WRITE SetEncryptAll)
  Q_PROPERTY(TStrings *EncryptKeys READ EncryptKeyLines WRITE SetEncryptKeyLines)

public:
  explicit TrsEncryptor(TComponent *AOwner = nullptr);
  // Unlinks from the storage, which closes first (and may save through
  // this encryptor) when it is being destroyed too.
  ~TrsEncryptor() override;

  // When false the storage does not call the encryptor at all.
  bool Active() const { return FActive; }
  void SetActive(bool Value) { FActive = Value; }
  bool EncryptAll() const { return FEncryptAll; }
  void SetEncryptAll(bool Value) { FEncryptAll = Value; }
  // Key or section paths of the storage, one a line.
  const QStringList &EncryptKeys() const { return FEncryptKeys.List(); }
  void SetEncryptKeys(const QStringList &Value) { FEncryptKeys.Assign(Value); }
  // The list object the published property hands out; assigning copies
  // the lines, a null list empties it.
  TStrings *EncryptKeyLines() { return &FEncryptKeys; }
  void SetEncryptKeyLines(TStrings *Value);
  // The key type found by the last GetEncryptedKey or GetDecryptedKey.
  quint16 TempKeyType() const { return FTempKeyType; }

  TrsStorage *Storage() const { return FStorage; }
  // Called by the storage's SetEncryptor; nullptr unlinks.
  virtual void SetStorage(TrsStorage *AStorage) { FStorage = AStorage; }

  // Turns the keys and sections enciphered by DoEncrypt back into plain
  // ones; cipher text the cipher rejects in the whole tree or a section
  // raises the section stream error and leaves the tree as loaded.
  virtual void DoDecrypt();
  virtual void DoDecryptAll();
  virtual void DoDecryptKey(const QString &Key);
  virtual void DoDecryptSection(const QString &Section);
  // The plain value bytes of an enciphered key (its type in TempKeyType);
  // empty when the key is missing or its text does not decipher.
  virtual QByteArray GetDecryptedKey(const QString &Key);
  // The text that GetEncryptedValue enciphered into VALUE; empty for any
  // text that is not such an output.
  virtual QString GetDecryptedValue(const QString &Value);

  // Enciphers the whole tree (EncryptAll) or the keys and sections named
  // in EncryptKeys. A cipher that rejects the data raises before the tree
  // changes, so nothing is saved unenciphered or lost.
  virtual void DoEncrypt();
  virtual void DoEncryptAll();
  virtual void DoEncryptKey(const QString &Key);
  virtual void DoEncryptSection(const QString &Section);
  // The Base64 text of the key's enciphered type and value; empty when the
  // key is missing or the cipher rejects it.
  virtual QByteArray GetEncryptedKey(const QString &Key);
  // The Base64 text of the enciphered string VALUE, without touching the
  // storage; empty for an empty VALUE.
  virtual QString GetEncryptedValue(const QString &Value);
  // Whether the key holds the encipherment of VALUE; false when missing.
  virtual bool IsSameEncryptedKey(const QString &Key, const QString &Value);

protected:
  // The cipher, provided by a descendant. In-place operations on BUFFER:
  // EncryptBuffer enciphers COUNT bytes of a buffer of EncryptedSize(COUNT)
  // bytes and returns the cipher length; DecryptBuffer deciphers COUNT
  // bytes of a buffer of DecryptedSize(COUNT) bytes and returns the plain
  // length, zero or less when nothing was deciphered.
  virtual int DecryptBuffer(char *Buffer, int Count);
  virtual int EncryptBuffer(char *Buffer, int Count);
  virtual int DecryptedSize(int Count);
  virtual int EncryptedSize(int Count);

  void Notification(TComponent *AComponent, TOperation Operation) override;

private:
  // Run the buffer operations over a whole byte array; false when the
  // cipher rejects it (DATA is then undefined).
  bool Encipher(QByteArray &Data);
  bool Decipher(QByteArray &Data);
  // The bytes of a binary key of the storage; empty when it is missing.
  QByteArray ReadKeyBytes(const QString &Key);

  bool FActive = true;
  bool FEncryptAll = false;
  TrsStorage *FStorage = nullptr;
  TStrings FEncryptKeys;
  quint16 FTempKeyType = 0;
};
