#include "params/deviceparams52.h"
#include "params/deviceparams53.h"

#include <QRandomGenerator>
#include <QtTest>

// Random well-formed images go through fromImage and toImage. The test keeps
// its own list of each family's text, packed-digit, zero-on-write, check and
// untouched runs, taken from the layout tables rather than from the code, so
// a field at a wrong offset, a run read or written when it should not be, or
// a lost kept byte shows up as a byte that differs.
class TestImageRoundTrip : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
};

namespace {

struct Run
{
    int offset;
    int size;
};

struct TextRun
{
    int offset;
    int width;
    int limit;
};

struct Layout
{
    int sectionsEnd = 0; // all pages the sections cover
    int writtenEnd = 0; // one past the last byte toImage writes
    QVector<TextRun> texts;
    QVector<int> packed; // 6-byte packed digit fields
    QVector<Run> zeros;
    QVector<Run> checked; // records whose last byte is the XOR of the others
    QVector<Run> untouched;
};

void addPositions(Layout &l)
{
    for (int k = 0; k < 8; ++k)
        l.texts.append({ 0x80 + 16 * k, 16, 16 });
}

void addDepartments(Layout &l, int start)
{
    for (int k = 0; k < 16; ++k)
        l.texts.append({ start + 16 * k + 1, 13, 12 });
}

void addReceipts(Layout &l, int start)
{
    l.texts.append({ start, 132, 132 });
    l.texts.append({ start + 0x100, 132, 132 });
    l.untouched.append({ start + 132, 124 });
    l.untouched.append({ start + 0x100 + 132, 124 });
}

Layout layout53()
{
    Layout l;
    l.sectionsEnd = 0x1500;
    l.writtenEnd = 0x1484;
    l.zeros = { { 0x06, 10 }, { 0x34, 8 }, { 0x51, 1 } };
    l.untouched = { { 0x5D, 35 },  { 0x138, 200 }, { 0x24D, 179 }, { 0x3F0, 16 },
                    { 0x4F0, 16 }, { 0x5F0, 16 },  { 0xE60, 160 }, { 0xF54, 172 } };
    addPositions(l);
    l.texts += { { 0x100, 20, 20 }, { 0x114, 20, 20 }, { 0x128, 16, 16 } };
    l.texts += {
        { 0x200, 13, 12 }, { 0x20D, 64, 63 }, { 0x300, 240, 240 }, { 0x400, 240, 240 }, { 0x500, 240, 240 }
    };
    addDepartments(l, 0x600);
    for (int k = 0; k < 16; ++k) {
        const int at = 0x700 + 118 * k;
        l.texts += {
            { at, 15, 14 }, { at + 15, 14, 13 }, { at + 29, 13, 12 }, { at + 42, 65, 64 }, { at + 107, 7, 6 }
        };
    }
    l.texts += {
        { 0xF00, 65, 64 }, { 0xF41, 13, 12 }, { 0x1000, 256, 256 }, { 0x1100, 256, 256 }, { 0x1200, 256, 256 }
    };
    addReceipts(l, 0x1300);
    return l;
}

Layout layout52()
{
    Layout l;
    l.sectionsEnd = 0xA00;
    l.writtenEnd = 0x98C;
    l.zeros = { { 0x34, 8 } };
    l.untouched = { { 0x54, 44 },   { 0x10C, 4 },     { 0x17E, 10 }, { 0x1F6, 10 },
                    { 0x320, 224 }, { 0x500, 0x200 }, { 0x98C, 116 } };
    addPositions(l);
    l.texts += { { 0x100, 12, 12 }, { 0x110, 110, 110 }, { 0x188, 110, 110 } };
    for (int k = 0; k < 9; ++k) {
        const int at = 0x200 + 32 * k;
        l.texts.append({ at + 10, 15, 15 });
        l.packed.append(at + 2);
        l.zeros.append({ at + 30, 1 });
        l.checked.append({ at, 32 });
    }
    addDepartments(l, 0x400);
    addReceipts(l, 0x700);
    l.texts += { { 0x900, 64, 63 }, { 0x946, 64, 63 } };
    l.packed.append(0x986);
    return l;
}

// A registration slot of the system image.
Layout slotLayout(int at)
{
    Layout l;
    l.texts = { { at + 6, 21, 20 }, { at + 27, 13, 12 }, { at + 40, 17, 16 } };
    l.zeros = { { at + 60, 3 } };
    l.checked = { { at, 64 } };
    return l;
}

QByteArray randomBytes(QRandomGenerator &rng, int size)
{
    QByteArray out(size, '\0');
    for (char &c : out)
        c = char(rng.bounded(256));
    return out;
}

// Text as the register would hold it: up to limit non-zero bytes (any
// Windows-1251 character), zero-filled to the width.
void fillText(QRandomGenerator &rng, QByteArray &image, const TextRun &t)
{
    const int length = rng.bounded(t.limit + 1);
    for (int i = 0; i < t.width; ++i)
        image[t.offset + i] = i < length ? char(1 + rng.bounded(255)) : '\0';
}

// Packed digits written by hand here, so the test does not lean on the
// encoder it checks elsewhere.
void fillPacked(QRandomGenerator &rng, QByteArray &image, int at)
{
    const int digits = rng.bounded(13);
    int nibbles[12];
    for (int &n : nibbles)
        n = rng.bounded(10);
    int pos = at;
    for (int i = 0; i < (12 - digits) / 2; ++i)
        image[pos++] = char(0xFF);
    int d = 0;
    if (digits % 2)
        image[pos++] = char(0xF0 | nibbles[d++]);
    while (d < digits) {
        image[pos++] = char(nibbles[d] << 4 | nibbles[d + 1]);
        d += 2;
    }
}

// Where two images differ first, or empty when they are equal.
QString firstDifference(const QByteArray &got, const QByteArray &want)
{
    const int n = qMin(got.size(), want.size());
    for (int i = 0; i < n; ++i) {
        if (got.at(i) != want.at(i)) {
            return QStringLiteral("offset 0x%1: 0x%2, expected 0x%3")
                .arg(i, 0, 16)
                .arg(uchar(got.at(i)), 2, 16, QLatin1Char('0'))
                .arg(uchar(want.at(i)), 2, 16, QLatin1Char('0'));
        }
    }
    if (got.size() != want.size())
        return QStringLiteral("size 0x%1, expected 0x%2").arg(got.size(), 0, 16).arg(want.size(), 0, 16);
    return QString();
}

void fillWellFormed(QRandomGenerator &rng, QByteArray &image, const Layout &l)
{
    for (const TextRun &t : l.texts)
        fillText(rng, image, t);
    for (const int at : l.packed)
        fillPacked(rng, image, at);
}

// What toImage must make of target after reading source: every field byte
// from source, zero-on-write runs zero, check bytes recomputed; untouched
// bytes from target, or zero where target was too short to hold them.
QByteArray expectedImage(const QByteArray &source, const QByteArray &target, const Layout &l, int writtenEnd)
{
    QByteArray out = source.left(writtenEnd);
    auto keepTarget = [&](int from, int size) {
        for (int i = from; i < from + size && i < writtenEnd; ++i)
            out[i] = i < target.size() ? target.at(i) : '\0';
    };
    for (const Run &u : l.untouched)
        keepTarget(u.offset, u.size);
    for (const Run &z : l.zeros)
        out.replace(z.offset, z.size, QByteArray(z.size, '\0'));
    for (const Run &c : l.checked) {
        char x = 0;
        for (int i = c.offset; i < c.offset + c.size - 1; ++i)
            x = char(x ^ out.at(i));
        out[c.offset + c.size - 1] = x;
    }
    if (target.size() > writtenEnd)
        out.append(target.mid(writtenEnd));
    return out;
}

} // namespace

