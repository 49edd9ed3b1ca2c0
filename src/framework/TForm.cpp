#include "framework/TForm.h"

#include "framework/TApplication.h"

TForm::TForm(TComponent* owner) : TComponent(owner)
{
    BeginLoading();
    Application().RegisterForm(this);
}

TForm::~TForm()
{
    BeforeDestruction();
    Application().UnregisterForm(this);
}

void TForm::SetFont(const QString& name, int pixelHeight)
{
    FFontName = name;
    FFontHeight = pixelHeight;
}

void TForm::SetVisible(bool visible)
{
    if (visible == FVisible)
        return;
    FVisible = visible;
    if (visible) {
        FHandleAllocated = true;
        if (OnShow)
            OnShow(this);
    } else if (OnHide) {
        OnHide(this);
    }
}

TWindowPlacement TForm::GetWindowPlacement() const
{
    TWindowPlacement placement = FPlacementExtra;
    placement.showCmd = FWindowState == wsMinimized ? 2 : FWindowState == wsMaximized ? 3 : 1;
    placement.rcNormalPosition = FBounds;
    return placement;
}

void TForm::SetWindowPlacement(const TWindowPlacement& placement)
{
    FPlacementExtra = placement;
    FBounds = placement.rcNormalPosition;
    switch (placement.showCmd) {
    case 0:
        FVisible = false;
        break;
    case 2:
    case 6:
    case 7:
        FWindowState = wsMinimized;
        break;
    case 3:
        FWindowState = wsMaximized;
        break;
    default:
        FWindowState = wsNormal;
        break;
    }
}

void TForm::AfterConstruction()
{
    EndLoading();
    if (OnCreate)
        OnCreate(this);
}

void TForm::Activate()
{
    if (OnActivate)
        OnActivate(this);
}

void TForm::Deactivate()
{
    if (OnDeactivate)
        OnDeactivate(this);
}

bool TForm::Close()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(this, canClose);
    if (canClose)
        Hide();
    return canClose;
}

void TForm::BeforeDestruction()
{
    if (FDestroyRaised)
        return;
    FDestroyRaised = true;
    if (OnDestroy)
        OnDestroy(this);
}

TDataModule::TDataModule(TComponent* owner) : TComponent(owner)
{
    BeginLoading();
    Application().RegisterDataModule(this);
}

TDataModule::~TDataModule()
{
    BeforeDestruction();
    Application().UnregisterDataModule(this);
}

void TDataModule::AfterConstruction()
{
    EndLoading();
    if (OnCreate)
        OnCreate(this);
}

void TDataModule::BeforeDestruction()
{
    if (FDestroyRaised)
        return;
    FDestroyRaised = true;
    if (OnDestroy)
        OnDestroy(this);
}
