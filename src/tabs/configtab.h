#pragma once

#include "tabs/devicewidget.h"

#include <QStringList>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGridLayout;
class QLineEdit;
class QSpinBox;
struct TradeConfig;

// The "Конфигурация" page both families share: a grid of titled groups
// editing the trade settings. ConfigTab52 and ConfigTab53 add what their
// family has and say how the flag fields' other bits fare.
class ConfigTab : public DeviceWidget
{
    Q_OBJECT

public:
    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override;

    static constexpr double MaxPrice = 20000000;
    static constexpr double MaxDeposit = 20000000;
    static constexpr double MaxQuantity = 2000000;

protected:
    // family: 52 or 53 (printDensity's range differs).
    ConfigTab(int family, QWidget *parent);

    // A titled group with a form at a cell of the page's grid.
    QFormLayout *addGroup(const QString &title, int row, int column, int columnSpan = 1);

    // Fills the choices (every user and department record, in order) and
    // shows every shared field as it is stored; the department rule only
    // enables the departments within the count.
    void loadShared(const TradeConfig &trade, const QStringList &userNames, const QStringList &deptNames);
    // Writes every shared control the user changed into its field; a field
    // whose control shows what it holds keeps its value. When a flag
    // field's boxes changed, the bits no box shows keep their values with
    // keepOtherBits, else become 0.
    void saveShared(TradeConfig &trade, bool keepOtherBits) const;

    QComboBox *cashierBox() const { return m_cashier; }
    // The combo index a stored number (from 1) shows: -1 without an entry.
    static int indexOf(int number, const QComboBox *combo);

    template<class Records> static QStringList namesOf(const Records &records)
    {
        QStringList names;
        for (const auto &record : records)
            names.append(record.name.text());
        return names;
    }

    // Tab moves through the groups in the order the page shows them; called
    // once every group is in place.
    void orderTabStops();

    static QCheckBox *checkBox(const QString &key);
    // Whether the boxes show the bits of stored from bit 0 on.
    static bool bitsShown(quint32 stored, const QList<const QCheckBox *> &boxes);

    // Whether the user can choose an item of a combo box.
    static void setItemEnabled(QComboBox *combo, int index, bool enabled);

    // base with bit set or cleared.
    template<class T> static T withBit(T base, int bit, bool on)
    {
        const T mask = T(T(1) << bit);
        return on ? T(base | mask) : T(base & ~mask);
    }

private slots:
    // Departments from count on cannot be the default; a default among them
    // moves to the first department.
    void deptCountChanged(int count);

private:
    int m_family = 0;
    QGridLayout *m_grid = nullptr;

    QSpinBox *m_deptCount = nullptr;
    QComboBox *m_defaultDept = nullptr;
    QComboBox *m_cashier = nullptr;

    QLineEdit *m_maxPrice = nullptr;
    QLineEdit *m_maxDeposit = nullptr;
    QLineEdit *m_maxQuantity = nullptr;
    QCheckBox *m_autoCollection = nullptr;
    QCheckBox *m_priceEditing = nullptr;

    QSpinBox *m_codeLength = nullptr;
    QLineEdit *m_weightPrefix = nullptr;

    QSpinBox *m_sensitivity = nullptr;
    QCheckBox *m_keySound = nullptr;

    QSpinBox *m_powerOffTimer = nullptr;
    QComboBox *m_displayMode = nullptr;

    QSpinBox *m_density = nullptr;
    QCheckBox *m_smallFont = nullptr;

    QCheckBox *m_printHeader = nullptr;
    QCheckBox *m_printFooter = nullptr;
    QCheckBox *m_printTaxes = nullptr;
    QCheckBox *m_printQrCode = nullptr;
};
