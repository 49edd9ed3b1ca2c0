// UpdateWindow: the program's window over the main form Tupdateform. It
// shows the explanatory panel and the one button at the places of the form,
// in fonts that fit them, runs the form's conversion on a click, converts
// files named to it or dropped on it through the same steps, each from the
// state after start-up (a click goes on from where the previous click left
// the catalogue), and asks the form before it closes. Errors are shown in a message box and the window
// goes on. One conversion at a time.
#pragma once

#include "app/TCatalogueSnapshot.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class QLabel;
class QMimeData;
class QPushButton;
class Tupdateform;

class UpdateWindow : public QWidget {
    Q_OBJECT

public:
    explicit UpdateWindow(Tupdateform* form, QWidget* parent = nullptr);

    QLabel* Panel() const { return FPanel; }
    QPushButton* Button() const { return FButton; }
    // The lines of the panel, and the box inside it that they must fit.
    QStringList PanelLines() const;
    QSize PanelTextBox() const;
    // The box inside the button that its caption must fit.
    QSize ButtonTextBox() const;

    // True while a conversion runs; clicks and drops are refused meanwhile.
    bool Busy() const { return FBusy; }
    // Converts each of FILENAMES in order as if chosen in the open dialog,
    // each from the state after start-up, with a confirmation or error box
    // for each.
    void ConvertFiles(const QStringList& fileNames);
    // The local files MIMEDATA carries; empty unless it carries only local
    // files (no folders, no remote addresses, no text).
    static QStringList DroppedFiles(const QMimeData* mimeData);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ChooseFonts();
    void RunExclusively(const std::function<void()>& work);
    bool Accepts(const QMimeData* mimeData) const;
    void CenterOnScreen();

    Tupdateform* FForm;
    QLabel* FPanel;
    QPushButton* FButton;
    bool FBusy = false;
    const TCatalogueSnapshot FStartUp; // the form as it was when the window was built
};
