// Inputs found by fuzzing the property saver, kept as regression cases.
#include "framework/TForm.h"
#include "persist/TrsPropSaver.h"

#include <gtest/gtest.h>

TEST(PropSaverFuzzRegression, PlacementBeyondAnyScreenChangesNothing)
{
    auto* form = new TForm();
    auto* saver = new TrsPropSaver(form);
    saver->SetFormPlacementOptions({ pfpPlacement, pfpSize, pfpState });
    form->SetLeft(10);
    form->SetTop(20);
    form->SetWidth(300);
    form->SetHeight(200);
    const QString before = saver->FormPlacement();

    // Extents that overflow 32 bits when the rectangle is worked out.
    saver->SetFormPlacement("0,1,0,0,0,0,-2147483648,-2147483648,2147483647,2147483647");
    saver->SetFormPlacement("0,1,0,0,0,0,2147483647,0,-2147483648,0");
    saver->SetFormPlacement("0,1,0,0,0,0,2147483000,2147483000,2147483647,2147483647");
    EXPECT_EQ(saver->FormPlacement(), before);
    EXPECT_EQ(form->Left(), 10);
    EXPECT_EQ(form->Width(), 300);

    // The size alone moves a form that keeps its place far along.
    form->SetLeft(2147483000);
    saver->SetFormPlacementOptions({ pfpSize });
    saver->SetFormPlacement("0,1,0,0,0,0,0,0,100000,100000");
    EXPECT_EQ(form->Width(), 300);

    // The largest placement accepted still reads back exactly.
    form->SetLeft(10);
    saver->SetFormPlacementOptions({ pfpPlacement, pfpSize });
    saver->SetFormPlacement("0,1,0,0,0,0,-16777216,-16777216,16777216,16777216");
    EXPECT_EQ(form->Left(), -16777216);
    EXPECT_EQ(form->Width(), 33554432);
    EXPECT_EQ(saver->FormPlacement(), "0,1,0,0,0,0,-16777216,-16777216,16777216,16777216");
    form->Free();
}
