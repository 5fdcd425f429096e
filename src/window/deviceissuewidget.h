#pragma once

#include "window/issuedock.h"

#include <QPointer>

class DeviceWidget;
class QTabWidget;

// The device window's findings: opening one shows its tab and puts the cursor
// into its field.
class DeviceIssueWidget : public IssueDock
{
    Q_OBJECT

public:
    // The tab widget is the device window's; the dock does not own it.
    explicit DeviceIssueWidget(QTabWidget *tabWidget, QWidget *parent = nullptr);

    void addIssue(DeviceWidget *tab, QWidget *widget, const QString &text);
    // A finding named by its tab's caption and its field's key, so the list
    // says where it lies and opening it selects the cell a key names.
    void addIssue(DeviceWidget *tab, QWidget *widget, const QString &text, const QString &caption,
                  const QString &field);

public slots:
    void showIssue(const QModelIndex &index) override;

private:
    QPointer<QTabWidget> m_tabWidget;
};
