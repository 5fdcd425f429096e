#include "snapshothistorydialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

SnapshotHistoryDialog::SnapshotHistoryDialog(const QVector<SnapshotInfo> &snapshots, const QString &legend,
                                             Differences differences, QWidget *parent)
    : QDialog(parent)
    , m_snapshots(snapshots)
    , m_differences(std::move(differences))
{
    setWindowTitle(tr("История изменений"));
    auto *layout = new QVBoxLayout(this);

    layout->addWidget(new QLabel(tr("Снимки, сделанные перед записью в ККТ, от новых к старым:"), this));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("snapshotList"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({ tr("Дата"), tr("Вид"), tr("Откуда") });
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    for (const SnapshotInfo &s : qAsConst(m_snapshots)) {
        auto *item = new QTreeWidgetItem(m_list, { s.takenText(), s.kindText(), s.originText() });
        item->setToolTip(0, QDir::toNativeSeparators(s.path));
    }
    // Wide enough for what the columns hold, also while the list is empty.
    const QFontMetrics metrics(m_list->font());
    m_list->setColumnWidth(0, metrics.horizontalAdvance(QStringLiteral("00.00.0000 00:00:00")) + 24);
    m_list->setColumnWidth(1, metrics.horizontalAdvance(tr("номенклатура")) + 24);
    layout->addWidget(m_list, 2);

    m_file = new QLabel(this);
    m_file->setObjectName(QStringLiteral("snapshotFile"));
    m_file->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_file->setWordWrap(true);
    layout->addWidget(m_file);

    auto *legendLabel = new QLabel(legend, this);
    legendLabel->setWordWrap(true);
    layout->addWidget(legendLabel);
    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("differences"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_text, 3);

    auto *buttons = new QDialogButtonBox(this);
    m_restore = buttons->addButton(tr("Восстановить"), QDialogButtonBox::AcceptRole);
    m_restore->setObjectName(QStringLiteral("restoreButton"));
    m_restore->setEnabled(false);
    buttons->addButton(tr("Закрыть"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);

    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &SnapshotHistoryDialog::onSelectionChanged);
    if (m_snapshots.isEmpty())
        m_text->setPlainText(tr("Снимков пока нет: программа делает снимок перед каждой записью в ККТ."));
    else
        m_list->setCurrentItem(m_list->topLevelItem(0));
    resize(760, 560);
}

SnapshotInfo SnapshotHistoryDialog::selected() const
{
    const int row = m_list->currentIndex().isValid() ? m_list->currentIndex().row() : -1;
    return row >= 0 && row < m_snapshots.size() ? m_snapshots.at(row) : SnapshotInfo();
}

void SnapshotHistoryDialog::onSelectionChanged()
{
    const SnapshotInfo s = selected();
    m_restore->setEnabled(false);
    if (s.path.isEmpty()) {
        m_file->clear();
        m_text->clear();
        return;
    }
    m_file->setText(tr("Файл: %1").arg(QDir::toNativeSeparators(s.path)));
    QStringList lines;
    QString error;
    if (!m_differences(s, &lines, &error)) {
        m_text->setPlainText(tr("Снимок не прочитан: %1").arg(error));
        return;
    }
    m_restore->setEnabled(true);
    if (lines.isEmpty()) {
        m_text->setPlainText(tr("Отличий нет."));
        return;
    }
    const int total = lines.size();
    if (total > MaxLines) {
        lines.erase(lines.begin() + MaxLines, lines.end());
        lines.append(tr("… и ещё %1 отличий").arg(total - MaxLines));
    }
    m_text->setPlainText(lines.join(QLatin1Char('\n')));
}
