#include "snapshotfailure.h"

#include "history/snapshottaker.h"
#include "link/devicejob.h"

#include <QMessageBox>

void showSnapshotFailure(QWidget *parent, const QString &title, const SnapshotResult &result)
{
    if (result.ok() || (result.status == SnapshotResult::ReadFailed && result.code == ErrStopped))
        return;
    const bool mismatch
        = result.status == SnapshotResult::SerialMismatch || result.status == SnapshotResult::FamilyMismatch;
    QMessageBox box(mismatch ? QMessageBox::Critical : QMessageBox::Warning, title, result.text(),
                    QMessageBox::Ok, parent);
    box.setInformativeText(result.explanation());
    box.exec();
}
