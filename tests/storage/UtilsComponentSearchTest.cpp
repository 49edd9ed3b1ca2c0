#include "framework/TForm.h"
#include "storage/ComponentSearch.h"
#include "storage/TrsStorage.h"
#include "storage/TrsStorageData.h"

#include <gtest/gtest.h>

namespace {

class TDerivedStorage : public TrsStorage {
public:
    using TrsStorage::TrsStorage;
};

} // namespace

TEST(UtilsComponentSearch, OwnerFirstThenOtherFormsThenDataModulesLastFirst)
{
    TForm owner;
    TForm other;
    TDataModule module;
    auto* moduleData = new TrsStorageData(&module);
    auto* otherStorage = new TrsStorage(&other);
    auto* laterOtherStorage = new TrsStorage(&other);

    EXPECT_EQ(FindComponentOfClass<TrsStorage>(&owner), laterOtherStorage);
    EXPECT_EQ(FindComponentOfClass<TrsStorageData>(&owner), moduleData);

    auto* ownStorage = new TDerivedStorage(&owner);
    new TrsStorageData(&owner);
    TComponent* told = nullptr;
    int data = 7;
    void* toldData = nullptr;
    EXPECT_EQ(FindComponentOfClass<TrsStorage>(
                  &owner,
                  [&](void* d, TComponent* c) {
                      toldData = d;
                      told = c;
                  },
                  &data),
        ownStorage);
    EXPECT_EQ(told, ownStorage);
    EXPECT_EQ(toldData, &data);

    otherStorage->Free();
    laterOtherStorage->Free();
    told = nullptr;
    EXPECT_EQ(
        FindComponentOfClass<TDerivedStorage>(&other, [&](void*, TComponent* c) { told = c; }), ownStorage);
    EXPECT_EQ(FindComponentOfClass<TForm>(&owner), nullptr);
    EXPECT_EQ(told, ownStorage);
}
