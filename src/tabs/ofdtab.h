#pragma once

#include "tabs/devicewidget.h"

class QLineEdit;
class QSpinBox;

// What the operator tabs of both families share: the "Подключение" group
// (server address, port, the two timers) over the "Регистр. данные" group
// (the operator's taxpayer number and web sites).
class OfdTab : public DeviceWidget
{
    Q_OBJECT

protected:
    struct Form
    {
        QWidget *port = nullptr; // the family's port editor, named "ofd.port"
        int family = 0; // 52 or 53: the connection timer's range differs
        int ofdSiteLength = 0;
        bool operatorDetails = false; // operator name and tax service site rows
    };

    OfdTab(const Form &form, QWidget *parent);

    void showTimers(qint16 pollTimer, qint16 connectTimer);
    void storeTimers(qint16 &pollTimer, qint16 &connectTimer) const;
    // Timers outside the register's rules (shown as they are stored).
    FieldFindings timerFindings() const;

    int m_family = 0;

    QLineEdit *m_address = nullptr;
    QSpinBox *m_pollTimer = nullptr;
    QSpinBox *m_connectTimer = nullptr;
    QLineEdit *m_inn = nullptr;
    QLineEdit *m_name = nullptr; // operatorDetails only
    QLineEdit *m_ofdSite = nullptr;
    QLineEdit *m_fnsSite = nullptr; // operatorDetails only
};
