#include "browsedevicedialog.h"

#include "app/browsetablemodel.h"
#include "link/devicefinder.h"
#include "link/deviceprogressdialog.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QJsonDocument>
#include <QKeyEvent>
#include <QPushButton>
#include <QStyle>
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
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    fitTableToColumns();
    m_refresh = new QPushButton(tr("Обновить"), this);
    // Enter belongs to the list (it picks a register); a stray one must never
    // start another broadcast.
    m_refresh->setAutoDefault(false);
    m_refresh->setDefault(false);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table, 1);
    layout->addWidget(m_refresh, 0);
    setMinimumWidth(sizeHint().width());
    setWindowTitle(tr("Обзор ККТ в локальной сети"));
    // Opens showing several rows, and may then be made smaller.
    resize(sizeHint());
    m_table->setMinimumHeight(m_table->minimumHeight() / 3);

    connect(m_table, &QTableView::doubleClicked, this, &BrowseDeviceDialog::pickDevice);
    connect(m_refresh, &QPushButton::clicked, this, &BrowseDeviceDialog::setupTable);
}

void BrowseDeviceDialog::fitTableToColumns()
{
    // Wide enough for the longest serial number, address and MAC address
    // with their headers, and high enough for several registers (only as a
    // start: see the constructor).
    constexpr int VisibleRows = 8;
    const QFontMetrics fm(m_table->font());
    const QString widest[] = { QStringLiteral("0000000000000000"), QStringLiteral("255.255.255.255"),
                               QStringLiteral("00:00:00:00:00:00") };
    const QHeaderView *header = m_table->horizontalHeader();
    const int cellPadding = 2 * fm.horizontalAdvance(QLatin1Char('M'));
    int width = 2 * m_table->frameWidth() + m_table->verticalHeader()->sizeHint().width()
        + m_table->style()->pixelMetric(QStyle::PM_ScrollBarExtent)
        + fm.horizontalAdvance(QStringLiteral("999"));
    for (int column = 0; column < BrowseTableModel::ColumnCount; ++column) {
        const int text = fm.horizontalAdvance(widest[column]);
        width += qMax(header->sectionSizeHint(column), text + cellPadding);
    }
    const int height = 2 * m_table->frameWidth() + header->sizeHint().height()
        + VisibleRows * m_table->verticalHeader()->defaultSectionSize();
    m_table->setMinimumSize(width, height);
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

void BrowseDeviceDialog::keyPressEvent(QKeyEvent *event)
{
    // The list lets Enter through after it has seen it.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_table->hasFocus()) {
        const QModelIndexList rows = m_table->selectionModel()->selectedRows();
        if (rows.size() == 1) {
            pickDevice(rows.first());
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void BrowseDeviceDialog::setupTable()
{
    m_refresh->setEnabled(false);

    DeviceProgressDialog progress(this, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint);
    progress.setWindowTitle(windowTitle());
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
