#include "fleetrundialog.h"

#include "fleet/fleetrunner.h"
#include "fleet/fleetsettings.h"
#include "params/deviceparams.h"
#include "params/paramsdiff.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QDir>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum TargetColumn { SerialColumn, NameColumn, AddressColumn, NoteColumn };
enum OutcomeColumn { OutcomeSerial, OutcomeName, OutcomeAddress, OutcomeStatus };

// Index into the device list, kept on each target item.
constexpr int EntryRole = Qt::UserRole;

} // namespace

FleetRunDialog::FleetRunDialog(const QString &sourceSerial, QWidget *parent)
    : QDialog(parent)
    , m_sourceSerial(sourceSerial)
{
    resize(820, 660);
}

void FleetRunDialog::buildPages(const QString &intro, QWidget *choice, const QString &targetsTitle,
                                const QList<DeviceEntry> &devices)
{
    m_pages = new QStackedWidget(this);
    m_pages->addWidget(makeChoicePage(intro, choice, targetsTitle));
    m_pages->addWidget(makeRunPage());
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_pages);
    fillTargets(devices);
    updateStart();
}

FleetRunDialog::~FleetRunDialog() = default;

QWidget *FleetRunDialog::makeChoicePage(const QString &intro, QWidget *choice, const QString &targetsTitle)
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    auto *introLabel = new QLabel(intro, page);
    introLabel->setWordWrap(true);
    layout->addWidget(introLabel);
    m_warning = new QLabel(page);
    m_warning->setWordWrap(true);
    m_warning->setStyleSheet(QStringLiteral("color: #a04000;"));
    m_warning->hide();
    layout->addWidget(m_warning);
    if (choice)
        layout->addWidget(choice);

    auto *targetsBox = new QGroupBox(targetsTitle, page);
    auto *targetsLayout = new QVBoxLayout(targetsBox);
    m_targetList = new QTreeWidget(targetsBox);
    m_targetList->setObjectName(QStringLiteral("targetList"));
    m_targetList->setRootIsDecorated(false);
    m_targetList->setHeaderLabels({ tr("Заводской номер"), tr("Название"), tr("Адрес"), tr("Примечание") });
    connect(m_targetList, &QTreeWidget::itemChanged, this, &FleetRunDialog::updateStart);
    targetsLayout->addWidget(m_targetList);
    auto *all = new QPushButton(tr("Выбрать все доступные"), targetsBox);
    connect(all, &QPushButton::clicked, this, [this] {
        for (int i = 0; i < m_targetList->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = m_targetList->topLevelItem(i);
            if (item->flags() & Qt::ItemIsEnabled)
                item->setCheckState(SerialColumn, Qt::Checked);
        }
    });
    targetsLayout->addWidget(all, 0, Qt::AlignLeft);
    layout->addWidget(targetsBox, 1);

    auto *modeBox = new QGroupBox(tr("Подтверждение записи"), page);
    auto *modeLayout = new QVBoxLayout(modeBox);
    m_confirmEach = new QRadioButton(tr("Показать отличия каждой ККТ и подтвердить запись в неё"), modeBox);
    m_confirmEach->setObjectName(QStringLiteral("confirmEach"));
    m_confirmEach->setChecked(true);
    m_confirmAll = new QRadioButton(
        tr("Сначала показать отличия всех ККТ, затем подтвердить запись во все сразу"), modeBox);
    m_confirmAll->setObjectName(QStringLiteral("confirmAll"));
    modeLayout->addWidget(m_confirmEach);
    modeLayout->addWidget(m_confirmAll);
    auto *jobsRow = new QHBoxLayout;
    auto *jobsLabel = new QLabel(tr("Одновременно ККТ:"), modeBox);
    m_jobs = new QSpinBox(modeBox);
    m_jobs->setObjectName(QStringLiteral("jobsBox"));
    m_jobs->setRange(1, FleetRunner::MaxJobs);
    m_jobs->setValue(FleetSettings::jobs());
    m_jobs->setToolTip(tr("Со сколькими ККТ программа работает одновременно, каждая по своему соединению"));
    jobsLabel->setBuddy(m_jobs);
    jobsRow->addWidget(jobsLabel);
    jobsRow->addWidget(m_jobs);
    jobsRow->addStretch(1);
    modeLayout->addLayout(jobsRow);
    layout->addWidget(modeBox);

    auto *buttons = new QDialogButtonBox(page);
    m_startButton = buttons->addButton(tr("Далее"), QDialogButtonBox::AcceptRole);
    m_startButton->setObjectName(QStringLiteral("startButton"));
    buttons->addButton(QDialogButtonBox::Cancel);
    connect(buttons, &QDialogButtonBox::accepted, this, &FleetRunDialog::onStart);
    connect(buttons, &QDialogButtonBox::rejected, this, &FleetRunDialog::reject);
    layout->addWidget(buttons);
    return page;
}

