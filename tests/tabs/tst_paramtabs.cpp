#include "params/deviceparams52.h"
#include "params/deviceparams53.h"
#include "params/imagetestutil.h"
#include "sim/registersimulator.h"
#include "tabs/checkboxitemdelegate.h"
#include "tabs/deviceinfo.h"
#include "tabs/ofdtab52.h"
#include "tabs/ofdtab53.h"
#include "tabs/orgtab52.h"
#include "tabs/orgtab53.h"
#include "tabs/registrationtab52.h"
#include "tabs/registrationtab53.h"
#include "tabs/registrationtablemodel52.h"
#include "tabs/usertab52.h"
#include "tabs/usertab53.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <memory>

namespace {

struct Images
{
    QByteArray params;
    QByteArray system;
};

// The simulator's demo register of the family; the 2.52 one with a history
// of two registrations, the first one closed.
Images demoImages(int family)
{
    RegisterSimulator::Config config;
    config.family = family == 52 ? RegisterSimulator::Family252 : RegisterSimulator::Family253;
    config.discoveryPort = 0;
    RegisterSimulator sim(config);
    sim.fillDemoParameters();
    Images images { sim.parameterImage(), sim.systemImage() };
    if (family == 52) {
        DeviceParams52 p;
        p.fromImage(images.params, images.system);
        RegistrationRecord52 r;
        r.marker = RegistrationRecord52::Marker;
        r.setDateTime(QDateTime(QDate(2019, 3, 5), QTime(14, 7)));
        r.regNumber.setText("0000000001012345");
        r.inn.setText("7725012341");
        r.fnNumber.setText("9999078900001234");
        r.taxSystems = 0x03;
        r.workModes = 0x22;
        r.closed = 1;
        p.registrations.append(r);
        r.setDateTime(QDateTime(QDate(2021, 11, 30), QTime(9, 41)));
        r.fnNumber.setText("9999078900005678");
        r.taxSystems = 0x01;
        r.workModes = 0;
        r.closed = 0;
        p.registrations.append(r);
        p.toImage(images.params, images.system);
    }
    return images;
}

// Every byte set and every text field full; in 2.52 three history records.
Images patternImages(int family)
{
    Images images { patternImage(family == 52 ? 0xA00 : 0x1500), patternImage(0x400) };
    for (int slot = 0; slot < 3; ++slot)
        images.system[slot * 64] = char(RegistrationRecord52::Marker);
    images.system[3 * 64] = 0;
    return images;
}

std::unique_ptr<DeviceParams> paramsFrom(int family, const Images &images)
{
    std::unique_ptr<DeviceParams> p(DeviceParams::create(family == 52 ? "2.52.40" : "2.53.40"));
    p->fromImage(images.params, images.system);
    return p;
}

DeviceWidget *makeTab(const QString &name)
{
    if (name == "UserTab52")
        return new UserTab52;
    if (name == "UserTab53")
        return new UserTab53;
    if (name == "OrgTab52")
        return new OrgTab52;
    if (name == "OrgTab53")
        return new OrgTab53;
    if (name == "OfdTab52")
        return new OfdTab52;
    if (name == "OfdTab53")
        return new OfdTab53;
    if (name == "RegistrationTab52")
        return new RegistrationTab52;
    return new RegistrationTab53;
}

// An editor of a table cell made by its column's delegate and filled, as
// the view makes it when the cell is opened.
QWidget *openEditor(QTableView *view, int row, int column)
{
    const QModelIndex index = view->model()->index(row, column);
    QStyleOptionViewItem option;
    option.rect = view->visualRect(index);
    QAbstractItemDelegate *delegate = view->itemDelegate(index);
    QWidget *editor = delegate->createEditor(view->viewport(), option, index);
    delegate->setEditorData(editor, index);
    return editor;
}

void commit(QTableView *view, QWidget *editor, int row, int column)
{
    const QModelIndex index = view->model()->index(row, column);
    view->itemDelegate(index)->setModelData(editor, view->model(), index);
    delete editor;
}

bool refuses(const QLineEdit *edit, QString text)
{
    int pos = 0;
    return edit->validator() && edit->validator()->validate(text, pos) == QValidator::Invalid;
}

// A tab on a tab widget with a findings dock.
struct CheckFixture
{
    explicit CheckFixture(DeviceWidget *tab)
        : tab(tab)
    {
        tabs.addTab(tab, "tab");
    }

