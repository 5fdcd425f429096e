#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class DeviceWindow;
class QWidget;
class RegisterSimulator;

// Makes the user guide's screenshots from the program's own windows: a small
// shop of simulated registers on 127.0.0.2-127.0.0.4 (an ephemeral port), a
// private settings store and data folder, and every window and tab the guide
// shows, driven through its real actions and grabbed at a fixed size.
class GuideShots
{
public:
    explicit GuideShots(const QString &dir);
    ~GuideShots();

    // Every file run() writes (without ".png"), in the order it writes them.
    static QStringList names();

    // False when a simulated register could not start or a picture was not
    // written; what went wrong is on standard error.
    bool run();

private:
    bool startRegisters();
    void fillRegistry();
    void mainWindow();
    void inventory();
    void registration();
    void browse();
    void deviceWindow();
    void failureBox();
    void goodsWindow(DeviceWindow &device);
    void journal();

    void save(QWidget *widget, const QString &name);
    // Runs handle on each modal window that comes up while open() runs (open
    // returns once the modal window has been answered); handle answers it.
    void whileModal(const std::function<void()> &open, const std::function<bool(QWidget *)> &handle);

    QString m_dir;
    QTemporaryDir m_home;
    QList<std::shared_ptr<RegisterSimulator>> m_sims;
    quint16 m_port = 0;
    quint16 m_discoveryPort = 0;
    QStringList m_written;
    bool m_ok = true;
};
