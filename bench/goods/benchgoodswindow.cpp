// The goods window with 100 000 rows: from setup() (which reads the
// catalogue from the profile) to the first paint of the table, and from
// scrolling to the end to the paint that shows it; against a plain
// QTableView over a trivial model of the same size, alternating runs.
// Runs on the offscreen platform unless QT_QPA_PLATFORM says otherwise.
#include "goodsbench.h"
#include "paintwatch.h"

#include "app/appsettings.h"
#include "goods/goodsimage.h"
#include "goods/goodstablemodel.h"
#include "goods/goodswindow.h"
#include "params/deviceprofile.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>

#include <functional>

namespace {

const QString Serial = QStringLiteral("0530000002");

// Row and column numbers as text: about the least a model can do.
class TrivialModel : public QAbstractTableModel
{
public:
    explicit TrivialModel(int rows)
        : m_rows(rows)
    {
    }
    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : m_rows;
    }
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : GoodsColumnCount;
    }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        return QString::number(index.row() * GoodsColumnCount + index.column());
    }

private:
    int m_rows;
};

struct Figures
{
    std::vector<double> open, scroll, scrolls;
};

constexpr int Scrolls = 40;

void record(Figures &f, const std::function<QTableView *()> &open)
{
    QElapsedTimer t;
    t.start();
    QTableView *view = open();
    PaintWatch watch(view->viewport());
    view->window()->show();
    watch.waitForPaint();
    f.open.push_back(t.nsecsElapsed() / 1e6);
    t.restart();
    view->scrollToBottom();
    watch.waitForPaint();
    f.scroll.push_back(t.nsecsElapsed() / 1e6);
    // Then to the top and back again and again: one scroll and its paint.
    t.restart();
    for (int i = 0; i < Scrolls; ++i) {
        if (i % 2)
            view->scrollToBottom();
        else
            view->scrollToTop();
        watch.waitForPaint();
    }
    f.scrolls.push_back(t.nsecsElapsed() / 1e6 / Scrolls);
}

void line(const char *what, const std::vector<double> &v, const std::vector<double> &ref)
{
    const double a = median(v), b = median(ref);
    std::printf("%-48s %8.1f ms   reference (plain QTableView, trivial model): %7.1f ms   ratio %5.2f   goal "
                "<= 2.00\n",
                what, a, b, a / b);
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    AppSettings::applyIdentity();
    QTemporaryDir store;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, store.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, store.path());
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const int count = argc > 2 ? std::max(1, atoi(argv[2])) : 100000;
    const QStringList departments = { "Бакалея", "Молочный", "Хлеб", "Напитки" };

    const GoodsList rows = generateGoods(count);
    DeviceProfile().saveGoods(Serial, buildGoodsImage(rows, false));
    std::printf("%d rows (profile image %d bytes), %s platform; median of %d runs, alternating\n", count,
                int(rows.size()) * GoodsRecordSize, qPrintable(QGuiApplication::platformName()), runs);

    // Qt keeps a parsed settings file between QSettings objects; a new time
    // stamp makes it read the file again, as the first window after start-up does.
    int touch = 0;
    const auto settingsChanged = [&touch] {
        QFile f(QSettings().fileName());
        if (f.open(QIODevice::ReadWrite))
            f.setFileTime(QDateTime::currentDateTime().addSecs(++touch), QFileDevice::FileModificationTime);
    };
    Figures fromProfile, fromColdProfile, fromRows, plain;
    std::unique_ptr<GoodsWindow> window;
    std::unique_ptr<QTableView> view;
    std::unique_ptr<TrivialModel> model;
    for (int i = 0; i < runs; ++i) {
        record(fromProfile, [&] {
            window = std::make_unique<GoodsWindow>();
            window->setup(Serial, 0, QStringLiteral("127.0.0.3"), 8080, departments);
            return window->view();
        });
        window.reset();
        settingsChanged();
        record(fromColdProfile, [&] {
            window = std::make_unique<GoodsWindow>();
            window->setup(Serial, 0, QStringLiteral("127.0.0.3"), 8080, departments);
            return window->view();
        });
        window.reset();
        // The rows already in memory (a CSV load, a read from the register):
        // what the window and its view add, without the profile's settings file.
        record(fromRows, [&] {
            window = std::make_unique<GoodsWindow>();
            window->setup(QStringLiteral("no-profile"), 0, QStringLiteral("127.0.0.3"), 8080, departments);
            window->model()->setGoods(rows);
            return window->view();
        });
        window.reset();
        record(plain, [&] {
            model = std::make_unique<TrivialModel>(count);
            view = std::make_unique<QTableView>();
            view->resize(900, 600);
            view->setModel(model.get());
            return view.get();
        });
        view.reset();
        model.reset();
    }
    line("setup from the profile to first paint", fromProfile.open, plain.open);
    line("same, settings file read anew", fromColdProfile.open, plain.open);
    line("rows set in the model, to first paint", fromRows.open, plain.open);
    line("first scroll to the end, to its paint", fromProfile.scroll, plain.scroll);
    line("then one scroll end to end, to its paint", fromProfile.scrolls, plain.scrolls);
    return 0;
}
