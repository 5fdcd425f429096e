#include "issuedock.h"

#include "window/issuelistmodel.h"

#include <QListView>
#include <QPainter>

namespace {

// A list that says something in its place while it is empty.
class IssueListView : public QListView
{
public:
    using QListView::QListView;

    QString emptyText;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QListView::paintEvent(event);
        if (emptyText.isEmpty() || !model() || model()->rowCount() > 0)
            return;
        QPainter painter(viewport());
        painter.setPen(palette().color(QPalette::Disabled, QPalette::Text));
        painter.drawText(viewport()->rect().adjusted(6, 4, -6, -4), Qt::AlignLeft | Qt::AlignTop, emptyText);
    }
};

} // namespace

IssueDock::IssueDock(QWidget *parent)
    : QDockWidget(tr("Проблемы"), parent)
{
    setAllowedAreas(Qt::BottomDockWidgetArea);
    m_view = new IssueListView(this);
    m_model = new IssueListModel(this);
    connect(m_view, &QListView::doubleClicked, this, &IssueDock::showIssue);
    m_view->setModel(m_model);
    setWidget(m_view);
}

void IssueDock::setEmptyText(const QString &text)
{
    static_cast<IssueListView *>(m_view)->emptyText = text;
    m_view->viewport()->update();
}

QString IssueDock::emptyText() const
{
    return static_cast<IssueListView *>(m_view)->emptyText;
}
