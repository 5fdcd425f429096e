#pragma once

#include "tabs/deviceinfo.h"
#include "tabs/devicewidget.h"
#include "tabs/fieldchecks.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QStringList>
#include <QTableView>
#include <QVBoxLayout>

#include <functional>

// What the test tab's rules read: the widgets' contents as plain values.
struct TestTabValues
{
    QString name;
    QString inn;
    QList<bool> active; // one per table row
};

// The rules of the test tab, in the shape the real tabs give theirs: plain
// values in, findings with field keys out.
inline FieldFindings testTabRules(const QString &caption, const TestTabValues &v, const DeviceInfo &info)
{
    FieldFindings findings;
    if (v.name.isEmpty())
        findings.append({ caption, "test.name", "Наименование не задано" });
    if (!isValidInn(v.inn, true))
        findings.append(
            { caption, "test.inn", QString("ИНН содержит некорректное значение: %1").arg(v.inn) });
    if (info.defaultUser >= 0 && info.defaultUser < v.active.size() && !v.active.at(info.defaultUser))
        findings.append({ caption, QString("test.rows[%1].active").arg(info.defaultUser),
                          QString("Пользователь по умолчанию (%1) не активен").arg(info.defaultUser + 1) });
    if (!info.orgInn.isEmpty() && v.inn == info.orgInn)
        findings.append({ caption, "test.unmapped", "ИНН совпадает с ИНН организации" });
    return findings;
}

// Stands in for a real tab: two line edits and a table, the rules above,
// and a log of the operations called on it ("<caption> <operation>").
class TestTab : public DeviceWidget
{
public:
    TestTab(const QString &caption, QStringList *log)
        : m_caption(caption)
        , m_log(log)
    {
        name = new QLineEdit(this);
        inn = new QLineEdit(this);
        table = new QTableView(this);
        rows = new QStandardItemModel(3, 2, table);
        table->setModel(rows);
        auto *layout = new QVBoxLayout(this);
        layout->addWidget(name);
        layout->addWidget(inn);
        layout->addWidget(table);
        setActive(0, true);
        setActive(1, false);
        setActive(2, true);
    }

    void setActive(int row, bool active) { rows->setData(rows->index(row, 1), active); }

    void saveParams(DeviceParams &) override { log("saveParams"); }
    void loadParams(const DeviceParams &) override { log("loadParams"); }

    void validate(DeviceIssueWidget *issues, const DeviceInfo &info) override
    {
        log("validate");
        seen = info;
        TestTabValues values { name->text(), inn->text(), {} };
        for (int row = 0; row < rows->rowCount(); ++row)
            values.active.append(rows->index(row, 1).data().toBool());
        addFindings(issues, testTabRules(m_caption, values, info),
                    { { "test.name", name }, { "test.inn", inn }, { "test.rows", table } });
    }

    void updateDeviceInfo(DeviceInfo &info) override
    {
        log("updateDeviceInfo");
        if (contribute)
            contribute(info);
    }

    QLineEdit *name = nullptr;
    QLineEdit *inn = nullptr;
    QTableView *table = nullptr;
    QStandardItemModel *rows = nullptr;
    std::function<void(DeviceInfo &)> contribute; // this tab's part of the run's context
    DeviceInfo seen; // what the last validate was given

private:
    void log(const char *operation) { m_log->append(m_caption + ' ' + operation); }

    QString m_caption;
    QStringList *m_log;
};