    // The findings as "widget name: text"; a finding naming another tab
    // would show as such.
    QStringList check(const DeviceInfo &info)
    {
        dock.model()->clear();
        tab->validate(&dock, info);
        QStringList out;
        for (int row = 0; row < dock.model()->rowCount(); ++row) {
            const auto issue = dock.model()->issue(row).dynamicCast<DeviceIssue>();
            const QString widget = issue->widget() ? issue->widget()->objectName() : QStringLiteral("(none)");
            out.append(QStringLiteral("%1%2: %3")
                           .arg(issue->tab() == tab ? QString() : QStringLiteral("(other tab) "), widget,
                                issue->text()));
        }
        return out;
    }

    QTabWidget tabs;
    DeviceWidget *tab;
    DeviceIssueWidget dock { &tabs };
};

} // namespace

class TestParamTabs : public QObject
{
    Q_OBJECT

private slots:
    void loadAndSaveKeepTheImage_data();
    void loadAndSaveKeepTheImage();
    void textEditsRefuseWhatTheRegisterCannotHold_data();
    void textEditsRefuseWhatTheRegisterCannotHold();

    void activeToggleFlipsOnlyItsBit_data();
    void activeToggleFlipsOnlyItsBit();
    void userCellEditors_data();
    void userCellEditors();
    void positionChoiceFollowsTheLoadedNames();
    void userFindingsTakeTheUserToTheTable();

    void emailShownWholeKeptUnlessEdited();
    void longName52SurvivesASave();
    void organisationFindingsPointAtTheirEdits();

    void operatorTimersAndPort53();
    void operatorPortAndNumber52();
    void operatorContribution();

    void registrationFindingsPointAtTheirEdits();
    void registrationHistoryEditors();
};

// Loaded and saved without an edit, every tab leaves both images as they
// were, byte for byte, also with full text fields, bytes the code page
// cannot decode, dates no calendar has and flag bits no one shows.
void TestParamTabs::loadAndSaveKeepTheImage_data()
{
    QTest::addColumn<QString>("tab");
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("pattern");
    for (const char *name : { "UserTab", "OrgTab", "OfdTab", "RegistrationTab" }) {
        for (int family : { 52, 53 }) {
            for (bool pattern : { false, true }) {
                const QString tab = QString::fromLatin1(name) + QString::number(family);
                QTest::addRow("%s %s", qPrintable(tab), pattern ? "pattern" : "demo")
                    << tab << family << pattern;
            }
        }
    }
}

void TestParamTabs::loadAndSaveKeepTheImage()
{
    QFETCH(QString, tab);
    QFETCH(int, family);
    QFETCH(bool, pattern);

    const Images images = pattern ? patternImages(family) : demoImages(family);
    const auto params = paramsFrom(family, images);
    // A timer outside its spin box's range is saved as the nearest end
    // (operatorTimersAndPort53): the 2.53 default connection timer of 30 s
    // becomes 40.
    QVERIFY(params->setValue("ofd.fnPollTimer", "30"));
    QVERIFY(params->setValue("ofd.connectTimer", "60"));
    Images expected = images;
    params->toImage(expected.params, expected.system);

    std::unique_ptr<DeviceWidget> widget(makeTab(tab));
    widget->loadParams(*params);
    widget->saveParams(*params);
    Images saved = images;
    params->toImage(saved.params, saved.system);
    QCOMPARE(saved.params, expected.params);
    QCOMPARE(saved.system, expected.system);
}

