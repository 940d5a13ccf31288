// The program's icons: each size drawn for its square on a clear ground and
// held by the window's drawn icon up to its largest, and the scalable icon's document.

#include "info/ProgramIcon.h"

#include <QtTest>

#include <QXmlStreamReader>

class TestIcon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void drawn_data();
    void drawn();
    void scalable();

private:
    QIcon Icon;
};

void TestIcon::initTestCase() { Icon = DrawnProgramIcon(); }

void TestIcon::drawn_data()
{
    QTest::addColumn<int>("side");
    for (int side : ProgramIconSizes())
        QTest::addRow("%d", side) << side;
}

void TestIcon::drawn()
{
    QFETCH(int, side);
    const QImage icon = DrawProgramIcon(side).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(icon.size(), QSize(side, side));
    if (side <= WindowIconLargest)
        QCOMPARE(Icon.pixmap(QSize(side, side)).toImage().convertToFormat(QImage::Format_ARGB32), icon);

    // Clear corners, a clear pixel round the edge, and the shape filling
    // the square within it.
    const int corner = std::max(2, side / 8);
    QRect shape;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            const int alpha = qAlpha(icon.pixel(x, y));
            const int fromCorner = std::min(x, side - 1 - x) + std::min(y, side - 1 - y);
            if (fromCorner < corner)
                QVERIFY2(alpha == 0, qPrintable(QStringLiteral("alpha %1 at %2, %3").arg(alpha).arg(x).arg(y)));
            if (alpha > 0)
                shape |= QRect(x, y, 1, 1);
        }
    QVERIFY(QRect(1, 1, side - 2, side - 2).contains(shape));
    QVERIFY2(std::max(shape.width(), shape.height()) >= side - 2 - side / 16,
             qPrintable(QStringLiteral("%1 x %2").arg(shape.width()).arg(shape.height())));

    // The middle holds opaque fill, lighter than the outline.
    int fill = 0;
    for (int y = side * 3 / 8; y < side * 5 / 8; ++y)
        for (int x = side * 3 / 8; x < side * 5 / 8; ++x)
            fill += qAlpha(icon.pixel(x, y)) == 255 && qGray(icon.pixel(x, y)) >= 128;
    QVERIFY(fill > 0);
}

void TestIcon::scalable()
{
    const QByteArray svg = ProgramIconSvg();
    QVERIFY(svg.size() < 100 * 1024);
    QXmlStreamReader xml(svg);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    QCOMPARE(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    const QStringList box = xml.attributes().value(QStringLiteral("viewBox")).toString().split(QLatin1Char(' '));
    QCOMPARE(box.size(), 4);
    QCOMPARE(box[2], box[3]);
    QVERIFY(box[2].toDouble() > 0);
    int paths = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QStringLiteral("path")) {
            const QStringView d = xml.attributes().value(QStringLiteral("d"));
            QVERIFY(d.startsWith(QLatin1Char('M')) && d.size() > 10);
            ++paths;
        }
    }
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QVERIFY(paths > 0);
}

QTEST_MAIN(TestIcon)
#include "tst_icon.moc"
