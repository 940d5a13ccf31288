#pragma once
// Acts on a modal window once it shows: the way to drive windows that run
// their own event loop.

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs 'act' on the first modal window of type T to become visible, once.
// 'owner' bounds the life of the watch.
template <class T>
void OnModal(QObject* owner, std::function<void(T&)> act)
{
    auto* poll = new QTimer(owner);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        auto* d = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!d || !d->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(*d);
    });
    poll->start();
}
