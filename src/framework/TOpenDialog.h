// TOpenDialog: the settings of a file-open dialog as a component. Execute()
// shows it through the application's user interface and, when the user
// picks a file, leaves the chosen full name in FileName.
#pragma once

#include "framework/Component.h"

#include <QString>

class TOpenDialog : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString Title READ Title WRITE SetTitle)
    Q_PROPERTY(QString Filter READ Filter WRITE SetFilter)
    Q_PROPERTY(QString DefaultExt READ DefaultExt WRITE SetDefaultExt)
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)

public:
    enum TOpenOption {
        ofReadOnly = 1 << 0,
        ofHideReadOnly = 1 << 2,
        ofPathMustExist = 1 << 11,
        ofFileMustExist = 1 << 12,
        ofEnableSizing = 1 << 23,
    };
    Q_DECLARE_FLAGS(TOpenOptions, TOpenOption)
    Q_FLAG(TOpenOptions)

    explicit TOpenDialog(TComponent* owner = nullptr) : TComponent(owner) {}

    QString Title() const { return FTitle; }
    void SetTitle(const QString& title) { FTitle = title; }
    // Pairs of description and pattern joined by "|".
    QString Filter() const { return FFilter; }
    void SetFilter(const QString& filter) { FFilter = filter; }
    QString DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& ext) { FDefaultExt = ext; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& name) { FFileName = name; }
    TOpenOptions Options() const { return FOptions; }
    void SetOptions(TOpenOptions options) { FOptions = options; }

    // True with a chosen file in FileName; false when cancelled.
    bool Execute();

private:
    QString FTitle;
    QString FFilter;
    QString FDefaultExt;
    QString FFileName;
    TOpenOptions FOptions = TOpenOptions(ofHideReadOnly | ofEnableSizing);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TOpenDialog::TOpenOptions)
