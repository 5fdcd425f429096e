#include "goodswindow.h"

#include "app/firmware.h"
#include "goods/goodscheck.h"
#include "goods/goodscsv.h"
#include "goods/goodsdiff.h"
#include "goods/goodsimage.h"
#include "goods/goodsrowrefusal.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "goods/priceitemdelegate.h"
#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicejob.h"
#include "link/devicejobrunner.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/textitemdelegate.h"
#include "window/goodsissuewidget.h"
#include "window/issuelistmodel.h"
#include "window/snapshotfailure.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTableView>

#include <algorithm>
#include <functional>

namespace {

constexpr int PingTimeoutMs = 1000;

// Bulk removals of scattered rows (a sorted view, "select all") rebuild the
// list once instead of making the proxy remap its rows run by run.
constexpr int MaxRemovalRuns = 64;

} // namespace

GoodsWindow::GoodsWindow(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    m_controller.setOrigin([this] { return tr("Номенклатура %1").arg(m_serial); });
    setObjectName(QStringLiteral("GoodsWindow"));
    setWindowTitle(tr("Номенклатура"));

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    m_view = new QTableView(central);
    m_view->setObjectName(QStringLiteral("goodsView"));
    grid->addWidget(m_view, 0, 0);
    setCentralWidget(central);

    m_model = new GoodsTableModel(this);
    m_proxy = new GoodsSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_view->setModel(m_proxy);
    // Catalogue order until the user clicks a column header.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    m_view->setContextMenuPolicy(Qt::CustomContextMenu);
    // One line per row: a long name is cut with "…" rather than wrapped out
    // of sight, and painting skips the line breaking.
    m_view->setWordWrap(false);
    m_view->setItemDelegateForColumn(GoodsNameColumn, new TextItemDelegate(GoodsNameBytes, false, this));
    m_view->setItemDelegateForColumn(GoodsPriceColumn, new PriceItemDelegate(this));
    // Rows as tall as the tallest editor (the department list), no taller:
    // the style's default would show half as many rows.
    m_view->verticalHeader()->setDefaultSectionSize(QComboBox().sizeHint().height());
    // Every column in sight, the name taking what the others leave.
    const QFontMetrics metrics(m_view->font());
    QHeaderView *header = m_view->horizontalHeader();
    header->setSectionResizeMode(GoodsNameColumn, QHeaderView::Stretch);
    header->setMinimumSectionSize(metrics.horizontalAdvance(QStringLiteral("Отдел")) + 16);
    m_view->setColumnWidth(GoodsIntcodeColumn, metrics.horizontalAdvance(QStringLiteral("Вн. код 0")) + 16);
    m_view->setColumnWidth(GoodsBarcodeColumn,
                           metrics.horizontalAdvance(QStringLiteral("00000000000000")) + 16);
    m_view->setColumnWidth(GoodsPriceColumn, metrics.horizontalAdvance(QStringLiteral("00 000 000,00")) + 16);
    m_view->setColumnWidth(GoodsDeptColumn,
                           metrics.horizontalAdvance(QStringLiteral("Бакалейные товары")) + 16);

    connect(m_view, &QWidget::customContextMenuRequested, this, &GoodsWindow::onTableMenu);
    connect(m_proxy, &GoodsSortFilterProxyModel::sorting, this, &GoodsWindow::onSorting);
    // Any other change of the rows' places in the view (see the class note).
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &GoodsWindow::clearFindings);
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &GoodsWindow::clearFindings);
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, &GoodsWindow::clearFindings);
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex &, int, int last) {
        if (last + 1 < m_proxy->rowCount())
            clearFindings();
    });

    // The context menu's actions also work as keys on the table.
    m_appendAction = new QAction(tr("Добавить товар"), this);
    m_appendAction->setShortcut(QKeySequence(Qt::Key_Insert));
    m_appendAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_appendAction, &QAction::triggered, this, &GoodsWindow::onAppendGoods);
    m_removeAction = new QAction(tr("Убрать товар"), this);
    m_removeAction->setShortcut(QKeySequence(Qt::Key_Delete));
    m_removeAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(m_removeAction, &QAction::triggered, this, &GoodsWindow::onRemoveGoods);
    m_view->addAction(m_appendAction);
    m_view->addAction(m_removeAction);

    createMenus();
    resize(900, 600);
}

GoodsWindow::~GoodsWindow() = default;

