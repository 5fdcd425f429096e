#include "devicewidget.h"

#include "tabs/changemarkmodel.h"
#include "tabs/deviceinfo.h"
#include "window/deviceissuewidget.h"
#include "window/issuelistmodel.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDebug>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QRegularExpression>
#include <QScrollArea>
#include <QSpinBox>

namespace {

const char MarkPalette[] = "changeMarkPalette";

QVariant controlValue(const QWidget *control)
{
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    if (const auto *spin = qobject_cast<const QSpinBox *>(control))
        return spin->value();
    if (const auto *combo = qobject_cast<const QComboBox *>(control))
        return combo->currentIndex();
    if (const auto *box = qobject_cast<const QCheckBox *>(control))
        return box->isChecked();
    return {};
}

// The label of the form row that holds the control, if any.
QLabel *rowLabel(QWidget *control)
{
    QWidget *parent = control->parentWidget();
    if (!parent)
        return nullptr;
    // The form may sit inside another layout of the same widget.
    for (const QFormLayout *form : parent->findChildren<QFormLayout *>()) {
        if (auto *label = qobject_cast<QLabel *>(form->labelForField(control)))
            return label;
    }
    // A grid of captions over their edits: the caption is the edit's buddy.
    for (QLabel *label : parent->findChildren<QLabel *>()) {
        if (label->buddy() == control)
            return label;
    }
    return nullptr;
}

bool insideItemView(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<const QAbstractItemView *>(w))
            return true;
    }
    return false;
}

} // namespace

DeviceWidget::DeviceWidget(QWidget *parent)
    : QWidget(parent)
{
}

void DeviceWidget::updateDeviceInfo(DeviceInfo &) { }

void DeviceWidget::runValidation(const QList<DeviceWidget *> &tabs, DeviceIssueWidget *issues)
{
    if (!issues)
        return;
    issues->model()->clear();
    DeviceInfo info;
    for (DeviceWidget *tab : tabs)
        tab->updateDeviceInfo(info);
    for (DeviceWidget *tab : tabs)
        tab->validate(issues, info);
}

void DeviceWidget::addFindings(DeviceIssueWidget *issues, const FieldFindings &findings,
                               const FieldWidgets &widgets)
{
    for (const FieldFinding &finding : findings) {
        QWidget *widget = widgets.value(finding.field);
        if (!widget) {
            const int bracket = finding.field.indexOf(QLatin1Char('['));
            if (bracket > 0)
                widget = widgets.value(finding.field.left(bracket));
        }
        if (!widget)
            qWarning() << "no widget for the field" << finding.field << "of a finding";
        issues->addIssue(this, widget, finding.text, finding.tab, finding.field);
    }
}

QList<QWidget *> DeviceWidget::controls() const
{
    QList<QWidget *> list;
    for (QWidget *w : findChildren<QWidget *>()) {
        const bool lineEdit = qobject_cast<QLineEdit *>(w) != nullptr;
        // A spin box's and a combo box's own line edit are parts of them.
        if (lineEdit
            && (qobject_cast<QAbstractSpinBox *>(w->parentWidget())
                || qobject_cast<QComboBox *>(w->parentWidget())))
            continue;
        if (!lineEdit && !qobject_cast<QSpinBox *>(w) && !qobject_cast<QComboBox *>(w)
            && !qobject_cast<QCheckBox *>(w))
            continue;
        if (insideItemView(w))
            continue;
        list.append(w);
    }
    return list;
}

void DeviceWidget::takeBaseline()
{
    for (QWidget *control : controls()) {
        if (!m_baseline.contains(control)) {
            if (auto *edit = qobject_cast<QLineEdit *>(control))
                connect(edit, &QLineEdit::textChanged, this, &DeviceWidget::updateMarks);
            else if (auto *spin = qobject_cast<QSpinBox *>(control))
                connect(spin, qOverload<int>(&QSpinBox::valueChanged), this, &DeviceWidget::updateMarks);
            else if (auto *combo = qobject_cast<QComboBox *>(control))
                connect(combo, qOverload<int>(&QComboBox::currentIndexChanged), this,
                        &DeviceWidget::updateMarks);
            else if (auto *box = qobject_cast<QCheckBox *>(control))
                connect(box, &QCheckBox::toggled, this, &DeviceWidget::updateMarks);
        }
        m_baseline.insert(control, controlValue(control));
    }
    m_hasBaseline = true;
    for (ChangeMarkModel *model : qAsConst(m_markModels))
        model->takeBaseline();
    updateMarks();
}

bool DeviceWidget::hasChanges() const
{
    for (auto it = m_baseline.cbegin(); it != m_baseline.cend(); ++it) {
        if (controlValue(it.key()) != it.value())
            return true;
    }
    for (const ChangeMarkModel *model : m_markModels) {
        if (model->hasChanges())
            return true;
    }
    return false;
}

void DeviceWidget::updateMarks()
{
    for (auto it = m_baseline.cbegin(); it != m_baseline.cend(); ++it)
        markControl(it.key(), controlValue(it.key()) != it.value());
    emit changesChanged();
}

void DeviceWidget::markControl(QWidget *control, bool changed)
{
    if (QLabel *label = rowLabel(control)) {
        QFont font = label->font();
        if (font.bold() != changed) {
            font.setBold(changed);
            label->setFont(font);
        }
    }
    if (qobject_cast<QCheckBox *>(control))
        return;
    // The control's own palette comes back when the change is undone.
    const QVariant own = control->property(MarkPalette);
    if (changed && !own.isValid()) {
        control->setProperty(MarkPalette, QVariant::fromValue(control->palette()));
        QPalette palette = control->palette();
        palette.setColor(QPalette::Base, ChangeMarkModel::changedColor());
        palette.setColor(QPalette::Button, ChangeMarkModel::changedColor());
        control->setPalette(palette);
    } else if (!changed && own.isValid()) {
        control->setPalette(own.value<QPalette>());
        control->setProperty(MarkPalette, QVariant());
    }
}

ChangeMarkModel *DeviceWidget::markChanges(QAbstractItemModel *source)
{
    auto *model = new ChangeMarkModel(source, this);
    m_markModels.append(model);
    connect(model, &ChangeMarkModel::marksChanged, this, &DeviceWidget::changesChanged);
    return model;
}

QModelIndex DeviceWidget::indexOfField(const QString &) const
{
    return {};
}

bool DeviceWidget::splitRowKey(const QString &key, int *index, QString *member)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z]+\\[(\\d+)\\](?:\\.(\\w+))?$"));
    const QRegularExpressionMatch match = pattern.match(key);
    if (!match.hasMatch())
        return false;
    *index = match.captured(1).toInt();
    *member = match.captured(2);
    return true;
}

void DeviceWidget::showField(const QString &key, QWidget *widget)
{
    if (!widget)
        return;
    // A floating dock is a window of its own: bring the field's window up.
    if (!widget->isActiveWindow())
        widget->activateWindow();
    widget->setFocus(Qt::OtherFocusReason);
    // A page smaller than the tab scrolls the field into sight.
    for (QWidget *w = parentWidget(); w; w = w->parentWidget()) {
        if (auto *area = qobject_cast<QScrollArea *>(w)) {
            area->ensureWidgetVisible(widget);
            break;
        }
    }
    if (auto *view = qobject_cast<QAbstractItemView *>(widget)) {
        const QModelIndex cell = indexOfField(key);
        if (cell.isValid()) {
            view->setCurrentIndex(cell);
            view->scrollTo(cell);
        }
    }
}
