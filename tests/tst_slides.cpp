// Slide show: the list of slides, their order and delay, the show window and
// what it puts back, the options window.

#include "tests/support/MainFormAccess.h"
#include "engine/Colouring.h"
#include "engine/Messages.h"
#include "files/FileFormats.h"
#include "slides/U_slideform.h"
#include "slides/U_slidelist.h"
#include "slides/U_vreloptions.h"
#include "support/FakeHost.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"
#include "support/MessageRecorder.h"
#include "support/Modal.h"
#include "support/PassGate.h"
#include "support/Pictures.h"
#include "support/ProgramFolder.h"
#include "support/SpecialFiles.h"

#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <climits>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

TPassGate Gate;

const QString ErrorCaption = QStringLiteral("Ошибка");
const QString NoSlidesText = QStringLiteral("Не возможно выполнить команду.\n Нет ни одного фрактала для показа.");

TFractalParams Params(double cx, double cy, float x, float y, float width, int formula = 1)
{
    // Palette kind 1 with levels of its own, so a slide's palette shows.
    return {formula, 1, cx, cy, x, y, width, 50, 20, 90, 7, 33, 12};
}
const TFractalParams FracA = Params(-0.7455, 0.1, 0.1f, -0.05f, 1.5f);
const TFractalParams FracB = Params(0.285, -0.01, -0.125f, 0.0625f, 1.25f);
const TFractalParams FracUnknown = Params(0.1, 0.2, 0.0f, 0.0f, 4.0f, 2);

// The picture worked out point by point, apart from the engine: kind 1
// linear palette, limit 254, doubles rounded to float where stored.
QImage DerivedSlide(const TFractalParams& p, int w, int h)
{
    auto entry = [&](int n) {
        return qRgb((p.R0 + p.R1 * n) % 256, (p.G0 + p.G1 * n) % 256, (p.B0 + p.B1 * n) % 256);
    };
    auto escapes = [&](float x, float y) {
        for (int n = 1; n <= 255; ++n) {
            const float nx = float((double(x) * x - double(y) * y) + p.Cx);
            const float ny = float((double(x) * y) * 2.0 + p.Cy);
            x = nx, y = ny;
            if (n > 254)
                return 0;
            if ((double(x) * x + double(y) * y) - 4.0 >= 0.0)
                return n;
        }
        return 0;
    };
    const float step = float(double(p.ViewWidth) / w);
    const float x0 = float(p.CenterX - double(w / 2) * step);
    float y = float(double(h / 2) * step + p.CenterY);
    QImage image(w, h, QImage::Format_RGB32);
    for (int i = 0; i < h; ++i, y = float(double(y) - step)) {
        float x = x0;
        for (int k = 0; k < w; ++k, x = float(double(x) + step))
            image.setPixel(k, i, entry(escapes(x, y)));
    }
    return image;
}

// The first three bytes of every pixel agree.
bool SamePixels(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!(PixelOf(a, x, y) == PixelOf(b, x, y)))
                return false;
    return true;
}

QByteArray TableBytes(const ProgramState& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.ColourTable.data()), ColourTableSize * 3);
}

}  // namespace

class TestSlides : public QObject, TMainWindowFixture {
    Q_OBJECT

private:

    QString Fractal(const QString& file) const { return Dir->FilePath(QStringLiteral("fractals/") + file); }
    bool Put(const QString& file, const TFractalParams& p) const { return WriteBytes(Fractal(file), EncodeFractal(p)); }

    // Runs 'act' on the show's window once it is up; the show runs meanwhile.
    void DuringShow(std::function<void(TSlideForm&)> act) { OnModal<TSlideForm>(W.get(), std::move(act)); }

private slots:
    void initTestCase()
    {
        CountPasses(Gate);
    }

    void init()
    {
        QVERIFY(StartWindow(Gate));
    }

    void cleanup()
    {
        TSlideList::FailsForTests = false;
        StopWindow(Gate);
    }

    // ---- The list and the choice of slides ----

