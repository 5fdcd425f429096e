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
    : OfdTab({ portEdit(), 52, 63, false }, parent)
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
    TabEdits::showText(m_address, o.address.text());
    m_port->setText(QString::number(quint16(o.port)));
    showTimers(o.fnPollTimer, o.connectTimer);
    TabEdits::showText(m_inn, o.inn.digits());
    TabEdits::showText(m_ofdSite, o.ofdSite.text());
}

void OfdTab52::saveParams(DeviceParams &params)
{
    auto *p = qobject_cast<DeviceParams52 *>(&params);
    if (!p)
        return;
    OfdSettings52 &o = p->ofd;
    TabEdits::store(m_address, o.address);
    // Not a number (an empty edit): port 0.
    if (m_port->text() != QString::number(quint16(o.port)))
        o.port = qint16(quint16(m_port->text().toUInt()));
    storeTimers(o.fnPollTimer, o.connectTimer);
    // Digits the field already holds keep their bytes.
    o.inn.setDigits(m_inn->text());
    TabEdits::store(m_ofdSite, o.ofdSite);
}

void OfdTab52::validate(DeviceIssueWidget *issues, const DeviceInfo &)
{
    addFindings(issues, timerFindings(), TabEdits::byKey({ m_pollTimer, m_connectTimer }));
}
