#include "devicewindow.h"

#include "app/deviceregistry.h"
#include "app/firmware.h"
#include "app/inputipdialog.h"
#include "app/questionbox.h"
#include "app/windowplacement.h"
#include "fleet/fleetgroup.h"
#include "goods/goodswindow.h"
#include "history/snapshotstore.h"
#include "history/snapshottaker.h"
#include "link/devicejob.h"
#include "link/devicejobrunner.h"
#include "link/reachability.h"
#include "link/resultexplanation.h"
#include "link/taggedrecord.h"
#include "params/deviceparams.h"
#include "params/deviceprofile.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"
#include "tabs/configtab52.h"
#include "tabs/configtab53.h"
#include "tabs/depttab.h"
#include "tabs/designtab.h"
#include "tabs/devicetab.h"
#include "tabs/ofdtab52.h"
#include "tabs/ofdtab53.h"
#include "tabs/orgtab52.h"
#include "tabs/orgtab53.h"
#include "tabs/positiontab.h"
#include "tabs/registrationtab52.h"
#include "tabs/registrationtab53.h"
#include "tabs/usertab52.h"
#include "tabs/usertab53.h"
#include "window/deviceissuewidget.h"
#include "window/fleetapplydialog.h"
#include "window/issuelistmodel.h"
#include "window/snapshotfailure.h"
#include "window/snapshothistorydialog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDebug>
#include <QDir>
#include <QGridLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>

#include <memory>

namespace {

// The family's tabs in tab order; an empty list for a version of neither family.
QList<DeviceWidget *> makeTabs(int family)
{
    if (family == 52)
        return { new ConfigTab52, new PositionTab, new UserTab52, new DeptTab,
                 new OrgTab52,    new DesignTab,   new OfdTab52,  new RegistrationTab52 };
    if (family == 53)
        return { new ConfigTab53, new PositionTab, new UserTab53, new DeptTab,
                 new OrgTab53,    new DesignTab,   new OfdTab53,  new RegistrationTab53 };
    return {};
}

const DeviceTab TabOrder[]
    = { DeviceTab::Config,       DeviceTab::Positions, DeviceTab::Users, DeviceTab::Departments,
        DeviceTab::Organisation, DeviceTab::Design,    DeviceTab::Ofd,   DeviceTab::Registration };

} // namespace

DeviceWindow::DeviceWindow(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    m_controller.setOrigin([this] { return tr("ККТ %1").arg(m_serial); });
    setupUi();
    updateActions();
}

