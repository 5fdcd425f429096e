#include "paramfile.h"

#include "classes/boundedfile.h"
#include "classes/fileerror.h"
#include "classes/reservedname.h"
#include "params/deviceparams.h"
#include "params/imageserial.h"
#include "params/paramsdiff.h"
#include "params/textcodec.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QSaveFile>

#include <cmath>

namespace {

const QString FormatName = QStringLiteral("korvant-params");

// Smallest parameter image each family's layout needs.
int minimumImageSize(int family)
{
    return family == 53 ? 0x1484 : 0xA00;
}

// A JSON value as the message about it names it: numbers as they are,
// anything else with its type.
QString describe(const QJsonValue &v)
{
    switch (v.type()) {
    case QJsonValue::Double:
        return QString::number(v.toDouble(), 'g', QLocale::FloatingPointShortest);
    case QJsonValue::String:
        return QObject::tr("строка «%1»").arg(displayText(v.toString()));
    case QJsonValue::Bool:
        return QObject::tr("логическое значение %1").arg(v.toBool() ? "true" : "false");
    case QJsonValue::Array:
        return QObject::tr("массив");
    case QJsonValue::Object:
        return QObject::tr("объект");
    case QJsonValue::Null:
        return QObject::tr("null");
    case QJsonValue::Undefined:
        break;
    }
    return QObject::tr("нет значения");
}

bool decodeImage(const QJsonObject &o, const QString &key, QByteArray *out)
{
    const QJsonValue v = o.value(key);
    if (v.isUndefined() || v.isNull()) {
        out->clear();
        return true;
    }
    if (!v.isString())
        return false;
    const auto decoded
        = QByteArray::fromBase64Encoding(v.toString().toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    *out = *decoded;
    return true;
}

} // namespace

int ParamFile::family() const
{
    return DeviceParams::familyOf(version);
}

QByteArray ParamFile::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("format"), FormatName);
    o.insert(QStringLiteral("formatVersion"), FormatVersion);
    o.insert(QStringLiteral("serial"), serial);
    o.insert(QStringLiteral("version"), version);
    o.insert(QStringLiteral("goodsCapacity"), goodsCapacity);
    if (!source.isEmpty())
        o.insert(QStringLiteral("source"), source);
    if (saved.isValid())
        o.insert(QStringLiteral("saved"), saved.toString(Qt::ISODate));
    o.insert(QStringLiteral("params"), QString::fromLatin1(params.toBase64()));
    o.insert(QStringLiteral("system"), QString::fromLatin1(system.toBase64()));
    if (!goods.isEmpty())
        o.insert(QStringLiteral("goods"), QString::fromLatin1(goods.toBase64()));
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

