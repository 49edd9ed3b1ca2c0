// UpdateWindow: the program's window over the main form Tupdateform. It
// shows the explanatory panel and the one button at the places and in the
// fonts of the form, runs the form's conversion on a click, and asks the
// form before it closes. Errors from a click are shown in a message box and
// the window goes on.
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class Tupdateform;

class UpdateWindow : public QWidget {
    Q_OBJECT

public:
    explicit UpdateWindow(Tupdateform* form, QWidget* parent = nullptr);

    QLabel* Panel() const { return FPanel; }
    QPushButton* Button() const { return FButton; }

    // Candara where installed, else a close sans-serif face.
    static QFont FormFont(int pixelSize, bool bold = false, bool italic = false);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void RunConversion();
    void CenterOnScreen();

    Tupdateform* FForm;
    QLabel* FPanel;
    QPushButton* FButton;
};
