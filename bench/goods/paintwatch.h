#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

// Waits until a widget has painted once more, the paint itself included.
class PaintWatch : public QObject
{
public:
    explicit PaintWatch(QWidget *w) { w->installEventFilter(this); }

    void waitForPaint()
    {
        m_painted = false;
        while (!m_painted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QCoreApplication::processEvents(); // whatever the paint itself queued
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            m_painted = true;
        return false;
    }

private:
    bool m_painted = false;
};
