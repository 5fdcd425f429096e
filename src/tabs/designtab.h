#pragma once

#include "params/records.h"
#include "tabs/devicewidget.h"

#include <QList>

class QGroupBox;
class QLabel;
class QLineEdit;

// "Дизайн чека": the six lines printed at the top of every receipt and the
// six at its bottom, in a fixed-pitch font as the register prints them.
class DesignTab : public DeviceWidget
{
    Q_OBJECT

public:
    static constexpr int LineCount = 6;
    static constexpr int LineLength = 22;

    explicit DesignTab(QWidget *parent = nullptr);

    void saveParams(DeviceParams &params) override;
    void loadParams(const DeviceParams &params) override;
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

private:
    struct Block
    {
        QList<QLineEdit *> edits;
        QLabel *usage = nullptr;
        // The block as last loaded or saved: edits that show it unchanged
        // write it back as it is, so that is what the counter counts.
        ReceiptTextBlock stored;
    };

    QGroupBox *makeBlock(const QString &title, const QString &key, Block &block);
    static void load(Block &block, const ReceiptTextBlock &text);
    static void save(Block &block, ReceiptTextBlock &text);
    static QStringList linesOf(const Block &block);
    // What the six edits show of a stored block.
    static QStringList shownLines(const ReceiptTextBlock &text);
    // The bytes saving writes: the stored block's, or its six edited lines'.
    static int bytesToWrite(const Block &block);
    // Under each block: the bytes saving writes, and how many of them the
    // register's 132 bytes cannot hold (they are cut from the end on saving).
    static QString usageText(int bytes);
    static void showUsage(const Block &block);

    Block m_header;
    Block m_footer;
};
