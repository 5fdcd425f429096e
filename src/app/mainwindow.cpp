#include "mainwindow.h"

#include "app/appicon.h"
#include "app/appsettings.h"
#include "app/deviceproxymodel.h"
#include "app/deviceregistry.h"
#include "app/devicetablemodel.h"
#include "app/questionbox.h"
#include "app/registerdevicedialog.h"
#include "app/version.h"
#include "params/deviceprofile.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QApplication>
#include <QGridLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QStatusBar>
#include <QTableView>
#include <QToolBar>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent)
{
    setupUi();
    QMetaObject::connectSlotsByName(this);

    m_tableModel = new DeviceTableModel(this);
    m_fontProxy = new DeviceProxyModel(this);
    m_fontProxy->setSourceModel(m_tableModel);
    m_sortProxy = new QSortFilterProxyModel(this);
    m_sortProxy->setSourceModel(m_fontProxy);
    m_deviceTable->setModel(m_sortProxy);
    m_deviceTable->setSortingEnabled(true);
    m_deviceTable->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_deviceTable->horizontalHeader()->setStretchLastSection(true);

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

    m_tableModel->loadFromRegistry();
}

void MainWindow::setupUi()
{
    setObjectName(QStringLiteral("MainWindow"));
    resize(400, 300);
    setWindowTitle(tr("Korvant Utility 3"));
    setWindowIcon(appIcon());

    auto *actionNewDevice = new QAction(tr("Регистрация ККТ"), this);
    actionNewDevice->setObjectName(QStringLiteral("actionNewDevice"));
    auto *actionDropDevice = new QAction(tr("Удаление ККТ"), this);
    actionDropDevice->setObjectName(QStringLiteral("actionDropDevice"));

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
    gridLayout->addWidget(m_deviceTable, 0, 0);
    setCentralWidget(centralWidget);

    auto *menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    setMenuBar(menuBar);
    // Where a user looks for the version when calling support.
    QMenu *menuHelp = menuBar->addMenu(tr("Справка"));
    menuHelp->setObjectName(QStringLiteral("menuHelp"));
    QAction *actionAbout = menuHelp->addAction(tr("О программе"));
    actionAbout->setObjectName(QStringLiteral("actionAbout"));
    connect(actionAbout, &QAction::triggered, this, &MainWindow::showAbout);

    auto *mainToolBar = new QToolBar(this);
    mainToolBar->setObjectName(QStringLiteral("mainToolBar"));
    addToolBar(Qt::TopToolBarArea, mainToolBar);
    mainToolBar->addAction(actionNewDevice);
    mainToolBar->addAction(actionDropDevice);

    auto *statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("statusBar"));
    setStatusBar(statusBar);
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

void MainWindow::setDeviceOpener(DeviceOpener opener)
{
    m_opener = std::move(opener);
}

int MainWindow::sourceRow(const QModelIndex &viewIndex) const
{
    // The font proxy maps rows one to one onto the table model.
    return m_sortProxy->mapToSource(viewIndex).row();
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

    if (!askYesNo(this, tr("Удаление ККТ"), tr("Удалить запись о ККТ %1 вместе с данными?").arg(serial)))
        return;

    {
        DeviceRegistry registry;
        registry.removeDevice(serial);
        registry.save();
    }
    DeviceProfile().remove(serial);
    m_tableModel->loadFromRegistry();
}