    void listFollowsFolderAndWraps()
    {
        for (const char* f : {"b.frc", "A.FRC", "c.frc.bak", "note.txt"})
            QVERIFY(Put(QString::fromLatin1(f), FracA));
        QVERIFY(QDir(Dir->FilePath("fractals")).mkdir("d.frc"));
        TSlideList list(Dir->FilePath("fractals"));
        QCOMPARE(QDir::currentPath(), QDir(Dir->FilePath("fractals")).canonicalPath());
        QCOMPARE(list.Count(), 3);
        QStringList seen;
        for (int i = 0; i < 7; ++i)
            seen << list.NextName();
        QCOMPARE(seen, QStringList({"A.FRC", "b.frc", "d.frc", "A.FRC", "b.frc", "d.frc", "A.FRC"}));
    }

    // A name whose bytes are not UTF-8 is a slide like any other.
    void slideNamedNotUtf8()
    {
        QVERIFY(Put("a.frc", FracA));
        const TRemovedAtEnd removed(QFile::encodeName(Fractal("")) + "b\xff.frc");
        QVERIFY(PutBytesAt(QFile::encodeName(Fractal("")) + "b\xff.frc", EncodeFractal(FracB)));
        ProgramState& s = W->State;
        TSlideList list(s.FractalsDir);
        QCOMPARE(list.Count(), 2);
        LoadNextSlide(s, list);
        QCOMPARE(s.FractalParams, FracA);
        LoadNextSlide(s, list);
        QCOMPARE(s.FractalParams, FracB);
        QVERIFY(Recorder->Messages.isEmpty());
    }

    void missingFolderListsCurrentOne()
    {
        QVERIFY(WriteBytes(Dir->FilePath("here.frc"), EncodeFractal(FracA)));
        TSlideList list(Dir->FilePath("nowhere"));
        QCOMPARE(QDir::currentPath(), QDir(Dir->Path()).canonicalPath());
        QCOMPARE(list.Count(), 1);
        QCOMPARE(list.NextName(), QStringLiteral("here.frc"));
    }