void TestParamTabs::textEditsRefuseWhatTheRegisterCannotHold_data()
{
    QTest::addColumn<QString>("tab");
    for (const char *name : { "OrgTab52", "OrgTab53", "OfdTab52", "OfdTab53", "RegistrationTab53" })
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestParamTabs::textEditsRefuseWhatTheRegisterCannotHold()
{
    QFETCH(QString, tab);
    std::unique_ptr<DeviceWidget> widget(makeTab(tab));
    const QList<QLineEdit *> edits = widget->findChildren<QLineEdit *>();
    QVERIFY(!edits.isEmpty());
    for (const QLineEdit *edit : edits) {
        QVERIFY2(refuses(edit, "Кафе ☕"), qPrintable(edit->objectName()));
        QVERIFY2(refuses(edit, "中文"), qPrintable(edit->objectName()));
    }
}

void TestParamTabs::activeToggleFlipsOnlyItsBit_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("click");
    QTest::newRow("2.53 click") << 53 << true;
    QTest::newRow("2.53 space") << 53 << false;
    QTest::newRow("2.52 click") << 52 << true;
    QTest::newRow("2.52 space") << 52 << false;
}

void TestParamTabs::activeToggleFlipsOnlyItsBit()
{
    QFETCH(int, family);
    QFETCH(bool, click);

    const auto params = paramsFrom(family, {});
    QVERIFY(params->setValue("users[1].flags", QString::number(0x8031)));
    std::unique_ptr<UserTab> tab(static_cast<UserTab *>(makeTab(family == 52 ? "UserTab52" : "UserTab53")));
    tab->loadParams(*params);
    tab->resize(900, 500);
    tab->show();
    QVERIFY(QTest::qWaitForWindowExposed(tab.get()));

    QTableView *view = tab->view();
    // The view shows the model through the proxy that marks changes.
    const QModelIndex cell = view->model()->index(1, tab->model()->column(UserTableModel::Active));
    if (click) {
        const QPoint inside = CheckBoxItemDelegate::indicatorRect(view->visualRect(cell)).center();
        // Beside the box nothing happens.
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
                          view->visualRect(cell).topLeft() + QPoint(1, 1));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, inside);
    } else {
        view->setCurrentIndex(cell);
        QTest::keyClick(view, Qt::Key_Space);
    }
    tab->saveParams(*params);
    ParamValue flags;
    QVERIFY(params->value("users[1].flags", &flags));
    QCOMPARE(flags.text, QString::number(0x8035));
}

void TestParamTabs::userCellEditors_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<QString>("clearedName"); // what clearing the name cell leaves
    QTest::addColumn<QStringList>("lineColumns"); // captions of the columns typed into
    QTest::newRow("2.53") << 53 << "Кассир 2" << QStringList { "Имя", "Штрихкод", "ИНН", "Полное имя" };
    QTest::newRow("2.52") << 52 << "" << QStringList { "Имя", "Штрихкод" };
}

void TestParamTabs::userCellEditors()
{
    QFETCH(int, family);
    QFETCH(QString, clearedName);
    QFETCH(QStringList, lineColumns);

    const auto params = paramsFrom(family, {});
    std::unique_ptr<UserTab> tab(static_cast<UserTab *>(makeTab(family == 52 ? "UserTab52" : "UserTab53")));
    tab->loadParams(*params);
    UserTableModel *model = tab->model();
    QTableView *view = tab->view();

    for (int column = 0; column < model->columnCount(); ++column) {
        if (!model->flags(model->index(1, column)).testFlag(Qt::ItemIsEditable))
            continue;
        const QString caption = model->headerData(column, Qt::Horizontal).toString();
        QWidget *editor = openEditor(view, 1, column);
        auto *edit = qobject_cast<QLineEdit *>(editor);
        QCOMPARE(edit != nullptr, lineColumns.contains(caption));
        if (edit) {
            QVERIFY2(refuses(edit, "☕"), qPrintable(caption));
            if (caption == "Штрихкод")
                QCOMPARE(refuses(edit, "12a"), family == 52);
        }
        delete editor;
    }

    const int name = model->column(UserTableModel::Name);
    QWidget *editor = openEditor(view, 1, name);
    static_cast<QLineEdit *>(editor)->clear();
    commit(view, editor, 1, name);
    QCOMPARE(model->rows().at(1).name, clearedName);
}

