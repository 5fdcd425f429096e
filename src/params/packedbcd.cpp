#include "packedbcd.h"

namespace {

QChar nibbleChar(int n)
{
    return QChar(ushort('0' + n));
}

} // namespace

namespace PackedBcd {

QByteArray encode(const QString &digits)
{
    const QString used = digits.left(MaxDigits);
    const int count = used.size();
    QByteArray out;
    out.reserve(Size);
    out.fill(char(0xFF), (MaxDigits - count) / 2);
    auto nibble = [&](int i) { return (used.at(i).unicode() - '0') & 0x0F; };
    int i = 0;
    if (count % 2) {
        out.append(char(0xF0 | nibble(0)));
        i = 1;
    }
    for (; i < count; i += 2)
        out.append(char((nibble(i) << 4) | nibble(i + 1)));
    return out;
}

QString decode(const QByteArray &bytes)
{
    QString out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const int b = uchar(c);
        if (b == 0xFF)
            continue;
        if ((b & 0xF0) == 0xF0) {
            out.append(nibbleChar(b & 0x0F));
        } else {
            out.append(nibbleChar(b >> 4));
            out.append(nibbleChar(b & 0x0F));
        }
    }
    return out;
}

int checkDigit(const QByteArray &bytes)
{
    int sum = 0;
    bool any = false;
    for (const char c : bytes) {
        const int b = uchar(c);
        if (b == 0xFF)
            continue;
        any = true;
        if ((b & 0xF0) == 0xF0)
            sum += 3 * (b & 0x0F);
        else
            sum += (b >> 4) + 3 * (b & 0x0F);
    }
    return any ? (10 - sum % 10) % 10 : -1;
}

QString decodeBarcode(const QByteArray &bytes)
{
    QString out = decode(bytes);
    const int check = checkDigit(bytes);
    if (check >= 0)
        out.append(nibbleChar(check));
    return out;
}

} // namespace PackedBcd
