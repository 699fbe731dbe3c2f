// Acting on the modal box or dialog a call under test opens, from the event
// loop that call runs.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

// Calls act on the first modal widget of type W once it shows up.
template <class W>
void WhenModal(std::function<void(W *)> act)
{
    auto *poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (auto *widget = qobject_cast<W *>(QApplication::activeModalWidget());
            widget && widget->isVisible()) {
            poll->stop();
            poll->deleteLater();
            act(widget);
        }
    });
    poll->start(5);
}
