#include "resultexplanation.h"

#include "link/devicejob.h"

#include <QCoreApplication>

namespace {

const char *const Context = "DeviceResult";

// No default: a code added to DeviceResult without its sentence here is a
// compiler warning (an error in CI).
const char *sentence(DeviceResult code)
{
    switch (code) {
    case ResultOk:
        return QT_TRANSLATE_NOOP("DeviceResult", "Обмен с ККТ завершён успешно.");
    case ErrPageCount:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Программа запросила у ККТ недопустимое число страниц за один запрос. "
                                 "Это ошибка программы: сообщите о ней разработчику.");
    case ErrSend:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Запрос не удалось отправить в ККТ целиком. "
                                 "Проверьте сетевое подключение и повторите операцию.");
    case ErrNoReply:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "ККТ не ответила на запрос в течение секунды. Проверьте, что ККТ "
                                 "включена и подключена к сети, и повторите операцию.");
    case ErrBadReply:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Ответ ККТ не принят: он искажён (неверная длина или контрольная сумма), "
                                 "в нём не хватает данных, пришло больше одного ответа, или ККТ не "
                                 "сообщила заводской номер либо назвала ёмкость номенклатуры больше "
                                 "своей памяти. Проверьте, что по этому адресу отвечает одна ККТ, и "
                                 "повторите операцию.");
    case ErrDirectory:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Каталог памяти ККТ не распознан: по этому адресу, возможно, отвечает "
                                 "другое устройство. Проверьте адрес ККТ.");
    case ErrJobKind:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Программа запросила неизвестный вид обмена с ККТ. "
                                 "Это ошибка программы: сообщите о ней разработчику.");
    case ErrCapacity:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Данные не помещаются в память ККТ или запрошены за её пределами. "
                                 "Уменьшите объём данных, например число товаров.");
    case ErrWriteRejected:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "ККТ не подтвердила запись, и часть данных могла остаться "
                                 "незаписанной. Повторите выгрузку.");
    case ErrReadMismatch:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "ККТ вернула не столько страниц памяти, сколько было запрошено. "
                                 "Повторите операцию.");
    case ErrStopped:
        return QT_TRANSLATE_NOOP("DeviceResult", "Операция остановлена пользователем.");
    case ErrSocket:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Соединение с ККТ не установлено или оборвалось. Проверьте адрес, "
                                 "сеть и питание ККТ и повторите операцию.");
    case ErrSerialMismatch:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "По этому адресу отвечает ККТ с другим заводским номером, поэтому в "
                                 "неё ничего не записано. Проверьте адрес ККТ.");
    case ErrFamilyMismatch:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Прошивка ККТ другого семейства, чем записываемые данные, или не "
                                 "поддерживается, поэтому в ККТ ничего не записано. Загрузите "
                                 "параметры из ККТ заново.");
    case ErrNotStarted:
        return QT_TRANSLATE_NOOP("DeviceResult",
                                 "Обмен с ККТ не начат: предыдущий обмен ещё не закончен или для "
                                 "записи не указана ККТ. Это ошибка программы: сообщите о ней "
                                 "разработчику.");
    }
    return nullptr;
}

} // namespace

QString resultExplanation(int code)
{
    if (const char *text = sentence(DeviceResult(code)))
        return QCoreApplication::translate(Context, text);
    return QCoreApplication::translate(Context,
                                       "Неизвестный код результата %1. Повторите операцию; если "
                                       "ошибка повторится, сообщите о ней разработчику.")
        .arg(code);
}

QString resultExplanation(int code, bool writeBegun)
{
    QString text = resultExplanation(code);
    if (writeBegun && code != ResultOk)
        text += QLatin1Char(' ') + writeBegunNote();
    return text;
}

QString writeBegunNote()
{
    return QCoreApplication::translate(Context,
                                       "Запись в ККТ уже началась: в ККТ теперь может оказаться часть "
                                       "новых данных вперемешку с прежними. Повторите выгрузку до "
                                       "успешного завершения.");
}

QList<int> resultCodes()
{
    // Taken from the table itself, so that a code added there is listed
    // without a second list to keep.
    QList<int> codes;
    for (int code = 0; code >= -255; --code) {
        if (sentence(DeviceResult(code)))
            codes.append(code);
    }
    return codes;
}