bool ParamFile::fromJson(const QByteArray &json, ParamFile *out, QString *error)
{
    QJsonParseError parseError {};
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    const QJsonObject o = doc.object();
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()
        || o.value(QStringLiteral("format")).toString() != FormatName) {
        *error = QObject::tr("это не файл параметров ККТ");
        return false;
    }
    const QJsonValue formatVersion = o.value(QStringLiteral("formatVersion"));
    if (!formatVersion.isDouble() || formatVersion.toDouble() != FormatVersion) {
        *error = QObject::tr("неизвестная версия формата файла (%1), поддерживается %2")
                     .arg(describe(formatVersion))
                     .arg(FormatVersion);
        return false;
    }

    ParamFile f;
    f.serial = o.value(QStringLiteral("serial")).toString();
    f.version = o.value(QStringLiteral("version")).toString();
    // Absent in no file this program wrote; read as no capacity, as before.
    const QJsonValue capacity = o.value(QStringLiteral("goodsCapacity"));
    const double cap = capacity.toDouble(-1);
    if (!capacity.isUndefined()
        && (!capacity.isDouble() || cap < 0 || cap > MaxGoodsCapacity || cap != std::floor(cap))) {
        *error
            = QObject::tr("поле goodsCapacity: %1 — не ёмкость номенклатуры (ожидается целое число от 0 до "
                          "%2)")
                  .arg(describe(capacity))
                  .arg(MaxGoodsCapacity);
        return false;
    }
    f.goodsCapacity = capacity.toInt();
    f.source = o.value(QStringLiteral("source")).toString();
    f.saved = QDateTime::fromString(o.value(QStringLiteral("saved")).toString(), Qt::ISODate);
    if (f.serial.isEmpty()) {
        *error = QObject::tr("в файле нет заводского номера ККТ");
        return false;
    }
    if (!DeviceParams::isValidVersion(f.version)) {
        *error = QObject::tr("неверная версия ККТ «%1»: ожидаются три числа через точку")
                     .arg(displayText(f.version));
        return false;
    }
    if (f.family() == 0) {
        *error = QObject::tr("Версия ККТ %1 не поддерживается").arg(displayText(f.version));
        return false;
    }
    if (!decodeImage(o, QStringLiteral("params"), &f.params)
        || !decodeImage(o, QStringLiteral("system"), &f.system)
        || !decodeImage(o, QStringLiteral("goods"), &f.goods)) {
        *error = QObject::tr("образ в файле повреждён (неверный base64)");
        return false;
    }
    if (f.params.isEmpty()) {
        *error = QObject::tr("в файле нет образа параметров");
        return false;
    }

    // An image of the other family, or one cut short, must never reach a
    // register under this family's layout.
    const int other = f.family() == 53 ? 52 : 53;
    const QByteArray serialBytes = TextCodec::encode(f.serial);
    if (f.params.size() < minimumImageSize(f.family())
        || (serialInImage(f.params, other) == serialBytes
            && serialInImage(f.params, f.family()) != serialBytes)) {
        *error = QObject::tr("образ параметров не соответствует семейству ККТ 2.%1 (%2 байт)")
                     .arg(f.family())
                     .arg(f.params.size());
        return false;
    }
    const QByteArray embedded = serialInImage(f.params, f.family());
    if (!embedded.isEmpty() && embedded != serialBytes) {
        *error = QObject::tr("образ параметров принадлежит ККТ %1, а не %2")
                     .arg(displayText(TextCodec::decode(embedded)), displayText(f.serial));
        return false;
    }
    *out = f;
    return true;
}

bool ParamFile::save(const QString &path, QString *error) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(toJson()) < 0 || !file.commit()) {
        *error
            = QObject::tr("не удалось записать файл %1: %2").arg(path, FileError::reason(file.errorString()));
        return false;
    }
    return true;
}

bool ParamFile::saveNew(const QString &path, QString *error) const
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        *error = file.exists()
            ? QObject::tr("файл %1 уже существует, он не заменён; другое имя задаёт -o").arg(path)
            : QObject::tr("не удалось записать файл %1: %2").arg(path, FileError::reason(file.errorString()));
        return false;
    }
    const QByteArray json = toJson();
    if (file.write(json) != json.size() || !file.flush()) {
        *error
            = QObject::tr("не удалось записать файл %1: %2").arg(path, FileError::reason(file.errorString()));
        file.remove();
        return false;
    }
    return true;
}

bool ParamFile::load(const QString &path, ParamFile *out, QString *error)
{
    const BoundedFile::Result read = BoundedFile::read(path, MaxFileSize);
    switch (read.status) {
    case BoundedFile::Status::Ok:
        break;
    case BoundedFile::Status::CannotOpen:
        *error = QObject::tr("не удалось открыть файл %1: %2").arg(path, read.error);
        return false;
    case BoundedFile::Status::ReadError:
        *error = QObject::tr("не удалось прочитать файл %1: %2").arg(path, read.error);
        return false;
    case BoundedFile::Status::NotRegular:
        *error = QObject::tr("%1: это не обычный файл").arg(path);
        return false;
    case BoundedFile::Status::TooLarge:
        // Parameter files are a few kilobytes; anything huge is not one.
        *error = QObject::tr("файл %1: это не файл параметров ККТ").arg(path);
        return false;
    }
    QString reason;
    if (!fromJson(read.bytes, out, &reason)) {
        *error = QObject::tr("файл %1: %2").arg(path, reason);
        return false;
    }
    return true;
}

QString ParamFile::defaultFileName(const QString &serial)
{
    return safeName(serial) + QStringLiteral(".params.json");
}

QString ParamFile::safeName(const QString &serial)
{
    QString name = serial;
    for (QChar &c : name) {
        const char16_t u = c.unicode();
        const bool safe = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
            || u == '-' || u == '_';
        if (!safe)
            c = QLatin1Char('_');
    }
    // "CON.params.json" would be the console on Windows.
    if (ReservedName::isReserved(name))
        name += QLatin1Char('_');
    return name;
}
