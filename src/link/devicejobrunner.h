#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>

#include <functional>

class DeviceController;
class QWidget;

// Runs one job of a window's DeviceController behind a modal
// DeviceProgressDialog and hands back the job's result code once the job has
// ended. The window keeps its own controller; the runner only wires it to the
// dialog for the one job:
//
//   job                      label                     after connected()         cancel
//   queryInfo                (none)                    "Получение данных о ККТ..." stops the job
//   readParams, readGoods*   "Подключение к ККТ..."    "Загрузка из ККТ..."       stops the job
//   writeParams, writeGoods  "Подключение к ККТ..."    "Выгрузка в ККТ..."        no cancel button
//
// A write shows no cancel button: stopping it half-way would leave the register
// half-written. Goods jobs drive the bar (pages(int) → maximum, frame(int) →
// value); the others keep it a busy indicator. The call returns only after the
// job has ended, so a window cannot start a second job beside it. A job that
// cannot start gives ErrNotStarted; one still running when the program ends
// gives ErrStopped.
//
// Typical use, in a window's slot:
//     DeviceJobRunner runner(this, m_controller);
//     const int result = runner.readParams(m_address, 8080);
//     if (result != 0) { ... "Ошибка загрузки. %1" ... }
class DeviceJobRunner
{
    Q_DECLARE_TR_FUNCTIONS(DeviceJobRunner)

public:
    DeviceJobRunner(QWidget *parent, DeviceController &controller);

    // The progress window's title. By default the operation's name ("Загрузка
    // из ККТ", "Выгрузка в ККТ"); for the identity query the parent's title.
    void setTitle(const QString &title) { m_title = title; }
    // The label once the register has answered. By default the job's kind
    // says it ("Загрузка из ККТ..."); a read made for another operation (the
    // snapshot before a write) says what it is for.
    void setPendingLabel(const QString &label) { m_pendingLabel = label; }

    int queryInfo(const QString &host, quint16 port);
    int readParams(const QString &host, quint16 port);
    int readGoodsRange(const QString &host, quint16 port, int first, int last);
    int readGoods(const QString &host, quint16 port);
    // The write guard's expectations as DeviceController::writeParams() and
    // writeGoods() take them.
    int writeParams(const QString &host, quint16 port, const QByteArray &records, const QString &serial,
                    int family);
    int writeGoods(const QString &host, quint16 port, const QByteArray &image, const QString &serial,
                   int family);

    // A modal box for a failed job: the caller's text (which carries the code)
    // and, as informative text, what the code means (resultExplanation()).
    // writeBegun as DeviceController::writeBegun() tells: after a write that
    // had begun, the text adds that the register may hold part of the new data.
    static void showFailure(QWidget *parent, QMessageBox::Icon icon, const QString &title,
                            const QString &text, int result, bool writeBegun = false);
    // The same for this runner's last job: its result and whether its writes
    // had begun.
    void showFailure(QMessageBox::Icon icon, const QString &title, const QString &text) const;

private:
    enum class Transfer { Identity, Load, Upload };

    int run(Transfer transfer, bool goods, const std::function<bool()> &start);
    int runDialog(Transfer transfer, bool goods, const std::function<bool()> &start);

    QWidget *m_parent = nullptr;
    DeviceController &m_controller;
    QString m_title;
    QString m_pendingLabel;
    int m_result = 0;
    bool m_writeBegun = false;
};