QWidget *FleetRunDialog::makeRunPage()
{
    auto *page = new QWidget(this);
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    m_progressLabel = new QLabel(page);
    m_progressLabel->setObjectName(QStringLiteral("progressLabel"));
    m_progressLabel->setWordWrap(true);
    layout->addWidget(m_progressLabel);
    // The count beside the bar rather than on it, where a style draws it
    // half over the filled part in colours that need not read on both.
    auto *progressLine = new QHBoxLayout;
    m_progress = new QProgressBar(page);
    m_progress->setTextVisible(false);
    progressLine->addWidget(m_progress, 1);
    m_progressCount = new QLabel(page);
    m_progressCount->setObjectName(QStringLiteral("progressCount"));
    progressLine->addWidget(m_progressCount);
    layout->addLayout(progressLine);

    auto *splitter = new QSplitter(Qt::Vertical, page);
    m_table = new QTableWidget(0, 4, splitter);
    m_table->setObjectName(QStringLiteral("outcomeTable"));
    m_table->setHorizontalHeaderLabels({ tr("Заводской номер"), tr("Название"), tr("Адрес"), tr("Итог") });
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(m_table, &QTableWidget::itemSelectionChanged, this, &FleetRunDialog::showDetails);
    auto *detailsPane = new QWidget(splitter);
    auto *detailsLayout = new QVBoxLayout(detailsPane);
    detailsLayout->setContentsMargins(0, 0, 0, 0);
    m_detailsTitle = new QLabel(detailsPane);
    m_detailsTitle->setWordWrap(true);
    detailsLayout->addWidget(m_detailsTitle);
    m_details = new QPlainTextEdit(detailsPane);
    m_details->setObjectName(QStringLiteral("detailsView"));
    m_details->setReadOnly(true);
    m_details->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    detailsLayout->addWidget(m_details);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 2);
    layout->addWidget(splitter, 1);

    auto *buttons = new QHBoxLayout;
    m_writeButton = new QPushButton(tr("Записать"), page);
    m_writeButton->setObjectName(QStringLiteral("writeButton"));
    m_skipButton = new QPushButton(tr("Пропустить"), page);
    m_skipButton->setObjectName(QStringLiteral("skipButton"));
    m_stopButton = new QPushButton(tr("Остановить"), page);
    m_stopButton->setObjectName(QStringLiteral("stopButton"));
    m_closeButton = new QPushButton(tr("Закрыть"), page);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    connect(m_writeButton, &QPushButton::clicked, this, &FleetRunDialog::onWrite);
    connect(m_skipButton, &QPushButton::clicked, this, &FleetRunDialog::onSkip);
    connect(m_stopButton, &QPushButton::clicked, this, &FleetRunDialog::onStop);
    connect(m_closeButton, &QPushButton::clicked, this, &FleetRunDialog::accept);
    buttons->addStretch(1);
    for (QPushButton *b : { m_writeButton, m_skipButton, m_stopButton, m_closeButton }) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    return page;
}

void FleetRunDialog::setSourceWarning(const QString &text)
{
    m_warning->setText(text);
    m_warning->setVisible(!text.isEmpty());
}

QString FleetRunDialog::unavailableReason(const DeviceEntry &entry) const
{
    if (entry.serial == m_sourceSerial)
        return tr("эта ККТ");
    if (DeviceParams::familyOf(entry.version) == 0)
        return tr("версия %1 не поддерживается").arg(entry.version);
    if (entry.addr.isEmpty())
        return tr("нет адреса (зарегистрирована без него)");
    return QString();
}

void FleetRunDialog::fillTargets(const QList<DeviceEntry> &devices)
{
    // Registers that can be picked first, the others after them with the reason.
    QList<QTreeWidgetItem *> available, unavailable;
    for (int i = 0; i < devices.size(); ++i) {
        const DeviceEntry &e = devices.at(i);
        auto *item = new QTreeWidgetItem(
            { displayText(e.serial), displayText(e.name), e.addr.isEmpty() ? tr("—") : e.addr });
        item->setData(SerialColumn, EntryRole, i);
        const QString reason = unavailableReason(e);
        if (reason.isEmpty()) {
            item->setCheckState(SerialColumn, Qt::Unchecked);
            available.append(item);
        } else {
            item->setText(NoteColumn, reason);
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
            unavailable.append(item);
        }
    }
    m_targetList->addTopLevelItems(available + unavailable);
    for (int c = 0; c < m_targetList->columnCount(); ++c)
        m_targetList->resizeColumnToContents(c);
    m_devices = devices;
}

void FleetRunDialog::updateStart()
{
    bool target = false;
    for (int i = 0; i < m_targetList->topLevelItemCount(); ++i)
        target = target || m_targetList->topLevelItem(i)->checkState(SerialColumn) == Qt::Checked;
    m_startButton->setEnabled(target && choiceMade());
}