void GoodsWindow::createMenus()
{
    struct Item
    {
        const char *menu;
        const char *text;
        const char *objectName;
        void (GoodsWindow::*slot)();
    };
    static const Item items[] = {
        { QT_TR_NOOP("ККТ"), QT_TR_NOOP("Загрузить из ККТ"), "actionDeviceImport",
          &GoodsWindow::onDeviceImport },
        { QT_TR_NOOP("ККТ"), QT_TR_NOOP("Выгрузить в ККТ"), "actionDeviceExport",
          &GoodsWindow::onDeviceExport },
        { QT_TR_NOOP("Профиль"), QT_TR_NOOP("Сохранить профиль"), "actionProfileExport",
          &GoodsWindow::onProfileExport },
        { QT_TR_NOOP("Профиль"), QT_TR_NOOP("История изменений…"), "actionHistory",
          &GoodsWindow::onShowHistory },
        { QT_TR_NOOP("Файл"), QT_TR_NOOP("Загрузить из файла"), "actionFileLoad", &GoodsWindow::onFileLoad },
        { QT_TR_NOOP("Файл"), QT_TR_NOOP("Сохранить в файл"), "actionFileSave", &GoodsWindow::onFileSave },
        { QT_TR_NOOP("Данные"), QT_TR_NOOP("Проверить"), "actionValidate", &GoodsWindow::onValidate },
    };
    QMenu *menu = nullptr;
    QString menuTitle;
    for (const Item &item : items) {
        if (!menu || menuTitle != tr(item.menu)) {
            menuTitle = tr(item.menu);
            menu = menuBar()->addMenu(menuTitle);
        }
        QAction *action = menu->addAction(tr(item.text));
        action->setObjectName(QLatin1String(item.objectName));
        connect(action, &QAction::triggered, this, item.slot);
    }
}

void GoodsWindow::setup(const QString &serial, int goodsCapacity, const QString &address, quint16 port,
                        const QStringList &departmentNames)
{
    m_serial = serial;
    m_address = address;
    m_port = port;
    m_goodsCapacity = effectiveGoodsCapacity(goodsCapacity);

    m_model->setDepartments(departmentNames);
    delete m_deptDelegate;
    m_deptDelegate = new ComboBoxItemDelegate(departmentNames, 1, this);
    m_view->setItemDelegateForColumn(GoodsDeptColumn, m_deptDelegate);

    QByteArray image;
    DeviceProfile().loadGoods(m_serial, image);
    m_model->setGoods(parseGoodsImage(image));
}

void GoodsWindow::setFirmwareVersion(const QString &version)
{
    m_version = version;
    m_family = DeviceParams::familyOf(version);
}

void GoodsWindow::clearFindings()
{
    if (m_issues)
        m_issues->model()->clear();
}

bool GoodsWindow::reachable(const QString &title)
{
    // A register registered without an address has none to ping.
    if (m_address.isEmpty()) {
        QMessageBox::warning(this, title,
                             tr("Адрес ККТ не задан. Задайте его в окне ККТ («Изменить адрес ККТ»)."));
        return false;
    }
    if (Reachability::pingFunction()(m_address, PingTimeoutMs) == 0)
        return true;
    QMessageBox::warning(this, title, tr("ККТ по адресу %1 не доступен").arg(m_address));
    return false;
}

bool GoodsWindow::encode(bool withHeader, const QString &title, const QString &nothingDone, QByteArray *image)
{
    // A row the record cannot hold as it is (a negative price, a name too
    // long, ...) would arrive changed: say which and write nothing.
    if (!goodsFitRecord(m_view, *m_proxy, *m_model, title, nothingDone))
        return false;
    *image = buildGoodsImage(m_model->goods(), withHeader);
    return true;
}

void GoodsWindow::onDeviceExport()
{
    const QString title = tr("Выгрузка в ККТ");
    QByteArray image;
    if (!encode(true, title, tr("В ККТ ничего не записано."), &image))
        return;
    if (!reachable(title))
        return;
    // What the register holds now is kept before anything is written.
    if (!takeSnapshot())
        return;
    // The job itself confirms, on the connection that writes, that the
    // register there has this window's serial number and firmware family.
    DeviceJobRunner runner(this, m_controller);
    m_jobResult = runner.writeGoods(m_address, m_port, image, m_serial, m_family);
    onDeviceExportFinished();
}