    void orderOfPicks_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("order");
        QTest::newRow("one file, sequential") << 1 << 0;
        QTest::newRow("one file, random") << 1 << 1;
        QTest::newRow("four files, sequential") << 4 << 0;
        QTest::newRow("four files, random") << 4 << 1;
    }

    void orderOfPicks()
    {
        QFETCH(int, files);
        QFETCH(int, order);
        QStringList names;
        for (int i = 0; i < files; ++i) {
            names << QStringLiteral("f%1.frc").arg(i);
            QVERIFY(Put(names.last(), FracA));
        }
        ProgramState& s = W->State;
        s.SlideRandomOrder = uint8_t(order);
        TSlideList list(s.FractalsDir);
        // A fresh generator: the same sequence an unseeded program draws.
        std::srand(1);
        QStringList expected;
        int cursor = 0;
        for (int pick = 0; pick < 12; ++pick) {
            if (order)
                cursor = (cursor + std::rand() % files) % files;
            expected << names[cursor];
            cursor = (cursor + 1) % files;
        }
        std::srand(1);
        QStringList picked;
        for (int pick = 0; pick < 12; ++pick) {
            LoadNextSlide(s, list);
            picked << s.FilePath;
        }
        QCOMPARE(picked, expected);
        QVERIFY(Recorder->Messages.isEmpty());
    }

    void vanishedSlideReportsOnceAndGoesOn()
    {
        QVERIFY(Put("a.frc", FracA));
        QVERIFY(Put("b.frc", FracB));
        ProgramState& s = W->State;
        TSlideList list(s.FractalsDir);
        QVERIFY(QFile::remove(Fractal("a.frc")));
        const TFractalParams before = s.FractalParams;
        LoadNextSlide(s, list);
        QCOMPARE(s.FilePath, QStringLiteral("a.frc"));
        QCOMPARE(s.FractalParams, before);
        QCOMPARE(Recorder->Messages.size(), 1);
        QCOMPARE(Recorder->Messages[0].Text, MsgCannotRead);
        LoadNextSlide(s, list);
        QCOMPARE(s.FractalParams, FracB);
        QCOMPARE(Recorder->Messages.size(), 1);
    }

    void timerInterval_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("interval");
        QTest::newRow("4") << 4 << 4000;
        QTest::newRow("20") << 20 << 20000;
        QTest::newRow("1") << 1 << 1000;
        QTest::newRow("0 fires once a second") << 0 << 1000;
        QTest::newRow("-5") << -5 << 1000;
        QTest::newRow("int max, no overflow") << INT_MAX << 20000;
    }

    void timerInterval()
    {
        QFETCH(int, delay);
        QFETCH(int, interval);
        QCOMPARE(SlideInterval(delay), interval);
    }

    void slideIsPixelExact()
    {
        QVERIFY(Put("a.frc", FracA));
        ProgramState& s = W->State;
        TSlideList list(s.FractalsDir);
        LoadNextSlide(s, list);
        QImage bitmap(1024, 768, QImage::Format_RGB32);
        std::memset(bitmap.bits(), 0x5A, size_t(bitmap.sizeInBytes()));
        RenderSlide(s, bitmap);
        QVERIFY(SamePixels(bitmap, DerivedSlide(FracA, 1024, 768)));
        // The fourth byte of each pixel is left as it was.
        for (int y : {0, 383, 767})
            for (int x : {0, 512, 1023})
                QCOMPARE(bitmap.constScanLine(y)[4 * x + 3], uchar(0x5A));
    }

    // ---- Starting the show ----

    void refusals_data()
    {
        QTest::addColumn<bool>("duringPass");
        QTest::newRow("during a render pass") << true;
        QTest::newRow("while a show runs") << false;
    }

    void refusals()
    {
        QFETCH(bool, duringPass);
        QVERIFY(Put("a.frc", FracA));
        const QString before = QDir::currentPath();
        if (duringPass) {
            Gate.Hold = true;
            W->DefaultParExecute();
            QVERIFY(Gate.Entered.tryAcquire(1, PassPatience));
        } else {
            W->State.SlideShowRunning = true;
        }
        W->SlideShow->trigger();
        QCOMPARE(QDir::currentPath(), before);  // no list was built
        QVERIFY(Recorder->Messages.isEmpty());
        QCOMPARE(W->State.FilePath, QString());
        Gate.Hold = false;
        Gate.Release.release();
        QVERIFY(WaitIdle(W->State));
    }

    void noShowWithoutSlides_data()
    {
        QTest::addColumn<bool>("listFails");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("text");
        QTest::newRow("empty folder") << false << int(TMessageKind::Warning) << NoSlidesText;
        QTest::newRow("no list") << true << int(TMessageKind::Error)
                                 << QStringLiteral("Не удалось создать список для показа.");
    }

    void noShowWithoutSlides()
    {
        QFETCH(bool, listFails);
        QFETCH(int, kind);
        QFETCH(QString, text);
        QVERIFY(Put("not_a_slide.frcx", FracA));
        TSlideList::FailsForTests = listFails;
        W->SlideShow->trigger();
        QCOMPARE(Recorder->Messages.size(), 1);
        QCOMPARE(int(Recorder->Messages[0].Kind), kind);
        QCOMPARE(Recorder->Messages[0].Caption, ErrorCaption);
        QCOMPARE(Recorder->Messages[0].Text, text);
        QVERIFY(!W->State.SlideShowRunning);
        QVERIFY(W->findChildren<TSlideForm*>().isEmpty());
    }

    // ---- The show ----

    void showPutsStateBack_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("filePalette");
        QTest::newRow("letter, file palettes") << int(Qt::Key_Q) << true;
        QTest::newRow("arrow, main palette") << int(Qt::Key_Left) << false;
        QTest::newRow("escape") << int(Qt::Key_Escape) << true;
        QTest::newRow("tab") << int(Qt::Key_Tab) << true;
    }

    void showPutsStateBack()
    {
        QFETCH(int, key);
        QFETCH(bool, filePalette);
        QVERIFY(Put("a.frc", FracA));
        QVERIFY(Put("b.frc", FracB));
        ProgramState& s = W->State;
        s.ApplyFilePalette = filePalette;
        s.SlideDelay = 20;
        s.CurrentFractalName = QStringLiteral("kept");
        s.ColourTable[8191] = {1, 2, 3};  // the whole table comes back
        const TFractalParams params = s.FractalParams;
        const QByteArray table = TableBytes(s);
        bool ran = false;
        DuringShow([&](TSlideForm& f) {
            ran = true;
            QVERIFY(s.SlideShowRunning);
            QCOMPARE(f.Timer1.interval(), 20000);
            QVERIFY(f.Timer1.isActive());
            QCOMPARE(f.Slide->cursor().shape(), Qt::BitmapCursor);
            QCOMPARE(s.FilePath, QStringLiteral("a.frc"));
            TFractalParams shown = FracA;
            if (!filePalette) {
                QCOMPARE(TableBytes(s), table);
                shown.R0 = params.R0, shown.G0 = params.G0, shown.B0 = params.B0;
                shown.R1 = params.R1, shown.G1 = params.G1, shown.B1 = params.B1;
            }
            QCOMPARE(f.Slide->Canvas.Image.size(), QSize(f.SlideWidth, f.SlideHeight));
            QVERIFY(SamePixels(f.Slide->Canvas.Image, DerivedSlide(shown, f.SlideWidth, f.SlideHeight)));
            f.Timer1Timer();
            QCOMPARE(s.FilePath, QStringLiteral("b.frc"));
            QTest::keyClick(&f, Qt::Key(key));
        });
        W->SlideShow->trigger();
        QVERIFY(ran);
        QVERIFY(!s.SlideShowRunning);
        QCOMPARE(s.FractalParams, params);
        QCOMPARE(TableBytes(s), table);
        QCOMPARE(s.FilePath, QStringLiteral("b.frc"));
        QCOMPARE(s.CurrentFractalName, QStringLiteral("kept"));
        QCOMPARE(QDir::currentPath(), QDir(s.FractalsDir).canonicalPath());
        QVERIFY(s.ColourFunction == &SquareColour);
        QVERIFY(W->findChildren<TSlideForm*>().isEmpty());
        QVERIFY(Recorder->Messages.isEmpty());
    }

    void clicks_data()
    {
        QTest::addColumn<bool>("known");
        QTest::addColumn<bool>("onMes");
        QTest::addColumn<bool>("closes");
        QTest::newRow("picture") << true << false << true;
        QTest::newRow("background around the text") << false << false << true;
        QTest::newRow("the text itself") << false << true << false;
    }

    void clicks()
    {
        QFETCH(bool, known);
        QFETCH(bool, onMes);
        QFETCH(bool, closes);
        QVERIFY(Put("a.frc", known ? FracA : FracUnknown));
        bool stillOpen = false;
        DuringShow([&](TSlideForm& f) {
            QCOMPARE(f.Slide->isVisible(), known);
            QCOMPARE(f.Mes->isVisible(), !known);
            if (!known) {
                QCOMPARE(f.Mes->text(), QStringLiteral("( Неизвестный тип фрактала )"));
                QCOMPARE(f.Mes->y(), int(f.height() * 0.4));
                QCOMPARE(f.Mes->x(), int((f.width() - f.Mes->width()) * 0.5));
            }
            QWidget* target = known ? static_cast<QWidget*>(f.Slide) : onMes ? static_cast<QWidget*>(f.Mes) : &f;
            const QPoint at = onMes || known ? target->rect().center() : QPoint(5, 5);
            QTest::mouseClick(target, Qt::LeftButton, {}, at);
            stillOpen = f.isVisible();
            if (stillOpen)
                f.close();
        });
        W->SlideShow->trigger();
        QCOMPARE(stillOpen, !closes);
        QVERIFY(!W->State.SlideShowRunning);
    }

    // ---- Options ----

    void optionsShowStoredValues_data()
    {
        QTest::addColumn<int>("delay");
        QTest::addColumn<int>("order");
        QTest::addColumn<int>("bar");
        QTest::addColumn<bool>("random");
        QTest::newRow("defaults") << 4 << 0 << 4 << false;
        QTest::newRow("random") << 9 << 1 << 9 << true;
        QTest::newRow("delay 0") << 0 << 0 << 1 << false;
        QTest::newRow("delay 35") << 35 << 0 << 20 << false;
        QTest::newRow("delay -5") << -5 << 0 << 1 << false;
        QTest::newRow("order 7") << 4 << 7 << 4 << false;
    }

    void optionsShowStoredValues()
    {
        QFETCH(int, delay);
        QFETCH(int, order);
        QFETCH(int, bar);
        QFETCH(bool, random);
        ProgramState& s = W->State;
        s.SlideDelay = delay;
        s.SlideRandomOrder = uint8_t(order);
        W->move(100, 80);
        W->show();
        W->Options->trigger();
        QVERIFY(s.OptionsOpen);
        TVrelOptions* o = W->OptionsWindow;
        QVERIFY(o && o->isVisible());
        QCOMPARE(o->windowTitle(), QStringLiteral("Опции"));
        QCOMPARE(o->size(), QSize(185, 203));
        QCOMPARE(o->pos(), W->pos() + QPoint(130, 49));
        QCOMPARE(o->TimeInterval->text(), QString::number(delay));
        QCOMPARE(o->BTInterval->value(), bar);
        QCOMPARE(o->RadioButton2->isChecked(), random);
        QCOMPARE(o->RadioButton1->isChecked(), !random);
        // "Ok!" stores what the window shows.
        o->ButOkey->click();
        QCOMPARE(s.SlideDelay, bar);
        QCOMPARE(int(s.SlideRandomOrder), random ? 1 : 0);
        QVERIFY(!s.OptionsOpen);
        QTRY_VERIFY(!W->OptionsWindow);
    }

    void optionsApplyOnlyOnOk_data()
    {
        QTest::addColumn<int>("how");  // 0 Ok, 1 Cancel, 2 close button, 3 the command again
        QTest::newRow("ok") << 0;
        QTest::newRow("cancel") << 1;
        QTest::newRow("close button") << 2;
        QTest::newRow("command again") << 3;
    }

    // The options window needs no main window: against a fake host it opens
    // on the host's window, applies on Ok and asks nothing else of it.
    void optionsAgainstAFakeHost()
    {
        TFakeHost host;
        TVrelOptions::OptionsExecute(host);
        TVrelOptions* o = host.OptionsWindow;
        QVERIFY(o);
        QCOMPARE(o->parentWidget(), &host.Main);
        QVERIFY(host.State.OptionsOpen);
        o->BTInterval->setValue(o->BTInterval->maximum());
        o->ButOkey->click();
        QVERIFY(!host.State.OptionsOpen);
        QCOMPARE(host.State.SlideDelay, 20);
        QTRY_VERIFY(!host.OptionsWindow);
        QCOMPARE(host.Calls, (std::map<std::string, int>{}));
    }

    void optionsApplyOnlyOnOk()
    {
        QFETCH(int, how);
        ProgramState& s = W->State;
        W->Options->trigger();
        TVrelOptions* o = W->OptionsWindow;
        QVERIFY(o);
        o->BTInterval->setValue(o->BTInterval->maximum());
        QCOMPARE(o->TimeInterval->text(), QStringLiteral("20"));
        o->RadioButton2->setChecked(true);
        switch (how) {
        case 0: o->ButOkey->click(); break;
        case 1: o->CanBut->click(); break;
        case 2: o->close(); break;
        default: W->Options->trigger(); break;
        }
        QVERIFY(!s.OptionsOpen);
        QTRY_VERIFY(!W->OptionsWindow);
        QCOMPARE(s.SlideDelay, how == 0 ? 20 : 4);
        QCOMPARE(int(s.SlideRandomOrder), how == 0 ? 1 : 0);
        if (how == 0) {
            // The next show waits 20 s per slide.
            QVERIFY(Put("a.frc", FracA));
            int interval = 0;
            DuringShow([&](TSlideForm& f) {
                interval = f.Timer1.interval();
                f.close();
            });
            W->SlideShow->trigger();
            QCOMPARE(interval, 20000);
        }
    }
};

QTEST_MAIN(TestSlides)
#include "tst_slides.moc"
