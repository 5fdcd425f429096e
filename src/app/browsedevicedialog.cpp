#include "browsedevicedialog.h"

#include "app/browsetablemodel.h"
#include "link/devicefinder.h"
#include "link/deviceprogressdialog.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPushButton>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

namespace {

BrowseDeviceDialog::ScanSetup &scanSetup()
{
    static BrowseDeviceDialog::ScanSetup setup;
    return setup;
}

} // namespace

BrowseDeviceDialog::BrowseDeviceDialog(QWidget *parent)
    : QDialog(parent)
{
    m_model = new BrowseTableModel(this);
    m_table = new QTableView(this);
    m_table->setModel(m_model);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    // So that the minimum width below shows all three headers.
    m_table->setSizeAdjustPolicy(QAbstractScrollArea::AdjustToContents);
    m_refresh = new QPushButton(tr("Обновить"), this);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_refresh, 0);
    setMinimumWidth(sizeHint().width());
    setWindowTitle(tr("Обзор ККТ в локальной сети"));

    connect(m_table, &QTableView::doubleClicked, this, &BrowseDeviceDialog::pickDevice);
    connect(m_refresh, &QPushButton::clicked, this, &BrowseDeviceDialog::setupTable);
}

void BrowseDeviceDialog::setScanSetup(ScanSetup setup)
{
    scanSetup() = std::move(setup);
}

void BrowseDeviceDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    QTimer::singleShot(50, this, &BrowseDeviceDialog::setupTable);
}

void BrowseDeviceDialog::setupTable()
{
    m_refresh->setEnabled(false);

    DeviceProgressDialog progress(this, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    progress.setLabelText(tr("Поиск ККТ..."));
    progress.reset();

    auto *finder = new DeviceFinder;
    finder->setTimeout(1000);
    finder->setPort(8090);
    if (scanSetup())
        scanSetup()(*finder);
    auto *thread = new QThread;
    finder->moveToThread(thread);

    connect(thread, &QThread::started, finder, &DeviceFinder::run);
    connect(finder, &DeviceFinder::received, &progress, &QProgressDialog::setValue);
    // The finder's thread is blocked in run(); the stop flag has its own lock.
    connect(&progress, &QProgressDialog::canceled, finder, &DeviceFinder::stop, Qt::DirectConnection);
    connect(finder, &DeviceFinder::finished, this, &BrowseDeviceDialog::onScanFinished);
    connect(thread, &QThread::finished, finder, &QObject::deleteLater);
    connect(thread, &QThread::finished, thread, &QObject::deleteLater);

    // Only the finder's end closes the progress window (a cancel asks it to stop
    // after its current wait), so a new scan can never overlap this one.
    progress.runUntil(finder, &DeviceFinder::finished, [thread] {
        thread->start(QThread::InheritPriority);
        return true;
    });
    // The finder lives until its thread is told to quit. Unlink it from the
    // progress window first, on this thread: the finder is deleted on its own
    // thread, and the window goes with this function.
    disconnect(&progress, nullptr, finder, nullptr);
    disconnect(finder, nullptr, &progress, nullptr);
    thread->quit();

    m_refresh->setEnabled(true);
}

void BrowseDeviceDialog::onScanFinished()
{
    auto *finder = qobject_cast<DeviceFinder *>(sender());
    if (!finder)
        return;
    const QByteArray result = finder->result();
    if (result.isEmpty())
        return;
    const QJsonDocument doc = QJsonDocument::fromJson(result);
    if (doc.isArray())
        m_model->setDevices(doc.array());
}

void BrowseDeviceDialog::pickDevice(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const BrowseTableModel::Entry e = m_model->entryAt(index.row());
    m_selectedSerial = e.serial;
    m_selectedAddress = e.address;
    m_selectedMac = e.mac;
    accept();
}
