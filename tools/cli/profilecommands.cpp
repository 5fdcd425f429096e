// The profile command: the GUI program's stored profiles.
#include "cli.h"

#include "app/deviceregistry.h"
#include "params/deviceprofile.h"
#include "params/paramfile.h"
#include "params/paramsdiff.h"

#include <QTextStream>

int Cli::profile(const QStringList &args)
{
    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Профили ККТ в настройках программы (те же, что видит графическая программа):\n"
        "  profile list                      список профилей\n"
        "  profile export SERIAL [-o FILE]   профиль в файл параметров\n"
        "  profile import FILE               файл параметров в профиль (и ККТ в список, если её там нет)"));
    p.addPositionalArgument(QStringLiteral("ACTION"), QStringLiteral("list, export или import."));
    p.addPositionalArgument(QStringLiteral("ARG"),
                            QStringLiteral("Заводской номер (export) или файл (import)."));
    const QCommandLineOption output(QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                    QStringLiteral("Файл (по умолчанию ЗАВОДСКОЙ_НОМЕР.params.json)."),
                                    QStringLiteral("FILE"));
    p.addOption(output);
    int exit = 0;
    if (!parse(p, args, 1, 2, &exit))
        return exit;
    const QStringList pos = p.positionalArguments();
    const QString action = pos.first();

    if (action == QLatin1String("list") && pos.size() == 1) {
        const QStringList keys = DeviceProfile().keys();
        if (keys.isEmpty()) {
            m_out << QStringLiteral("Сохранённых профилей нет\n");
            m_out.flush();
            return ExitOk;
        }
        const DeviceRegistry registry;
        m_out << QStringLiteral("Заводской номер\tВерсия\tНаименование\tДанные\n");
        for (const QString &key : keys) {
            QString version, name;
            int cap = 0;
            QByteArray params, system, goods;
            DeviceProfile().load(key, version, cap, params, system);
            DeviceProfile().loadGoods(key, goods);
            for (const DeviceEntry &e : registry.entries()) {
                if (e.serial == key)
                    name = e.name;
            }
            m_out << QStringLiteral("%1\t%2\t%3\tпараметры %4 байт, номенклатура %5 байт\n")
                         .arg(displayText(key),
                              version.isEmpty() ? QStringLiteral("-") : displayText(version),
                              name.isEmpty() ? QStringLiteral("(нет в списке)") : displayText(name))
                         .arg(params.size())
                         .arg(goods.size());
        }
        m_out.flush();
        return ExitOk;
    }

    if (action == QLatin1String("export") && pos.size() == 2) {
        ParamFile file;
        file.serial = pos.at(1);
        DeviceProfile().load(file.serial, file.version, file.goodsCapacity, file.params, file.system);
        DeviceProfile().loadGoods(file.serial, file.goods);
        file.source = QStringLiteral("профиль");
        file.saved = QDateTime::currentDateTime();
        if (file.params.isEmpty()) {
            return fail(ExitFile,
                        QStringLiteral("Нет сохранённых параметров ККТ %1").arg(displayText(file.serial)));
        }
        // What cannot be read back is not written. A name of our choosing
        // never replaces a file.
        QString error;
        ParamFile check;
        const bool named = p.isSet(output);
        const QString path = named ? p.value(output) : ParamFile::defaultFileName(file.serial);
        if (!ParamFile::fromJson(file.toJson(), &check, &error)
            || !(named ? file.save(path, &error) : file.saveNew(path, &error))) {
            return fail(ExitFile, QStringLiteral("Профиль ККТ %1: %2").arg(displayText(file.serial), error));
        }
        m_out << QStringLiteral("Профиль ККТ %1 сохранён в %2\n").arg(displayText(file.serial), path);
        m_out.flush();
        return ExitOk;
    }

    if (action == QLatin1String("import") && pos.size() == 2) {
        ParamFile file;
        QString error;
        if (!ParamFile::load(pos.at(1), &file, &error)) {
            return fail(ExitFile, error);
        }
        if (!DeviceProfile::isStorableKey(file.serial)) {
            return fail(ExitFile,
                        QStringLiteral("Файл %1: %2; профиль не загружен")
                            .arg(pos.at(1), DeviceProfile::keyRefusal(file.serial)));
        }
        bool ok
            = DeviceProfile().save(file.serial, file.version, file.goodsCapacity, file.params, file.system);
        if (!file.goods.isEmpty())
            ok = DeviceProfile().saveGoods(file.serial, file.goods) && ok;
        {
            // Listed or not is decided on the list as the store holds it when saved.
            DeviceRegistry registry;
            registry.listDevice(file.serial, file.version);
            ok = registry.save() && ok;
        }
        if (!ok) {
            return fail(ExitFile, QStringLiteral("Не удалось записать настройки программы"));
        }
        m_out << QStringLiteral("Профиль ККТ %1 (версия %2) загружен из %3\n")
                     .arg(displayText(file.serial), file.version, pos.at(1));
        m_out.flush();
        return ExitOk;
    }
    return usage(QStringLiteral("profile: ожидается list, export SERIAL или import FILE"));
}