void TestImageRoundTrip::roundTrip_data()
{
    QTest::addColumn<int>("family");
    QTest::addColumn<bool>("ontoCopy");

    QTest::newRow("2.53 onto a copy of the image read") << 53 << true;
    QTest::newRow("2.53 onto another image, short or long") << 53 << false;
    QTest::newRow("2.52 onto a copy of the images read") << 52 << true;
    QTest::newRow("2.52 onto other images, short or long") << 52 << false;
}

void TestImageRoundTrip::roundTrip()
{
    QFETCH(int, family);
    QFETCH(bool, ontoCopy);

    QRandomGenerator rng(quint32(family * 2 + ontoCopy));
    const Layout layout = family == 53 ? layout53() : layout52();
    // One object for every round, so a field left over from an earlier image
    // would show too.
    QScopedPointer<DeviceParams> params(family == 53 ? static_cast<DeviceParams *>(new DeviceParams53)
                                                     : new DeviceParams52);

    for (int round = 0; round < 150; ++round) {
        QByteArray image = randomBytes(rng, layout.sectionsEnd + rng.bounded(64));
        fillWellFormed(rng, image, layout);

        // 2.52 history: 0 to 16 records, then a slot with another marker.
        QByteArray system = randomBytes(rng, 0x400 + rng.bounded(64));
        const int records = family == 52 ? rng.bounded(17) : 0;
        Layout history;
        for (int i = 0; i < records; ++i) {
            const Layout slot = slotLayout(64 * i);
            fillWellFormed(rng, system, slot);
            system[64 * i] = char(0xC1);
            history.texts += slot.texts;
            history.zeros += slot.zeros;
            history.checked += slot.checked;
        }
        if (records < 16 && uchar(system.at(64 * records)) == 0xC1)
            system[64 * records] = char(0xC2);

        QByteArray outImage = ontoCopy ? image : randomBytes(rng, rng.bounded(layout.sectionsEnd + 64));
        QByteArray outSystem = ontoCopy ? system : randomBytes(rng, rng.bounded(0x440));
        const QByteArray imageBefore = outImage;
        const QByteArray systemBefore = outSystem;
        params->fromImage(image, system);
        params->toImage(outImage, outSystem);

        QCOMPARE(firstDifference(outImage, expectedImage(image, imageBefore, layout, layout.writtenEnd)),
                 QString());
        if (family == 53) {
            QCOMPARE(outSystem, systemBefore);
            continue;
        }
        // Slots past the history are written as zeros; bytes from 0x400 on
        // are the target's.
        QByteArray historySource = system.left(0x400);
        const int used = 64 * records;
        historySource.replace(used, 0x400 - used, QByteArray(0x400 - used, '\0'));
        QCOMPARE(firstDifference(outSystem, expectedImage(historySource, systemBefore, history, 0x400)),
                 QString());
    }
}

QTEST_GUILESS_MAIN(TestImageRoundTrip)
#include "tst_imageroundtrip.moc"
