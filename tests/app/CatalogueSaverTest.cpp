#include "app/SettingsCatalogue.h"
#include "framework/TForm.h"
#include "persist/TrsPropSaver.h"
#include "storage/TrsStorage.h"

#include <gtest/gtest.h>

TEST(TrsPropSaver, CatalogueSurvivesASaveAndALoadIntoAFreshCatalogue)
{
    TForm* first = new TForm();
    CreateSettingsCatalogue(first);
    first->FindComponent(u"jpegquality")->setProperty("Value", "42");
    first->FindComponent(u"keepratioaspect")->setProperty("State", 1);
    first->FindComponent(u"textsize")->setProperty("ItemIndex", 3);
    first->FindComponent(u"imageformat")->setProperty("Text", "PDF");
    TrsStorage storage;
    TrsPropSaver* saver = new TrsPropSaver(first);
    saver->SetStorage(&storage);
    saver->SetRootSection("mirovane3");
    saver->SetOptions({ poStoreDefValues });
    saver->SetProperties(SettingPathList());
    saver->SaveValues();

    storage.SetRootSection("mirovane3");
    EXPECT_EQ(storage.KeyCount(), SettingPathList().size() - 1) << "saveinfolder.Text names no component";
    EXPECT_EQ(storage.ReadString("jpegquality.Value", ""), "42");
    EXPECT_EQ(storage.ReadString("keepratioaspect.State", ""), "cbChecked");
    EXPECT_EQ(storage.KeyType("textsize.ItemIndex"), int(ktInteger));
    EXPECT_EQ(storage.ReadInteger("textsize.ItemIndex", -5), 3);
    EXPECT_EQ(storage.ReadString("keep_structure.Checked", ""), "False");
    EXPECT_EQ(storage.ReadString("imageformat.Text", ""), "PDF");
    EXPECT_FALSE(storage.KeyExist("saveinfolder.Text"));

    TForm* second = new TForm();
    CreateSettingsCatalogue(second);
    TrsPropSaver* loader = new TrsPropSaver(second);
    loader->SetStorage(&storage);
    loader->SetRootSection("mirovane3");
    loader->SetProperties(SettingPathList());
    loader->LoadValues();
    for (const QString& path : SettingPathList()) {
        QVariant a, b;
        saver->GetPublishProperty(path, a);
        loader->GetPublishProperty(path, b);
        EXPECT_EQ(a, b) << path.toStdString();
    }
    first->Free();
    second->Free();
}

