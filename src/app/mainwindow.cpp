#include "mainwindow.h"

#include "help/helpwindow.h"

#include "app/appicon.h"
#include "app/appsettings.h"
#include "app/connectioncheck.h"
#include "app/devicefilterproxymodel.h"
#include "app/deviceproxymodel.h"
#include "app/deviceregistry.h"
#include "app/devicetablemodel.h"
#include "app/diagnostics.h"
#include "app/exchangejournalwindow.h"
#include "app/inventorydialog.h"
#include "app/questionbox.h"
#include "app/registerdevicedialog.h"
#include "app/version.h"
#include "fleet/fleetsettings.h"
#include "link/exchangejournal.h"
#include "link/windowtitlefit.h"
#include "params/deviceprofile.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QToolBar>

namespace {

// Longer names would only stretch the table.
constexpr int NameMaxLength = 100;

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setupUi();
    QMetaObject::connectSlotsByName(this);

    m_tableModel = new DeviceTableModel(this);
    m_fontProxy = new DeviceProxyModel(this);
    m_fontProxy->setSourceModel(m_tableModel);
    m_sortProxy = new DeviceFilterProxyModel(this);
    m_sortProxy->setSourceModel(m_fontProxy);
    m_deviceTable->setModel(m_sortProxy);
    // Qt's default indicator is descending; the first start sorts ascending.
    m_loadedSettings = MainWindowSettings::load();
    m_deviceTable->horizontalHeader()->setSortIndicator(m_loadedSettings.sortColumn,
                                                        m_loadedSettings.sortOrder);
    m_deviceTable->setSortingEnabled(true);
    m_deviceTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_deviceTable->horizontalHeader()->setStretchLastSection(true);
    if (!m_loadedSettings.geometry.isEmpty())
        restoreGeometry(m_loadedSettings.geometry);

    // A lost write would leave the user believing a register was added or
    // removed; say so instead.
    QPointer<MainWindow> self(this);
    AppSettings::setWriteErrorHandler([self](const QString &fileName) {
        QWidget *parent = QApplication::activeModalWidget();
        if (!parent)
            parent = self.data();
        QMessageBox::warning(parent, tr("Сохранение настроек"),
                             tr("Не удалось записать настройки в файл %1. "
                                "Изменения не сохранятся после закрытия программы.")
                                 .arg(fileName));
    });

    m_check = new ConnectionCheck(this);
    connect(m_check, &ConnectionCheck::checked, this, &MainWindow::onChecked);
    connect(m_check, &ConnectionCheck::finished, this, &MainWindow::onCheckFinished);
    connect(m_filter, &QLineEdit::textChanged, m_sortProxy, &DeviceFilterProxyModel::setFilterText);
    connect(m_deviceTable->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::updateActions);
    connect(m_sortProxy, &QAbstractItemModel::modelReset, this, &MainWindow::updateActions);
    connect(m_sortProxy, &QAbstractItemModel::rowsRemoved, this, &MainWindow::updateActions);
    connect(m_sortProxy, &QAbstractItemModel::rowsInserted, this, &MainWindow::updateActions);
    connect(m_sortProxy, &QAbstractItemModel::layoutChanged, this, &MainWindow::updateActions);

    m_tableModel->loadFromRegistry();
    // A first start has no saved size: wide enough for every column header
    // (the specified 400 × 300 cuts them), as far as the screen allows.
    if (m_loadedSettings.geometry.isEmpty())
        fitFirstRun();
    m_deviceTable->setFocus();
}

