#include "helpwindow.h"

#include "help/userguide.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTextBrowser>
#include <QToolBar>

HelpWindow::HelpWindow(QWidget *parent)
    : QMainWindow(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_browser = new QTextBrowser(this);
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    m_browser->setOpenLinks(true);
    m_browser->setOpenExternalLinks(true);
    setCentralWidget(m_browser);

    QToolBar *bar = addToolBar(tr("Навигация"));
    bar->setObjectName(QStringLiteral("helpToolBar"));
    bar->setMovable(false);
    QAction *back = bar->addAction(tr("Назад"), m_browser, &QTextBrowser::backward);
    back->setShortcut(QKeySequence::Back);
    back->setEnabled(false);
    QAction *forward = bar->addAction(tr("Вперёд"), m_browser, &QTextBrowser::forward);
    forward->setShortcut(QKeySequence::Forward);
    forward->setEnabled(false);
    QAction *home = bar->addAction(tr("Содержание"), m_browser, &QTextBrowser::home);
    home->setObjectName(QStringLiteral("actionHelpContents"));
    connect(m_browser, &QTextBrowser::backwardAvailable, back, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, forward, &QAction::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::updateTitle);
    resize(900, 700);
}

void HelpWindow::showPage(const QUrl &url)
{
    // "Содержание" leads to the guide's first page, wherever it was opened.
    if (m_browser->source().isEmpty() && !url.isEmpty()) {
        m_browser->setSource(url.resolved(QUrl(QStringLiteral("index.html"))));
        m_browser->clearHistory();
    }
    m_browser->setSource(url);
    updateTitle();
}

void HelpWindow::updateTitle()
{
    const QString page = m_browser->documentTitle();
    setWindowTitle(page.isEmpty() ? tr("Руководство пользователя")
                                  : tr("Руководство пользователя: %1").arg(page));
}

void showUserGuide(QWidget *from, const QString &page, const QString &anchor)
{
    const QUrl url = UserGuide::pageUrl(page, anchor);
    QWidget *owner = from ? from->window() : nullptr;
    if (url.isEmpty()) {
        QStringList folders;
        for (const QString &folder : UserGuide::candidates())
            folders.append(QDir::toNativeSeparators(folder));
        QMessageBox::information(
            owner, HelpWindow::tr("Руководство пользователя"),
            HelpWindow::tr("Руководство пользователя не установлено. Программа искала его "
                           "(файл index.html) в папках:\n%1")
                .arg(folders.join(QLatin1Char('\n'))));
        return;
    }
    HelpWindow *window
        = owner ? owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window)
        window = new HelpWindow(owner);
    window->showPage(url);
    window->show();
    window->raise();
    window->activateWindow();
}

void addHelpButton(QMessageBox &box, const QString &page, const QString &anchor)
{
    const QList<QAbstractButton *> buttons = box.buttons();
    if (buttons.size() == 1) {
        if (!box.escapeButton())
            box.setEscapeButton(buttons.first());
        if (!box.defaultButton())
            box.setDefaultButton(qobject_cast<QPushButton *>(buttons.first()));
    }
    QPushButton *help = box.addButton(QMessageBox::Help);
    // Every button of a box closes it; this one only opens the guide.
    QObject::disconnect(help, &QAbstractButton::clicked, nullptr, nullptr);
    QObject::connect(help, &QAbstractButton::clicked, &box,
                     [&box, page, anchor] { showUserGuide(&box, page, anchor); });
}
