#include "help/helpwindow.h"
#include "help/userguide.h"
#include "support/modalanswer.h"
#include "support/testsettings.h"

#include "app/appsettings.h"
#include "app/mainwindow.h"
#include "app/qttranslation.h"
#include "goods/goodswindow.h"
#include "link/devicejobrunner.h"
#include "link/resultexplanation.h"
#include "window/devicewindow.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

namespace {

const QString GuideDir = QStringLiteral(KORVANT_GUIDE_DIR);

QString pageText(const QString &page)
{
    QFile file(QDir(GuideDir).filePath(page));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

bool hasAnchor(const QString &page, const QString &anchor)
{
    const QString text = pageText(page);
    return text.contains(QStringLiteral("id=\"%1\"").arg(anchor))
        || text.contains(QStringLiteral("name=\"%1\"").arg(anchor));
}

} // namespace

class TestUserGuide : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void guideIsBuilt();
    void f1OpensTheWindowsChapter_data();
    void f1OpensTheWindowsChapter();
    void everyResultCodeHasItsRow();
    void failureBoxHelpKeepsTheBox();
    void missingGuideNamesTheFolders();

private:
    TestSettingsDir m_store;
};

void TestUserGuide::initTestCase()
{
    AppSettings::applyIdentity();
    QVERIFY(loadQtTranslation());
    // The test program does not stand beside the guide as korvant-utility does.
    UserGuide::setCandidates({ GuideDir });
}

void TestUserGuide::guideIsBuilt()
{
    QVERIFY2(!GuideDir.isEmpty() && QFile::exists(QDir(GuideDir).filePath(QStringLiteral("index.html"))),
             "The user guide is not built: install python3-markdown (bash scripts/install-deps.sh) and "
             "configure again");
    QCOMPARE(UserGuide::folder(), GuideDir);
}

// F1 in each window opens the guide's chapter on it (the device window at its
// current tab's section), in a help window of that window's own.
void TestUserGuide::f1OpensTheWindowsChapter_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("anchor");
    QTest::newRow("main window") << "main" << -1 << "index.html" << QString();
    const char *const anchors[]
        = { "config", "positions", "users", "departments", "organisation", "design", "ofd", "registration" };
    for (int tab = 0; tab < 8; ++tab)
        QTest::addRow("device window, tab %d", tab) << "device" << tab << "settings.html" << anchors[tab];
    QTest::newRow("goods window") << "goods" << -1 << "goods.html" << QString();
}

void TestUserGuide::f1OpensTheWindowsChapter()
{
    QFETCH(QString, window);
    QFETCH(int, tab);
    QFETCH(QString, page);
    QFETCH(QString, anchor);
    std::unique_ptr<QWidget> w;
    if (window == QLatin1String("main")) {
        w = std::make_unique<MainWindow>();
    } else if (window == QLatin1String("device")) {
        auto device = std::make_unique<DeviceWindow>();
        device->setDevice(QStringLiteral("0530000001"), QStringLiteral("2.53.12"), QStringLiteral("Касса 1"),
                          QString());
        device->tabWidget()->setCurrentIndex(tab);
        w = std::move(device);
    } else {
        auto goods = std::make_unique<GoodsWindow>();
        goods->setup(QStringLiteral("0530000001"), 2000, QString(), 8080, {});
        w = std::move(goods);
    }
    w->show();
    auto *action = w->findChild<QAction *>(QStringLiteral("actionUserGuide"));
    QVERIFY(action);
    QCOMPARE(action->shortcut(), QKeySequence(Qt::Key_F1));
    action->trigger();

    auto *help = w->findChild<HelpWindow *>();
    QVERIFY(help);
    QVERIFY(help->isVisible());
    QUrl expected = QUrl::fromLocalFile(QDir(GuideDir).filePath(page));
    if (!anchor.isEmpty())
        expected.setFragment(anchor);
    QCOMPARE(help->browser()->source(), expected);
    if (!anchor.isEmpty())
        QVERIFY2(hasAnchor(page, anchor), qPrintable(page + QLatin1Char('#') + anchor));
    QVERIFY(help->windowTitle().startsWith(QStringLiteral("Руководство пользователя: ")));
    // A second F1 reuses the window.
    action->trigger();
    QCOMPARE(w->findChildren<HelpWindow *>().size(), 1);
}

// The guide's table of codes is the program's own: every code has its row
// (the anchor a box's "Справка" opens) with the very sentence the boxes show.
void TestUserGuide::everyResultCodeHasItsRow()
{
    const QString errors = pageText(QStringLiteral("errors.html"));
    QVERIFY(!errors.isEmpty());
    for (const int code : resultCodes()) {
        const QString anchor = UserGuide::resultCodeAnchor(code);
        QVERIFY2(hasAnchor(QStringLiteral("errors.html"), anchor), qPrintable(anchor));
        QVERIFY2(errors.contains(resultExplanation(code).toHtmlEscaped()), qPrintable(anchor));
    }
    QVERIFY(errors.contains(writeBegunNote().toHtmlEscaped()));
}

// "Справка" in a failure box opens the guide at the code and leaves the box
// open; Escape still closes the box.
void TestUserGuide::failureBoxHelpKeepsTheBox()
{
    bool stayedOpen = false;
    QUrl shown;
    ModalAnswerer answerer;
    answerer.thenOn<QMessageBox>([&](QMessageBox *box) {
        QAbstractButton *help = box->button(QMessageBox::Help);
        QVERIFY(help);
        QCOMPARE(help->text(), QStringLiteral("Справка"));
        help->click();
        QCoreApplication::processEvents();
        stayedOpen = box->isVisible();
        if (auto *window = box->findChild<HelpWindow *>())
            shown = window->browser()->source();
        QTest::keyClick(box, Qt::Key_Escape);
    });
    DeviceJobRunner::showFailure(nullptr, QMessageBox::Warning, QStringLiteral("Загрузка из ККТ"),
                                 QStringLiteral("Ошибка загрузки. -14"), -14);
    QCOMPARE(answerer.pending(), 0);
    QVERIFY(stayedOpen);
    QCOMPARE(shown.fileName(), QStringLiteral("errors.html"));
    QCOMPARE(shown.fragment(), QStringLiteral("code-14"));
}

// Without the guide, F1 says where it was looked for instead of doing nothing.
void TestUserGuide::missingGuideNamesTheFolders()
{
    QTemporaryDir dir;
    const QStringList folders = { dir.filePath(QStringLiteral("a")), dir.filePath(QStringLiteral("b")) };
    UserGuide::setCandidates(folders);
    MainWindow w;
    ModalAnswerer answerer;
    answerer.thenButton(QMessageBox::Ok);
    w.findChild<QAction *>(QStringLiteral("actionUserGuide"))->trigger();
    UserGuide::setCandidates({ GuideDir });
    const auto boxes = answerer.seenOf("QMessageBox");
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().title, QStringLiteral("Руководство пользователя"));
    for (const QString &folder : folders)
        QVERIFY(boxes.first().text.contains(QDir::toNativeSeparators(folder)));
    QVERIFY(!w.findChild<HelpWindow *>());
}

QTEST_MAIN(TestUserGuide)
#include "tst_userguide.moc"