void MainWindow::fitFirstRun()
{
    // Sized as they will be shown: polished, the sections laid out to their contents.
    ensurePolished();
    QHeaderView *header = m_deviceTable->horizontalHeader();
    header->ensurePolished();
    header->resizeSections(QHeaderView::ResizeToContents);
    // The stretched last section keeps at least the default section size.
    int columns = 0;
    for (int c = 0; c < header->count(); ++c)
        columns += c + 1 < header->count() ? header->sectionSize(c)
                                           : qMax(header->sectionSize(c), header->defaultSectionSize());
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    const int frame = 2 * m_deviceTable->frameWidth();
    const int width = columns + m_deviceTable->verticalHeader()->sizeHint().width() + frame
        + style()->pixelMetric(QStyle::PM_ScrollBarExtent) + margins.left() + margins.right() + 8;
    QSize size(qMax(width, 400), qMax(height(), 400));
    if (const QScreen *screen = this->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    resize(size);
}

void MainWindow::setupUi()
{
    setObjectName(QStringLiteral("MainWindow"));
    resize(400, 300);
    setWindowTitle(tr("Korvant Utility 3"));
    setWindowIcon(appIcon());

    m_actionNew = new QAction(tr("Регистрация ККТ"), this);
    m_actionNew->setObjectName(QStringLiteral("actionNewDevice"));
    m_actionDrop = new QAction(tr("Удаление ККТ"), this);
    m_actionDrop->setObjectName(QStringLiteral("actionDropDevice"));
    m_actionCheckAll = new QAction(tr("Проверить связь"), this);
    m_actionCheckAll->setObjectName(QStringLiteral("actionCheckConnection"));
    m_actionCheckAll->setToolTip(tr("Проверить связь со всеми ККТ списка, у которых есть адрес"));
    connect(m_actionCheckAll, &QAction::triggered, this, &MainWindow::checkShown);
    m_actionInventory = new QAction(tr("Сводка по ККТ…"), this);
    m_actionInventory->setObjectName(QStringLiteral("actionInventory"));
    m_actionInventory->setToolTip(tr("Что за ККТ в списке: регистрация, ОФД, номенклатура, замечания"));
    connect(m_actionInventory, &QAction::triggered, this, &MainWindow::showInventory);

    auto *centralWidget = new QWidget(this);
    centralWidget->setObjectName(QStringLiteral("centralWidget"));
    auto *gridLayout = new QGridLayout(centralWidget);
    gridLayout->setObjectName(QStringLiteral("gridLayout"));
    gridLayout->setSpacing(6);
    gridLayout->setContentsMargins(11, 11, 11, 11);

    m_deviceTable = new QTableView(centralWidget);
    m_deviceTable->setObjectName(QStringLiteral("deviceTable"));
    m_deviceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_deviceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_deviceTable->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_deviceTable, &QWidget::customContextMenuRequested, this, &MainWindow::showContextMenu);
    gridLayout->addWidget(m_deviceTable, 0, 0);
    setCentralWidget(centralWidget);
    setupRowActions();

    auto *menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    setMenuBar(menuBar);
    QMenu *menuDevices = menuBar->addMenu(tr("ККТ"));
    menuDevices->setObjectName(QStringLiteral("menuDevices"));
    menuDevices->addActions({ m_actionNew, m_actionDrop, m_actionCheckAll });
    menuDevices->addSeparator();
    menuDevices->addAction(m_actionInventory);
    // Where a user looks for the version when calling support.
    QMenu *menuHelp = menuBar->addMenu(tr("Справка"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    QAction *actionGuide = menuHelp->addAction(tr("Руководство пользователя"));
    actionGuide->setObjectName(QStringLiteral("actionUserGuide"));
    actionGuide->setShortcut(QKeySequence(Qt::Key_F1));
    connect(actionGuide, &QAction::triggered, this, [this] { showUserGuide(this); });
    menuHelp->addSeparator();
    QAction *actionJournal = menuHelp->addAction(tr("Журнал обмена"));
    actionJournal->setObjectName(QStringLiteral("actionExchangeJournal"));
    connect(actionJournal, &QAction::triggered, this, &MainWindow::showJournal);
    QAction *actionDiagnostics = menuHelp->addAction(tr("Сохранить диагностику…"));
    actionDiagnostics->setObjectName(QStringLiteral("actionSaveDiagnostics"));
    connect(actionDiagnostics, &QAction::triggered, this, &MainWindow::onSaveDiagnostics);
    menuHelp->addSeparator();
    QAction *actionAbout = menuHelp->addAction(tr("О программе"));
    actionAbout->setObjectName(QStringLiteral("actionAbout"));
    connect(actionAbout, &QAction::triggered, this, &MainWindow::showAbout);

    auto *mainToolBar = new QToolBar(this);
    mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    addToolBar(Qt::TopToolBarArea, mainToolBar);
    mainToolBar->addAction(m_actionNew);
    mainToolBar->addAction(m_actionDrop);
    mainToolBar->addAction(m_actionCheckAll);
    mainToolBar->addAction(m_actionInventory);

    // The search field sits above the table, in a bar of its own below the tools.
    auto *filterBar = new QToolBar(tr("Поиск"), this);
    filterBar->setObjectName(QStringLiteral("filterToolBar"));
    filterBar->setMovable(false);
    filterBar->toggleViewAction()->setVisible(false);
    m_filter = new QLineEdit(filterBar);
    m_filter->setObjectName(QStringLiteral("filterEdit"));
    m_filter->setPlaceholderText(tr("Поиск по номеру, наименованию или адресу"));
    m_filter->setClearButtonEnabled(true);
    filterBar->addWidget(m_filter);
    addToolBarBreak(Qt::TopToolBarArea);
    addToolBar(Qt::TopToolBarArea, filterBar);
    auto *find = new QShortcut(QKeySequence::Find, this);
    connect(find, &QShortcut::activated, this, [this] {
        m_filter->setFocus(Qt::ShortcutFocusReason);
        m_filter->selectAll();
    });
    auto *clearFilter
        = new QShortcut(QKeySequence(Qt::Key_Escape), m_filter, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clearFilter, &QShortcut::activated, m_filter, &QLineEdit::clear);
    // Enter in the search field goes on to the first register found.
    connect(m_filter, &QLineEdit::returnPressed, this, [this] {
        if (m_sortProxy->rowCount() == 0)
            return;
        if (!selectedRow().isValid())
            m_deviceTable->selectRow(0);
        m_deviceTable->setFocus(Qt::OtherFocusReason);
    });

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    setStatusBar(statusBar);
}

void MainWindow::setupRowActions()
{
    // Keys that act on the selected row work while the table has the focus,
    // so that Delete and Enter in the search field keep their usual meaning.
    const auto rowAction = [this](QAction *action, const QList<QKeySequence> &keys) {
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        m_deviceTable->addAction(action);
    };
    m_actionOpen = new QAction(tr("Открыть"), this);
    m_actionOpen->setObjectName(QStringLiteral("actionOpenDevice"));
    rowAction(m_actionOpen, { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) });
    connect(m_actionOpen, &QAction::triggered, this, &MainWindow::openSelected);
    m_actionRename = new QAction(tr("Переименовать"), this);
    m_actionRename->setObjectName(QStringLiteral("actionRenameDevice"));
    rowAction(m_actionRename, { QKeySequence(Qt::Key_F2) });
    connect(m_actionRename, &QAction::triggered, this, &MainWindow::renameSelected);
    m_actionCheckOne = new QAction(tr("Проверить связь"), this);
    m_actionCheckOne->setObjectName(QStringLiteral("actionCheckDevice"));
    connect(m_actionCheckOne, &QAction::triggered, this, &MainWindow::checkSelected);
    rowAction(m_actionDrop, { QKeySequence(QKeySequence::Delete) });
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, tr("О программе"),
                       tr("<h3>Korvant Utility 3</h3>"
                          "<p>Версия %1</p>"
                          "<p>Настройка онлайн-касс (ККТ) Korvant по локальной сети: список ККТ, "
                          "параметры, номенклатура товаров, профили.</p>"
                          "<p>Собрано с Qt %2, работает с Qt %3.</p>"
                          "<p>© Korvant Engineering</p>")
                           .arg(QString::fromLatin1(KorvantVersion), QStringLiteral(QT_VERSION_STR),
                                QString::fromLatin1(qVersion())));
}

