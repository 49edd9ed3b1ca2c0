// Helpers that answer the window's modal dialogs and boxes from a timer, so
// that a test never waits on one.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

// Answers the next modal widget that opens: ACTION gets it and must close it.
inline void WhenModalOpens(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        timer->stop();
        timer->deleteLater();
        action(modal);
    });
    timer->start();
}

// While it lives, closes every message box that opens and keeps its text
// and whether it was an error box.
class MessageBoxRecorder {
public:
    MessageBoxRecorder()
    {
        FTimer.setInterval(20);
        QObject::connect(&FTimer, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            Texts << box->text();
            Errors << (box->icon() == QMessageBox::Critical);
            box->close();
        });
        FTimer.start();
    }

    QStringList Texts;
    QList<bool> Errors;

private:
    QTimer FTimer;
};
