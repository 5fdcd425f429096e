#include "diagnostics.h"

#include "app/deviceregistry.h"
#include "app/identifiermask.h"
#include "app/version.h"
#include "classes/fileerror.h"
#include "link/exchangejournalmodel.h"
#include "params/deviceprofile.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSaveFile>
#include <QSysInfo>

namespace Diagnostics {

namespace {

const char *const Context = "Diagnostics";

QString tr(const char *text)
{
    return QCoreApplication::translate(Context, text);
}

// Columns padded to their widest cell, the last one left as it is, so the
// file reads well in any plain text viewer.
QString alignedTable(const QStringList &header, const QVector<QStringList> &rows)
{
    QVector<int> widths(header.size(), 0);
    const auto measure = [&widths](const QStringList &cells) {
        for (int c = 0; c < cells.size() && c < widths.size(); ++c)
            widths[c] = qMax(widths[c], cells.at(c).size());
    };
    measure(header);
    for (const QStringList &row : rows)
        measure(row);

    QString out;
    const auto line = [&out, &widths](const QStringList &cells) {
        QString text;
        for (int c = 0; c < cells.size(); ++c)
            text += c + 1 < cells.size() ? cells.at(c).leftJustified(widths.at(c) + 2) : cells.at(c);
        out += text + QLatin1Char('\n');
    };
    line(header);
    for (const QStringList &row : rows)
        line(row);
    return out;
}

QString deviceList(const Input &input)
{
    QVector<QStringList> rows;
    for (const DeviceEntry &entry : input.devices) {
        rows.append({ entry.serial, entry.name, entry.version,
                      entry.addr.isEmpty() ? tr("(без адреса)") : entry.addr,
                      input.profileKeys.contains(entry.serial) ? tr("есть") : tr("нет") });
    }
    return alignedTable(
        { tr("Заводской номер"), tr("Наименование"), tr("Версия"), tr("Адрес"), tr("Профиль") }, rows);
}

QString journal(const Input &input)
{
    QStringList header;
    for (int c = 0; c < ExchangeJournalModel::ColumnCount; ++c)
        header.append(ExchangeJournalModel::columnTitle(c));
    QVector<QStringList> rows;
    rows.reserve(input.journal.size());
    for (const JournalLine &line : input.journal) {
        QStringList cells;
        for (int c = 0; c < ExchangeJournalModel::ColumnCount; ++c)
            cells.append(ExchangeJournalModel::cellText(line, c));
        rows.append(cells);
    }
    return alignedTable(header, rows);
}

} // namespace

Input current()
{
    Input input;
    input.created = QDateTime::currentDateTime();
    input.devices = DeviceRegistry().entries();
    input.profileKeys = DeviceProfile().keys();
    input.journal = ExchangeJournal::instance()->lines();
    input.journalCapacity = ExchangeJournal::instance()->capacity();
    return input;
}

QString text(const Input &input)
{
    QString out;
    out += tr("Korvant Utility 3: диагностика для службы поддержки") + QLatin1Char('\n');
    out += tr("Создан: %1").arg(input.created.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss t")))
        + QLatin1Char('\n');
    out += tr("Версия программы: %1").arg(QString::fromLatin1(KorvantVersion)) + QLatin1Char('\n');
    out += tr("Qt: %1 (собрано с %2)").arg(QString::fromLatin1(qVersion()), QStringLiteral(QT_VERSION_STR))
        + QLatin1Char('\n');
    out += tr("Операционная система: %1; ядро %2 %3; %4")
               .arg(QSysInfo::prettyProductName(), QSysInfo::kernelType(), QSysInfo::kernelVersion(),
                    QSysInfo::currentCpuArchitecture())
        + QLatin1Char('\n');
    out += tr("Язык системы: %1").arg(QLocale::system().name()) + QLatin1Char('\n');
    out += tr("Заводские номера и ИНН показаны только последними четырьмя знаками.") + QLatin1Char('\n');

    out += QLatin1Char('\n') + tr("Список ККТ (%1):").arg(input.devices.size()) + QLatin1Char('\n');
    out += deviceList(input);

    out += QLatin1Char('\n') + tr("Журнал обмена (%1):").arg(input.journal.size()) + QLatin1Char('\n');
    // Sequences count every line since the start, so a gap at the front shows
    // how many the journal's bound pushed out.
    const quint64 dropped = input.journal.isEmpty() ? 0 : input.journal.first().sequence - 1;
    if (dropped > 0) {
        out += tr("Более ранние записи (%1) не сохранились: журнал хранит последние %2.")
                   .arg(dropped)
                   .arg(input.journalCapacity)
            + QLatin1Char('\n');
    }
    out += journal(input);

    QStringList identifiers;
    for (const DeviceEntry &entry : input.devices)
        identifiers.append(entry.serial);
    identifiers += input.profileKeys;
    for (const JournalLine &line : input.journal)
        identifiers.append(line.serial);
    return IdentifierMask::maskText(out, identifiers);
}

bool save(const QString &path, const QString &text, QString *error)
{
    const QByteArray bytes = text.toUtf8();
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = tr("Не удалось открыть файл \"%1\" для записи: %2")
                         .arg(path, FileError::reason(file.errorString()));
        return false;
    }
    // Without commit() the temporary file goes and the old file stays.
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error
                = tr("Не удалось записать файл \"%1\": %2").arg(path, FileError::reason(file.errorString()));
        return false;
    }
    return true;
}

} // namespace Diagnostics
