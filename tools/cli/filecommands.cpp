// Commands over parameter files: show, diff, set, check.
#include "cli.h"
#include "paramsview.h"

#include "params/deviceparams.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"
#include "tabs/tabrules.h"

#include <QTextStream>

#include <climits>

// Loads a file and decodes its parameter set; prints the error and returns
// nullptr when either fails.
std::unique_ptr<DeviceParams> Cli::decode(const QString &path, ParamFile *file)
{
    QString error;
    if (!ParamFile::load(path, file, &error)) {
        fail(ExitFile, error);
        return nullptr;
    }
    std::unique_ptr<DeviceParams> params(DeviceParams::create(file->version));
    params->fromImage(file->params, file->system);
    return params;
}

int Cli::show(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Выводит параметры из файла в JSON: каждое поле под своим именем, тексты в UTF-8,\n"
        "суммы и количества десятичными числами, сохраняемые без изменений байты в шестнадцатеричном виде."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл параметров."));
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    ParamFile file;
    const std::unique_ptr<DeviceParams> params = decode(p.positionalArguments().first(), &file);
    if (!params)
        return ExitFile;

    JsonTextWriter w;
    w.beginObject(QString());
    w.scalar(QStringLiteral("serial"), file.serial);
    w.scalar(QStringLiteral("version"), file.version);
    w.scalar(QStringLiteral("goodsCapacity"), file.goodsCapacity);
    w.beginObject(QStringLiteral("params"));
    params->visit(w);
    w.endObject();
    w.endObject();
    m_out << QString::fromUtf8(w.text());
    m_out.flush();
    return ExitOk;
}

int Cli::diff(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(
        QStringLiteral("Сравнивает два файла параметров и выводит различающиеся поля, по одному в строке:\n"
                       "  путь: было -> стало\n"
                       "Код завершения 1, если что-то различается, 0, если файлы совпадают."));
    p.addPositionalArgument(QStringLiteral("FILE_A"), QStringLiteral("Первый файл."));
    p.addPositionalArgument(QStringLiteral("FILE_B"), QStringLiteral("Второй файл."));
    int exit = 0;
    if (!parse(p, args, 2, 2, &exit))
        return exit;
    ParamFile a, b;
    QString error;
    if (!ParamFile::load(p.positionalArguments().at(0), &a, &error)
        || !ParamFile::load(p.positionalArguments().at(1), &b, &error))
        return fail(ExitFile, error);
    const QStringList lines = paramFileDifferences(a, b);
    for (const QString &line : lines)
        m_out << line << '\n';
    m_out.flush();
    return lines.isEmpty() ? ExitOk : ExitDiffers;
}

int Cli::set(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Задаёт значения полей в файле параметров, по именам, которые выводит show:\n"
        "  korvant-cli set before.json organisation.name=\"ООО Ромашка\" tradeConfig.maxPrice=9999.99\n"
        "Тексты — не длиннее поля в кодировке Windows-1251 и только из её символов; целые — в пределах\n"
        "разрядности поля; суммы — не больше 2 знаков после точки, количества — 3; упакованные цифры —\n"
        "только цифры. Строка текста чека: receiptHeader[1]=... Поля, которые ККТ хранит для своих нужд,\n"
        "и заводской номер задать нельзя. Пути со скобками берите в кавычки: 'users[3].name=Иванов'.\n"
        "Значения задаются все сразу: если хоть одно не принято, файл не меняется (код завершения 2).\n"
        "Выводит изменённые поля в виде «путь: было -> стало»."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл параметров."));
    p.addPositionalArgument(QStringLiteral("PATH=VALUE"), QStringLiteral("Поле и его новое значение."),
                            QStringLiteral("PATH=VALUE..."));
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                    QStringLiteral("Записать результат в FILE, а исходный файл не менять."),
                                    QStringLiteral("FILE"));
    p.addOption(output);
    int exit = 0;
    if (!parse(p, args, 2, INT_MAX, &exit))
        return exit;
    const QStringList positional = p.positionalArguments();
    ParamFile file;
    const std::unique_ptr<DeviceParams> params = decode(positional.first(), &file);
    if (!params)
        return ExitFile;
    const QString target = p.isSet(output) ? p.value(output) : positional.first();

    // Every setting is checked before anything is written.
    const QVector<ParamValue> before = params->values();
    for (const QString &setting : positional.mid(1)) {
        const int eq = setting.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return usage(QStringLiteral("ожидается ПОЛЕ=ЗНАЧЕНИЕ, получено «%1»").arg(setting));
        QString error;
        if (!params->setValue(setting.left(eq), setting.mid(eq + 1), &error))
            return fail(ExitUsage, QStringLiteral("%1\nФайл %2 не изменён").arg(error, target));
    }
    params->toImage(file.params, file.system);
    file.saved = QDateTime::currentDateTime();
    QString error;
    if (!file.save(target, &error))
        return fail(ExitFile, error);
    for (const QString &line : differingValues(before, params->values()))
        m_out << line << '\n';
    m_out << QStringLiteral("Сохранено в %1\n").arg(target);
    m_out.flush();
    return ExitOk;
}

int Cli::check(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Проверяет параметры из файла по тем же правилам, что «Проверить» в окне ККТ, и выводит\n"
        "найденные ошибки в том же порядке, по одной в строке:\n"
        "  вкладка: текст\n"
        "Для семейства 2.52 правил нет. Код завершения 1, если найдены ошибки, 0, если нет."));
    p.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("Файл параметров."));
    const QCommandLineOption json(
        QStringLiteral("json"),
        QStringLiteral("Вывести массив JSON: {\"tab\", \"field\", \"text\"} на ошибку."));
    p.addOption(json);
    int exit = 0;
    if (!parse(p, args, 1, 1, &exit))
        return exit;
    ParamFile file;
    const std::unique_ptr<DeviceParams> params = decode(p.positionalArguments().first(), &file);
    if (!params)
        return ExitFile;

    const FieldFindings findings = checkParams(*params);
    if (p.isSet(json)) {
        JsonTextWriter w;
        w.beginArray(QString());
        for (const FieldFinding &f : findings) {
            w.beginObject(QString());
            w.scalar(QStringLiteral("tab"), f.tab);
            w.scalar(QStringLiteral("field"), f.field);
            w.scalar(QStringLiteral("text"), f.text);
            w.endObject();
        }
        w.endArray();
        m_out << QString::fromUtf8(w.text());
    } else {
        for (const FieldFinding &f : findings)
            m_out << f.tab << QStringLiteral(": ") << displayText(f.text) << '\n';
    }
    m_out.flush();
    return findings.isEmpty() ? ExitOk : ExitFindings;
}