void DeviceWindow::setupUi()
{
    setObjectName(QStringLiteral("DeviceWindow"));
    resize(1000, 620);

    auto *central = new QWidget(this);
    auto *grid = new QGridLayout(central);
    m_tabWidget = new QTabWidget(central);
    m_tabWidget->setObjectName(QStringLiteral("tabWidget"));
    // Arrows at both ends rather than a caption cut off, where the window is
    // narrower than all eight.
    m_tabWidget->setUsesScrollButtons(true);
    m_tabWidget->tabBar()->setElideMode(Qt::ElideNone);
    grid->addWidget(m_tabWidget, 0, 0);
    setCentralWidget(central);

    m_statusAddressLabel = new QLabel(this);
    m_statusAddressLabel->setObjectName(QStringLiteral("statusAddressLabel"));
    m_statusAddressLabel->setText(QStringLiteral(" 000.000.000.000 "));
    m_statusAddressLabel->setMinimumSize(m_statusAddressLabel->sizeHint());
    m_statusAddressLabel->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
    statusBar()->addPermanentWidget(m_statusAddressLabel, 0);
    m_statusLabel = new QLabel(this);
    m_statusLabel->setObjectName(QStringLiteral("statusMessageLabel"));
    statusBar()->addPermanentWidget(m_statusLabel, 1);

    QMenu *deviceMenu = menuBar()->addMenu(tr("&ККТ"));
    m_changeAddrAction
        = deviceMenu->addAction(tr("&Изменить адрес ККТ"), this, &DeviceWindow::onDeviceChangeAddr);
    m_changeAddrAction->setObjectName(QStringLiteral("actionDeviceChangeAddr"));
    m_importAction = deviceMenu->addAction(tr("&Загрузить из ККТ"), this, &DeviceWindow::onDeviceImport);
    m_importAction->setObjectName(QStringLiteral("actionDeviceImport"));
    m_importAction->setShortcut(QKeySequence(Qt::Key_F5));
    m_exportAction = deviceMenu->addAction(tr("&Выгрузить в ККТ"), this, &DeviceWindow::onDeviceExport);
    m_exportAction->setObjectName(QStringLiteral("actionDeviceExport"));
    // Two modifiers: a write to a fiscal register is not one stray key away.
    m_exportAction->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_W));
    QAction *applyAction
        = deviceMenu->addAction(tr("Применить к другим ККТ…"), this, &DeviceWindow::onApplyToOthers);
    applyAction->setObjectName(QStringLiteral("actionApplyToOthers"));
    // Offered whenever writing is: it writes the tabs' data too.
    connect(m_exportAction, &QAction::changed, applyAction,
            [this, applyAction] { applyAction->setEnabled(m_exportAction->isEnabled()); });

    QMenu *profileMenu = menuBar()->addMenu(tr("&Профиль"));
    m_saveProfileAction
        = profileMenu->addAction(tr("&Сохранить профиль"), this, &DeviceWindow::onProfileExport);
    m_saveProfileAction->setObjectName(QStringLiteral("actionProfileExport"));
    m_saveProfileAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_historyAction = profileMenu->addAction(tr("&История изменений…"), this, &DeviceWindow::onShowHistory);
    m_historyAction->setObjectName(QStringLiteral("actionHistory"));

    QMenu *dataMenu = menuBar()->addMenu(tr("&Данные"));
    m_validateAction = dataMenu->addAction(tr("&Проверить"), this, &DeviceWindow::onValidate);
    m_validateAction->setObjectName(QStringLiteral("actionValidate"));
    m_validateAction->setShortcut(QKeySequence(Qt::Key_F7));
    m_goodsAction = dataMenu->addAction(tr("&Номенклатура"), this, &DeviceWindow::onShowGoods);
    m_goodsAction->setObjectName(QStringLiteral("actionShowGoods"));
    dataMenu->addSeparator();
    m_revertTabAction
        = dataMenu->addAction(tr("Отменить изменения &вкладки"), this, &DeviceWindow::onRevertTab);
    m_revertTabAction->setObjectName(QStringLiteral("actionRevertTab"));
    m_revertAllAction = dataMenu->addAction(tr("Отменить &все изменения"), this, &DeviceWindow::onRevertAll);
    m_revertAllAction->setObjectName(QStringLiteral("actionRevertAll"));
    connect(m_tabWidget, &QTabWidget::currentChanged, this, &DeviceWindow::updateRevertActions);

    m_placeRemembered = WindowPlacement::restore(this, "DeviceWindow", size());
}

void DeviceWindow::setDevice(const QString &serial, const QString &version, const QString &name,
                             const QString &addr)
{
    m_name = name;
    setWindowTitle(tr("ККТ %1. Заводской номер %2").arg(name, serial));
    selectFamily(version);
    loadProfile(serial);
    m_address = addr;
    if (!addr.isEmpty())
        m_statusAddressLabel->setText(addr);
}

QStringList DeviceWindow::departmentNames(const DeviceParams &params)
{
    QStringList names;
    for (const DepartmentRecord &department : params.departments)
        names.append(department.name.text());
    return names;
}

void DeviceWindow::selectFamily(const QString &version)
{
    m_version = version;
    const int family = DeviceParams::familyOf(version);
    m_params = DeviceParams::create(version, this);
    m_tabs = makeTabs(family);
    for (int k = 0; k < m_tabs.size(); ++k) {
        DeviceWidget *tab = m_tabs.at(k);
        // Each page scrolls where the window is smaller than the page: the
        // window fits a small screen, its dock shown, without cutting a page.
        auto *page = new QScrollArea;
        page->setObjectName(QStringLiteral("tabPage"));
        page->setFrameShape(QFrame::NoFrame);
        page->setWidgetResizable(true);
        page->setWidget(tab);
        m_tabWidget->addTab(page, tabText(TabOrder[k], false));
        connect(tab, &DeviceWidget::changesChanged, this, [this, tab] { updateTabCaption(tab); });
    }
    // The users' position choices follow the positions tab as it is edited.
    auto *positions = qobject_cast<PositionTab *>(m_tabs.value(1));
    auto *users = qobject_cast<UserTab *>(m_tabs.value(2));
    if (positions && users)
        connect(positions, &PositionTab::namesChanged, users, &UserTab::setPositionNames);
    widenForTabs();
    updateActions();
}

