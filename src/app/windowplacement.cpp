#include "windowplacement.h"

#include "app/windowgeometry.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWidget>

namespace {

QScreen *screenOf(const QWidget *window)
{
    if (const QWidget *parent = window->parentWidget()) {
        if (QScreen *screen = parent->screen())
            return screen;
    }
    return window->screen() ? window->screen() : QGuiApplication::primaryScreen();
}

// The frame adds a title bar and borders the client size does not count.
QMargins frameMargins(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    if (window->isVisible() && frame.isValid())
        return { client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                 frame.bottom() - client.bottom() };
    // Not shown yet: a typical decoration until the window manager says.
    return { 4, 30, 4, 4 };
}

} // namespace

namespace WindowPlacement {

bool restore(QWidget *window, const char *name, const QSize &preferred)
{
    const QByteArray geometry = WindowGeometry::load(QString::fromLatin1(name));
    const bool restored = !geometry.isEmpty() && window->restoreGeometry(geometry);
    if (!restored) {
        window->resize(preferred);
        if (const QScreen *screen = screenOf(window)) {
            QRect place(QPoint(), window->size());
            place.moveCenter(screen->availableGeometry().center());
            window->move(place.topLeft());
        }
    }
    keepOnScreen(window);
    return restored;
}

bool remember(const QWidget *window, const char *name)
{
    return WindowGeometry::save(QString::fromLatin1(name), window->saveGeometry());
}

void keepOnScreen(QWidget *window)
{
    const QScreen *screen = screenOf(window);
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QMargins frame = frameMargins(window);
    const QSize room(free.width() - frame.left() - frame.right(),
                     free.height() - frame.top() - frame.bottom());
    const QSize size = window->size().boundedTo(room).expandedTo(window->minimumSize());
    if (size != window->size())
        window->resize(size);
    QRect outer(
        window->pos(),
        QSize(size.width() + frame.left() + frame.right(), size.height() + frame.top() + frame.bottom()));
    if (outer.right() > free.right())
        outer.moveRight(free.right());
    if (outer.bottom() > free.bottom())
        outer.moveBottom(free.bottom());
    if (outer.left() < free.left())
        outer.moveLeft(free.left());
    if (outer.top() < free.top())
        outer.moveTop(free.top());
    if (outer.topLeft() != window->pos())
        window->move(outer.topLeft());
}

} // namespace WindowPlacement
