#pragma once

#include <QMainWindow>
#include <QUrl>

class QMessageBox;
class QTextBrowser;

// The user guide in a window of the program's own: a QTextBrowser over the
// installed HTML pages, so no web browser is needed (links to other sites go
// to the desktop's browser). One per window that opened it, as a child of
// that window: a modal window (a message box, the window-modal device
// window) then does not block it.
class HelpWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit HelpWindow(QWidget *parent = nullptr);

    void showPage(const QUrl &url);
    QTextBrowser *browser() const { return m_browser; }

private:
    void updateTitle();

    QTextBrowser *m_browser = nullptr;
};

// Opens the guide at a page ("settings.html") and anchor for the window of
// `from`, reusing that window's help window. When the guide is not
// installed, says so and names the folders it was looked for in.
void showUserGuide(QWidget *from, const QString &page = QString(), const QString &anchor = QString());

// Adds "Справка" to a box: it opens the guide at the page and anchor and
// leaves the box open. The box's escape and default buttons stay what they
// were (a one-button box keeps closing on Escape and Enter).
void addHelpButton(QMessageBox &box, const QString &page, const QString &anchor = QString());