void DeviceWindow::widenForTabs()
{
    // All eight captions in sight rather than behind scroll arrows, as far
    // as the screen allows (the tab widget's own size hint leaves them to
    // its arrows); never beyond the screen's free area.
    // A size the user chose is kept.
    if (m_placeRemembered)
        return;
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    const int needed = m_tabWidget->tabBar()->sizeHint().width() + margins.left() + margins.right() + 4;
    if (width() < needed)
        resize(needed, height());
    WindowPlacement::keepOnScreen(this);
}

QString DeviceWindow::tabText(DeviceTab tab, bool changed)
{
    // Where the mnemonic goes in each caption, in tab order: letters none of
    // the menus (К, П, Д) uses: ф, о, л, т, Р, з, Н, г.
    static const int mnemonic[] = { 3, 1, 2, 1, 0, 2, 0, 2 };
    QString text = tabCaption(tab);
    text.insert(mnemonic[int(tab)], QLatin1Char('&'));
    return changed ? text + QStringLiteral(" *") : text;
}

void DeviceWindow::updateTabCaption(DeviceWidget *tab)
{
    const int index = m_tabs.indexOf(tab);
    const int page = index;
    if (index < 0 || page >= m_tabWidget->count())
        return;
    const bool changed = tab->hasChanges();
    m_tabWidget->setTabText(page, tabText(TabOrder[index], changed));
    m_tabWidget->setTabToolTip(page,
                               changed ? tr("Есть изменения после загрузки или сохранения") : QString());
    updateRevertActions();
}

void DeviceWindow::updateRevertActions()
{
    DeviceWidget *current = m_tabs.value(m_tabWidget->currentIndex());
    m_revertTabAction->setEnabled(current && current->hasChanges());
    bool any = false;
    for (DeviceWidget *tab : qAsConst(m_tabs))
        any = any || tab->hasChanges();
    m_revertAllAction->setEnabled(any);
}

void DeviceWindow::takeBaseline()
{
    m_baseline = Images { m_paramImage, m_systemImage };
    for (DeviceWidget *tab : qAsConst(m_tabs))
        tab->takeBaseline();
    updateRevertActions();
}