void FleetRunDialog::onStart()
{
    QList<FleetTarget> targets;
    for (int i = 0; i < m_targetList->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_targetList->topLevelItem(i);
        if (item->checkState(SerialColumn) != Qt::Checked || !(item->flags() & Qt::ItemIsEnabled))
            continue;
        const DeviceEntry &e = m_devices.at(item->data(SerialColumn, EntryRole).toInt());
        targets.append({ e.addr, m_port, e.serial, e.name });
    }
    if (targets.isEmpty() || !choiceMade())
        return;
    std::unique_ptr<FleetRun> run = makeRun();
    if (!run)
        return;

    m_table->setRowCount(targets.size());
    for (int row = 0; row < targets.size(); ++row) {
        const FleetTarget &t = targets.at(row);
        m_table->setItem(row, OutcomeSerial, new QTableWidgetItem(displayText(t.serial)));
        m_table->setItem(row, OutcomeName, new QTableWidgetItem(displayText(t.name)));
        m_table->setItem(row, OutcomeAddress, new QTableWidgetItem(t.address));
        m_table->setItem(row, OutcomeStatus, new QTableWidgetItem(tr("ожидает")));
    }
    m_table->resizeColumnsToContents();
    m_progress->setRange(0, targets.size());
    setProgress(0);
    m_writeButton->setEnabled(false);
    m_skipButton->setEnabled(false);
    m_skipButton->setVisible(m_confirmEach->isChecked());
    m_closeButton->setEnabled(false);
    m_pages->setCurrentIndex(1);

    if (m_jobs->value() != FleetSettings::jobs())
        FleetSettings::setJobs(m_jobs->value());
    m_run = std::move(run);
    m_run->setMode(m_confirmAll->isChecked() ? FleetRun::Mode::ConfirmAll : FleetRun::Mode::ConfirmEach);
    m_run->setJobs(m_jobs->value());
    m_run->setOrigin(windowTitle());
    connect(m_run.get(), &FleetRun::stepStarted, this, &FleetRunDialog::onStepStarted);
    connect(m_run.get(), &FleetRun::outcomeChanged, this, &FleetRunDialog::onOutcomeChanged);
    connect(m_run.get(), &FleetRun::confirmationNeeded, this, &FleetRunDialog::onConfirmationNeeded);
    connect(m_run.get(), &FleetRun::finished, this, &FleetRunDialog::onFinished);
    m_run->start(targets);
}

QString FleetRunDialog::targetText(int index) const
{
    const FleetTarget &t = m_run->outcomes().at(index).target;
    return tr("ККТ %1 (%2)").arg(displayText(t.serial), t.address);
}

int FleetRunDialog::doneCount() const
{
    int n = 0;
    for (const FleetOutcome &o : m_run->outcomes())
        n += o.status != FleetOutcome::Waiting && o.status != FleetOutcome::Compared;
    return n;
}

void FleetRunDialog::setProgress(int done)
{
    m_progress->setValue(done);
    m_progressCount->setText(tr("%1 из %2 ККТ").arg(done).arg(m_progress->maximum()));
}

void FleetRunDialog::setRowStatus(int index, const QString &text)
{
    m_table->item(index, OutcomeStatus)->setText(text);
}

void FleetRunDialog::onStepStarted(int index, FleetRun::Step step)
{
    m_steps.insert(index, step);
    setRowStatus(index, m_run->stepText(step) + QStringLiteral("..."));
    if (m_table->currentRow() < 0)
        m_table->selectRow(index);
    showRunning();
}

void FleetRunDialog::showRunning()
{
    // A question to the user stays in view while other registers proceed.
    if (m_run->awaiting() != FleetRun::NoTarget)
        return;
    const QString stopping = m_run->isCancelled()
        ? tr(" Остановка: новые ККТ не начинаются, начатая запись в ККТ завершается.")
        : QString();
    if (m_steps.size() == 1) {
        const int index = m_steps.firstKey();
        m_progressLabel->setText(tr("%1 из %2. %3: %4...%5")
                                     .arg(index + 1)
                                     .arg(m_run->outcomes().size())
                                     .arg(targetText(index), m_run->stepText(m_steps.first()), stopping));
    } else if (!m_steps.isEmpty()) {
        m_progressLabel->setText(tr("Готово %1 из %2 ККТ; одновременно в работе: %3 (шаг каждой — в столбце "
                                    "«Итог»).%4")
                                     .arg(doneCount())
                                     .arg(m_run->outcomes().size())
                                     .arg(m_steps.size())
                                     .arg(stopping));
    }
}

