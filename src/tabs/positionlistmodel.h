#pragma once

#include "params/records.h"

#include <QAbstractListModel>
#include <QStringList>
#include <QVector>

// The job position names of a parameter set, one row per position, edited in
// place: positions are never added or removed.
class PositionListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit PositionListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Refuses the text a row already has and a text of nothing but white
    // space; any other text is stored as typed, spaces included.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Replaces every row.
    void setNames(const QStringList &names);
    QStringList names() const { return m_names; }

    // The names of the records, and the rows written back into them: cut to
    // the field, zero-filled.
    static QStringList namesOf(const QVector<PositionName> &records);
    static void store(const QStringList &names, QVector<PositionName> &records);

private:
    QStringList m_names;
};
