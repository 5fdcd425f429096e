#pragma once

#include <QSortFilterProxyModel>
#include <QStringList>

// The main window's sort proxy, which also hides the registers that do not
// match the search field: every word typed must appear, in any letter case,
// in the serial number, the name or the address of a row.
class DeviceFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit DeviceFilterProxyModel(QObject *parent = nullptr);

    QString filterText() const { return m_text; }

public slots:
    void setFilterText(const QString &text);

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    QString m_text;
    QStringList m_words;
};
