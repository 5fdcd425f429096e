#include "inventorydialog.h"

#include "fleet/fleetrunner.h"
#include "fleet/fleetsettings.h"
#include "fleet/inventory.h"
#include "fleet/inventorymodel.h"
#include "goods/goodscsv.h"

#include <QColor>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSortFilterProxyModel>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableView>
#include <QVBoxLayout>

namespace {

// Lines that say what a register is not as it stands: the reachability in
// the main window's colours, a profile's lines in italics.
class InventoryLook : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole && index.column() == InventoryColumns::Link) {
            using Link = InventoryLine::Link;
            const auto link = Link(QIdentityProxyModel::data(index, InventoryModel::LinkRole).toInt());
            if (link == Link::Online)
                return QColor(0x1b, 0x7a, 0x2e);
            if (link == Link::Silent || link == Link::Failed)
                return QColor(0xb0, 0x1e, 0x1e);
        }
        if (role == Qt::FontRole
            && QIdentityProxyModel::data(index, InventoryModel::FromProfileRole).toBool()) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

InventoryDialog::InventoryDialog(const QList<DeviceEntry> &all, const QList<DeviceEntry> &selected,
                                 QWidget *parent)
    : QDialog(parent)
    , m_all(all)
    , m_selected(selected)
{
    setWindowTitle(tr("Сводка по ККТ"));
    resize(1180, 480);
    auto *layout = new QVBoxLayout(this);

    auto *choice = new QHBoxLayout;
    m_allButton = new QRadioButton(tr("Все ККТ списка (%1)").arg(m_all.size()), this);
    m_allButton->setObjectName(QStringLiteral("allRegisters"));
    m_selectedButton = new QRadioButton(
        m_selected.size() == 1 ? tr("Выбранная ККТ %1").arg(m_selected.first().serial) : tr("Выбранная ККТ"),
        this);
    m_selectedButton->setObjectName(QStringLiteral("selectedRegisters"));
    m_selectedButton->setEnabled(!m_selected.isEmpty());
    m_allButton->setChecked(true);
    auto *jobsLabel = new QLabel(tr("Одновременно ККТ:"), this);
    m_jobs = new QSpinBox(this);
    m_jobs->setObjectName(QStringLiteral("jobsBox"));
    m_jobs->setRange(1, FleetRunner::MaxJobs);
    m_jobs->setValue(FleetSettings::jobs());
    jobsLabel->setBuddy(m_jobs);
    m_refreshButton = new QPushButton(tr("Обновить"), this);
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_stopButton = new QPushButton(tr("Остановить"), this);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    choice->addWidget(m_allButton);
    choice->addWidget(m_selectedButton);
    choice->addStretch(1);
    choice->addWidget(jobsLabel);
    choice->addWidget(m_jobs);
    choice->addWidget(m_refreshButton);
    choice->addWidget(m_stopButton);
    layout->addLayout(choice);

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("statusLabel"));
    m_status->setWordWrap(true);
    layout->addWidget(m_status);

    m_model = new InventoryModel(this);
    m_sort = new QSortFilterProxyModel(this);
    m_sort->setSourceModel(m_model);
    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("inventoryTable"));
    auto *look = new InventoryLook(this);
    look->setSourceModel(m_sort);
    m_view->setModel(look);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    // The targets' order until a header is clicked.
    m_view->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    m_view->setSortingEnabled(true);
    layout->addWidget(m_view, 1);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_saveButton = buttons->addButton(tr("Сохранить…"), QDialogButtonBox::ActionRole);
    m_saveButton->setObjectName(QStringLiteral("saveButton"));
    layout->addWidget(buttons);

    connect(m_refreshButton, &QPushButton::clicked, this, &InventoryDialog::refresh);
    connect(m_stopButton, &QPushButton::clicked, this, [this] {
        if (m_inventory)
            m_inventory->cancel();
        updateButtons();
    });
    connect(m_saveButton, &QPushButton::clicked, this, &InventoryDialog::onSave);
    connect(buttons, &QDialogButtonBox::rejected, this, &InventoryDialog::reject);
    connect(m_allButton, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            refresh();
    });
    connect(m_selectedButton, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            refresh();
    });
    updateButtons();
}

