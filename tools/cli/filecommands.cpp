// Commands over parameter files: show, diff.
#include "cli.h"
#include "paramfile.h"
#include "paramsview.h"

#include "params/deviceparams.h"

#include <QHash>
#include <QSet>
#include <QTextStream>

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
    w.value(QStringLiteral("serial"), file.serial);
    w.value(QStringLiteral("version"), file.version);
    w.value(QStringLiteral("goodsCapacity"), file.goodsCapacity);
    w.beginObject(QStringLiteral("params"));
    visitParams(*params, w);
    w.endObject();
    w.endObject();
    m_out << QString::fromUtf8(w.text());
    m_out.flush();
    return ExitOk;
}

namespace {

// Bytes that differ between a and b.
int countDifferent(const QByteArray &a, const QByteArray &b)
{
    int n = qAbs(a.size() - b.size());
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        n += a.at(i) != b.at(i);
    return n;
}

} // namespace

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
    const std::unique_ptr<DeviceParams> pa = decode(p.positionalArguments().at(0), &a);
    if (!pa)
        return ExitFile;
    const std::unique_ptr<DeviceParams> pb = decode(p.positionalArguments().at(1), &b);
    if (!pb)
        return ExitFile;

    QStringList lines;
    const auto compare = [&](const QString &path, const QString &x, const QString &y) {
        if (x != y)
            lines.append(QStringLiteral("%1: %2 -> %3").arg(path, x, y));
    };
    compare(QStringLiteral("serial"), a.serial, b.serial);
    compare(QStringLiteral("version"), a.version, b.version);
    compare(QStringLiteral("goodsCapacity"), QString::number(a.goodsCapacity),
            QString::number(b.goodsCapacity));

    const FieldList fa = paramsToFields(*pa);
    const FieldList fb = paramsToFields(*pb);
    QHash<QString, QString> inB;
    for (const auto &f : fb)
        inB.insert(f.first, f.second);
    const QString missing = QStringLiteral("(нет)");
    QSet<QString> inA;
    for (const auto &f : fa) {
        inA.insert(f.first);
        compare(f.first, f.second, inB.value(f.first, missing));
    }
    for (const auto &f : fb) {
        if (!inA.contains(f.first))
            compare(f.first, missing, f.second);
    }

    // Bytes outside the known fields: write A's fields over a copy of each
    // image, so only what no field covers can still differ.
    if (a.family() == b.family()) {
        QByteArray aParams = a.params, aSystem = a.system;
        pa->toImage(aParams, aSystem);
        QByteArray bParams = b.params, bSystem = b.system;
        pa->toImage(bParams, bSystem);
        const int params = countDifferent(aParams, bParams);
        const int system = countDifferent(aSystem, bSystem);
        if (params > 0)
            lines.append(QStringLiteral("params: %1 байт вне известных полей различаются").arg(params));
        if (system > 0)
            lines.append(QStringLiteral("system: %1 байт вне известных полей различаются").arg(system));
    }
    for (const QString &line : qAsConst(lines))
        m_out << line << '\n';
    m_out.flush();
    return lines.isEmpty() ? ExitOk : ExitDiffers;
}
