// The saver's hold on its owner's events, and the window placement it can
// keep for the owner form.
#include "persist/TrsPropSaver.h"

#include "framework/Exception.h"
#include "framework/TApplication.h"
#include "framework/TForm.h"

namespace {

TNotifyEvent* LoadEvent(TComponent* owner, bool isForm, TrsPropSaverLoad mode)
{
    if (!isForm)
        return mode == wlOnCreate ? &static_cast<TDataModule*>(owner)->OnCreate : nullptr;
    auto* form = static_cast<TForm*>(owner);
    switch (mode) {
    case wlOnActivate:
        return &form->OnActivate;
    case wlOnCreate:
        return &form->OnCreate;
    case wlOnShow:
        return &form->OnShow;
    case wlManual:
        break;
    }
    return nullptr;
}

TNotifyEvent* SaveEvent(TComponent* owner, bool isForm, TrsPropSaverSave mode)
{
    if (!isForm)
        return mode == wsOnDestroy ? &static_cast<TDataModule*>(owner)->OnDestroy : nullptr;
    auto* form = static_cast<TForm*>(owner);
    switch (mode) {
    case wsOnDeactivate:
        return &form->OnDeactivate;
    case wsOnDestroy:
        return &form->OnDestroy;
    case wsOnHide:
        return &form->OnHide;
    case wsOnClose:
    case wsManual:
        break;
    }
    return nullptr;
}

int PlacementField(const QString& text, int index)
{
    const QString field = text.section(u',', index, index);
    bool ok = false;
    const int value = field.trimmed().toInt(&ok);
    if (!ok)
        RaiseInvalidInteger(field);
    return value;
}

// No screen reaches this far; a stored placement beyond it is damaged, and
// the rectangle arithmetic on it would overflow.
constexpr qint64 MaxPlacementCoordinate = 1 << 24;

bool IsPlacementCoordinate(qint64 value)
{
    return value >= -MaxPlacementCoordinate && value <= MaxPlacementCoordinate;
}

} // namespace

TForm* TrsPropSaver::OwnerForm() const
{
    return FOwnerIsForm ? static_cast<TForm*>(FOwnerForm) : nullptr;
}

void TrsPropSaver::SetWhenLoad(TrsPropSaverLoad Value)
{
    if (Value == FWhenLoad)
        return;
    if (!FOwnerIsForm && Value != wlManual && Value != wlOnCreate)
        return;
    GiveBackLoadEvent(FWhenLoad);
    FWhenLoad = Value;
    TakeLoadEvent(Value);
}

void TrsPropSaver::SetWhenSave(TrsPropSaverSave Value)
{
    if (Value == FWhenSave)
        return;
    if (!FOwnerIsForm && Value != wsManual && Value != wsOnDestroy)
        return;
    GiveBackSaveEvent(FWhenSave);
    FWhenSave = Value;
    TakeSaveEvent(Value);
}

void TrsPropSaver::TakeLoadEvent(TrsPropSaverLoad mode)
{
    if (!FOwnerForm)
        return;
    if (TNotifyEvent* event = LoadEvent(FOwnerForm, FOwnerIsForm, mode)) {
        FSafeFormLoad = *event;
        *event = [this](QObject* sender) { FormLoadHandler(sender); };
    }
}

void TrsPropSaver::GiveBackLoadEvent(TrsPropSaverLoad mode)
{
    if (!FOwnerForm)
        return;
    if (TNotifyEvent* event = LoadEvent(FOwnerForm, FOwnerIsForm, mode))
        *event = std::move(FSafeFormLoad);
    FSafeFormLoad = nullptr;
}

void TrsPropSaver::TakeSaveEvent(TrsPropSaverSave mode)
{
    if (!FOwnerForm)
        return;
    if (mode == wsOnClose && OwnerForm()) {
        FSafeFormCloseQuery = OwnerForm()->OnCloseQuery;
        OwnerForm()->OnCloseQuery = [this](QObject* sender, bool& canClose) {
            FormCloseQueryHandler(sender, canClose);
        };
    } else if (TNotifyEvent* event = SaveEvent(FOwnerForm, FOwnerIsForm, mode)) {
        FSafeFormSave = *event;
        *event = [this](QObject* sender) { FormSaveHandler(sender); };
    }
}

