// TForm: the non-visual model of a window. It holds what a window shows and
// where (caption, bounds, border, position, font, visibility, state and
// placement) and raises the form events as replaceable handlers, so that a
// component can save a handler, install its own and chain the saved one.
// A view (the Qt window of the program, or none at all in the command-line
// tool and the tests) reflects the model and reports user actions to it.
// TDataModule is the non-visual container that owns components without a
// window. Neither is thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/Events.h"

#include <QPoint>
#include <QRect>
#include <QString>

// The ten numbers of a window placement, in the order they are stored.
struct TWindowPlacement {
    int flags = 0;
    int showCmd = 1;
    QPoint ptMinPosition { -1, -1 };
    QPoint ptMaxPosition { -1, -1 };
    QRect rcNormalPosition; // left, top, right, bottom as QRect(QPoint, QPoint) minus one
    int left() const { return rcNormalPosition.left(); }
    int top() const { return rcNormalPosition.top(); }
    int right() const { return rcNormalPosition.left() + rcNormalPosition.width(); }
    int bottom() const { return rcNormalPosition.top() + rcNormalPosition.height(); }
    void SetNormalPosition(int left, int top, int right, int bottom)
    {
        rcNormalPosition = QRect(left, top, right - left, bottom - top);
    }
};

class TForm : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(int Left READ Left WRITE SetLeft)
    Q_PROPERTY(int Top READ Top WRITE SetTop)
    Q_PROPERTY(int Width READ Width WRITE SetWidth)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(int ClientWidth READ ClientWidth WRITE SetClientWidth)
    Q_PROPERTY(int ClientHeight READ ClientHeight WRITE SetClientHeight)
    Q_PROPERTY(TPosition Position READ Position WRITE SetPosition)
    Q_PROPERTY(TWindowState WindowState READ WindowState WRITE SetWindowState)
    Q_PROPERTY(TFormBorderStyle BorderStyle READ BorderStyle WRITE SetBorderStyle)
    Q_PROPERTY(bool Visible READ Visible WRITE SetVisible)

public:
    enum TPosition { poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter,
                     poDesktopCenter, poMainFormCenter, poOwnerFormCenter };
    Q_ENUM(TPosition)
    enum TWindowState { wsNormal, wsMinimized, wsMaximized };
    Q_ENUM(TWindowState)
    enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
    Q_ENUM(TFormBorderStyle)
    enum TBorderIcon { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };
    Q_DECLARE_FLAGS(TBorderIcons, TBorderIcon)
    Q_FLAG(TBorderIcons)
    enum TFormStyle { fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop };
    Q_ENUM(TFormStyle)

    explicit TForm(TComponent* owner = nullptr);
    ~TForm() override;

    QString Caption() const { return FCaption; }
    void SetCaption(const QString& caption) { FCaption = caption; }
    int Left() const { return FBounds.left(); }
    void SetLeft(int left) { FBounds.moveLeft(left); }
    int Top() const { return FBounds.top(); }
    void SetTop(int top) { FBounds.moveTop(top); }
    int Width() const { return FBounds.width(); }
    void SetWidth(int width) { FBounds.setWidth(width); }
    int Height() const { return FBounds.height(); }
    void SetHeight(int height) { FBounds.setHeight(height); }
    // The frame around the client area is the view's business; the model
    // keeps the client size and the outer bounds equal.
    int ClientWidth() const { return Width(); }
    void SetClientWidth(int width) { SetWidth(width); }
    int ClientHeight() const { return Height(); }
    void SetClientHeight(int height) { SetHeight(height); }
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition position) { FPosition = position; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState state) { FWindowState = state; }
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style) { FBorderStyle = style; }
    TBorderIcons BorderIcons() const { return FBorderIcons; }
    void SetBorderIcons(TBorderIcons icons) { FBorderIcons = icons; }
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle style) { FFormStyle = style; }
    QString FontName() const { return FFontName; }
    int FontHeight() const { return FFontHeight; }
    void SetFont(const QString& name, int pixelHeight);
    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);

    // A window handle exists once the form has been shown.
    bool HandleAllocated() const { return FHandleAllocated; }
    TWindowPlacement GetWindowPlacement() const;
    void SetWindowPlacement(const TWindowPlacement& placement);

    // Form events, raised by the operations below.
    TNotifyEvent OnCreate;
    TNotifyEvent OnShow;
    TNotifyEvent OnActivate;
    TCloseQueryEvent OnCloseQuery;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnHide;
    TNotifyEvent OnDestroy;

    // Completes creation: ends the loading of the configured components
    // (each gets Loaded()) and raises OnCreate.
    void AfterConstruction();
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    void Activate();
    void Deactivate();
    // Asks OnCloseQuery; returns whether the form may close, and hides it
    // when it may.
    bool Close();
    // Raises OnDestroy (once) before the form and its components go.
    void BeforeDestruction() override;

private:
    QString FCaption;
    QRect FBounds { 0, 0, 320, 240 };
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    TFormBorderStyle FBorderStyle = bsSizeable;
    TBorderIcons FBorderIcons = TBorderIcons(biSystemMenu | biMinimize | biMaximize);
    TFormStyle FFormStyle = fsNormal;
    QString FFontName;
    int FFontHeight = 0;
    bool FVisible = false;
    bool FHandleAllocated = false;
    bool FDestroyRaised = false;
    TWindowPlacement FPlacementExtra;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TForm::TBorderIcons)

class TDataModule : public TComponent {
    Q_OBJECT

public:
    explicit TDataModule(TComponent* owner = nullptr);
    ~TDataModule() override;

    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;

    void AfterConstruction();
    void BeforeDestruction() override;

private:
    bool FDestroyRaised = false;
};
