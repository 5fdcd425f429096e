#include "records.h"

quint8 taxSystemToBits(int index)
{
    // Index 0, and anything no bit stands for (a combo box with nothing
    // chosen gives -1), mean no taxation system.
    if (index < 1 || index > 8)
        return 0;
    return quint8(1u << (index - 1));
}

int taxSystemFromBits(quint8 bits)
{
    if (bits == 0)
        return 0;
    int index = 1;
    while (!(bits & 1)) {
        bits >>= 1;
        ++index;
    }
    return index;
}

QStringList ReceiptTextBlock::lines() const
{
    return text().split(QLatin1Char('\n'));
}

void ReceiptTextBlock::setLines(const QStringList &lines)
{
    setText(lines.join(QLatin1Char('\n')));
}

QDateTime RegistrationRecord52::dateTime() const
{
    return QDateTime(QDate(2000 + yearFrom2000, month, day), QTime(hour, minute));
}

void RegistrationRecord52::setDateTime(const QDateTime &dateTime)
{
    // An invalid date or time stores zeros rather than wrapped -1 values.
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    day = date.isValid() ? quint8(date.day()) : 0;
    month = date.isValid() ? quint8(date.month()) : 0;
    yearFrom2000 = date.isValid() ? quint8(date.year() - 2000) : 0;
    hour = time.isValid() ? quint8(time.hour()) : 0;
    minute = time.isValid() ? quint8(time.minute()) : 0;
}
