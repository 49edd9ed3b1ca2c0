// Drag-and-drop as the window system delivers it: enter, move and drop
// events carrying MIME data, sent to a widget. Each returns whether the
// widget accepted the event, which is what the cursor shows the user.
#pragma once

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include <memory>

inline std::unique_ptr<QMimeData> LocalFilesData(const QStringList& fileNames)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& fileName : fileNames)
        urls << QUrl::fromLocalFile(fileName);
    data->setUrls(urls);
    return data;
}

inline bool DragEnter(QWidget* target, const QMimeData& data)
{
    const QPoint centre = target->rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDragMoveEvent move(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    move.setAccepted(false);
    QApplication::sendEvent(target, &move);
    return move.isAccepted();
}

inline bool Drop(QWidget* target, const QMimeData& data)
{
    QDropEvent drop(QPointF(target->rect().center()), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    drop.setAccepted(false);
    QApplication::sendEvent(target, &drop);
    return drop.isAccepted();
}

// Enters, moves and drops, as a user letting go over TARGET; returns whether
// the drop was taken.
inline bool DragAndDrop(QWidget* target, const QMimeData& data)
{
    const bool entered = DragEnter(target, data);
    const bool dropped = Drop(target, data);
    return entered && dropped;
}