void FleetRunDialog::onOutcomeChanged(int index)
{
    const FleetOutcome &o = m_run->outcomes().at(index);
    setRowStatus(index, o.status == FleetOutcome::Compared ? tr("ждёт подтверждения") : o.statusText());
    if (o.status == FleetOutcome::Compared || o.final())
        m_steps.remove(index);
    setProgress(doneCount());
    if (m_table->currentRow() == index)
        showDetails();
}

void FleetRunDialog::onConfirmationNeeded(int index)
{
    m_writeButton->setEnabled(true);
    if (index == FleetRun::AllTargets) {
        int compared = 0;
        int first = -1;
        for (int i = 0; i < m_run->outcomes().size(); ++i) {
            if (m_run->outcomes().at(i).status == FleetOutcome::Compared) {
                ++compared;
                first = first < 0 ? i : first;
            }
        }
        m_writeButton->setText(tr("Записать во все (%1)").arg(compared));
        m_progressLabel->setText(tr("Отличия всех ККТ получены. Выберите строку, чтобы увидеть отличия ККТ; "
                                    "«Записать во все» запишет изменения в %1 ККТ, «Остановить» — ни в одну.")
                                     .arg(compared));
        m_table->selectRow(first);
    } else {
        m_skipButton->setEnabled(true);
        m_progressLabel->setText(tr("%1 из %2. %3: записать эти изменения?")
                                     .arg(index + 1)
                                     .arg(m_run->outcomes().size())
                                     .arg(targetText(index)));
        m_table->selectRow(index);
    }
    m_writeButton->setFocus();
}

void FleetRunDialog::onWrite()
{
    m_writeButton->setEnabled(false);
    m_skipButton->setEnabled(false);
    m_run->confirm(true);
    showRunning();
}

void FleetRunDialog::onSkip()
{
    m_writeButton->setEnabled(false);
    m_skipButton->setEnabled(false);
    m_run->confirm(false);
    showRunning();
}

void FleetRunDialog::onStop()
{
    if (!m_run || !m_run->isRunning())
        return;
    m_stopButton->setEnabled(false);
    m_writeButton->setEnabled(false);
    m_skipButton->setEnabled(false);
    m_run->cancel();
    showRunning();
}

void FleetRunDialog::onFinished()
{
    int verified = 0, unchanged = 0, failed = 0, skipped = 0;
    for (const FleetOutcome &o : m_run->outcomes()) {
        verified += o.status == FleetOutcome::Verified;
        unchanged += o.status == FleetOutcome::Unchanged;
        failed += o.failed();
        skipped += o.status == FleetOutcome::Skipped;
    }
    setProgress(m_progress->maximum());
    m_progressLabel->setText(
        tr("Готово. Записано и проверено: %1; без изменений: %2; не записано из-за ошибок "
           "или другой ККТ: %3; пропущено: %4. Выберите строку, чтобы увидеть подробности.")
            .arg(verified)
            .arg(unchanged)
            .arg(failed)
            .arg(skipped));
    m_writeButton->hide();
    m_skipButton->hide();
    m_stopButton->hide();
    m_closeButton->setEnabled(true);
    m_closeButton->setDefault(true);
    m_closeButton->setFocus();
    showDetails();
}

void FleetRunDialog::showDetails()
{
    const int row = m_table->currentRow();
    if (!m_run || row < 0 || row >= m_run->outcomes().size()) {
        m_detailsTitle->clear();
        m_details->clear();
        return;
    }
    const FleetOutcome &o = m_run->outcomes().at(row);
    QStringList lines = o.differences;
    if (lines.isEmpty() && (o.status == FleetOutcome::Unchanged || o.status == FleetOutcome::Verified))
        lines.append(tr("(отличий нет)"));
    m_detailsTitle->setText(lines.isEmpty() ? targetText(row) : differencesTitle().arg(targetText(row)));
    // Then what happened, each part after a blank line.
    const auto paragraph = [&lines](const QStringList &part) {
        if (part.isEmpty())
            return;
        if (!lines.isEmpty())
            lines.append(QString());
        lines += part;
    };
    QStringList outcome;
    for (const QString &text : { o.message, o.explanation }) {
        if (!text.isEmpty())
            outcome.append(text);
    }
    for (const QString &line : o.details)
        outcome.append(QStringLiteral("  ") + line);
    paragraph(outcome);
    if (!o.snapshot.path.isEmpty())
        paragraph({ tr("Снимок перед записью: %1").arg(QDir::toNativeSeparators(o.snapshot.path)) });
    m_details->setPlainText(lines.join(QLatin1Char('\n')));
}

void FleetRunDialog::reject()
{
    // While a register's steps run, closing means stopping after it.
    if (m_run && m_run->isRunning()) {
        onStop();
        return;
    }
    QDialog::reject();
}

void FleetRunDialog::closeEvent(QCloseEvent *event)
{
    if (m_run && m_run->isRunning()) {
        onStop();
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