bool GoodsWindow::takeSnapshot()
{
    DeviceJobRunner runner(this, m_controller);
    runner.setTitle(tr("Выгрузка в ККТ"));
    runner.setPendingLabel(tr("Снимок номенклатуры ККТ перед записью..."));
    const SnapshotResult snapshot = SnapshotTaker(m_controller, SnapshotOrigin::GoodsWindow)
                                        .goods([&] { return runner.readGoods(m_address, m_port); }, m_serial);
    if (snapshot.ok())
        return true;
    if (snapshot.mismatch()) {
        // The same refusal as the write guard's, naming the register that answered.
        m_jobResult = snapshot.code;
        onDeviceExportFinished();
        return false;
    }
    showSnapshotFailure(this, tr("Выгрузка в ККТ"), snapshot);
    return false;
}

void GoodsWindow::onShowHistory()
{
    const GoodsList &shown = m_model->goods();
    SnapshotHistoryDialog dialog(
        SnapshotStore().list(m_serial, SnapshotKind::Goods),
        tr("Отличия таблицы от выбранного снимка: «добавлен» — товар есть в таблице, но не в снимке; "
           "«удалён» — есть только в снимке; у изменённых — «в снимке -> в таблице». Строки считаются "
           "в порядке номенклатуры, без сортировки."),
        [&shown](const SnapshotInfo &snapshot, QStringList *lines, QString *error) {
            GoodsList rows;
            if (!SnapshotStore::loadGoods(snapshot, &rows, error))
                return false;
            *lines = goodsDifferences(rows, shown);
            return true;
        },
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    GoodsList rows;
    QString error;
    if (!SnapshotStore::loadGoods(dialog.selected(), &rows, &error)) {
        QMessageBox::warning(this, tr("История изменений"), tr("Снимок не восстановлен: %1").arg(error));
        return;
    }
    m_model->setGoods(std::move(rows));
    QMessageBox::information(
        this, tr("История изменений"),
        tr("Снимок от %1 загружен в таблицу. В ККТ ничего не записано: чтобы записать его, выполните "
           "«Выгрузить в ККТ».")
            .arg(dialog.selected().takenText()));
}

void GoodsWindow::onDeviceImport()
{
    if (!reachable(tr("Загрузка из ККТ")))
        return;
    DeviceJobRunner runner(this, m_controller);
    m_jobResult = runner.readGoods(m_address, m_port);
    onDeviceImportFinished();
}

void GoodsWindow::onDeviceExportFinished()
{
    const QString title = tr("Выгрузка в ККТ");
    const int result = m_jobResult;
    switch (result) {
    case ResultOk:
        QMessageBox::information(this, title, tr("Выгрузка завершена успешно"));
        return;
    case ErrStopped:
        return; // the program is closing
    case ErrSerialMismatch:
        DeviceJobRunner::showFailure(this, QMessageBox::Critical, title,
                                     tr("Заводской номер ККТ %1 не совпадает с номером из профиля %2")
                                         .arg(m_controller.reported().serial, m_serial),
                                     result);
        return;
    case ErrFamilyMismatch: {
        const DeviceController::Reported reported = m_controller.reported();
        DeviceJobRunner::showFailure(
            this, QMessageBox::Critical, title,
            tr("Версия ККТ %1 не совпадает с версией из профиля %2")
                .arg(versionText(reported.versionMajor, reported.versionMinor, reported.versionBuild),
                     m_version),
            result);
        return;
    }
    case ErrCapacity: {
        const int rows = m_model->rowCount();
        const int limit = m_goodsCapacity - 1;
        QMessageBox box(QMessageBox::Warning, title, tr("Ошибка выгрузки. %1").arg(result), QMessageBox::Ok,
                        this);
        QString words = resultExplanation(result);
        if (rows > limit)
            words = tr("Таблица не помещается в память товаров ККТ. Наибольшее число товаров в этой ККТ: %1, "
                       "в таблице: %2. Уберите лишние строки и повторите выгрузку.")
                        .arg(limit)
                        .arg(rows);
        box.setInformativeText(words);
        box.exec();
        return;
    }
    default:
        // After pages went out the register may hold part of the new catalogue.
        DeviceJobRunner::showFailure(this, QMessageBox::Warning, title, tr("Ошибка выгрузки. %1").arg(result),
                                     result, m_controller.writeBegun());
    }
}

void GoodsWindow::onDeviceImportFinished()
{
    const int result = m_jobResult;
    if (result == ErrStopped)
        return; // cancelled: the table stays as it was
    if (result != ResultOk) {
        DeviceJobRunner::showFailure(this, QMessageBox::Warning, tr("Загрузка из ККТ"),
                                     tr("Ошибка загрузки. %1").arg(result), result);
        return;
    }
    clearFindings();
    m_model->setGoods(parseGoodsImage(m_controller.data()));
}

void GoodsWindow::onTableMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(m_appendAction);
    if (m_model->rowCount() > 0)
        menu.addAction(m_removeAction);
    menu.exec(m_view->viewport()->mapToGlobal(pos));
}

