#pragma once

#include "tabs/devicewidget.h"

#include <QList>

class QGroupBox;
class QLabel;
class QLineEdit;
struct ReceiptTextBlock;

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
    };

    QGroupBox *makeBlock(const QString &title, const QString &key, Block &block);
    static void load(Block &block, const ReceiptTextBlock &text);
    static void save(const Block &block, ReceiptTextBlock &text);
    static QStringList linesOf(const Block &block);
    // What the six edits show of a stored block.
    static QStringList shownLines(const ReceiptTextBlock &text);
    // Under each block: the bytes its lines take, and how many of them the
    // register's 132 bytes cannot hold (they are cut from the end on saving).
    static QString usageText(const QStringList &lines);
    static void showUsage(const Block &block);

    Block m_header;
    Block m_footer;
};