void TrsPropSaver::GiveBackSaveEvent(TrsPropSaverSave mode)
{
    if (!FOwnerForm)
        return;
    if (mode == wsOnClose && OwnerForm())
        OwnerForm()->OnCloseQuery = std::move(FSafeFormCloseQuery);
    else if (TNotifyEvent* event = SaveEvent(FOwnerForm, FOwnerIsForm, mode))
        *event = std::move(FSafeFormSave);
    FSafeFormCloseQuery = nullptr;
    FSafeFormSave = nullptr;
}

void TrsPropSaver::FormLoadHandler(QObject* Sender)
{
    if (FActive)
        Application().HandleExceptions([this] { LoadValues(); });
    if (FSafeFormLoad)
        FSafeFormLoad(Sender);
}

void TrsPropSaver::FormSaveHandler(QObject* Sender)
{
    if (FSafeFormSave)
        FSafeFormSave(Sender);
    const bool ownerReady = FOwnerForm && (!FOwnerIsForm || OwnerForm()->HandleAllocated());
    if (FActive && ownerReady)
        Application().HandleExceptions([this] { SaveValues(); });
}

void TrsPropSaver::FormCloseQueryHandler(QObject* Sender, bool& CanClose)
{
    if (FSafeFormCloseQuery)
        FSafeFormCloseQuery(Sender, CanClose);
    if (CanClose && FActive && OwnerForm() && OwnerForm()->HandleAllocated())
        Application().HandleExceptions([this] { SaveValues(); });
}

QString TrsPropSaver::FormPlacement() const
{
    TForm* form = OwnerForm();
    if (!form)
        return {};
    TWindowPlacement p = form->GetWindowPlacement();
    if (form == Application().MainForm() && Application().Minimized())
        p.showCmd = 2;
    if (form->FormStyle() == TForm::fsMDIChild && form->WindowState() == TForm::wsMinimized)
        p.flags |= 1;
    return QStringLiteral("%1,%2,%3,%4,%5,%6,%7,%8,%9,%10")
        .arg(p.flags)
        .arg(p.showCmd)
        .arg(p.ptMinPosition.x())
        .arg(p.ptMinPosition.y())
        .arg(p.ptMaxPosition.x())
        .arg(p.ptMaxPosition.y())
        .arg(p.left())
        .arg(p.top())
        .arg(p.right())
        .arg(p.bottom());
}

void TrsPropSaver::SetFormPlacement(const QString& Value)
{
    TForm* form = OwnerForm();
    if (!form || ValuesCount(Value) != 10)
        return;
    TWindowPlacement p = form->GetWindowPlacement();
    if (!form->Visible())
        p.showCmd = 0;
    p.flags = PlacementField(Value, 0);
    p.ptMinPosition = QPoint(PlacementField(Value, 2), PlacementField(Value, 3));
    p.ptMaxPosition = QPoint(PlacementField(Value, 4), PlacementField(Value, 5));
    const bool placement = FFormPlacementOptions.Contains(pfpPlacement);
    const bool size = FFormPlacementOptions.Contains(pfpSize);
    const qint64 left = placement ? PlacementField(Value, 6) : form->Left();
    const qint64 top = placement ? PlacementField(Value, 7) : form->Top();
    const qint64 right
        = size ? left + (qint64(PlacementField(Value, 8)) - PlacementField(Value, 6)) : left + form->Width();
    const qint64 bottom
        = size ? top + (qint64(PlacementField(Value, 9)) - PlacementField(Value, 7)) : top + form->Height();
    if (!IsPlacementCoordinate(left) || !IsPlacementCoordinate(top) || !IsPlacementCoordinate(right)
        || !IsPlacementCoordinate(bottom))
        return;
    p.SetNormalPosition(int(left), int(top), int(right), int(bottom));
    if (left < right
        && (form->Position() == TForm::poScreenCenter || form->Position() == TForm::poDesktopCenter))
        form->SetPosition(TForm::poDesigned);
    form->SetWindowPlacement(p);
    if (FFormPlacementOptions.Contains(pfpState)) {
        const int show = PlacementField(Value, 1);
        if (show == 2 || show == 6 || show == 7)
            form->SetWindowState(FOptions.Contains(poNotRestoreMinimizedFormPlacement) ? TForm::wsNormal
                                                                                       : TForm::wsMinimized);
        else if (show == 3)
            form->SetWindowState(TForm::wsMaximized);
        else
            form->SetWindowState(TForm::wsNormal);
    }
}