InventoryDialog::~InventoryDialog() = default;

void InventoryDialog::refresh()
{
    if (m_inventory && m_inventory->isRunning())
        return;
    if (m_jobs->value() != FleetSettings::jobs())
        FleetSettings::setJobs(m_jobs->value());
    const QList<DeviceEntry> &entries = m_selectedButton->isChecked() ? m_selected : m_all;
    QList<InventoryTarget> targets;
    QHash<QString, QString> names;
    for (const DeviceEntry &e : qAsConst(m_all))
        names.insert(e.serial, e.name);
    for (const DeviceEntry &e : entries)
        targets.append({ e.addr, m_port, e.serial, e.name });

    m_inventory = std::make_unique<Inventory>();
    m_inventory->setJobs(m_jobs->value());
    m_inventory->setNames(names);
    m_inventory->setOrigin(windowTitle());
    connect(m_inventory.get(), &Inventory::lineChanged, this, &InventoryDialog::onLineChanged);
    connect(m_inventory.get(), &Inventory::finished, this, &InventoryDialog::onFinished);
    m_inventory->start(targets);
    m_model->setRecords(m_inventory->lines());
    m_view->resizeColumnsToContents();
    m_status->setText(tr("Опрос ККТ: 0 из %1...").arg(targets.size()));
    updateButtons();
}

void InventoryDialog::onLineChanged(int index)
{
    m_model->setRecord(index, m_inventory->lines().at(index));
    int done = 0;
    for (const InventoryLine &line : m_inventory->lines())
        done += line.link != InventoryLine::Link::Waiting;
    m_status->setText(tr("Опрос ККТ: %1 из %2...").arg(done).arg(m_inventory->lines().size()));
}

void InventoryDialog::onFinished()
{
    int online = 0, fromProfile = 0;
    for (const InventoryLine &line : m_inventory->lines()) {
        online += line.link == InventoryLine::Link::Online;
        fromProfile += line.fromProfile;
    }
    const int total = m_inventory->lines().size();
    m_status->setText(tr("Опрошено ККТ: %1; прочитано: %2; не прочитано: %3 (из них по профилю: %4).%5")
                          .arg(total)
                          .arg(online)
                          .arg(total - online)
                          .arg(fromProfile)
                          .arg(m_inventory->isCancelled() ? tr(" Опрос остановлен.") : QString()));
    m_view->resizeColumnsToContents();
    updateButtons();
}

void InventoryDialog::updateButtons()
{
    const bool running = m_inventory && m_inventory->isRunning();
    m_refreshButton->setEnabled(!running);
    m_stopButton->setEnabled(running && !m_inventory->isCancelled());
    m_saveButton->setEnabled(!running && m_inventory && !m_inventory->lines().isEmpty());
    m_allButton->setEnabled(!running);
    m_selectedButton->setEnabled(!running && !m_selected.isEmpty());
    m_jobs->setEnabled(!running);
}

bool InventoryDialog::save(const QString &path)
{
    // The lines as the table shows them, sorted or not.
    QVector<InventoryLine> shown;
    for (int row = 0; row < m_sort->rowCount(); ++row)
        shown.append(m_model->recordAt(m_sort->mapToSource(m_sort->index(row, 0)).row()));
    QString error;
    if (!saveCsvFile(path, csvTableBytes(InventoryColumns::table(shown)), &error)) {
        QMessageBox::warning(this, tr("Сохранить сводку"), error);
        return false;
    }
    m_status->setText(tr("Сводка сохранена в файл %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void InventoryDialog::onSave()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("korvant-inventory-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"))));
    const QString path = QFileDialog::getSaveFileName(this, tr("Сохранить сводку"), suggested,
                                                      tr("Файлы CSV (*.csv);;Все файлы (*)"));
    if (!path.isEmpty())
        save(path);
}

void InventoryDialog::done(int result)
{
    // Reads only: stopping them loses nothing.
    if (m_inventory)
        m_inventory->cancel();
    QDialog::done(result);
}
