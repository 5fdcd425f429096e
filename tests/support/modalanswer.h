#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <memory>

// Answers modal boxes from the event loop while the code under test runs
// them with exec(). Each seen box is recorded with its title and text.
class ModalAnswerer
{
public:
    struct Seen
    {
        QString className;
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
    };

    // The handler gets the modal widget and closes or answers it.
    using Handler = std::function<void(QWidget *)>;

    ModalAnswerer()
        : m_state(std::make_shared<State>())
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, [state = m_state] { poll(*state); });
        m_timer.start();
    }

    // Queues an answer for the next modal widget that appears.
    void then(Handler handler) { m_state->handlers.append(std::move(handler)); }

    void thenButton(QMessageBox::StandardButton button)
    {
        then([button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (box && box->button(button))
                box->button(button)->click();
            else if (box)
                box->done(button);
        });
    }

    const QList<Seen> &seen() const { return m_state->seen; }
    int pending() const { return m_state->handlers.size(); }

private:
    struct State
    {
        QList<Handler> handlers;
        QList<Seen> seen;
        QPointer<QWidget> last;
    };

    static void poll(State &state)
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == state.last || !w->isVisible())
            return;
        state.last = w;
        Seen s;
        s.className = QString::fromLatin1(w->metaObject()->className());
        s.title = w->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(w)) {
            s.text = box->text();
            s.icon = box->icon();
        }
        state.seen.append(s);
        if (!state.handlers.isEmpty()) {
            Handler h = state.handlers.takeFirst();
            h(w);
        } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
            // An unexpected box must not hang the test; it stays recorded.
            box->done(QMessageBox::Cancel);
        }
    }

    std::shared_ptr<State> m_state;
    QTimer m_timer;
};
