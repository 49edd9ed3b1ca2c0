// TrsPropSaver: copies named properties of the components its form owns
// into keys of a storage and back. Each line of Properties names one
// property by a path such as "textsize.ItemIndex" (see TrsProperty); its key
// has the same name in the storage section RootSection. Loading and saving
// run when the owner form raises the events chosen by WhenLoad and
// WhenSave, or when LoadValues and SaveValues are called. The saver can also
// keep the form's window placement in the key "FormPlacement".
//
// The saver takes over the owner's event handlers it needs, calls the ones
// that were there before, and gives them back when it goes. It owns its
// descriptor, its Properties lines and a scratch key; the storage and the
// custom-properties component are plain references cleared when they are
// destroyed. GUI thread only.
#pragma once

#include "framework/Events.h"
#include "persist/TrsProperty.h"
#include "storage/TrsEnumSet.h"
#include "storage/TrsKeyItem.h"
#include "storage/TrsStorageClient.h"

#include <QStringList>
#include <QVariant>
#include <memory>

class TForm;
class TrsAddInProperties;
class TrsKeyWrapper;
class TrsPropertyTransfer;

enum TrsPropSaverOption {
    poStoreFormPlacement,
    poStoreDefValues,
    poEncryptFormPlacement,
    poNotRestoreCollectionItemsCount,
    poNotRestoreMinimizedFormPlacement
};
using TrsPropSaverOptions = TrsEnumSet<TrsPropSaverOption>;

enum TrsPropSaverFormPlacement { pfpPlacement, pfpSize, pfpState };
using TrsPropSaverFormPlacements = TrsEnumSet<TrsPropSaverFormPlacement>;

enum TrsPropSaverLoad { wlManual, wlOnActivate, wlOnCreate, wlOnShow };
enum TrsPropSaverSave { wsManual, wsOnClose, wsOnDeactivate, wsOnDestroy, wsOnHide };

enum TrsPropSaverState { psLoadValues, psSaveValues };
using TrsPropSaverStates = TrsEnumSet<TrsPropSaverState>;

// (Sender, PropName, Value)
using TrsUserPropertyEvent = std::function<void(QObject*, const QString&, QVariant&)>;
// (Sender, Instance, PropName, Value, Allow)
using TrsPropertyEvent = std::function<void(QObject*, QObject*, const QString&, QVariant&, bool&)>;

class TrsPropSaver : public TrsStorageClient {
    Q_OBJECT

public:
    explicit TrsPropSaver(TComponent* AOwner = nullptr);
    // Gives the owner back the event handlers the saver had taken.
    ~TrsPropSaver() override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) override { FActive = Value; }
    TrsAddInProperties* CustomProperties() const { return FCustomProperties; }
    void SetCustomProperties(TrsAddInProperties* Value);
    TrsPropSaverFormPlacements FormPlacementOptions() const { return FFormPlacementOptions; }
    void SetFormPlacementOptions(TrsPropSaverFormPlacements Value);
    TrsPropSaverOptions Options() const { return FOptions; }
    void SetOptions(TrsPropSaverOptions Value);
    QString RootSection() const { return FSection; }
    void SetRootSection(const QString& Value);
    QString PreparedRootSection() const { return FPreparedSection; }
    const QStringList& Properties() const { return FProps; }
    void SetProperties(const QStringList& Value) { FProps = Value; }
    TrsPropSaverLoad WhenLoad() const { return FWhenLoad; }
    void SetWhenLoad(TrsPropSaverLoad Value);
    TrsPropSaverSave WhenSave() const { return FWhenSave; }
    void SetWhenSave(TrsPropSaverSave Value);
    TrsPropSaverStates States() const { return FStates; }

    TNotifyEvent OnAfterLoad, OnAfterSave, OnBeforeLoad, OnBeforeSave;
    TrsUserPropertyEvent OnGetUserProperty, OnSetUserProperty;
    TrsPropertyEvent OnGetProperty, OnSetProperty;

    // Storage keys into properties, and properties into storage keys. Both
    // fire their before and after events exactly once, whatever happens.
    void LoadValues();
    void SaveValues();

    QVariant Values(const QString& Key);
    void SetValues(const QString& Key, const QVariant& Value);
    // The owner form's window placement as ten comma-separated integers.
    QString FormPlacement() const;
    // Changes nothing for a text of other than ten fields or one that puts
    // the window beyond 2^24 in any direction; a field that is not an
    // integer raises EConvertError.
    void SetFormPlacement(const QString& Value);

    // Resolves PropName from Instance along owned components and
    // class-typed properties (see TrsPropertyTransfer).
    bool FindInstance(QObject*& Instance, QString& PropName) const;
    TComponent* rsFindGlobalComponent(const QString& Value) const;

    bool GetPublishProperty(const QString& PropName, QVariant& Value);
    bool SetPublishProperty(const QString& PropName, const QVariant& Value);
    bool GetUserProperty(const QString& PropName, QVariant& Value);
    bool SetUserProperty(const QString& PropName, const QVariant& Value);
    bool GetCustomProperty(const QString& PropName, QVariant& Value);
    bool SetCustomProperty(const QString& PropName, const QVariant& Value);

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void Loaded() override;

private:
    void PrepareRootSection();
    void LoadLine();
    bool SaveLine();
    void StoreScratchKey(bool ok);
    bool LoadPublishProperty();
    bool SavePublishProperty();
    void AddEncryptKey(const QString& Name);
    void PointAtScratchKey();
    void ClearScratchKey();

    // Taking over and giving back the owner's events.
    void TakeLoadEvent(TrsPropSaverLoad mode);
    void GiveBackLoadEvent(TrsPropSaverLoad mode);
    void TakeSaveEvent(TrsPropSaverSave mode);
    void GiveBackSaveEvent(TrsPropSaverSave mode);
    void FormLoadHandler(QObject* Sender);
    void FormSaveHandler(QObject* Sender);
    void FormCloseQueryHandler(QObject* Sender, bool& CanClose);
    TForm* OwnerForm() const;

    TrsProperty FProperty;
    bool FActive = true;
    TrsAddInProperties* FCustomProperties = nullptr;
    TrsPropSaverOptions FOptions { poStoreFormPlacement, poStoreDefValues };
    QStringList FProps;
    QString FSection;
    QString FPreparedSection = QStringLiteral("\\");
    TrsPropSaverStates FStates;
    TNotifyEvent FSafeFormLoad;
    TNotifyEvent FSafeFormSave;
    TCloseQueryEvent FSafeFormCloseQuery;
    TComponent* FOwnerForm = nullptr;
    bool FOwnerIsForm = false;
    TrsPropSaverLoad FWhenLoad = wlManual;
    TrsPropSaverSave FWhenSave = wsManual;
    TrsPropSaverFormPlacements FFormPlacementOptions { pfpPlacement, pfpSize, pfpState };
    TrsKeyItem KeyItem;
    std::unique_ptr<TrsKeyWrapper> KeyWrapper;
    std::unique_ptr<TrsPropertyTransfer> FTransfer;
};
