// High-density screens: at a device pixel ratio of 2 every picture of the
// program is drawn with each of its pixels as one 2 x 2 block of its own
// colour, never smoothed, and keeps its size in logical pixels.

#include "app/ImageView.h"
#include "support/MainWindowFixture.h"
#include "support/ProgramWindows.h"

#include <QtTest>

#include <QLabel>

namespace {

TPassGate Gate;

QWidget* Named(QWidget& window, const QString& name)
{
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->window() == &window && w->accessibleName() == name)
            return w;
    return nullptr;
}

// What the widget shows, pixel for pixel in logical pixels.
QImage SourceOf(QWidget* w)
{
    if (auto* image = qobject_cast<TImage*>(w))
        return image->Canvas.Snapshot();
    if (auto* label = qobject_cast<QLabel*>(w))
        return label->pixmap().toImage();
    return {};
}

// Neighbours that differ: a picture with edges, where smoothing would show.
int Edges(const QImage& image)
{
    int edges = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 1; x < image.width(); ++x)
            edges += (image.pixel(x, y) & 0xFFFFFF) != (image.pixel(x - 1, y) & 0xFFFFFF);
    return edges;
}

}  // namespace

class TestHiDpi : public QObject, TMainWindowFixture {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        CountPasses(Gate);
        QCOMPARE(qApp->devicePixelRatio(), 2.0);
    }
    void init() { QVERIFY(StartWindow(Gate)); }
    void cleanup() { StopWindow(Gate); }

    void crispPictures_data()
    {
        QTest::addColumn<TWindowKind>("kind");
        QTest::addColumn<QString>("picture");
        QTest::newRow("main picture") << TWindowKind::Main << "Изображение фрактала";
        QTest::newRow("overview") << TWindowKind::Main << "Общий вид";
        QTest::newRow("palette line") << TWindowKind::Main << "Палитра";
        QTest::newRow("fractal preview") << TWindowKind::FractalOpen << "Облась предпросмотра";
        QTest::newRow("palette preview") << TWindowKind::PaletteOpen << "Область предпросмотра";
        QTest::newRow("full screen") << TWindowKind::FullScreen << "Полный экран";
        QTest::newRow("slide") << TWindowKind::SlideShow << "Слайд-Шоу";
        QTest::newRow("emblem") << TWindowKind::About << "Эмблема Quilmora";
    }
    void crispPictures()
    {
        QFETCH(TWindowKind, kind);
        QFETCH(QString, picture);
        bool ran = false;
        ProgramWindows::WithWindow(*W, *Dir, kind, [&](QWidget& window) {
            ran = true;
            QWidget* w = Named(window, picture);
            QVERIFY(w);
            const QImage source = SourceOf(w);
            QVERIFY(Edges(source) > 10);
            QCOMPARE(w->size(), source.size());  // logical pixels, one per picture pixel
            const QPixmap grabbed = w->grab();
            QCOMPARE(grabbed.devicePixelRatio(), 2.0);
            const QImage shown = grabbed.toImage();
            QCOMPARE(shown.size(), source.size() * 2);
            int wrong = 0;
            QPoint first(-1, -1);
            for (int y = 0; y < shown.height(); ++y)
                for (int x = 0; x < shown.width(); ++x)
                    if ((shown.pixel(x, y) & 0xFFFFFF) != (source.pixel(x / 2, y / 2) & 0xFFFFFF) && wrong++ == 0)
                        first = QPoint(x, y);
            QVERIFY2(wrong == 0, qPrintable(QStringLiteral("%1 device pixels differ, the first at (%2, %3)")
                                                .arg(wrong).arg(first.x()).arg(first.y())));
        });
        QVERIFY(ran);
    }
};

int main(int argc, char** argv)
{
    // Before the application exists: every screen then has two device pixels
    // to the logical one.
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TestHiDpi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_hidpi.moc"
