#pragma once
// Acts on a modal window once it shows: the way to drive windows that run
// their own event loop.

#include <QApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <utility>

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

// Runs 'act' at the moment the first window of type T shows, before its own
// event loop runs anything, once. 'owner' bounds the life of the watch.
template <class T>
void OnShow(QObject* owner, std::function<void(T&)> act)
{
    class TWatch : public QObject {
    public:
        TWatch(QObject* owner, std::function<void(T&)> act) : QObject(owner), Act(std::move(act))
        {
            qApp->installEventFilter(this);
        }
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* w = qobject_cast<T*>(watched);
            if (event->type() == QEvent::Show && w && w->isWindow() && Act) {
                std::exchange(Act, nullptr)(*w);
                deleteLater();
            }
            return false;
        }

    private:
        std::function<void(T&)> Act;
    };
    new TWatch(owner, std::move(act));
}