void TestParamTabs::positionChoiceFollowsTheLoadedNames()
{
    DeviceParams53 params;
    params.positions[2].setText("Бухгалтер");
    UserTab53 tab;
    tab.loadParams(params);
    tab.show();
    const int column = tab.model()->column(UserTableModel::Position);

    QWidget *editor = openEditor(tab.view(), 0, column);
    auto *combo = qobject_cast<QComboBox *>(editor);
    QVERIFY(combo);
    QCOMPARE(combo->itemText(2), QStringLiteral("Бухгалтер"));
    combo->hidePopup();
    combo->setCurrentIndex(2);
    commit(tab.view(), editor, 0, column);
    QCOMPARE(tab.model()->index(0, column).data().toString(), QStringLiteral("Бухгалтер"));
    tab.saveParams(params);
    QCOMPARE(params.users[0].position, qint8(3));

    // The next load brings its own names to the editor.
    params.positions[2].setText("Кладовщик");
    tab.loadParams(params);
    editor = openEditor(tab.view(), 0, column);
    QCOMPARE(static_cast<QComboBox *>(editor)->itemText(2), QStringLiteral("Кладовщик"));
    static_cast<QComboBox *>(editor)->hidePopup();
    delete editor;
}

void TestParamTabs::userFindingsTakeTheUserToTheTable()
{
    DeviceParams53 params;
    params.users[3].inn.setText("500100732258");
    CheckFixture f(new UserTab53);
    f.tab->loadParams(params);
    DeviceInfo info;
    info.defaultUser = 9; // record 9 is row 8: record 8 is hidden
    QCOMPARE(f.check(info),
             QStringList({ "users: Пользователь по умолчанию (Кассир 10) не активен",
                           "users: ИНН пользователя Кассир 4 содержит некорректное значение 500100732258" }));

    // The 2.52 table has no rules.
    CheckFixture f52(new UserTab52);
    DeviceParams52 p52;
    f52.tab->loadParams(p52);
    info.defaultUser = 0;
    QCOMPARE(f52.check(info), QStringList());
}

void TestParamTabs::emailShownWholeKeptUnlessEdited()
{
    DeviceParams53 params;
    params.organisation.email.bytes.fill('a');
    OrgTab53 tab;
    tab.loadParams(params);
    auto *email = tab.findChild<QLineEdit *>("organisation.email");
    QCOMPARE(email->text(), QString(64, 'a'));

    // Left alone, all 64 bytes go back; an edit takes at most 63.
    QByteArray image, system;
    tab.saveParams(params);
    params.toImage(image, system);
    QCOMPARE(image.mid(0x20D, 64), QByteArray(64, 'a'));

    email->setText(QString(64, 'b'));
    tab.saveParams(params);
    params.toImage(image, system);
    QCOMPARE(image.mid(0x20D, 64), QByteArray(63, 'b') + '\0');
}

void TestParamTabs::longName52SurvivesASave()
{
    DeviceParams52 params;
    const QString name = QString(109, QChar(0x0416)) + "!"; // 110 characters, 110 bytes
    OrgTab52 tab;
    tab.loadParams(params);
    tab.findChild<QLineEdit *>("organisation.name")->setText(name);
    tab.saveParams(params);
    QByteArray image, system;
    params.toImage(image, system);
    DeviceParams52 reread;
    reread.fromImage(image, system);
    QCOMPARE(reread.organisation.name.text(), name);
    tab.loadParams(reread);
    QCOMPARE(tab.findChild<QLineEdit *>("organisation.name")->text(), name);
}

