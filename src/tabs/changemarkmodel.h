#pragma once

#include <QIdentityProxyModel>
#include <QVariant>
#include <QVector>

// A table as its tab shows it, with the cells that differ from the baseline
// (what the table held after the last load, profile save or write) marked:
// a tinted background and a bold font. A cell the model does not let the
// user edit is drawn in the disabled text colour, so it reads as shown only.
class ChangeMarkModel : public QIdentityProxyModel
{
    Q_OBJECT

public:
    explicit ChangeMarkModel(QAbstractItemModel *source, QObject *parent = nullptr);

    // What every cell holds now becomes the baseline.
    void takeBaseline();
    bool isChanged(const QModelIndex &index) const;
    bool hasChanges() const;

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    // The background of a changed cell or field.
    static QColor changedColor();

signals:
    // A cell's changed state may have changed (an edit, a reset).
    void marksChanged();

private:
    // What a cell shows and stores: its edit value and its check state.
    QVariant cellValue(int row, int column) const;

    int m_baselineRows = -1; // no baseline yet: nothing is marked
    int m_baselineColumns = 0;
    QVector<QVariant> m_baseline;
};
