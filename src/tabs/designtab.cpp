#include "designtab.h"

#include "params/deviceparams.h"
#include "tabs/codepagevalidator.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpacerItem>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

DesignTab::DesignTab(QWidget *parent)
    : DeviceWidget(parent)
{
    auto *grid = new QGridLayout(this);
    grid->addWidget(makeBlock(tr("Заголовок чека"), QStringLiteral("receiptHeader"), m_header), 0, 0);
    grid->addWidget(makeBlock(tr("Подвал чека"), QStringLiteral("receiptFooter"), m_footer), 0, 1);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), 1, 0);
    grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Minimum), 0, 2);
}

QGroupBox *DesignTab::makeBlock(const QString &title, const QString &key, Block &block)
{
#ifdef Q_OS_WIN
    // "Monospace" is fontconfig's name; Windows has its own fixed font.
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
#else
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
#endif
    // A system without the font it names (Wine has no Courier New) would
    // give proportional lines: take the first fixed-pitch family it has.
    if (!QFontInfo(font).fixedPitch()) {
        const QFontDatabase fonts;
        for (const QString &family : fonts.families()) {
            QFont candidate = font;
            candidate.setFamily(family);
            if (fonts.isFixedPitch(family) && QFontInfo(candidate).fixedPitch()) {
                font = candidate;
                break;
            }
        }
    }

    auto *group = new QGroupBox(title);
    auto *box = new QVBoxLayout(group);
    box->setSpacing(0);
    for (int k = 0; k < LineCount; ++k) {
        auto *edit = new QLineEdit;
        edit->setObjectName(QStringLiteral("%1[%2]").arg(key).arg(k));
        edit->setMaxLength(LineLength);
        edit->setFont(font);
        // Room for a full line and the cursor after it, no more: the lines
        // read as the register prints them.
        const int text = edit->fontMetrics().horizontalAdvance(QString(LineLength + 1, QLatin1Char('W')));
        edit->setFixedWidth(text + 2 * edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) + 8);
        edit->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        CodePageValidator::install(edit);
        box->addWidget(edit, 0, Qt::AlignTop);
        block.edits.append(edit);
        connect(edit, &QLineEdit::textChanged, this, [&block] { showUsage(block); });
    }
    block.usage = new QLabel;
    block.usage->setObjectName(key + QStringLiteral(".usage"));
    block.usage->setWordWrap(true);
    box->addSpacing(4);
    box->addWidget(block.usage);
    showUsage(block);
    return group;
}

void DesignTab::saveParams(DeviceParams &params)
{
    save(m_header, params.receiptHeader);
    save(m_footer, params.receiptFooter);
}

void DesignTab::loadParams(const DeviceParams &params)
{
    load(m_header, params.receiptHeader);
    load(m_footer, params.receiptFooter);
}

void DesignTab::validate(DeviceIssueWidget *, const DeviceInfo &) { }

void DesignTab::load(Block &block, const ReceiptTextBlock &text)
{
    // Every edit shows the block: the lines it holds, empty edits after them.
    // A stored line longer than a printed line shows whole (and stays
    // unless edited) rather than cut by the edit.
    block.stored = text;
    const QStringList lines = shownLines(text);
    for (int k = 0; k < LineCount; ++k) {
        QLineEdit *edit = block.edits.at(k);
        edit->setMaxLength(qMax(int(LineLength), int(lines.at(k).size())));
        edit->setText(lines.at(k));
    }
    // An edit given the text it had emits nothing: count the new block here.
    showUsage(block);
}

void DesignTab::save(Block &block, ReceiptTextBlock &text)
{
    // A block whose edits show it unchanged keeps its bytes: as many lines as
    // it has, not six with the line feeds between them.
    const QStringList lines = linesOf(block);
    if (lines != shownLines(text))
        text.setLines(lines);
    block.stored = text;
    showUsage(block);
}

QStringList DesignTab::shownLines(const ReceiptTextBlock &text)
{
    QStringList lines = text.lines().mid(0, LineCount);
    while (lines.size() < LineCount)
        lines.append(QString());
    return lines;
}

QStringList DesignTab::linesOf(const Block &block)
{
    QStringList lines;
    for (const QLineEdit *edit : block.edits)
        lines.append(edit->text());
    return lines;
}

int DesignTab::bytesToWrite(const Block &block)
{
    const QStringList lines = linesOf(block);
    if (lines == shownLines(block.stored))
        return block.stored.value().size();
    return TextCodec::encode(lines.join(QLatin1Char('\n'))).size();
}

QString DesignTab::usageText(int bytes)
{
    const int limit = ReceiptTextBlock::limit;
    if (bytes <= limit)
        return tr("Байт: %1 из %2").arg(bytes).arg(limit);
    return tr("Байт: %1 из %2. Будет отрезано с конца: %3").arg(bytes).arg(limit).arg(bytes - limit);
}

void DesignTab::showUsage(const Block &block)
{
    block.usage->setText(usageText(bytesToWrite(block)));
}