void TestParamTabs::organisationFindingsPointAtTheirEdits()
{
    CheckFixture f(new OrgTab53);
    f.tab->loadParams(DeviceParams53());
    DeviceInfo info;
    info.ofdInnValid = true;
    QCOMPARE(f.check(info),
             QStringList({ "organisation.inn: ИНН организации не задан",
                           "organisation.name: Наименование организации не задано",
                           "organisation.address: Адрес организации не задан",
                           "organisation.place: Место расчета не задано",
                           "organisation.email: Адрес электронной почты не задан" }));

    f.tab->findChild<QLineEdit *>("organisation.inn")->setText("7707083894");
    info.ofdInnValid = false;
    QCOMPARE(f.check(info).first(),
             QStringLiteral("organisation.inn: ИНН организации содержит некорректное значение: 7707083894"));
    DeviceInfo contributed;
    f.tab->updateDeviceInfo(contributed);
    QCOMPARE(contributed.orgInn, QStringLiteral("7707083894"));
}

void TestParamTabs::operatorTimersAndPort53()
{
    DeviceParams53 params;
    params.ofd.connectTimer = 10;
    params.ofd.fnPollTimer = 3601;
    params.ofd.port = qint16(quint16(65535));
    CheckFixture f(new OfdTab53);
    f.tab->loadParams(params);
    auto *port = f.tab->findChild<QSpinBox *>("ofd.port");
    auto *connect = f.tab->findChild<QSpinBox *>("ofd.connectTimer");
    // Shown as stored, not as the spin boxes' nearest ends, and kept.
    QCOMPARE(connect->value(), 10);
    QCOMPARE(f.tab->findChild<QSpinBox *>("ofd.fnPollTimer")->value(), 3601);
    QCOMPARE(port->value(), 65535);
    QCOMPARE(port->maximum(), 65535);
    f.tab->saveParams(params);
    QCOMPARE(params.ofd.connectTimer, qint16(10));
    QCOMPARE(params.ofd.fnPollTimer, qint16(3601));
    QCOMPARE(quint16(params.ofd.port), quint16(65535));

    port->setValue(0);
    f.tab->findChild<QLineEdit *>("ofd.inn")->setText("000000000000");
    QCOMPARE(f.check(DeviceInfo()),
             QStringList(
                 { "ofd.address: Адрес подключения к ОФД не задан",
                   "ofd.port: Порт подключения к ОФД не задан", "ofd.ofdSite: Адрес сайта ОФД не задан",
                   "ofd.name: Наименование ОФД не задано", "ofd.fnsSite: Адрес сайта ФНС не задан",
                   "ofd.fnPollTimer: Таймер опроса ФН: значение 3601 вне допустимого диапазона от 3 до 3600",
                   "ofd.connectTimer: Таймер подключения: значение 10 вне допустимого диапазона от 40 до "
                   "3600" }));
}

void TestParamTabs::operatorPortAndNumber52()
{
    DeviceParams52 params;
    params.ofd.port = qint16(quint16(65535));
    OfdTab52 tab;
    tab.loadParams(params);
    auto *port = tab.findChild<QLineEdit *>("ofd.port");
    auto *inn = tab.findChild<QLineEdit *>("ofd.inn");
    QCOMPARE(port->text(), QStringLiteral("65535"));
    QCOMPARE(inn->text(), QStringLiteral("000000000000"));
    QCOMPARE(port->maxLength(), 5);
    QVERIFY(refuses(port, "65536"));
    QVERIFY(!refuses(port, "65535"));
    QVERIFY(refuses(inn, "77042112O1"));

    port->setText("8080");
    inn->setText("7704211201");
    tab.saveParams(params);
    QCOMPARE(params.ofd.port, qint16(8080));
    QCOMPARE(params.ofd.inn.toByteArray(), QByteArray::fromHex("FF7704211201"));
    port->clear();
    tab.saveParams(params);
    QCOMPARE(params.ofd.port, qint16(0));
}

