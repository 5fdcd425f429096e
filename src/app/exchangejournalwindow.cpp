#include "exchangejournalwindow.h"

#include "app/windowplacement.h"
#include "link/devicejob.h"
#include "link/exchangejournal.h"
#include "link/exchangejournalmodel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColor>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Failed jobs in a colour of their own; a stop the user asked for is no failure.
class FailureColour : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::ForegroundRole) {
            const int result = QIdentityProxyModel::data(index, ExchangeJournalModel::ResultRole).toInt();
            if (result != ResultOk && result != ErrStopped)
                return QColor(Qt::darkRed);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

ExchangeJournalWindow::ExchangeJournalWindow(ExchangeJournal *journal, QWidget *parent)
    : QDialog(parent, Qt::Window)
    , m_journal(journal)
{
    setObjectName(QStringLiteral("ExchangeJournalWindow"));
    setWindowTitle(tr("Журнал обмена"));

    m_model = new ExchangeJournalModel(journal, this);
    auto *colours = new FailureColour(this);
    colours->setSourceModel(m_model);

    m_view = new QTableView(this);
    m_view->setObjectName(QStringLiteral("journalView"));
    m_view->setModel(colours);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setWordWrap(false);
    m_view->setAlternatingRowColors(true);
    m_view->verticalHeader()->hide();
    m_view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->resizeColumnsToContents();

    m_explanation = new QLabel(this);
    m_explanation->setObjectName(QStringLiteral("explanationLabel"));
    m_explanation->setWordWrap(true);
    m_explanation->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_explanation->setMinimumHeight(2 * fontMetrics().lineSpacing());
    m_explanation->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("countLabel"));
    // Wrapped on a narrow screen rather than widening the window beyond it.
    m_count->setWordWrap(true);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    m_copyButton = buttons->addButton(tr("Копировать"), QDialogButtonBox::ActionRole);
    m_copyButton->setObjectName(QStringLiteral("copyButton"));
    m_copyButton->setAutoDefault(false);
    connect(m_copyButton, &QPushButton::clicked, this, &ExchangeJournalWindow::copy);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *copyAction = new QAction(tr("Копировать"), m_view);
    connect(copyAction, &QAction::triggered, this, &ExchangeJournalWindow::copy);
    m_view->addAction(copyAction);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    // The view's own Ctrl+C would copy the current cell only.
    m_view->installEventFilter(this);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(buttons);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addWidget(m_explanation);
    layout->addLayout(bottom);

    // New lines keep the newest in view only if it was in view already:
    // a user reading older lines is not thrown to the end.
    QScrollBar *bar = m_view->verticalScrollBar();
    connect(m_model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this, bar] { m_followEnd = bar->value() == bar->maximum(); });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, [this] {
        if (m_followEnd)
            m_view->scrollToBottom();
        widenColumns();
        updateCount();
    });
    connect(m_model, &QAbstractItemModel::rowsRemoved, this, &ExchangeJournalWindow::updateCount);
    connect(m_view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ExchangeJournalWindow::showCurrentExplanation);

    updateCount();
    m_view->scrollToBottom();
    // Where the user left it, else a wide window; never beyond the screen.
    WindowPlacement::restore(this, "ExchangeJournalWindow", QSize(1100, 480));
}

void ExchangeJournalWindow::hideEvent(QHideEvent *event)
{
    WindowPlacement::remember(this, "ExchangeJournalWindow");
    QDialog::hideEvent(event);
}

bool ExchangeJournalWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_view && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent *>(event) == QKeySequence::Copy) {
        copy();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

QString ExchangeJournalWindow::selectedText() const
{
    QList<int> rows;
    const QModelIndexList selected = m_view->selectionModel()->selectedRows();
    for (const QModelIndex &index : selected)
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    if (rows.isEmpty()) {
        for (int row = 0; row < m_model->rowCount(); ++row)
            rows.append(row);
    }

    const auto tabbed
        = [](const QStringList &cells) { return cells.join(QLatin1Char('\t')) + QLatin1Char('\n'); };
    QStringList header;
    for (int c = 0; c < ExchangeJournalModel::ColumnCount; ++c)
        header.append(ExchangeJournalModel::columnTitle(c));
    QString text = tabbed(header);
    for (int row : qAsConst(rows)) {
        const JournalLine line = m_model->lineAt(row);
        QStringList cells;
        for (int c = 0; c < ExchangeJournalModel::ColumnCount; ++c)
            cells.append(ExchangeJournalModel::cellText(line, c));
        text += tabbed(cells);
    }
    return text;
}

void ExchangeJournalWindow::copy()
{
    QApplication::clipboard()->setText(selectedText());
}

void ExchangeJournalWindow::updateCount()
{
    const int rows = m_model->rowCount();
    m_copyButton->setEnabled(rows > 0);
    if (rows == 0) {
        m_count->setText(tr("Записей пока нет: здесь появится каждый обмен с ККТ за этот сеанс."));
        return;
    }
    m_count->setText(tr("Записей: %1. Журнал хранит последние %2 и не сохраняется после закрытия программы.")
                         .arg(rows)
                         .arg(m_journal ? m_journal->capacity() : rows));
}

void ExchangeJournalWindow::widenColumns()
{
    // Wider for new texts, never narrower: a width the user chose stays. The
    // hint measures the rows in view, however long the journal.
    const QAbstractItemView *view = m_view; // QTableView hides the public hint
    for (int c = 0; c + 1 < ExchangeJournalModel::ColumnCount; ++c)
        m_view->setColumnWidth(c, qMax(m_view->columnWidth(c), view->sizeHintForColumn(c)));
}

void ExchangeJournalWindow::showCurrentExplanation()
{
    const QModelIndex current = m_view->currentIndex();
    if (!current.isValid()) {
        m_explanation->clear();
        return;
    }
    const JournalLine line = m_model->lineAt(current.row());
    m_explanation->setText(tr("Код %1. %2").arg(line.result).arg(line.explanation));
}
