#pragma once

#include "tabs/devicewidget.h"

class QGridLayout;
class QLineEdit;

// What the organisation tabs of both families share: the taxpayer number
// beside its label, then each text under its label across the page.
class OrgTab : public DeviceWidget
{
    Q_OBJECT

protected:
    // textLength: the most characters of the name and the address.
    OrgTab(int textLength, QWidget *parent);

    // A label in row, its edit (named key) in the row below across the page.
    QLineEdit *addTextRows(int row, const QString &label, const QString &key, int maxLength);
    // Fills the rows below the last edit, so the edits keep to the top.
    void endRows(int row);

    QLineEdit *m_inn = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_address = nullptr;

private:
    QGridLayout *m_grid = nullptr;
};