void TestParamTabs::operatorContribution()
{
    OfdTab53 tab;
    auto *inn = tab.findChild<QLineEdit *>("ofd.inn");
    for (const char *number : { "000000000000", "0000000000", "7704211202", "" }) {
        inn->setText(number);
        DeviceInfo info;
        info.ofdInnValid = true;
        tab.updateDeviceInfo(info);
        QVERIFY2(!info.ofdInnValid, number);
    }
    inn->setText("7704211201");
    DeviceInfo info;
    tab.updateDeviceInfo(info);
    QVERIFY(info.ofdInnValid);
}

void TestParamTabs::registrationFindingsPointAtTheirEdits()
{
    CheckFixture f(new RegistrationTab53);
    f.tab->loadParams(DeviceParams53());
    DeviceInfo info;
    info.orgInn = "7707083893";
    QCOMPARE(f.check(info), QStringList({ "registrationIds.serialNumber: Заводской номер не установлен" }));
    // The register's identity is shown, never typed over.
    QVERIFY(f.tab->findChild<QLineEdit *>("registrationIds.serialNumber")->isReadOnly());
    f.tab->findChild<QLineEdit *>("registrationIds.serialNumber")->setText("0053000002");
    f.tab->findChild<QLineEdit *>("registrationIds.regNumber")->setText("000000000101234");
    QCOMPARE(
        f.check(info),
        QStringList({ "registrationIds.fnNumber: Номер ФН не установлен",
                      "registrationIds.regNumber: Регистрационный номер содержит некорректное значение" }));
}

void TestParamTabs::registrationHistoryEditors()
{
    const auto params = paramsFrom(52, demoImages(52));
    RegistrationTab52 tab;
    tab.loadParams(*params);
    QTableView *view = tab.view();
    QCOMPARE(view->verticalHeader()->sectionResizeMode(0), QHeaderView::ResizeToContents);
    QVERIFY(
        qobject_cast<CheckBoxItemDelegate *>(view->itemDelegateForColumn(RegistrationTableModel52::Closed)));
    QCOMPARE(qobject_cast<QStyledItemDelegate *>(view->itemDelegateForColumn(RegistrationTableModel52::Date))
                 ->displayText(QDateTime(QDate(2019, 3, 5), QTime(14, 7)), QLocale()),
             QStringLiteral("05.03.2019 14:07"));

    // The year is kept in one byte from 2000, the time to the minute.
    QWidget *editor = openEditor(view, 0, RegistrationTableModel52::Date);
    auto *date = qobject_cast<QDateTimeEdit *>(editor);
    QVERIFY(date);
    QCOMPARE(date->minimumDate(), QDate(2000, 1, 1));
    QCOMPARE(date->maximumDate(), QDate(2255, 12, 31));
    date->setDateTime(QDateTime(QDate(2022, 6, 1), QTime(8, 30)));
    commit(view, editor, 0, RegistrationTableModel52::Date);

    // A set is eight bits.
    editor = openEditor(view, 1, RegistrationTableModel52::WorkModes);
    auto *bits = qobject_cast<QSpinBox *>(editor);
    QVERIFY(bits);
    QCOMPARE(bits->maximum(), 255);
    bits->setValue(0x21);
    commit(view, editor, 1, RegistrationTableModel52::WorkModes);

    editor = openEditor(view, 1, RegistrationTableModel52::FnNumber);
    QVERIFY(refuses(qobject_cast<QLineEdit *>(editor), "☕"));
    delete editor;

    tab.saveParams(*params);
    const auto *p = static_cast<DeviceParams52 *>(params.get());
    QCOMPARE(p->registrations[0].dateTime(), QDateTime(QDate(2022, 6, 1), QTime(8, 30)));
    QCOMPARE(p->registrations[1].workModes, quint8(0x21));
    QCOMPARE(view->model()->index(1, RegistrationTableModel52::WorkModes).data().toString(),
             QStringLiteral("ШИФРОВАНИЕ;ПРИМЕН. В ИНТЕРНЕТ"));
}

QTEST_MAIN(TestParamTabs)
#include "tst_paramtabs.moc"
