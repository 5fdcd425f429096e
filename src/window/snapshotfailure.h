#pragma once

#include <QString>

class QWidget;
struct SnapshotResult;

// Tells the user, in a box titled as the operation, why a write did not
// start: its snapshot was not read, or not stored. A read the user cancelled
// is no error and shows nothing. Mismatches are the windows' own boxes.
void showSnapshotFailure(QWidget *parent, const QString &title, const SnapshotResult &result);
