// RecordTableModel (columns as function pointers) against a hand-written
// table model with a switch, both over 100 000 goods-like rows: the time to
// read every cell for the display role, and for a role no column serves
// (a view asks several of those per painted cell).
#include "classes/recordtablemodel.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

struct Good
{
    QString name;
    int code = 0;
    QString barcode;
    qint64 price = 0; // x10000
    int dept = 0;
};

QVariant priceText(qint64 price)
{
    return QString::number(price / 10000) + QLatin1Char('.')
        + QString::number(price % 10000 / 100).rightJustified(2, '0');
}

QVariant codeData(const Good &g, int role)
{
    return role == Qt::DisplayRole ? QVariant(g.code) : QVariant();
}
QVariant priceData(const Good &g, int role)
{
    return role == Qt::DisplayRole ? priceText(g.price) : QVariant();
}
QVariant deptData(const Good &g, int role)
{
    return role == Qt::DisplayRole ? QVariant(g.dept) : QVariant();
}

class ColumnModel : public RecordTableModel<Good>
{
public:
    ColumnModel()
        : RecordTableModel({ { "name", &displayText<Good, &Good::name> },
                             { "code", &codeData },
                             { "barcode", &displayText<Good, &Good::barcode> },
                             { "price", &priceData },
                             { "dept", &deptData } })
    {
    }
};

// The reference: the same table written out by hand.
class SwitchModel : public QAbstractTableModel
{
public:
    QVector<Good> goods;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : goods.size();
    }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 5; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= goods.size())
            return {};
        const Good &g = goods.at(index.row());
        switch (index.column()) {
        case 0:
            return g.name;
        case 1:
            return g.code;
        case 2:
            return g.barcode;
        case 3:
            return priceText(g.price);
        case 4:
            return g.dept;
        default:
            return {};
        }
    }
};

// Milliseconds to read every cell once for the role; the sum of the text
// lengths keeps the compiler from dropping the reads.
double sweep(const QAbstractItemModel &model, int role, qint64 *sink)
{
    QElapsedTimer clock;
    clock.start();
    const int rows = model.rowCount();
    const int columns = model.columnCount();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            *sink += model.data(model.index(r, c), role).toString().size();
    }
    return clock.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int rows = 100000;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 9;
    QVector<Good> goods;
    goods.reserve(rows);
    for (int i = 0; i < rows; ++i)
        goods.append({ QStringLiteral("Товар номер %1").arg(i), i,
                       QStringLiteral("46%1").arg(i, 11, 10, QLatin1Char('0')), qint64(i) * 1250,
                       i % 16 + 1 });
    ColumnModel columnModel;
    columnModel.setRecords(goods);
    SwitchModel switchModel;
    switchModel.goods = goods;

    qint64 sink = 0;
    for (const int role : { int(Qt::DisplayRole), int(Qt::FontRole) }) {
        std::vector<double> figure, reference;
        for (int i = 0; i < runs; ++i) {
            // Alternate, so that a busy moment of the machine hits both.
            figure.push_back(sweep(columnModel, role, &sink));
            reference.push_back(sweep(switchModel, role, &sink));
        }
        const double f = median(figure), ref = median(reference);
        std::printf(
            "RecordTableModel, %d rows x 5 columns, %s role: %.1f ms | hand-written switch model: %.1f ms "
            "| ratio %.2f\n",
            rows, role == Qt::DisplayRole ? "display" : "unserved (font)", f, ref, f / ref);
    }
    std::printf("(median of %d runs; checksum %lld)\n", runs, static_cast<long long>(sink));
    return 0;
}
