#include "snapshotfailure.h"

#include "history/snapshottaker.h"
#include "link/devicejob.h"

#include <QMessageBox>
#include <QObject>

void showSnapshotFailure(QWidget *parent, const QString &title, const SnapshotResult &result)
{
    if (result.ok() || (result.status == SnapshotResult::ReadFailed && result.code == ErrStopped))
        return;
    QString text = result.text();
    if (result.status == SnapshotResult::ReadFailed) {
        // A write box: the failed read is why the write did not start, not a
        // load the user asked for.
        text = (result.kind == SnapshotKind::Params
                    ? QObject::tr("Запись не начата: текущие параметры ККТ не удалось прочитать (код %1), а "
                                  "без них нельзя сохранить снимок перед записью.")
                    : QObject::tr("Запись не начата: текущую номенклатуру ККТ не удалось прочитать (код %1), "
                                  "а без неё нельзя сохранить снимок перед записью."))
                   .arg(result.code)
            + QLatin1Char('\n') + QObject::tr("В ККТ ничего не записано.");
    }
    QMessageBox box(result.mismatch() ? QMessageBox::Critical : QMessageBox::Warning, title, text,
                    QMessageBox::Ok, parent);
    box.setInformativeText(result.explanation());
    box.exec();
}
