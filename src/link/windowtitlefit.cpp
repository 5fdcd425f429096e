#include "windowtitlefit.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLayout>
#include <QWidget>

void fitWindowTitle(QWidget *window)
{
    QFont font = QApplication::font();
    font.setBold(true); // many window managers draw titles bold, often larger
    const QFontMetrics fm(font);
    const int text = fm.horizontalAdvance(window->windowTitle()) * 5 / 4;
    // Icon, buttons and margins of a usual title bar.
    const int decoration = 5 * fm.height() + 24;
    const int width = text + decoration;
    // Such a layout (QInputDialog's) would put its own minimum back.
    if (QLayout *layout = window->layout(); layout && layout->sizeConstraint() == QLayout::SetMinAndMaxSize)
        layout->setSizeConstraint(QLayout::SetDefaultConstraint);
    if (window->minimumWidth() < width)
        window->setMinimumWidth(width);
    if (window->width() < width)
        window->resize(width, window->height());
}
