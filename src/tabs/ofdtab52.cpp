#include "ofdtab52.h"

#include "params/deviceparams52.h"
#include "tabs/tabedits.h"

#include <QIntValidator>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSpinBox>

namespace {

// QIntValidator lets a five-digit number above the top through as
// "intermediate" (typing may not be finished), and the edit would keep it.
class PortValidator : public QIntValidator
{
public:
    explicit PortValidator(QObject *parent)
        : QIntValidator(0, 65535, parent)
    {
    }

    State validate(QString &input, int &pos) const override
    {
        const State state = QIntValidator::validate(input, pos);
        return state == Intermediate && input.toUInt() > uint(top()) ? Invalid : state;
    }
};

QLineEdit *portEdit()
{
    auto *edit = new QLineEdit;
    edit->setObjectName(QStringLiteral("ofd.port"));
    edit->setMaxLength(5);
    edit->setMaximumWidth(64);
    edit->setValidator(new PortValidator(edit));
    return edit;
}

} // namespace

OfdTab52::OfdTab52(QWidget *parent)
    : OfdTab({ portEdit(), 3, 63, false }, parent)
{
    m_port = findChild<QLineEdit *>(QStringLiteral("ofd.port"));
    // The register packs the number as decimal digits: any other character
    // would be stored as a meaningless digit.
    m_inn->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,12}")), m_inn));
}

void OfdTab52::loadParams(const DeviceParams &params)
{
    const auto *p = qobject_cast<const DeviceParams52 *>(&params);
    if (!p)
        return;
    const OfdSettings52 &o = p->ofd;
    m_address->setText(o.address.text());
    m_port->setText(QString::number(quint16(o.port)));
    m_pollTimer->setValue(quint16(o.fnPollTimer));
    m_connectTimer->setValue(quint16(o.connectTimer));
    m_inn->setText(o.inn.digits());
    m_ofdSite->setText(o.ofdSite.text());
}

void OfdTab52::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams52 *>(&params);
    if (!p)
        return;
    OfdSettings52 &o = p->ofd;
    TabEdits::store(m_address, o.address);
    // Not a number (an empty edit): port 0.
    o.port = qint16(quint16(m_port->text().toUInt()));
    o.fnPollTimer = qint16(m_pollTimer->value());
    o.connectTimer = qint16(m_connectTimer->value());
    // Digits the field already holds keep their bytes.
    o.inn.setDigits(m_inn->text());
    TabEdits::store(m_ofdSite, o.ofdSite);
}

void OfdTab52::validate(DeviceIssueWidget *, const DeviceInfo &) { }
