#include "tabfixture.h"

#include "params/textcodec.h"
#include "tabs/designtab.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>
#include <QtTest>

#include <algorithm>

// The receipt header and footer: six lines of 22 characters each, stored
// in 132 bytes.
class TestDesignTab : public QObject
{
    Q_OBJECT

private slots:
    void loadAndSave_data();
    void loadAndSave();
    void fullLinesCut();
    void editsHoldWhatTheRegisterPrints();
};

namespace {

QList<QLineEdit *> editsOf(DesignTab &tab, const QString &block)
{
    QList<QLineEdit *> edits;
    for (int k = 0; k < DesignTab::LineCount; ++k)
        edits.append(tab.findChild<QLineEdit *>(QStringLiteral("%1[%2]").arg(block).arg(k)));
    return edits;
}

QStringList textsOf(const QList<QLineEdit *> &edits)
{
    QStringList texts;
    for (const QLineEdit *edit : edits)
        texts.append(edit->text());
    return texts;
}

// What a receipt block holds: the text, zero-filled to 132 bytes.
QByteArray blockBytes(const QString &text)
{
    return TextCodec::encode(text).leftJustified(ReceiptTextBlock::limit, '\0', true);
}

} // namespace

void TestDesignTab::loadAndSave_data()
{
    QTest::addColumn<QStringList>("earlier");
    QTest::addColumn<QStringList>("loaded");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QString>("saved");

    const QStringList none;
    // What the edits showed before is gone; untouched, the block keeps its two lines.
    QTest::newRow("two lines fill edits 1 and 2, the others are empty")
        << QStringList { "p1", "p2", "p3", "p4", "p5", "p6" }
        << QStringList { "ООО \"Ромашка\"", "Добро пожаловать!" }
        << QStringList { "ООО \"Ромашка\"", "Добро пожаловать!", "", "", "", "" }
        << "ООО \"Ромашка\"\nДобро пожаловать!";
    QTest::newRow("six empty edits save five line feeds")
        << none << QStringList { "", "", "", "", "", "" } << QStringList { "", "", "", "", "", "" }
        << "\n\n\n\n\n";
    QTest::newRow("eight lines show six; untouched, all eight stay")
        << none << QStringList { "1", "2", "3", "4", "5", "6", "7", "8" }
        << QStringList { "1", "2", "3", "4", "5", "6" } << "1\n2\n3\n4\n5\n6\n7\n8";
    QTest::newRow("a stored line beyond 22 characters shows whole and stays")
        << none << QStringList { "", "Магазин у дома \"Василёк\"" }
        << QStringList { "", "Магазин у дома \"Василёк\"", "", "", "", "" } << "\nМагазин у дома \"Василёк\"";
}

void TestDesignTab::loadAndSave()
{
    QFETCH(QStringList, earlier);
    QFETCH(QStringList, loaded);
    QFETCH(QStringList, shown);
    QFETCH(QString, saved);

    std::unique_ptr<DeviceParams> params = makeParams(53);
    DesignTab tab;
    if (!earlier.isEmpty()) {
        params->receiptHeader.setLines(earlier);
        params->receiptFooter.setLines(earlier);
        tab.loadParams(*params);
    }

    params->receiptHeader.setLines(loaded);
    params->receiptFooter.setLines(loaded);
    tab.loadParams(*params);
    QCOMPARE(textsOf(editsOf(tab, "receiptHeader")), shown);
    QCOMPARE(textsOf(editsOf(tab, "receiptFooter")), shown);
    // The counter counts what saving writes: the block as it is.
    auto *usage = tab.findChild<QLabel *>("receiptFooter.usage");
    const QString untouched = QStringLiteral("Байт: %1 из 132").arg(TextCodec::encode(saved).size());
    QCOMPARE(usage->text(), untouched);

    tab.saveParams(*params);
    QCOMPARE(QByteArray(params->receiptHeader.bytes.data(), 132), blockBytes(saved));
    QCOMPARE(QByteArray(params->receiptFooter.bytes.data(), 132), blockBytes(saved));
    QCOMPARE(params->receiptFooter.lines(), saved.split('\n'));
    QCOMPARE(usage->text(), untouched);

    // Edited, the block is written as six lines, and counted so.
    QList<QLineEdit *> edits = editsOf(tab, "receiptFooter");
    edits.at(2)->setText(QStringLiteral("Ждём вас"));
    const QString six = textsOf(edits).join('\n');
    QCOMPARE(usage->text(), QStringLiteral("Байт: %1 из 132").arg(TextCodec::encode(six).size()));
    // Back as it was shown, it is the stored block again.
    edits.at(2)->setText(shown.at(2));
    QCOMPARE(usage->text(), untouched);
}

void TestDesignTab::fullLinesCut()
{
    std::unique_ptr<DeviceParams> params = makeParams(52);
    DesignTab tab;
    tab.loadParams(*params);
    const QList<QLineEdit *> edits = editsOf(tab, "receiptFooter");
    const QString line(22, 'W');
    for (QLineEdit *edit : edits)
        QTest::keyClicks(edit, line + "W");
    QCOMPARE(textsOf(edits), QStringList(QVector<QString>(6, line).toList()));
    QCOMPARE(tab.findChild<QLabel *>("receiptFooter.usage")->text(),
             "Байт: 137 из 132. Будет отрезано с конца: 5");
    // The untouched empty header stays empty: no line feeds are written.
    QCOMPARE(tab.findChild<QLabel *>("receiptHeader.usage")->text(), "Байт: 0 из 132");

    tab.saveParams(*params);
    const QString kept = QStringList(QVector<QString>(5, line).toList()).join('\n') + '\n' + line.left(17);
    QCOMPARE(params->receiptFooter.value(), TextCodec::encode(kept));
    QCOMPARE(params->receiptFooter.value().size(), 132);
}

void TestDesignTab::editsHoldWhatTheRegisterPrints()
{
    // Qt's offscreen platform on Windows has no fonts at all (the windows
    // platform, under Wine too, finds a fixed one); elsewhere one must be used.
    const QFontDatabase fonts;
    const QStringList families = fonts.families();
    const bool anyFixed = std::any_of(families.cbegin(), families.cend(),
                                      [&](const QString &family) { return fonts.isFixedPitch(family); });
    DesignTab tab;
    for (QLineEdit *edit : editsOf(tab, "receiptHeader") + editsOf(tab, "receiptFooter")) {
        QVERIFY(QFontInfo(edit->font()).fixedPitch() || !anyFixed);
        QCOMPARE(edit->maxLength(), 22);
        QString emoji = QString::fromUtf8("Чек 😀");
        int pos = emoji.size();
        QCOMPARE(edit->validator()->validate(emoji, pos), QValidator::Invalid);
    }
}

QTEST_MAIN(TestDesignTab)
#include "tst_designtab.moc"
