// Writes the product's own settings the way the product keeps them: an
// enciphered tree in the default value of HKEY_CURRENT_USER\mirovane3, in
// the Wine prefix that $WINEPREFIX names.
#pragma once

#include "backends/TrsRegData.h"
#include "crypto/TrsAesEncryptor.h"
#include "framework/Component.h"
#include "storage/TrsStorage.h"

#include <QList>
#include <QString>
#include <utility>

// Each pair is a key's full name and its text.
inline void WriteProductSettings(const QList<std::pair<QString, QString>>& values)
{
    TComponent owner;
    auto* data = new TrsRegData(&owner);
    data->SetRootKey(rkCurrentUser);
    data->SetRootPath("mirovane3");
    data->SetUnicode(true);
    auto* cipher = new TrsAesEncryptor(&owner);
    cipher->SetEncryptAll(true);
    cipher->SetMode(cmECB);
    cipher->SetKeyBits(ck256);
    cipher->SetKey("qxbm7ra2twe5nvk3hj9pdl0fzc4sy6ug8oiwbq1mtr");
    auto* storage = new TrsStorage(&owner);
    storage->SetEncryptor(cipher);
    storage->SetStorageData(data);
    for (const auto& [key, value] : values)
        storage->WriteString(key, value);
    storage->Save();
}
