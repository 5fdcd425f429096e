#include "goodswindow.h"

#include "help/helpwindow.h"

#include "app/deviceregistry.h"
#include "app/firmware.h"
#include "app/questionbox.h"
#include "goods/fleetgoodsdialog.h"
#include "goods/goodscheck.h"
#include "goods/goodscsv.h"
#include "goods/goodsdiff.h"
#include "goods/goodsimage.h"
#include "goods/goodssortfilterproxymodel.h"
#include "goods/goodstablemodel.h"
#include "goods/priceitemdelegate.h"
#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicejob.h"
#include "link/devicejobrunner.h"
#include "link/frame.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"
#include "params/paramsdiff.h"
#include "tabs/comboboxitemdelegate.h"
#include "tabs/textitemdelegate.h"
#include "window/goodsissuewidget.h"
#include "window/issuelistmodel.h"
#include "window/snapshotfailure.h"
#include "window/snapshothistorydialog.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

#include <algorithm>
#include <functional>

namespace {

constexpr int PingTimeoutMs = 1000;

// Bulk removals of scattered rows (a sorted view, "select all") rebuild the
// list once instead of making the proxy remap its rows run by run.
constexpr int MaxRemovalRuns = 64;

// Removing more rows than this at once is asked first.
constexpr int FewRows = 5;

// Removals and edits kept for undoing.
constexpr int MaxUndoSteps = 100;

// The widest price the register's record carries, for the price column.
constexpr double WidestPrice = 999999999999999.99;

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
    m_priceMinWidth = metrics.horizontalAdvance(QStringLiteral("00 000 000,00")) + 16;
    m_view->setColumnWidth(GoodsPriceColumn, m_priceMinWidth);
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
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &GoodsWindow::updateRowCount);
    connect(m_proxy, &QAbstractItemModel::layoutChanged, this, &GoodsWindow::updateRowCount);
    connect(m_proxy, &QAbstractItemModel::rowsRemoved, this, &GoodsWindow::updateRowCount);
    connect(m_proxy, &QAbstractItemModel::rowsInserted, this, &GoodsWindow::updateRowCount);
    connect(m_model, &QAbstractItemModel::modelReset, this, &GoodsWindow::fitPriceColumn);
    connect(m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                if (topLeft.column() <= GoodsPriceColumn && bottomRight.column() >= GoodsPriceColumn)
                    fitPriceColumn();
            });
    // Edits can be undone; new contents start afresh (an undone removal
    // of many rows comes back as new contents too, and keeps the rest).
    connect(m_model, &GoodsTableModel::edited, this, [this](int row, const Goods &before) {
        if (!m_undoing)
            pushUndo(UndoStep { false, { qMakePair(row, before) } });
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        if (!m_undoing) {
            m_undo.clear();
            m_undoAction->setEnabled(false);
        }
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
    // A cell editor and the filter field keep Ctrl+Z for their own text.
    m_undoAction = new QAction(tr("Отменить удаление или изменение"), this);
    m_undoAction->setObjectName(QStringLiteral("actionUndo"));
    m_undoAction->setShortcut(QKeySequence::Undo);
    m_undoAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_undoAction->setEnabled(false);
    connect(m_undoAction, &QAction::triggered, this, &GoodsWindow::undo);
    m_view->addAction(m_appendAction);
    m_view->addAction(m_removeAction);
    m_view->addAction(m_undoAction);

    // F1: the guide's chapter on this window.
    auto *guideAction = new QAction(tr("Руководство пользователя"), this);
    guideAction->setObjectName(QStringLiteral("actionUserGuide"));
    guideAction->setShortcut(QKeySequence(Qt::Key_F1));
    addAction(guideAction);
    connect(guideAction, &QAction::triggered, this,
            [this] { showUserGuide(this, QStringLiteral("goods.html")); });

    createMenus();
    createFilter();
    m_rowCount = new QLabel(this);
    m_rowCount->setObjectName(QStringLiteral("rowCountLabel"));
    statusBar()->addWidget(m_rowCount);
    updateRowCount();
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
        { QT_TR_NOOP("ККТ"), QT_TR_NOOP("Записать в другие ККТ…"), "actionWriteToOthers",
          &GoodsWindow::onWriteToOthers },
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
    menu->addAction(m_undoAction);
}

void GoodsWindow::createFilter()
{
    // As in the main window: a search field in a bar of its own above the table.
    auto *bar = new QToolBar(tr("Поиск"), this);
    bar->setObjectName(QStringLiteral("filterToolBar"));
    bar->setMovable(false);
    bar->toggleViewAction()->setVisible(false);
    m_filter = new QLineEdit(bar);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setPlaceholderText(tr("Поиск по наименованию, внутреннему коду или штрихкоду"));
    m_filter->setClearButtonEnabled(true);
    bar->addWidget(m_filter);
    addToolBar(Qt::TopToolBarArea, bar);
    connect(m_filter, &QLineEdit::textChanged, m_proxy, &GoodsSortFilterProxyModel::setFilterText);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
    auto *clear = new QShortcut(QKeySequence(Qt::Key_Escape), m_filter, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear, &QShortcut::activated, m_filter, &QLineEdit::clear);
    // Enter goes on to the first row found.
    connect(m_filter, &QLineEdit::returnPressed, this, [this] {
        if (m_proxy->rowCount() == 0)
            return;
        if (!m_view->currentIndex().isValid())
            m_view->setCurrentIndex(m_proxy->index(0, GoodsNameColumn));
        m_view->setFocus(Qt::OtherFocusReason);
    });
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
    markUnchanged();
    updateTitle();
}

void GoodsWindow::setDeviceName(const QString &name)
{
    m_name = name;
    updateTitle();
}

void GoodsWindow::setRegisterSettings(const DeviceParams &params)
{
    m_limits.takeSettings(params);
}

void GoodsWindow::updateTitle()
{
    if (m_name.isEmpty())
        setWindowTitle(tr("Номенклатура"));
    else
        setWindowTitle(tr("Номенклатура — ККТ %1, заводской номер %2").arg(m_name, m_serial));
}

void GoodsWindow::updateRowCount()
{
    const int all = m_model->rowCount();
    const int shown = m_proxy->rowCount();
    m_rowCount->setText(shown == all ? tr("Строк: %1").arg(all)
                                     : tr("Показано строк: %1 из %2").arg(shown).arg(all));
}

void GoodsWindow::fitPriceColumn()
{
    // The widest price shown, as the delegate writes it; a price the record
    // cannot carry anyway may be cut.
    double low = 0, high = 0;
    for (const Goods &g : m_model->goods()) {
        if (g.price < low)
            low = g.price;
        else if (g.price > high)
            high = g.price;
    }
    const QStyledItemDelegate *delegate
        = static_cast<QStyledItemDelegate *>(m_view->itemDelegateForColumn(GoodsPriceColumn));
    const QFontMetrics metrics(m_view->font());
    int width = m_priceMinWidth;
    for (const double price : { qMax(low, -WidestPrice), qMin(high, WidestPrice) })
        width = qMax(width, metrics.horizontalAdvance(delegate->displayText(price, m_view->locale())) + 16);
    if (width != m_view->columnWidth(GoodsPriceColumn))
        m_view->setColumnWidth(GoodsPriceColumn, width);
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

void GoodsWindow::showModelRow(int row, int column)
{
    QModelIndex cell = m_proxy->mapFromSource(m_model->index(row, column));
    if (!cell.isValid() && !m_filter->text().isEmpty()) {
        m_filter->clear();
        cell = m_proxy->mapFromSource(m_model->index(row, column));
    }
    m_view->setCurrentIndex(cell);
    m_view->scrollTo(cell);
}

bool GoodsWindow::encode(bool withHeader, const QString &title, const QString &nothingDone, QByteArray *image)
{
    // A row the record cannot hold as it is (a negative price, a name too
    // long, ...) would arrive changed: say which, show it, and write nothing.
    const GoodsRowFault fault = firstUnholdableGoodsRow(m_model->goods());
    if (fault.row >= 0) {
        showModelRow(fault.row, fault.column);
        QMessageBox::warning(this, title,
                             tr("Строку %1 нельзя записать как есть (столбец «%2»): %3. %4")
                                 .arg(m_view->currentIndex().row() + 1)
                                 .arg(m_model->headerData(fault.column, Qt::Horizontal).toString(),
                                      fault.reason, nothingDone));
        return false;
    }
    *image = buildGoodsImage(m_model->goods(), withHeader);
    return true;
}

void GoodsWindow::onDeviceExport()
{
    const QString title = tr("Выгрузка в ККТ");
    QByteArray image;
    if (!encode(true, title, tr("В ККТ ничего не записано."), &image))
        return;
    if (!confirmProblems(title, tr("Выгрузить в ККТ всё равно?")) || !reachable(title))
        return;
    // What the register holds now decides the questions and is kept as a
    // snapshot, but only once the write is going ahead.
    int readResult = 0;
    if (!readRegister(title, &readResult) || !fitsRegister(title))
        return;
    if (!confirmReplace(title, parseGoodsImage(m_controller.data())) || !storeSnapshot(title, readResult))
        return;
    // The job itself confirms, on the connection that writes, that the
    // register there has this window's serial number and firmware family.
    DeviceJobRunner runner(this, m_controller);
    m_jobResult = runner.writeGoods(m_address, m_port, image, m_serial, m_family);
    onDeviceExportFinished();
}

void GoodsWindow::onWriteToOthers()
{
    // The questions of a write to this register, then the registers to write to.
    const QString title = tr("Записать в другие ККТ");
    QByteArray image;
    if (!encode(true, title, tr("В ККТ ничего не записано."), &image)
        || !confirmProblems(title, tr("Записать в другие ККТ всё равно?")))
        return;
    FleetGoodsDialog dialog(m_model->goods(), m_serial, DeviceRegistry().entries(), this);
    dialog.setPort(m_port);
    dialog.exec();
}

bool GoodsWindow::confirmProblems(const QString &title, const QString &question)
{
    // The dock comes up only with something to show (or to refresh); the
    // count covers every row, also those a filter hides.
    GoodsCheckLimits limits = m_limits;
    limits.capacity = m_goodsCapacity;
    limits.departmentNames = m_model->departments().size();
    const int problems = checkGoods(m_model->goods(), limits).size();
    if (problems > 0 || (m_issues && m_issues->isVisible()))
        onValidate();
    return problems == 0
        || askYesNo(this, title, tr("В номенклатуре найдены проблемы (%1). %2").arg(problems).arg(question),
                    DefaultAnswer::No);
}

bool GoodsWindow::readRegister(const QString &title, int *readResult)
{
    DeviceJobRunner runner(this, m_controller);
    runner.setTitle(title);
    runner.setPendingLabel(tr("Снимок номенклатуры ККТ перед записью..."));
    *readResult = runner.readGoods(m_address, m_port);
    const SnapshotResult read = SnapshotTaker(m_controller, SnapshotOrigin::GoodsWindow)
                                    .checkRead(SnapshotKind::Goods, *readResult, m_serial);
    if (read.ok()) {
        // The write guard would refuse another family too; refused here,
        // nothing is kept as a snapshot of a write that cannot happen.
        const int family = Frame::firmwareFamily(m_controller.versionMajor(), m_controller.versionMinor(),
                                                 m_controller.versionBuild());
        if (m_family != 0 && family == m_family)
            return true;
        m_jobResult = m_family == 0 ? ErrNotStarted : ErrFamilyMismatch;
        onDeviceExportFinished();
        return false;
    }
    if (read.mismatch()) {
        // The same refusal as the write guard's, naming the register that answered.
        m_jobResult = read.code;
        onDeviceExportFinished();
        return false;
    }
    showSnapshotFailure(this, title, read);
    return false;
}

bool GoodsWindow::fitsRegister(const QString &title)
{
    // The register's own word on what it holds; the window's when it gives none.
    const int reported = m_controller.goodsCapacity();
    const int limit = effectiveGoodsCapacity(reported > 0 ? reported : m_goodsCapacity) - 1;
    const int rows = m_model->rowCount();
    if (rows <= limit)
        return true;
    QMessageBox box(
        QMessageBox::Warning, title,
        tr("Таблица не помещается в память товаров ККТ: строк %1, ёмкость ККТ %2. В ККТ ничего не "
           "записано.")
            .arg(rows)
            .arg(limit),
        QMessageBox::Ok, this);
    box.setInformativeText(tr("Уберите лишние строки и повторите выгрузку."));
    box.exec();
    return false;
}

bool GoodsWindow::confirmReplace(const QString &title, const GoodsList &held)
{
    const int rows = m_model->rowCount();
    const GoodsComparison comparison = compareGoods(held, m_model->goods());
    if (rows > 0 && comparison.removed == 0)
        return true;
    QMessageBox box(QMessageBox::Question, title,
                    tr("В ККТ %1 строк, в таблице %2. Заменить номенклатуру ККТ?").arg(held.size()).arg(rows),
                    QMessageBox::Yes | QMessageBox::No, this);
    box.setDefaultButton(QMessageBox::No);
    if (comparison.removed > 0)
        box.setInformativeText(tr("Товаров ККТ, которых нет в таблице: %1. После записи их не будет в ККТ.")
                                   .arg(comparison.removed));
    return box.exec() == QMessageBox::Yes;
}

bool GoodsWindow::storeSnapshot(const QString &title, int readResult)
{
    const SnapshotResult snapshot
        = SnapshotTaker(m_controller, SnapshotOrigin::GoodsWindow).storeGoods(readResult, m_serial);
    if (snapshot.ok())
        return true;
    showSnapshotFailure(this, title, snapshot);
    return false;
}

void GoodsWindow::onShowHistory()
{
    const GoodsList &shown = m_model->goods();
    SnapshotHistoryDialog dialog(
        SnapshotStore().list(m_serial, SnapshotKind::Goods),
        tr("Отличия таблицы от выбранного снимка, как их выводит korvant-cli goods-diff: товар (внутренний "
           "код и наименование), затем «добавлен» — товар есть в таблице, но не в снимке; «удалён» — есть "
           "только в снимке; у изменённых — «в снимке -> в таблице»."),
        [&shown](const SnapshotInfo &snapshot, QStringList *lines, QString *error) {
            GoodsList rows;
            if (!SnapshotStore::loadGoods(snapshot, &rows, error))
                return false;
            const GoodsComparison comparison = compareGoods(rows, shown);
            *lines = comparison.lines();
            if (!comparison.isEmpty())
                lines->append(comparison.summary());
            return true;
        },
        this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const QString title = tr("История изменений");
    if (!mayReplaceTable(title))
        return;
    GoodsList rows;
    QString error;
    if (!SnapshotStore::loadGoods(dialog.selected(), &rows, &error)) {
        QMessageBox::warning(this, title, tr("Снимок не восстановлен: %1").arg(error));
        return;
    }
    m_model->setGoods(std::move(rows));
    // Neither the profile nor the register holds these rows now: closing asks.
    m_restored = true;
    QMessageBox::information(
        this, title,
        tr("Снимок от %1 загружен в таблицу. В ККТ ничего не записано: чтобы записать его, выполните "
           "«Выгрузить в ККТ».")
            .arg(dialog.selected().takenText()));
}

void GoodsWindow::onDeviceImport()
{
    const QString title = tr("Загрузка из ККТ");
    if (!mayReplaceTable(title) || !reachable(title))
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
        markUnchanged();
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
    const QString title = tr("Загрузка из ККТ");
    const int result = m_jobResult;
    if (result == ErrStopped)
        return; // cancelled: the table stays as it was
    if (result != ResultOk) {
        DeviceJobRunner::showFailure(this, QMessageBox::Warning, title, tr("Ошибка загрузки. %1").arg(result),
                                     result);
        return;
    }
    // Another register's catalogue, saved to the profile, would land under
    // this register: as in the device window, it changes nothing.
    if (m_controller.serial() != m_serial) {
        QMessageBox::critical(this, title,
                              tr("Заводской номер ККТ %1 не совпадает с номером из профиля %2")
                                  .arg(displayText(m_controller.serial()), m_serial));
        return;
    }
    clearFindings();
    m_model->setGoods(parseGoodsImage(m_controller.data()));
    markUnchanged();
}

void GoodsWindow::onTableMenu(const QPoint &pos)
{
    QMenu menu(this);
    menu.addAction(m_appendAction);
    if (m_model->rowCount() > 0)
        menu.addAction(m_removeAction);
    if (m_undoAction->isEnabled())
        menu.addAction(m_undoAction);
    menu.exec(m_view->viewport()->mapToGlobal(pos));
}

void GoodsWindow::onAppendGoods()
{
    const int row = m_model->rowCount();
    if (!m_model->insertRows(row, 1))
        return;
    // In a sorted view the new row lands where its empty name sorts; a
    // filter would hide it.
    showModelRow(row, GoodsNameColumn);
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
    if (viewRows.size() > size_t(FewRows)
        && !askYesNo(
            this, tr("Убрать товар"),
            tr("Убрать выбранные строки (%1)? Вернуть их можно клавишами Ctrl+Z.").arg(viewRows.size()),
            DefaultAnswer::No))
        return;
    std::vector<int> modelRows;
    modelRows.reserve(viewRows.size());
    for (auto it = viewRows.rbegin(); it != viewRows.rend(); ++it)
        modelRows.push_back(m_proxy->mapToSource(m_proxy->index(*it, 0)).row());
    removeModelRows(std::move(modelRows));
}

void GoodsWindow::removeModelRows(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end(), std::greater<int>());
    UndoStep undo;
    undo.removal = true;
    undo.rows.reserve(int(rows.size()));
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        undo.rows.append(qMakePair(*it, m_model->goods().at(*it)));
    pushUndo(std::move(undo));
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
    // New contents, but the removal stays undoable.
    m_undoing = true;
    m_model->setGoods(std::move(kept));
    m_undoing = false;
}

void GoodsWindow::pushUndo(UndoStep step)
{
    if (m_undo.size() >= MaxUndoSteps)
        m_undo.removeFirst();
    m_undo.append(std::move(step));
    m_undoAction->setEnabled(true);
}

bool GoodsWindow::undo()
{
    if (m_undo.isEmpty())
        return false;
    const UndoStep step = m_undo.takeLast();
    m_undoAction->setEnabled(!m_undo.isEmpty());
    m_undoing = true;
    if (step.removal)
        m_model->restoreRows(step.rows);
    else
        m_model->setRow(step.rows.first().first, step.rows.first().second);
    m_undoing = false;
    showModelRow(step.rows.first().first, GoodsNameColumn);
    return true;
}

bool GoodsWindow::saveProfile()
{
    const QString title = tr("Сохранение профиля");
    QByteArray image;
    if (!mayStoreProfile(this, title, m_serial) || !encode(false, title, tr("Профиль не изменён."), &image))
        return false;
    // A store that cannot be written is reported by the store's own handler.
    if (!DeviceProfile().saveGoods(m_serial, image))
        return false;
    markUnchanged();
    return true;
}

void GoodsWindow::onProfileExport()
{
    saveProfile();
}

void GoodsWindow::markUnchanged()
{
    m_unchanged = m_model->goods();
    m_restored = false;
}

bool GoodsWindow::hasUnsavedChanges() const
{
    return m_restored || m_model->goods() != m_unchanged;
}

bool GoodsWindow::mayReplaceTable(const QString &title)
{
    return !hasUnsavedChanges()
        || askYesNo(this, title, tr("Заменить несохранённые изменения?"), DefaultAnswer::No);
}

void GoodsWindow::closeEvent(QCloseEvent *event)
{
    if (hasUnsavedChanges() && !mayCloseAfterSaving(this, [this] { return saveProfile(); })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
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
    const QString title = tr("Загрузка из файла");
    if (!mayReplaceTable(title))
        return false;
    // The model takes the rows only when the whole file parsed.
    const GoodsCsvLoad load = loadGoodsCsv(path, *m_model);
    if (!load.ok()) {
        QMessageBox::warning(this, title, load.userText());
        return false;
    }
    clearFindings();
    // The file holds what the table now shows.
    markUnchanged();
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
    // Findings name rows as shown: all of them.
    m_filter->clear();
    m_issues->show();
    m_issues->model()->clear();
    GoodsCheckLimits limits = m_limits;
    limits.capacity = m_goodsCapacity;
    for (const GoodsFinding &f : checkGoods(*m_proxy, limits))
        m_issues->addGoodsIssue(f.row, f.column, f.text);
}

void GoodsWindow::onSorting()
{
    clearFindings();
}
