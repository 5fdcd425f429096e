#include "snapshotfailure.h"

#include "history/snapshottaker.h"
#include "link/devicejob.h"

#include <QMessageBox>

void showSnapshotFailure(QWidget *parent, const QString &title, const SnapshotResult &result)
{
    if (result.ok() || (result.status == SnapshotResult::ReadFailed && result.code == ErrStopped))
        return;
    QMessageBox box(result.mismatch() ? QMessageBox::Critical : QMessageBox::Warning, title, result.text(),
                    QMessageBox::Ok, parent);
    box.setInformativeText(result.explanation());
    box.exec();
}
