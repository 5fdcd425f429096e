#include "windowtitlefit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QWidget>

void fitWindowTitle(QWidget *window)
{
    QFont font = QApplication::font();
    font.setBold(true); // many window managers draw titles bold
    const int text = QFontMetrics(font).horizontalAdvance(window->windowTitle());
    // Icon, close button and margins of a usual title bar.
    const int decoration = 4 * QFontMetrics(font).height() + 24;
    const int width = text + decoration;
    if (window->minimumWidth() < width)
        window->setMinimumWidth(width);
    if (window->width() < width)
        window->resize(width, window->height());
}
