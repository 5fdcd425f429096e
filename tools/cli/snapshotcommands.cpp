// Snapshots taken before writes: the snapshots command, and the read and the
// failure messages that write-params and write-goods share.
#include "cli.h"

#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicecontroller.h"
#include "params/paramsdiff.h"

#include <QDir>
#include <QTextStream>

int Cli::readForSnapshot(DeviceController &controller, const QString &address, quint16 port, bool goods)
{
    return runJob(
        controller,
        [&] { return goods ? controller.readGoods(address, port) : controller.readParams(address, port); },
        QStringLiteral("Снимок перед записью"));
}

int Cli::snapshotFailure(const SnapshotResult &snapshot)
{
    const QString explanation = snapshot.explanation();
    const QString text = explanation.isEmpty() ? snapshot.text() : snapshot.text() + '\n' + explanation;
    return fail(snapshot.status == SnapshotResult::NotStored ? ExitFile : ExitJobFailed, text);
}

int Cli::snapshots(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Перечисляет снимки ККТ, сделанные перед записью в неё (окнами программы, write-params и\n"
        "write-goods), от новых к старым: файл, дата и время, вид (параметры или номенклатура), откуда.\n"
        "Снимок параметров — обычный файл параметров (show, diff, write-params), снимок номенклатуры —\n"
        "файл CSV (goods-check, write-goods). Хранятся последние 50 снимков каждого вида."));
    p.addPositionalArgument(QStringLiteral("SERIAL"), QStringLiteral("Заводской номер ККТ."));
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    const QString serial = p.positionalArguments().first();
    const SnapshotStore store;
    const QVector<SnapshotInfo> list = store.list(serial);
    if (list.isEmpty()) {
        m_out << QStringLiteral("Снимков ККТ %1 нет (папка %2)\n")
                     .arg(displayText(serial), QDir::toNativeSeparators(store.folder(serial)));
        m_out.flush();
        return ExitOk;
    }
    m_out << QStringLiteral("Файл\tДата\tВид\tОткуда\n");
    for (const SnapshotInfo &s : list) {
        m_out << QDir::toNativeSeparators(s.path) << '\t'
              << s.taken.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) << '\t' << s.kindText() << '\t'
              << displayText(s.originText()) << '\n';
    }
    m_out.flush();
    return ExitOk;
}