void DeviceWindow::showStatus(const QString &text)
{
    m_statusLabel->setText(
        QStringLiteral(" %1 (%2)").arg(text, QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
}

void DeviceWindow::onRevertTab()
{
    const int index = m_tabWidget->currentIndex();
    DeviceWidget *tab = m_tabs.value(index);
    if (!m_params || !tab)
        return;
    std::unique_ptr<DeviceParams> loaded(DeviceParams::create(m_version));
    if (!loaded)
        return;
    loaded->fromImage(m_baseline.params, m_baseline.system);
    // The window's set takes the tab's groups as loaded, so that what the tab
    // shows again is what its fields hold.
    QStringList groups = FleetGroup::fieldGroups(TabOrder[index]);
    if (TabOrder[index] == DeviceTab::Registration)
        groups = QStringList(m_params->family() == 52 ? QStringLiteral("registrations")
                                                      : QStringLiteral("registrationIds"));
    for (const QString &group : qAsConst(groups))
        m_params->copyGroup(*loaded, group);
    tab->loadParams(*m_params);
    // The users' position names stay those the positions tab shows.
    auto *positions = qobject_cast<PositionTab *>(m_tabs.value(1));
    if (auto *users = qobject_cast<UserTab *>(tab); users && positions)
        users->setPositionNames(positions->names());
    updateTabCaption(tab);
}

void DeviceWindow::onRevertAll()
{
    if (!m_params)
        return;
    m_paramImage = m_baseline.params;
    m_systemImage = m_baseline.system;
    m_params->fromImage(m_paramImage, m_systemImage);
    for (DeviceWidget *tab : qAsConst(m_tabs))
        tab->loadParams(*m_params);
    for (DeviceWidget *tab : qAsConst(m_tabs))
        updateTabCaption(tab);
}

void DeviceWindow::loadProfile(const QString &serial)
{
    m_serial = serial;
    QString storedVersion;
    DeviceProfile().load(serial, storedVersion, m_goodsCapacity, m_paramImage, m_systemImage);
    m_imagesKnown = !m_paramImage.isEmpty();
    loadTabs();
    takeBaseline();
}

void DeviceWindow::loadTabs()
{
    if (m_params) {
        m_params->fromImage(m_paramImage, m_systemImage);
        for (DeviceWidget *tab : qAsConst(m_tabs))
            tab->loadParams(*m_params);
    }
    markUnchanged();
}

void DeviceWindow::collectParams()
{
    if (!m_params)
        return;
    for (DeviceWidget *tab : qAsConst(m_tabs))
        tab->saveParams(*m_params);
    m_params->toImage(m_paramImage, m_systemImage);
}

void DeviceWindow::clearFamily()
{
    if (m_issueDock)
        m_issueDock->model()->clear();
    delete m_params;
    // The pages own the tabs; the list goes first, so nothing reaches a tab
    // being deleted.
    m_tabs.clear();
    while (m_tabWidget->count() > 0) {
        QWidget *page = m_tabWidget->widget(0);
        m_tabWidget->removeTab(0);
        delete page;
    }
}

std::unique_ptr<DeviceParams> DeviceWindow::shownParams() const
{
    std::unique_ptr<DeviceParams> copy(DeviceParams::create(m_version));
    if (!copy)
        return copy;
    copy->fromImage(m_paramImage, m_systemImage);
    for (DeviceWidget *tab : m_tabs)
        tab->saveParams(*copy);
    return copy;
}

DeviceWindow::Images DeviceWindow::collectedImages() const
{
    Images images { m_paramImage, m_systemImage };
    if (const std::unique_ptr<DeviceParams> shown = shownParams())
        shown->toImage(images.params, images.system);
    return images;
}

void DeviceWindow::markUnchanged()
{
    m_unchanged = collectedImages();
}

bool DeviceWindow::hasUnsavedChanges() const
{
    return m_params && collectedImages() != m_unchanged;
}

void DeviceWindow::updateActions()
{
    // Without a family there is nothing to write, save, check or list goods for.
    const bool family = m_params != nullptr;
    m_exportAction->setEnabled(family);
    m_saveProfileAction->setEnabled(family);
    m_historyAction->setEnabled(family);
    m_validateAction->setEnabled(family);
    m_goodsAction->setEnabled(family);
}

bool DeviceWindow::answers(const QString &address) const
{
    if (address.isEmpty())
        return false;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int result = Reachability::pingFunction()(address, PingTimeoutMs);
    QApplication::restoreOverrideCursor();
    return result == 0;
}

void DeviceWindow::storeAddress(const QString &address)
{
    m_address = address;
    DeviceRegistry registry;
    registry.setDeviceAddress(m_serial, m_address);
    registry.save();
    emit updateRegistry();
    m_statusAddressLabel->setText(m_address);
}

void DeviceWindow::onDeviceImport()
{
    const QString title = tr("Загрузка из ККТ");
    if (!answers(m_address)) {
        QString candidate = m_address;
        do {
            candidate = InputIpDialog::getAddress(
                this, title, tr("ККТ по адресу %1 не доступен. Введите адрес:").arg(candidate));
            if (candidate.isEmpty()) {
                QMessageBox::warning(this, title, tr("ККТ по адресу %1 не доступен").arg(m_address));
                return;
            }
        } while (!answers(candidate));
        storeAddress(candidate);
    }

    m_readParamImage.clear();
    m_readSystemImage.clear();
    m_readVersion.clear();
    m_readSerial.clear();
    m_jobResult = DeviceJobRunner(this, m_controller).readParams(m_address, m_port);
    onDeviceImportFinished();
}

void DeviceWindow::onDeviceImportFinished()
{
    if (m_jobResult != ResultOk) {
        // A cancelled load ends here too, with the stop result.
        DeviceJobRunner::showFailure(this, QMessageBox::Warning, tr("Загрузка из ККТ"),
                                     tr("Ошибка загрузки. %1").arg(m_jobResult), m_jobResult);
        return;
    }
    m_readVersion
        = versionText(m_controller.versionMajor(), m_controller.versionMinor(), m_controller.versionBuild());
    m_readGoodsCapacity = m_controller.goodsCapacity();
    m_readSerial = m_controller.serial();
    for (const TaggedRecord::Record &record : TaggedRecord::parse(m_controller.data())) {
        if (record.tag == TaggedRecord::ParameterImageTag)
            m_readParamImage = record.bytes;
        else if (record.tag == TaggedRecord::SystemImageTag)
            m_readSystemImage = record.bytes;
    }
    applyRead();
}

void DeviceWindow::applyRead()
{
    qDebug().nospace().noquote() << "read version " << m_readVersion << ", serial " << m_readSerial
                                 << ", parameters " << m_readParamImage.size() << " bytes, system "
                                 << m_readSystemImage.size() << " bytes, goods capacity "
                                 << m_readGoodsCapacity;
    if (m_readSerial != m_serial) {
        QMessageBox::critical(
            this, tr("Загрузка из ККТ"),
            tr("Заводской номер ККТ %1 не совпадает с номером из профиля %2").arg(m_readSerial, m_serial));
        return;
    }

    rebuildTabs(m_readVersion, m_readGoodsCapacity, m_readParamImage, m_readSystemImage);
    takeBaseline();
    showStatus(tr("Параметры загружены из ККТ"));
}

void DeviceWindow::rebuildTabs(const QString &version, int goodsCapacity, const QByteArray &params,
                               const QByteArray &system)
{
    m_tabWidget->setUpdatesEnabled(false);
    clearFamily();
    selectFamily(version);
    m_tabWidget->setUpdatesEnabled(true);
    m_tabWidget->repaint();

    m_paramImage = params;
    m_systemImage = system;
    m_goodsCapacity = goodsCapacity;
    m_imagesKnown = !m_paramImage.isEmpty();
    loadTabs();
}

void DeviceWindow::onDeviceExport()
{
    const QString title = tr("Выгрузка в ККТ");
    if (!m_params)
        return;
    // A set never read from the register or a profile holds the family's
    // defaults: written, they would replace the register's own data (its
    // serial number and registration history among it).
    if (!m_imagesKnown) {
        QMessageBox::warning(this, title,
                             tr("Параметры ККТ ещё не загружены ни из ККТ, ни из профиля. Сначала "
                                "выполните «Загрузить из ККТ»: иначе в ККТ будут записаны значения по "
                                "умолчанию вместо её собственных данных."));
        return;
    }
    if (!answers(m_address)) {
        QMessageBox::warning(this, title, tr("ККТ по адресу %1 не доступен").arg(m_address));
        return;
    }
    // Nothing goes out with known problems unless the user says so.
    const int findings = runCheck(false);
    if (findings > 0)
        m_issueDock->show();
    if (findings > 0
        && !askYesNo(this, title,
                     tr("В параметрах найдены проблемы (%1). Выгрузить в ККТ всё равно?").arg(findings),
                     DefaultAnswer::No))
        return;
    // What the register holds now is kept before anything is written.
    if (!takeSnapshot())
        return;
    collectParams();

    QByteArray records;
    if (!m_paramImage.isEmpty())
        records += TaggedRecord::make(TaggedRecord::ParameterImageTag, m_paramImage);
    if (!m_systemImage.isEmpty())
        records += TaggedRecord::make(TaggedRecord::SystemImageTag, m_systemImage);
    m_jobResult = DeviceJobRunner(this, m_controller)
                      .writeParams(m_address, m_port, records, m_serial, m_params->family());
    onDeviceExportFinished();
}

bool DeviceWindow::takeSnapshot()
{
    DeviceJobRunner runner(this, m_controller);
    runner.setTitle(tr("Выгрузка в ККТ"));
    runner.setPendingLabel(tr("Снимок параметров ККТ перед записью..."));
    const SnapshotResult snapshot
        = SnapshotTaker(m_controller, SnapshotOrigin::DeviceWindow)
              .params([&] { return runner.readParams(m_address, m_port); }, m_serial, m_params->family());
    if (snapshot.ok())
        return true;
    if (snapshot.mismatch()) {
        // The same refusal as the write guard's, naming the register that answered.
        m_jobResult = snapshot.code;
        onDeviceExportFinished();
        return false;
    }
    if (snapshot.status == SnapshotResult::NotStored) {
        // The register's data was read, so it is the right one; only the
        // copy could not be kept. That is the user's call, not a dead end.
        const QString folder = QDir::toNativeSeparators(SnapshotStore().folder(m_serial));
        return askYesNo(this, tr("Выгрузка в ККТ"),
                        tr("Снимок текущих параметров ККТ не удалось сохранить в папке %1: %2.\n\nБез снимка "
                           "прежние параметры нельзя будет восстановить из истории изменений. Выгрузить в "
                           "ККТ без снимка?")
                            .arg(folder, snapshot.error),
                        DefaultAnswer::No);
    }
    showSnapshotFailure(this, tr("Выгрузка в ККТ"), snapshot);
    return false;
}

void DeviceWindow::onShowHistory()
{
    if (!m_params)
        return;
    // What the tabs hold now, on copies, as the close check sees it.
    ParamFile shown;
    shown.version = m_version;
    const Images images = collectedImages();
    shown.params = images.params;
    shown.system = images.system;
    SnapshotHistoryDialog dialog(
        SnapshotStore().list(m_serial, SnapshotKind::Params),
        tr("Отличия выбранного снимка от вкладок окна, по полям (как korvant-cli diff): «поле: в снимке -> "
           "во вкладках»."),
        [&shown](const SnapshotInfo &snapshot, QStringList *lines, QString *error) {
            ParamFile file;
            if (!SnapshotStore::loadParams(snapshot, &file, error))
                return false;
            *lines = paramSetDifferences(file, shown);
            return true;
        },
        this);
    if (dialog.exec() == QDialog::Accepted)
        restoreSnapshot(dialog.selected());
}

void DeviceWindow::restoreSnapshot(const SnapshotInfo &snapshot)
{
    const QString title = tr("История изменений");
    ParamFile file;
    QString error;
    if (!SnapshotStore::loadParams(snapshot, &file, &error)) {
        QMessageBox::warning(this, title, tr("Снимок не восстановлен: %1").arg(error));
        return;
    }
    if (file.serial != m_serial) {
        QMessageBox::critical(
            this, title,
            tr("Заводской номер ККТ %1 не совпадает с номером из профиля %2").arg(file.serial, m_serial));
        return;
    }
    if (DeviceParams::familyOf(file.version) == m_params->family()) {
        // The tabs stay, and with them what they were loaded with: what the
        // snapshot changes is marked as an edit would be.
        m_paramImage = file.params;
        m_systemImage = file.system;
        m_goodsCapacity = file.goodsCapacity;
        m_imagesKnown = !m_paramImage.isEmpty();
        loadTabs();
    } else {
        rebuildTabs(file.version, file.goodsCapacity, file.params, file.system);
        takeBaseline();
    }
    // Restored, the tabs hold what neither the profile nor the register
    // holds: closing asks, and nothing reaches the register until a write.
    m_unchanged = Images();
    QMessageBox::information(this, title,
                             tr("Снимок от %1 загружен во вкладки. В ККТ ничего не записано: чтобы записать "
                                "его, выполните «Выгрузить в ККТ».")
                                 .arg(snapshot.takenText()));
}

void DeviceWindow::onDeviceExportFinished()
{
    const QString title = tr("Выгрузка в ККТ");
    const DeviceController::Reported reported = m_controller.reported();
    switch (m_jobResult) {
    case ResultOk:
        markUnchanged();
        takeBaseline();
        showStatus(tr("Параметры выгружены в ККТ"));
        QMessageBox::information(this, title, tr("Выгрузка завершена успешно"));
        return;
    case ErrSerialMismatch:
        DeviceJobRunner::showFailure(
            this, QMessageBox::Critical, title,
            tr("Заводской номер ККТ %1 не совпадает с номером из профиля %2").arg(reported.serial, m_serial),
            m_jobResult);
        return;
    case ErrFamilyMismatch:
        DeviceJobRunner::showFailure(
            this, QMessageBox::Critical, title,
            tr("Версия ККТ %1 не совпадает с версией из профиля %2")
                .arg(versionText(reported.versionMajor, reported.versionMinor, reported.versionBuild),
                     m_version),
            m_jobResult);
        return;
    default:
        DeviceJobRunner::showFailure(this, QMessageBox::Warning, title,
                                     tr("Ошибка выгрузки. %1").arg(m_jobResult), m_jobResult,
                                     m_controller.writeBegun());
        return;
    }
}

void DeviceWindow::onApplyToOthers()
{
    // The tabs as they are now, on a copy: the window's own set and images stay.
    std::unique_ptr<DeviceParams> source = shownParams();
    if (!source)
        return;
    FleetApplyDialog dialog(std::move(source), m_serial, DeviceRegistry().entries(), this);
    dialog.setPort(m_port);
    if (!m_imagesKnown) {
        dialog.setSourceWarning(tr("Параметры этой ККТ не загружены ни из ККТ, ни из профиля: во вкладках "
                                   "значения по умолчанию и ваши правки."));
    }
    dialog.exec();
}

bool DeviceWindow::saveProfile()
{
    if (!m_params)
        return false;
    collectParams();
    const bool saved
        = DeviceProfile().save(m_serial, m_version, m_goodsCapacity, m_paramImage, m_systemImage);
    if (saved) {
        m_imagesKnown = true;
        markUnchanged();
        takeBaseline();
        showStatus(tr("Профиль сохранён"));
    } else {
        showStatus(tr("Профиль не сохранён"));
    }
    DeviceRegistry registry;
    registry.setDeviceVersion(m_serial, m_version);
    registry.save();
    emit updateRegistry();
    return saved;
}

void DeviceWindow::onProfileExport()
{
    saveProfile();
}

void DeviceWindow::onDeviceChangeAddr()
{
    const QString title = tr("Смена адреса ККТ");
    const QString prompt = tr("Введите адрес:");
    QString candidate = InputIpDialog::getAddress(this, title, prompt);
    if (candidate.isEmpty())
        return;
    while (!answers(candidate)) {
        // Enter never keeps an address that does not answer.
        if (askYesNo(this, title, tr("ККТ по адресу %1 не доступен. Все равно сменить адрес?").arg(candidate),
                     DefaultAnswer::No))
            break;
        candidate = InputIpDialog::getAddress(this, title, prompt);
        if (candidate.isEmpty())
            return;
    }
    storeAddress(candidate);
}

void DeviceWindow::onValidate()
{
    runCheck(true);
}

int DeviceWindow::runCheck(bool show)
{
    if (!m_issueDock) {
        m_issueDock = new DeviceIssueWidget(m_tabWidget, this);
        addDockWidget(Qt::BottomDockWidgetArea, m_issueDock);
        // A quarter of the window: the page above stays the larger part.
        resizeDocks({ m_issueDock }, { qMax(96, height() / 4) }, Qt::Vertical);
        m_issueDock->setVisible(show);
    } else if (show) {
        m_issueDock->show();
    }
    DeviceWidget::runValidation(m_tabs, m_issueDock);
    m_issueDock->setEmptyText(tr("Проблем не найдено"));
    return m_issueDock->model()->rowCount();
}

GoodsWindow *DeviceWindow::goodsWindow() const
{
    return m_goodsWindow;
}

void DeviceWindow::onShowGoods()
{
    // One goods window per register: a second would hold a second catalogue.
    if (m_goodsWindow) {
        m_goodsWindow->showNormal();
        m_goodsWindow->raise();
        m_goodsWindow->activateWindow();
        return;
    }
    // The names as the departments tab shows them now, edits not yet saved included.
    const std::unique_ptr<DeviceParams> shown = shownParams();
    if (!shown)
        return;
    openGoodsWindow(m_serial, m_goodsCapacity, m_address, m_port, departmentNames(*shown));
    m_goodsWindow->setDeviceName(m_name);
    // The register's own limits, once its parameters are known (not defaults).
    if (m_imagesKnown)
        m_goodsWindow->setRegisterSettings(*shown);
}

void DeviceWindow::openGoodsWindow(const QString &serial, int goodsCapacity, const QString &address,
                                   quint16 port, const QStringList &departmentNames)
{
    // Not modal: once open, the goods window and this one are used side by
    // side. It closes with this window, after its own question.
    auto *goods = new GoodsWindow(this, Qt::Window);
    goods->setAttribute(Qt::WA_DeleteOnClose);
    goods->setup(serial, goodsCapacity, address, port, departmentNames);
    goods->setFirmwareVersion(m_version);
    goods->show();
    m_goodsWindow = goods;
}

void DeviceWindow::closeEvent(QCloseEvent *event)
{
    WindowPlacement::remember(this, "DeviceWindow");
    // The goods window goes with this one: its own unsaved rows first.
    if (m_goodsWindow && !m_goodsWindow->close()) {
        event->ignore();
        return;
    }
    if (hasUnsavedChanges() && !mayCloseAfterSaving(this, [this] { return saveProfile(); })) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}
