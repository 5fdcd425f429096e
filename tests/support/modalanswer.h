#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
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
        QString text; // a box's text, or an input or progress dialog's label
        QString informative; // a box's informative text
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList items; // an item choice: its items and the one preselected
        QString current;
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
    void then(Handler handler) { m_state->handlers.append({ nullptr, std::move(handler) }); }

    // Queues an answer for the next modal widget of class W; other modal
    // widgets before it (a progress window that may or may not be caught
    // while it is up) are recorded and left alone.
    template<class W> void thenOn(std::function<void(W *)> handler)
    {
        m_state->handlers.append(
            { &W::staticMetaObject, [handler](QWidget *w) { handler(static_cast<W *>(w)); } });
    }

    void thenButton(QMessageBox::StandardButton button)
    {
        thenOn<QMessageBox>([button](QMessageBox *box) {
            if (box->button(button))
                box->button(button)->click();
            else
                box->done(button);
        });
    }

    // Picks an item of a QInputDialog item choice and accepts it.
    void thenItem(const QString &item)
    {
        thenOn<QInputDialog>([item](QInputDialog *dialog) {
            dialog->setTextValue(item);
            dialog->accept();
        });
    }

    // Cancels the next dialog of class W.
    template<class W = QDialog> void thenReject()
    {
        thenOn<W>([](W *dialog) { dialog->reject(); });
    }

    // The seen widgets of one class (QMessageBox: the boxes only).
    QList<Seen> seenOf(const char *className) const
    {
        QList<Seen> list;
        for (const Seen &s : m_state->seen) {
            if (s.className == QLatin1String(className))
                list.append(s);
        }
        return list;
    }

    const QList<Seen> &seen() const { return m_state->seen; }
    int pending() const { return m_state->handlers.size(); }

private:
    struct Pending
    {
        const QMetaObject *only = nullptr; // null: any modal widget
        Handler handler;
    };

    struct State
    {
        QList<Pending> handlers;
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
            s.informative = box->informativeText();
            s.icon = box->icon();
        } else if (auto *input = qobject_cast<QInputDialog *>(w)) {
            s.text = input->labelText();
            s.items = input->comboBoxItems();
            s.current = input->textValue();
        } else if (auto *progress = qobject_cast<QProgressDialog *>(w)) {
            s.text = progress->labelText();
        }
        state.seen.append(s);
        if (!state.handlers.isEmpty()
            && (!state.handlers.first().only || w->metaObject()->inherits(state.handlers.first().only))) {
            Handler h = state.handlers.takeFirst().handler;
            h(w);
        } else if (auto *box = qobject_cast<QMessageBox *>(w)) {
            // An unexpected box must not hang the test; it stays recorded.
            box->done(QMessageBox::Cancel);
        }
    }

    std::shared_ptr<State> m_state;
    QTimer m_timer;
};