void GoodsWindow::onAppendGoods()
{
    const int row = m_model->rowCount();
    if (!m_model->insertRows(row, 1))
        return;
    // In a sorted view the new row lands where its empty name sorts.
    const QModelIndex cell = m_proxy->mapFromSource(m_model->index(row, GoodsNameColumn));
    m_view->setCurrentIndex(cell);
    m_view->scrollTo(cell);
}

void GoodsWindow::onRemoveGoods()
{
    const QItemSelection selection = m_view->selectionModel()->selection();
    if (selection.isEmpty())
        return;
    std::vector<int> viewRows;
    for (const QItemSelectionRange &range : selection)
        for (int r = range.top(); r <= range.bottom(); ++r)
            viewRows.push_back(r);
    std::sort(viewRows.begin(), viewRows.end());
    viewRows.erase(std::unique(viewRows.begin(), viewRows.end()), viewRows.end());
    std::vector<int> modelRows;
    modelRows.reserve(viewRows.size());
    for (auto it = viewRows.rbegin(); it != viewRows.rend(); ++it)
        modelRows.push_back(m_proxy->mapToSource(m_proxy->index(*it, 0)).row());
    removeModelRows(std::move(modelRows));
}

void GoodsWindow::removeModelRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    int runs = 0;
    for (size_t i = 0; i < rows.size(); ++i)
        runs += i == 0 || rows[i] + 1 != rows[i - 1];
    if (runs <= MaxRemovalRuns) {
        // Highest first, so the rows still to go keep their numbers.
        for (size_t i = 0; i < rows.size();) {
            size_t j = i + 1;
            while (j < rows.size() && rows[j] + 1 == rows[j - 1])
                ++j;
            m_model->removeRows(rows[j - 1], int(j - i));
            i = j;
        }
        return;
    }
    std::vector<bool> drop(size_t(m_model->rowCount()), false);
    for (const int r : rows)
        drop[size_t(r)] = true;
    GoodsList kept;
    kept.reserve(m_model->rowCount() - int(rows.size()));
    const GoodsList &all = m_model->goods();
    for (int r = 0; r < all.size(); ++r)
        if (!drop[size_t(r)])
            kept.append(all.at(r));
    m_model->setGoods(std::move(kept));
}

void GoodsWindow::onProfileExport()
{
    QByteArray image;
    if (!encode(false, tr("Сохранение профиля"), tr("Профиль не изменён."), &image))
        return;
    // A store that cannot be written is reported by the store's own handler.
    DeviceProfile().saveGoods(m_serial, image);
}

void GoodsWindow::onFileLoad()
{
    const QString path = QFileDialog::getOpenFileName(this, tr("Имя файла для загрузки"), QString(),
                                                      tr("CSV файлы (*.csv);;Все файлы (*.*)"));
    if (!path.isEmpty())
        loadFile(path);
}

void GoodsWindow::onFileSave()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Имя файла для выгрузки"), QString(),
                                                      tr("CSV файлы (*.csv)"));
    if (!path.isEmpty())
        saveFile(path);
}

bool GoodsWindow::loadFile(const QString &path)
{
    // The model takes the rows only when the whole file parsed.
    const GoodsCsvLoad load = loadGoodsCsv(path, *m_model);
    if (!load.ok()) {
        QMessageBox::warning(this, tr("Загрузка из файла"), load.userText());
        return false;
    }
    clearFindings();
    return true;
}

bool GoodsWindow::saveFile(const QString &path)
{
    QString error;
    if (saveGoodsCsv(path, m_model->goods(), &error))
        return true;
    QMessageBox::warning(this, tr("Сохранение в файл"), error);
    return false;
}

void GoodsWindow::onValidate()
{
    if (!m_issues) {
        m_issues = new GoodsIssueWidget(m_view, this);
        addDockWidget(Qt::BottomDockWidgetArea, m_issues);
    }
    m_issues->show();
    m_issues->model()->clear();
    for (const GoodsFinding &f : checkGoods(*m_proxy, m_goodsCapacity))
        m_issues->addGoodsIssue(f.row, f.column, f.text);
}

void GoodsWindow::onSorting()
{
    clearFindings();
}