void MainWindow::showJournal()
{
    // One journal window; asked again, it comes to the front.
    if (!m_journalWindow) {
        m_journalWindow = new ExchangeJournalWindow(ExchangeJournal::instance(), this);
        m_journalWindow->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_journalWindow->show();
    m_journalWindow->raise();
    m_journalWindow->activateWindow();
}

void MainWindow::onSaveDiagnostics()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("korvant-diagnostics-%1.txt")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"))));
    const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить диагностику"), suggested,
                                                      tr("Текстовые файлы (*.txt);;Все файлы (*)"));
    if (!path.isEmpty())
        saveDiagnostics(path);
}

bool MainWindow::saveDiagnostics(const QString &path)
{
    QString error;
    if (!Diagnostics::save(path, Diagnostics::text(Diagnostics::current()), &error)) {
        QMessageBox::warning(this, tr("Сохранить диагностику"), error);
        return false;
    }
    statusBar()->showMessage(tr("Диагностика сохранена в файл %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void MainWindow::setDeviceOpener(DeviceOpener opener)
{
    m_opener = std::move(opener);
}

int MainWindow::sourceRow(const QModelIndex &viewIndex) const
{
    // The font proxy maps rows one to one onto the table model.
    return m_sortProxy->mapToSource(viewIndex).row();
}

QModelIndex MainWindow::selectedRow() const
{
    const QItemSelectionModel *selection = m_deviceTable->selectionModel();
    if (!selection)
        return {};
    const QModelIndexList rows = selection->selectedRows(0);
    return rows.size() == 1 ? rows.first() : QModelIndex();
}

void MainWindow::selectSerial(const QString &serial)
{
    const int row = m_tableModel->rowOf(serial);
    if (row < 0)
        return;
    const QModelIndex shown
        = m_sortProxy->mapFromSource(m_fontProxy->mapFromSource(m_tableModel->index(row, 0)));
    if (shown.isValid()) {
        m_deviceTable->selectRow(shown.row());
        m_deviceTable->scrollTo(shown);
    }
}

void MainWindow::updateActions()
{
    const bool one = selectedRow().isValid();
    m_actionDrop->setEnabled(one);
    m_actionOpen->setEnabled(one);
    m_actionRename->setEnabled(one);
    const bool idle = !m_check->isRunning();
    m_actionCheckOne->setEnabled(one && idle);
    m_actionCheckAll->setEnabled(idle && m_sortProxy->rowCount() > 0);
    m_actionInventory->setEnabled(m_tableModel->rowCount() > 0);
}

void MainWindow::showContextMenu(const QPoint &pos)
{
    const QModelIndex index = m_deviceTable->indexAt(pos);
    QMenu menu(this);
    if (index.isValid()) {
        m_deviceTable->selectRow(index.row());
        menu.addAction(m_actionOpen);
        menu.setDefaultAction(m_actionOpen);
        menu.addAction(m_actionRename);
        menu.addAction(m_actionCheckOne);
        menu.addSeparator();
        menu.addAction(m_actionDrop);
    } else {
        menu.addAction(m_actionNew);
        menu.addAction(m_actionCheckAll);
    }
    menu.exec(m_deviceTable->viewport()->mapToGlobal(pos));
}

void MainWindow::on_actionNewDevice_triggered()
{
    // The dialog stores the new entry itself.
    RegisterDeviceDialog dialog(this);
    if (dialog.exec() == QDialog::Accepted)
        m_tableModel->loadFromRegistry();
}

void MainWindow::on_deviceTable_doubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    openDevice(m_tableModel->entryAt(sourceRow(index)));
}

void MainWindow::openDevice(const DeviceEntry &entry)
{
    if (m_opener) {
        m_opener(entry);
        return;
    }
    auto *window = new DeviceWindow(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setWindowModality(Qt::WindowModal);
    window->setDevice(entry.serial, entry.version, entry.name, entry.addr);
    connect(window, &DeviceWindow::updateRegistry, m_tableModel, &DeviceTableModel::loadFromRegistry);
    window->show();
}

void MainWindow::openSelected()
{
    // The same way as a double-click.
    const QModelIndex row = selectedRow();
    if (row.isValid())
        on_deviceTable_doubleClicked(row);
}

void MainWindow::renameSelected()
{
    const QModelIndex row = selectedRow();
    if (!row.isValid())
        return;
    const DeviceEntry entry = m_tableModel->entryAt(sourceRow(row));
    QInputDialog input(this);
    input.setWindowTitle(tr("Переименование ККТ"));
    input.setLabelText(tr("Наименование ККТ %1:").arg(entry.serial));
    input.setTextValue(entry.name);
    input.setCancelButtonText(tr("Отмена"));
    if (auto *edit = input.findChild<QLineEdit *>()) {
        edit->setMaxLength(NameMaxLength);
        edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 40);
    }
    fitWindowTitle(&input);
    if (input.exec() != QDialog::Accepted)
        return;
    const QString name = input.textValue().trimmed();
    if (name == entry.name)
        return;
    {
        DeviceRegistry registry;
        registry.setDeviceName(entry.serial, name);
        registry.save();
    }
    m_tableModel->loadFromRegistry();
    selectSerial(entry.serial);
}

void MainWindow::checkShown()
{
    QList<int> rows;
    for (int r = 0; r < m_sortProxy->rowCount(); ++r)
        rows.append(sourceRow(m_sortProxy->index(r, 0)));
    checkRows(rows);
}

void MainWindow::checkSelected()
{
    const QModelIndex row = selectedRow();
    if (row.isValid())
        checkRows({ sourceRow(row) });
}

void MainWindow::checkRows(const QList<int> &rows)
{
    if (m_check->isRunning())
        return;
    QList<ConnectionCheck::Target> targets;
    for (const int row : rows) {
        const DeviceEntry e = m_tableModel->entryAt(row);
        if (e.addr.isEmpty()) {
            m_tableModel->setLinkStatus(e.serial, e.addr, DeviceTableModel::LinkStatus::NoAddress);
            continue;
        }
        m_tableModel->setLinkStatus(e.serial, e.addr, DeviceTableModel::LinkStatus::Checking);
        targets.append({ e.serial, e.addr });
    }
    if (targets.isEmpty()) {
        statusBar()->showMessage(tr("Нет ККТ с адресом для проверки"), 5000);
        return;
    }
    m_checkTotal = targets.size();
    m_checkDone = 0;
    m_checkSilent = 0;
    m_check->setMaxParallel(FleetSettings::jobs());
    m_check->start(targets);
    statusBar()->showMessage(tr("Проверка связи: 0 из %1").arg(m_checkTotal));
    updateActions();
}

void MainWindow::onChecked(const QString &serial, const QString &addr, bool answered)
{
    m_tableModel->setLinkStatus(
        serial, addr, answered ? DeviceTableModel::LinkStatus::Online : DeviceTableModel::LinkStatus::Silent);
    ++m_checkDone;
    if (!answered)
        ++m_checkSilent;
    statusBar()->showMessage(tr("Проверка связи: %1 из %2").arg(m_checkDone).arg(m_checkTotal));
}

void MainWindow::onCheckFinished()
{
    statusBar()->showMessage(
        tr("Связь проверена: в сети %1, нет связи %2").arg(m_checkTotal - m_checkSilent).arg(m_checkSilent));
    updateActions();
}

void MainWindow::showInventory()
{
    QList<DeviceEntry> selected;
    if (const QModelIndex row = selectedRow(); row.isValid())
        selected.append(m_tableModel->entryAt(sourceRow(row)));
    auto *dialog = new InventoryDialog(m_tableModel->records().toList(), selected, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    dialog->refresh();
}

void MainWindow::on_actionDropDevice_triggered()
{
    const QItemSelectionModel *selection = m_deviceTable->selectionModel();
    if (!selection || !selection->hasSelection())
        return;
    const QModelIndexList rows = selection->selectedRows(0);
    if (rows.size() != 1)
        return;
    const QString serial = m_tableModel->entryAt(sourceRow(rows.first())).serial;
    if (serial.isEmpty())
        return;

    // Deleting also drops the stored parameters: "No" is the safe answer to a stray Enter.
    if (!askYesNo(this, tr("Удаление ККТ"), tr("Удалить запись о ККТ %1 вместе с данными?").arg(serial),
                  DefaultAnswer::No))
        return;

    {
        DeviceRegistry registry;
        registry.removeDevice(serial);
        registry.save();
    }
    DeviceProfile().remove(serial);
    m_tableModel->loadFromRegistry();
}

MainWindowSettings MainWindow::currentSettings() const
{
    MainWindowSettings s;
    s.geometry = saveGeometry();
    s.sortColumn = m_deviceTable->horizontalHeader()->sortIndicatorSection();
    s.sortOrder = m_deviceTable->horizontalHeader()->sortIndicatorOrder();
    return s;
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    const MainWindowSettings now = currentSettings();
    if (now != m_loadedSettings && now.save())
        m_loadedSettings = now;
    QMainWindow::closeEvent(event);
}
