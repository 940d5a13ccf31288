// File dialogs: the fractal and palette dialogs in open and save mode, the
// actions that drive them, delete, rename, hints.

#include "app/HintLine.h"
#include "app/ImageView.h"
#include "app/U_fullscreen.h"
#include "tests/support/MainFormAccess.h"
#include "engine/Colouring.h"
#include "engine/Messages.h"
#include "engine/Palette.h"
#include "engine/ProgramState.h"
#include "engine/RenderPass.h"
#include "engine/SavedState.h"
#include "files/FileFormats.h"
#include "files/U_opensavefractal.h"
#include "files/U_ospalette.h"
#include "files/U_refile.h"
#include "export/U_sizeandext.h"
#include "slides/U_slideform.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"
#include "support/MessageRecorder.h"
#include "support/Modal.h"
#include "support/PassGate.h"
#include "support/Pictures.h"
#include "support/ProgramFolder.h"
#include "support/SpecialFiles.h"

#include <QtTest>

#include <QScreen>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

constexpr int Patience = 60000;  // only a guard against hangs

TPassGate Gate;

const QString ReplaceCaption = QStringLiteral("Подтверждение замены файла");
const QString ReplaceText = QStringLiteral("Файл с таким именем уже существует.\n Заменить существующий файл?");
const QString TakenCaption = QStringLiteral("Предупреждение о совпадении");
const QString TakenText = QStringLiteral("Файл с таким именем уже существует.\n Выберите другое имя.");
const QString RenameFailCaption = QStringLiteral("Ошибка при переименовании");
const QString RenameFailText = QStringLiteral("Не удалось переименовать файл.");

TFractalParams Params(double cx, double cy, float x, float y, float width, int kind, int r0, int g0, int b0, int r1,
                      int g1, int b1, int formula = 1)
{
    return {formula, kind, cx, cy, x, y, width, r0, g0, b0, r1, g1, b1};
}

// Three fractals that differ in every part, and the unknown ones.
const TFractalParams FracA = Params(-0.7455, 0.1234, 0.25f, -0.5f, 2.5f, 3, 10, 20, 30, 40, 35, 25);
const TFractalParams FracB = Params(0.285, -0.01, -0.125f, 0.0625f, 1.25f, 6, 5, 45, 25, 35, 15, 5);
const TFractalParams FracC = Params(-0.4, 0.6, 0.0f, 0.0f, 3.0f, 8, 60, 10, 50, 20, 40, 30);
const TFractalParams FracUnknownFormula = Params(0.1, 0.2, 0.0f, 0.0f, 4.0f, 2, 1, 2, 3, 4, 5, 6, 2);
const TFractalParams FracUnknownPalette = Params(-0.8, 0.156, 0.5f, 0.25f, 2.0f, 9, 7, 8, 9, 10, 11, 12);

void Append(QByteArray& b, const void* v, int size)
{
    static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "the layouts below are the host's bytes");
    b.append(static_cast<const char*>(v), size);
}

// The 60-byte fractal layout written out field by field.
QByteArray FractalLayout(const TFractalParams& p)
{
    QByteArray b;
    for (int32_t v : {p.FormulaKind, p.PaletteKind})
        Append(b, &v, 4);
    for (double v : {p.Cx, p.Cy})
        Append(b, &v, 8);
    for (float v : {p.CenterX, p.CenterY, p.ViewWidth})
        Append(b, &v, 4);
    for (int32_t v : {p.R0, p.G0, p.B0, p.R1, p.G1, p.B1})
        Append(b, &v, 4);
    return b;
}

// The 28-byte palette layout.
QByteArray PaletteLayout(const TFractalParams& p)
{
    QByteArray b;
    for (int32_t v : {p.PaletteKind, p.R0, p.G0, p.B0, p.R1, p.G1, p.B1})
        Append(b, &v, 4);
    return b;
}

// Colour table entries 0..8190 as bytes.
QByteArray TableBytes(const ProgramState& s)
{
    return QByteArray(reinterpret_cast<const char*>(s.ColourTable.data()), SavedColourEntries * 3);
}

// The preview a state with these values and this table gives.
quint64 PreviewHash(const TFractalParams& p, const ProgramState* tableFrom = nullptr)
{
    auto s = std::make_unique<ProgramState>();
    s->FractalParams = p;
    if (tableFrom)
        s->ColourTable = tableFrom->ColourTable;
    else
        BuildColourTable(*s);
    SelectColourFunction(*s);
    TImageCanvas canvas(PreviewWidth, PreviewHeight);
    QImage bitmap;
    RenderPreview(*s, bitmap, canvas);
    return PictureHash(canvas.Image);
}

quint64 ShownPreview(const TFileDialog& d)
{
    return PictureHash(d.Preview->Canvas.Image);
}

QStringList Entries(const QListWidget* list)
{
    QStringList names;
    for (int i = 0; i < list->count(); ++i)
        names << list->item(i)->text();
    return names;
}

bool SamePalette(const TFractalParams& a, const TFractalParams& b)
{
    return a.PaletteKind == b.PaletteKind && a.R0 == b.R0 && a.G0 == b.G0 && a.B0 == b.B0 && a.R1 == b.R1 &&
           a.G1 == b.G1 && a.B1 == b.B1;
}

TFractalParams WithPalette(TFractalParams p, const TFractalParams& from)
{
    p.PaletteKind = from.PaletteKind;
    p.R0 = from.R0, p.G0 = from.G0, p.B0 = from.B0, p.R1 = from.R1, p.G1 = from.G1, p.B1 = from.B1;
    return p;
}

void PressKey(TFileDialog& d, int key)
{
    QKeyEvent e(QEvent::KeyPress, key, Qt::NoModifier);
    d.FormKeyDown(&e);
}

enum class TCancel { Escape, CloseBox, CancelButton };

void CancelBy(QDialog& d, TFileDialog* fd, TCancel how)
{
    switch (how) {
    case TCancel::Escape:
        QTest::keyClick(&d, Qt::Key_Escape);
        break;
    case TCancel::CloseBox:
        d.close();
        break;
    case TCancel::CancelButton:
        fd->CancelButton->click();
        break;
    }
}

}  // namespace

Q_DECLARE_METATYPE(TCancel)

class TestDialogs : public QObject, TMainWindowFixture {
    Q_OBJECT

private:

    QString Fractal(const QString& file) const { return Dir->FilePath(QStringLiteral("fractals/") + file); }
    QString Palette(const QString& file) const { return Dir->FilePath(QStringLiteral("paletts/") + file); }
    bool PutFractal(const QString& name, const TFractalParams& p) const
    {
        return WriteBytes(Fractal(name + ".frc"), EncodeFractal(p));
    }
    bool PutPalette(const QString& name, const TFractalParams& p) const
    {
        return WriteBytes(Palette(name + ".ptt"), EncodePalette(p));
    }

    bool Idle() { return WaitIdle(W->State); }
    bool Settled(int expected) { return WaitSettled(Gate, W->State, expected); }
    void ExpectPasses(int expected) { ::ExpectPasses(Gate, W->State, expected); }

    template <class T>
    void OnModal(std::function<void(T&)> act)
    {
        ::OnModal<T>(W.get(), std::move(act));
    }

    QList<TRecordedMessage>& Shown() { return Recorder->Messages; }
    void ExpectMessage(TMessageKind kind, const QString& caption, const QString& text)
    {
        QCOMPARE(Shown().size(), 1);
        QCOMPARE(int(Shown()[0].Kind), int(kind));
        QCOMPARE(Shown()[0].Caption, caption);
        QCOMPARE(Shown()[0].Text, text);
        Shown().clear();
    }

    std::vector<int> PaletteBars() const
    {
        return {W->TrackBarR0->value(), W->TrackBarG0->value(), W->TrackBarB0->value(),
                W->TrackBarR1->value(), W->TrackBarG1->value(), W->TrackBarB1->value()};
    }

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
        StopWindow(Gate);
    }

    // ---- Placement and a missing folder ----

    void placement()
    {
        W->show();
        QVERIFY(QTest::qWaitForWindowExposed(W.get()));
        W->move(100, 60);
        {
            // Over the main picture, at 0.3 of the free height, by the outer
            // size the dialog has once shown, its frame included.
            TOpenSaveFractal d(*W, false);
            d.show();
            QVERIFY(QTest::qWaitForWindowExposed(&d));
            const QRect main = W->frameGeometry();
            const QSize outer = d.frameGeometry().size();
            QVERIFY(outer != d.size());
            const int picLeft = W->Pic->mapTo(W.get(), QPoint(0, 0)).x();
            QCOMPARE(picLeft, 46);
            QCOMPARE(d.pos(), QPoint(int(main.x() + picLeft + (530 - outer.width()) * 0.5L),
                                     int(main.y() + (main.height() - outer.height()) * 0.3L)));
        }
        // Above the full-screen view: centred on the screen, 30 pixels higher.
        W->State.FullScreenOpen = true;
        TOSPalette d(*W, false);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        const QSize outer = d.frameGeometry().size();
        QCOMPARE(d.pos(), QPoint(int((screen.width() - outer.width()) * 0.5L),
                                 int((screen.height() - outer.height()) * 0.5L - 30)));
        W->State.FullScreenOpen = false;
    }

    // The preview sits within its box's frame, below the caption, in both
    // dialogs; the context menu's delete item has its icon.
    void previewInsideItsFrame()
    {
        TOpenSaveFractal fractal(*W, true);
        TOSPalette palette(*W, true);
        for (TFileDialog* d : {static_cast<TFileDialog*>(&fractal), static_cast<TFileDialog*>(&palette)}) {
            QVERIFY2(d->Group->contentsRect().contains(d->Preview->geometry()), qPrintable(d->Group->title()));
            QVERIFY(!d->DeleteAction->icon().isNull());
        }
    }

    // A palette kind chosen during a pass is applied once the pass's end is
    // announced. A window that borrows the state, opened after the pass ended
    // but before that announcement, settles it first: no pass runs while the
    // window is up.
    void noPassUnderBorrowingWindows_data()
    {
        QTest::addColumn<int>("action");
        QTest::newRow("open fractal") << 0;
        QTest::newRow("save fractal") << 1;
        QTest::newRow("open palette") << 2;
        QTest::newRow("save palette") << 3;
        QTest::newRow("slide show") << 4;
        QTest::newRow("export") << 5;
    }
    void noPassUnderBorrowingWindows()
    {
        QFETCH(int, action);
        void (TMainFormForTests::*const actions[])() = {&TMainFormForTests::OpenFractExecute, &TMainFormForTests::SaveFractalExecute,
                                                &TMainFormForTests::OpenPaletteExecute, &TMainFormForTests::SavePaletteExecute,
                                                &TMainFormForTests::SlideShowExecute, &TMainFormForTests::SaveImageExecute};
        QVERIFY(PutFractal(QStringLiteral("a"), FracA));
        QVERIFY(PutPalette(QStringLiteral("p"), FracB));
        TSizeAndExt::SaveDialogForTests = [this](const QString&) { return Dir->FilePath(QStringLiteral("x.bmp")); };
        Gate.Hold = true;
        W->WakeRender();
        QVERIFY(Gate.Entered.tryAcquire(1, Patience));
        W->TypeOfPalette->setCurrentIndex(W->TypeOfPalette->currentIndex() == 1 ? 2 : 1);
        Gate.Hold = false;
        Gate.Release.release();
        // The pass ends; its announcement waits in the queue.
        QDeadlineTimer deadline(Patience);
        while (!W->State.RenderIdle.load() && !deadline.hasExpired())
            QThread::msleep(1);
        int atShow = -1, atClose = -1;
        bool idle = false;
        OnShow<QDialog>(W.get(), [&](QDialog& d) {
            atShow = Gate.Passes.load();
            idle = W->State.RenderIdle.load();
            QTimer::singleShot(50, &d, [&] {
                atClose = Gate.Passes.load();
                d.reject();
            });
        });
        (W.get()->*actions[action])();
        TSizeAndExt::SaveDialogForTests = nullptr;
        QVERIFY(atShow >= 0);
        QVERIFY(idle);
        QCOMPARE(atClose, atShow);
    }

    void missingFolder()
    {
        // The current folder stays; its own fractals are listed, and reading
        // the path built in the missing folder fails with the reader's message.
        QVERIFY(QDir(Dir->FilePath("fractals")).removeRecursively());
        QVERIFY(WriteBytes(Dir->FilePath("here.frc"), EncodeFractal(FracA)));
        const TFractalParams before = W->State.FractalParams;
        TOpenSaveFractal d(*W, true);
        QCOMPARE(QDir::currentPath(), Dir->Path());
        QCOMPARE(Entries(d.List), QStringList{"here"});
        ExpectMessage(TMessageKind::Plain, "Quilmora 1.02", "Файл не удается открыть для чтения.");
        QCOMPARE(W->State.FractalParams, before);
        d.reject();
        QCOMPARE(W->State.FractalParams, before);
    }

    // ---- Open mode ----

    void openListsEntriesByName()
    {
        QVERIFY(PutFractal("b", FracB));
        QVERIFY(WriteBytes(Fractal("A.FRC"), EncodeFractal(FracA)));
        QVERIFY(WriteBytes(Fractal("c.x.frcbak"), EncodeFractal(FracC)));
        QVERIFY(WriteBytes(Fractal(".frc"), EncodeFractal(FracC)));
        QVERIFY(WriteBytes(Fractal("e.ptt"), EncodeFractal(FracC)));
        W->State.FractalListIndex = 7;
        TOpenSaveFractal d(*W, true);
        QCOMPARE(Entries(d.List), (QStringList{"A", "b", "c"}));
        QCOMPARE(QDir::currentPath(), Dir->FilePath("fractals"));
        QCOMPARE(d.List->currentRow(), 2);
        QCOMPARE(W->State.FractalListIndex, 2);
        QCOMPARE(d.Name->text(), QString("c"));
        QVERIFY(d.OpenButton->isEnabled());
        d.List->setCurrentRow(1);
        QCOMPARE(W->State.FractalListIndex, 1);
        QCOMPARE(W->State.FilePath, Fractal("b.frc"));
        QCOMPARE(W->State.FractalParams, FracB);
    }

    void openPreviewsSelection()
    {
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(PutFractal("p", FracUnknownPalette));
        QVERIFY(PutFractal("u", FracUnknownFormula));
        TOpenSaveFractal d(*W, true);
        QCOMPARE(W->State.FractalParams, FracA);
        QVERIFY(!d.Preview->isHidden());
        QVERIFY(d.Message->isHidden());
        QCOMPARE(d.Preview->Canvas.Image.size(), QSize(PreviewWidth, PreviewHeight));
        QCOMPARE(ShownPreview(d), PreviewHash(FracA));

        // Unknown formula: the message instead of the picture, the state as found.
        d.List->setCurrentRow(2);
        QCOMPARE(d.Message->text(), QString("Неизвестный тип."));
        QVERIFY(!d.Message->isHidden());
        QVERIFY(d.Preview->isHidden());
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);

        // Unknown palette: the file's fractal in the palette found at opening.
        d.List->setCurrentRow(0);
        d.List->setCurrentRow(1);
        QVERIFY(!d.Preview->isHidden());
        QVERIFY(d.Message->isHidden());
        const TFractalParams expected = WithPalette(FracUnknownPalette, before);
        QCOMPARE(W->State.FractalParams, expected);
        QCOMPARE(TableBytes(W->State), table);
        QCOMPARE(ShownPreview(d), PreviewHash(expected, &W->State));
        QVERIFY(Shown().isEmpty());
    }

    void openEmptyFolder()
    {
        TOpenSaveFractal d(*W, true);
        QCOMPARE(d.List->count(), 0);
        QCOMPARE(d.Message->text(), QString("            ( Нет )"));
        QVERIFY(!d.Message->isHidden());
        QVERIFY(d.Preview->isHidden());
        QVERIFY(!d.OpenButton->isEnabled());
        PressKey(d, Qt::Key_Return);
        PressKey(d, Qt::Key_Enter);
        d.EntryDoubleClick();
        QCOMPARE(d.result(), int(QDialog::Rejected));
        QVERIFY(!W->State.DialogAccepted);
        QVERIFY(!W->State.PicMouseArmed);
    }

    void openCancelRestores_data()
    {
        QTest::addColumn<TCancel>("how");
        QTest::newRow("Esc") << TCancel::Escape;
        QTest::newRow("close box") << TCancel::CloseBox;
        QTest::newRow("Cancel button") << TCancel::CancelButton;
    }
    void openCancelRestores()
    {
        QFETCH(TCancel, how);
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(PutFractal("b", FracB));
        QVERIFY(PutFractal("c", FracC));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        const int passes = Gate.Passes.load();
        W->State.ColourFunction = nullptr;
        bool browsed = false;
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            d.List->setCurrentRow(1);
            d.List->setCurrentRow(2);
            browsed = W->State.FractalParams == FracC;
            CancelBy(d, &d, how);
        });
        W->OpenFract->trigger();
        QVERIFY(browsed);
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
        QVERIFY(W->State.ColourFunction == SquareColour);
        QVERIFY(W->State.CurrentFractalName.isEmpty());
        QVERIFY(!W->SaveCrntFrct->isEnabled());
        QVERIFY(Shown().isEmpty());
        ExpectPasses(passes);
    }

    void openConfirmTakesFile()
    {
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(PutFractal("m", FracB));
        const int passes = Gate.Passes.load();
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) {
            d.List->setCurrentRow(0);
            d.OpenButton->click();
        });
        W->OpenFract->trigger();
        QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + 1);
        QVERIFY(Shown().isEmpty());
        QCOMPARE(W->State.FractalParams, FracA);
        QCOMPARE(W->State.CurrentFractalName, QString("a"));
        QVERIFY(W->SaveCrntFrct->isEnabled());
        QCOMPARE(W->SaveCrntFrct->text(), QString("С&охранить a"));
        QCOMPARE(W->TrackBarCx->value(), -745);
        QCOMPARE(W->TrackBarCy->value(), 123);
        QCOMPARE(W->State.FractalParams.Cx, -0.7455);
        QCOMPARE(W->E_cx->text(), QString("-0.7455"));
        QCOMPARE(W->E_cy->text(), QString("0.1234"));
        QCOMPARE(PaletteBars(), (std::vector<int>{10, 20, 30, 40, 35, 25}));
        QCOMPARE(W->TypeOfPalette->currentIndex(), 2);
        auto ref = std::make_unique<ProgramState>();
        ref->FractalParams = FracA;
        BuildColourTable(*ref);
        QCOMPARE(TableBytes(W->State), TableBytes(*ref));
    }

    void openConfirmUnknownFormula()
    {
        QVERIFY(PutFractal("u", FracUnknownFormula));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        const int passes = Gate.Passes.load();
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) { d.OpenButton->click(); });
        W->OpenFract->trigger();
        ExpectMessage(TMessageKind::Warning, QStringLiteral("Открытие файла не возможно"), MsgUnknownFractal);
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
        QVERIFY(W->State.CurrentFractalName.isEmpty());
        QVERIFY(!W->SaveCrntFrct->isEnabled());
        QCOMPARE(W->TrackBarCx->value(), 402);
        ExpectPasses(passes);
    }

    void openConfirmUnknownPalette()
    {
        QVERIFY(PutFractal("p", FracUnknownPalette));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        const int passes = Gate.Passes.load();
        qsizetype shownInDialog = -1;
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            shownInDialog = Shown().size();
            d.OpenButton->click();
        });
        W->OpenFract->trigger();
        QCOMPARE(shownInDialog, qsizetype(0));
        ExpectMessage(TMessageKind::Warning, QStringLiteral("Палитра фрактала проигнорирована"),
                      MsgFractalPaletteUnknown);
        QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + 1);
        QCOMPARE(W->State.FractalParams, WithPalette(FracUnknownPalette, before));
        QCOMPARE(TableBytes(W->State), table);
        QCOMPARE(PaletteBars(), (std::vector<int>{36, 16, 12, 26, 18, 8}));
        QCOMPARE(W->TypeOfPalette->currentIndex(), 0);
        QCOMPARE(W->TrackBarCx->value(), -800);
        QCOMPARE(W->State.CurrentFractalName, QString("p"));
    }

    void ignoreFilePalette()
    {
        QVERIFY(PutFractal("b", FracB));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        {
            TOpenSaveFractal d(*W, true);
            QVERIFY(!d.IgnoreFPalette->isChecked());
            QCOMPARE(W->State.FractalParams, FracB);
            d.IgnoreFPalette->click();
            QVERIFY(!W->State.ApplyFilePalette);
            const TFractalParams ignored = WithPalette(FracB, before);
            QCOMPARE(W->State.FractalParams, ignored);
            QCOMPARE(TableBytes(W->State), table);
            QCOMPARE(ShownPreview(d), PreviewHash(ignored, &W->State));
            d.IgnoreFPalette->click();
            QVERIFY(W->State.ApplyFilePalette);
            QCOMPARE(W->State.FractalParams, FracB);
            QCOMPARE(ShownPreview(d), PreviewHash(FracB));
            d.IgnoreFPalette->click();
            d.reject();
        }
        // The box persists; confirming takes only C and the view.
        const int passes = Gate.Passes.load();
        bool checked = false;
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            checked = d.IgnoreFPalette->isChecked();
            d.OpenButton->click();
        });
        W->OpenFract->trigger();
        QVERIFY(checked);
        QVERIFY(Settled(passes + 1));
        ExpectPasses(passes + 1);
        QVERIFY(Shown().isEmpty());
        QCOMPARE(W->State.FractalParams, WithPalette(FracB, before));
        QCOMPARE(TableBytes(W->State), table);
        QCOMPARE(PaletteBars(), (std::vector<int>{36, 16, 12, 26, 18, 8}));
        QCOMPARE(W->TrackBarCx->value(), 284);  // 0.285 x 1000 lies just below 285
    }

    void unreadableEntry()
    {
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(QDir().mkpath(Fractal("d.frc")));
        QVERIFY(QDir().mkpath(Palette("d.ptt")));
        {
            TOpenSaveFractal d(*W, true);
            QCOMPARE(Entries(d.List), (QStringList{"a", "d"}));
            d.List->setCurrentRow(1);
            ExpectMessage(TMessageKind::Plain, ProgramTitle, QStringLiteral("Файл не удается открыть для чтения."));
            QCOMPARE(W->State.FractalParams, FracA);
            d.reject();
        }
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        TOSPalette p(*W, true);
        QCOMPARE(Entries(p.List), (QStringList{"d"}));
        ExpectMessage(TMessageKind::Plain, ProgramTitle, MsgCannotRead);
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
    }

    void confirmUnreadableEntryChangesNothing_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::newRow("fractal") << true;
        QTest::newRow("palette") << false;
    }
    void confirmUnreadableEntryChangesNothing()
    {
        QFETCH(bool, fractal);
        // A readable entry previewed first, then the folder entry confirmed.
        QVERIFY(fractal ? PutFractal("a", FracA) : PutPalette("a", FracA));
        QVERIFY(QDir().mkpath(fractal ? Fractal("d.frc") : Palette("d.ptt")));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        const int passes = Gate.Passes.load();
        const auto act = [](TFileDialog& d) {
            d.List->setCurrentRow(0);
            d.List->setCurrentRow(1);
            d.OpenButton->click();
        };
        if (fractal) {
            OnModal<TOpenSaveFractal>(act);
            W->OpenFract->trigger();
        } else {
            OnModal<TOSPalette>(act);
            W->OpenPalette->trigger();
        }
        QVERIFY(!Shown().isEmpty());
        for (const TRecordedMessage& m : Shown()) {
            QCOMPARE(int(m.Kind), int(TMessageKind::Plain));
            QCOMPARE(m.Text, MsgCannotRead);
        }
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
        QVERIFY(W->State.CurrentFractalName.isEmpty());
        QVERIFY(!W->SaveCrntFrct->isEnabled());
        QCOMPARE(W->TrackBarCx->value(), 402);
        QCOMPARE(PaletteBars(), (std::vector<int>{36, 16, 12, 26, 18, 8}));
        QCOMPARE(W->TypeOfPalette->currentIndex(), 0);
        ExpectPasses(passes);
    }

    void manyFilesAllListed()
    {
        for (int i = 0; i < 2000; ++i)
            QVERIFY(PutFractal(QStringLiteral("f%1").arg(i, 4, 10, QChar('0')), FracA));
        TOpenSaveFractal d(*W, true);
        QCOMPARE(d.List->count(), 2000);
        QCOMPARE(d.List->item(1999)->text(), QString("f1999"));
    }

    // ---- Double-clicks ----

    void doubleClickDisarmsPicture_data()
    {
        QTest::addColumn<int>("target");
        QTest::newRow("list") << 0;
        QTest::newRow("name") << 1;
        QTest::newRow("preview") << 2;
    }
    void doubleClickDisarmsPicture()
    {
        QFETCH(int, target);
        QVERIFY(PutFractal("a", FracA));
        TOpenSaveFractal d(*W, true);
        QWidget* const targets[] = {d.List->viewport(), d.Name, d.Preview};
        QVERIFY(W->State.PicMouseArmed);
        QTest::mouseDClick(targets[target], Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!W->State.PicMouseArmed);
        QCOMPARE(d.result(), int(QDialog::Accepted));
    }

    // ---- Save mode ----

    void saveProposesNewName()
    {
        QVERIFY(PutFractal("a", FracA));
        Recorder->Answer = true;
        for (int round = 0; round < 2; ++round) {
            QString proposed;
            OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
                proposed = d.Name->text();
                d.Name->setText("saved");
                d.SaveClick();
            });
            W->SaveFractal->trigger();
            QCOMPARE(proposed, QString("fractal_new"));
        }
        for (int round = 0; round < 2; ++round) {
            QString proposed;
            OnModal<TOSPalette>([&](TOSPalette& d) {
                proposed = d.Name->text();
                d.Name->setText("saved");
                d.SaveClick();
            });
            W->SavePalette->trigger();
            QCOMPARE(proposed, QString("palette_new"));
        }
        QCOMPARE(W->State.CurrentFractalName, QString("saved"));
        QCOMPARE(W->SaveCrntFrct->text(), QString("С&охранить saved"));
        QCOMPARE(Shown().size(), qsizetype(2));  // the replace question of each second round
    }

    void saveReplaceQuestion_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("two entries, Yes") << "a" << true << 2 << true;
        QTest::newRow("two entries, No") << "a" << false << 1 << false;
        QTest::newRow("one entry, Yes") << "b" << true << 1 << true;
        QTest::newRow("other letter case") << "B" << false << 0 << true;
        QTest::newRow("new name") << "z" << false << 0 << true;
    }
    void saveReplaceQuestion()
    {
        QFETCH(QString, name);
        QFETCH(bool, answer);
        QFETCH(int, questions);
        QFETCH(bool, accepted);
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(WriteBytes(Fractal("a.frcold"), EncodeFractal(FracA)));
        QVERIFY(PutFractal("b", FracB));
        Recorder->Answer = answer;
        TOpenSaveFractal d(*W, false);
        d.Name->setText(name);
        d.SaveClick();
        QCOMPARE(Shown().size(), qsizetype(questions));
        for (const TRecordedMessage& m : Shown()) {
            QCOMPARE(int(m.Kind), int(TMessageKind::Question));
            QCOMPARE(m.Caption, ReplaceCaption);
            QCOMPARE(m.Text, ReplaceText);
        }
        QCOMPARE(d.result(), int(accepted ? QDialog::Accepted : QDialog::Rejected));
        if (accepted)
            QCOMPARE(W->State.FilePath, Fractal(name + ".frc"));
    }

    void saveWritesExactBytes()
    {
        W->State.FractalParams = FracC;
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) {
            d.Name->setText("mine");
            d.SaveClick();
        });
        W->SaveFractal->trigger();
        const QByteArray written = ReadBytes(Fractal("mine.frc"));
        QCOMPARE(written.size(), 60);
        QCOMPARE(written, FractalLayout(FracC));
        QCOMPARE(written, EncodeFractal(FracC));

        OnModal<TOSPalette>([](TOSPalette& d) {
            d.Name->setText("pal");
            d.SaveClick();
        });
        W->SavePalette->trigger();
        const QByteArray pal = ReadBytes(Palette("pal.ptt"));
        QCOMPARE(pal.size(), 28);
        QCOMPARE(pal, PaletteLayout(FracC));
        QVERIFY(Shown().isEmpty());
    }

    void saveNameLeavingFolder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("parent") << "../out";
        QTest::newRow("subfolder") << "sub/out";
        QTest::newRow("dot dot") << "..";
    }
    void saveNameLeavingFolder()
    {
        QFETCH(QString, name);
        QVERIFY(QDir().mkpath(Fractal("sub")));
        bool stayed = false;
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            d.Name->setText(name);
            d.SaveClick();
            stayed = d.isVisible() && d.result() == QDialog::Rejected;
            d.reject();
        });
        W->SaveFractal->trigger();
        QVERIFY(stayed);
        ExpectMessage(TMessageKind::Plain, ProgramTitle, QStringLiteral("Файл не удается открыть для записи."));
        QVERIFY(!QFile::exists(Dir->FilePath("out.frc")));
        QVERIFY(!QFile::exists(Fractal("sub/out.frc")));
        QVERIFY(!QFile::exists(Dir->FilePath("fractals/...frc")));
        QVERIFY(W->State.CurrentFractalName.isEmpty());
    }

    void saveModeKeyRTypes()
    {
        QVERIFY(PutFractal("a", FracA));
        QString typed;
        bool renameOpened = false;
        OnModal<TReFile>([&](TReFile& r) {
            renameOpened = true;
            r.reject();
        });
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            d.activateWindow();
            d.Name->setFocus();
            static_cast<void>(QTest::qWaitFor([&] { return d.Name->hasFocus(); }, Patience));
            QTest::keyClick(d.Name, Qt::Key_End);
            QTest::keyClick(d.Name, Qt::Key_R);
            typed = d.Name->text();
            d.reject();
        });
        W->SaveFractal->trigger();
        QVERIFY(!renameOpened);
        QCOMPARE(typed, QString("fractal_newr"));

        // In open mode the same key opens the rename dialog.
        OnModal<TReFile>([&](TReFile& r) {
            renameOpened = true;
            r.reject();
        });
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) {
            d.activateWindow();
            d.List->setFocus();
            static_cast<void>(QTest::qWaitFor([&] { return d.List->hasFocus(); }, Patience));
            QTest::keyClick(d.List, Qt::Key_R);
            d.reject();
        });
        W->OpenFract->trigger();
        QVERIFY(renameOpened);
    }

    void quickSave()
    {
        QVERIFY(!W->SaveCrntFrct->isEnabled());
        QCOMPARE(W->SaveCrntFrct->text(), QString("С&охранить"));
        W->SaveCrntFrct->trigger();
        QCOMPARE(QDir(Dir->FilePath("fractals")).entryList(QDir::Files).size(), 0);

        QVERIFY(PutFractal("m", FracB));
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) { d.OpenButton->click(); });
        W->OpenFract->trigger();
        QVERIFY(Idle());
        W->State.FractalParams.Cx = 0.5;
        W->State.FractalParams.ViewWidth = 0.75f;
        W->SaveCrntFrct->trigger();
        QCOMPARE(ReadBytes(Fractal("m.frc")), FractalLayout(W->State.FractalParams));
        QVERIFY(Shown().isEmpty());
    }

    // The save keys as a user presses them: S asks for a name, Shift+S saves
    // the last opened fractal again (nothing before one was opened), Ctrl+S
    // does nothing; in the full-screen view as well, never past a modal window.
    void saveKeys_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("opened");
        QTest::addColumn<QString>("where");
        QTest::addColumn<QString>("effect");
        for (const char* where : {"main", "full screen"}) {
            QTest::addRow("S, %s", where) << 0 << true << where << "dialog";
            QTest::addRow("Shift+S, %s", where) << int(Qt::ShiftModifier) << true << where << "saved";
            QTest::addRow("Shift+S before an open, %s", where) << int(Qt::ShiftModifier) << false << where << "";
            QTest::addRow("Ctrl+S, %s", where) << int(Qt::ControlModifier) << true << where << "";
        }
        QTest::addRow("S, modal") << 0 << true << "modal" << "";
        QTest::addRow("Shift+S, modal") << int(Qt::ShiftModifier) << true << "modal" << "";
    }
    void saveKeys()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, opened);
        QFETCH(QString, where);
        QFETCH(QString, effect);
        QVERIFY(PutFractal("m", FracB));
        if (opened) {
            OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) { d.OpenButton->click(); });
            W->OpenFract->trigger();
            QVERIFY(Idle());
        }
        W->State.FractalParams.Cx = 0.5;  // differs from the file
        W->show();
        W->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(W.get()));
        QWidget* target = W.get();
        if (where == QLatin1String("full screen")) {
            W->FullScrExecute();
            QVERIFY(W->FullScreenForm);
            target = W->FullScreenForm;
        }
        QString dialog;
        const auto press = [&] { QTest::keyClick(target, Qt::Key_S, Qt::KeyboardModifiers(modifiers)); };
        OnModal<TOpenSaveFractal>([&](TOpenSaveFractal& d) {
            dialog = d.windowTitle();
            if (where == QLatin1String("modal")) {
                target = &d;
                press();
            }
            d.reject();
        });
        if (where == QLatin1String("modal"))
            W->OpenFract->trigger();
        else
            press();
        QTRY_VERIFY_WITH_TIMEOUT(!QApplication::activeModalWidget(), 5000);
        if (W->FullScreenForm)
            W->FullScreenForm->close();
        QCOMPARE(!dialog.isEmpty(), effect == QLatin1String("dialog") || where == QLatin1String("modal"));
        if (effect == QLatin1String("dialog"))
            QCOMPARE(dialog, QString("Сохранение фрактала"));
        QCOMPARE(ReadBytes(Fractal("m.frc")) == EncodeFractal(FracB), effect != QLatin1String("saved"));
        QCOMPARE(QDir(Dir->FilePath("fractals")).entryList(QDir::Files), QStringList{"m.frc"});
        QVERIFY(Shown().isEmpty());
    }

    // ---- Delete ----

    void deleteEntry_data()
    {
        QTest::addColumn<bool>("byKey");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("row");
        QTest::addColumn<QStringList>("left");
        QTest::addColumn<int>("selected");
        QTest::newRow("menu, first") << false << false << 0 << QStringList{"b", "c", "d"} << 0;
        QTest::newRow("menu, third") << false << false << 2 << QStringList{"a", "b", "d"} << 1;
        QTest::newRow("key, Yes") << true << true << 2 << QStringList{"a", "b", "d"} << 1;
        QTest::newRow("key, No") << true << false << 2 << QStringList{"a", "b", "c", "d"} << 2;
    }
    void deleteEntry()
    {
        QFETCH(bool, byKey);
        QFETCH(bool, answer);
        QFETCH(int, row);
        QFETCH(QStringList, left);
        QFETCH(int, selected);
        const TFractalParams fracs[] = {FracA, FracB, FracC, FracUnknownPalette};
        const QString names[] = {"a", "b", "c", "d"};
        for (int i = 0; i < 4; ++i)
            QVERIFY(PutFractal(names[i], fracs[i]));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        Recorder->Answer = answer;
        TOpenSaveFractal d(*W, true);
        d.List->setCurrentRow(row);
        if (byKey) {
            PressKey(d, Qt::Key_Delete);
            QCOMPARE(Shown().size(), qsizetype(1));
            QCOMPARE(int(Shown()[0].Kind), int(TMessageKind::Question));
            QCOMPARE(Shown()[0].Caption, QString("Подтверждение удаления файла"));
            QCOMPARE(Shown()[0].Text, QString("Удалить выбранный файл?"));
        } else {
            d.DeleteAction->trigger();
            QVERIFY(Shown().isEmpty());
        }
        QCOMPARE(Entries(d.List), left);
        QCOMPARE(d.List->currentRow(), selected);
        QCOMPARE(W->State.FractalListIndex, selected);
        QCOMPARE(d.Name->text(), left[selected]);
        for (int i = 0; i < 4; ++i)
            QCOMPARE(QFile::exists(Fractal(names[i] + ".frc")), left.contains(names[i]));
        if (left.size() == 3) {
            // The new selection previewed, then the state put back.
            const TFractalParams shown = fracs[std::find(std::begin(names), std::end(names), left[selected]) - names];
            QCOMPARE(ShownPreview(d), PreviewHash(shown));
            QCOMPARE(W->State.FractalParams, before);
            QCOMPARE(TableBytes(W->State), table);
        }
    }

    void deleteFails()
    {
        QVERIFY(QDir().mkpath(Fractal("d.frc")));
        QVERIFY(QDir().mkpath(Palette("d.ptt")));
        Shown().clear();
        TOpenSaveFractal d(*W, true);
        Shown().clear();  // the reader's message of the preview
        d.DeleteFileExecute();
        ExpectMessage(TMessageKind::Error, QStringLiteral("Ошибка удаления файла"),
                      QStringLiteral("Файл удалить не удалось"));
        QCOMPARE(Entries(d.List), QStringList{"d"});
        d.reject();
        TOSPalette p(*W, true);
        Shown().clear();
        p.DeleteFileExecute();
        ExpectMessage(TMessageKind::Error, QStringLiteral("Ошибка удаления файла"),
                      QStringLiteral("Файл удалить не удалось"));
    }

    void paletteDeleteSelectsNext()
    {
        const TFractalParams p1 = Params(0, 0, 0, 0, 5, 2, 1, 2, 3, 4, 5, 6);
        const TFractalParams p2 = Params(0, 0, 0, 0, 5, 5, 9, 8, 7, 6, 5, 4);
        QVERIFY(PutPalette("p1", p1));
        QVERIFY(PutPalette("p2", p2));
        TOSPalette d(*W, true);
        d.DeleteFileExecute();
        QCOMPARE(Entries(d.List), QStringList{"p2"});
        QCOMPARE(d.List->currentRow(), 0);
        QVERIFY(!QFile::exists(Palette("p1.ptt")));
        QVERIFY(SamePalette(W->State.FractalParams, p2));
    }

    // ---- Rename ----

    void renameEntry_data()
    {
        QTest::addColumn<QString>("newName");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("text");
        const int warning = int(TMessageKind::Warning), error = int(TMessageKind::Error);
        QTest::newRow("same name") << "b" << warning << TakenCaption << TakenText;
        QTest::newRow("existing entry") << "a" << warning << TakenCaption << TakenText;
        QTest::newRow("slash") << "x/y" << error << RenameFailCaption << RenameFailText;
        QTest::newRow("300 characters") << QString(300, 'n') << error << RenameFailCaption << RenameFailText;
        QTest::newRow("renamed") << "z" << -1 << QString() << QString();
    }
    void renameEntry()
    {
        QFETCH(QString, newName);
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QString, text);
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(PutFractal("b", FracB));
        QVERIFY(PutFractal("c", FracC));
        TOpenSaveFractal d(*W, true);
        d.List->setCurrentRow(1);
        QString oldField, newField, oldLabel, newLabel;
        bool stayed = false;
        OnModal<TReFile>([&](TReFile& r) {
            oldField = r.OldName->text();
            newField = r.NewName->text();
            oldLabel = r.OldLabel->text();
            newLabel = r.NewLabel->text();
            r.NewName->setText(newName);
            r.OkButClick();
            stayed = r.isVisible();
            if (stayed)
                r.reject();
        });
        PressKey(d, Qt::Key_R);
        QCOMPARE(oldField, QString("b"));
        QCOMPARE(newField, QString("b"));
        QCOMPARE(oldLabel, QString("Старое имя :"));
        QCOMPARE(newLabel, QString("Новое имя :"));
        if (kind < 0) {
            QVERIFY(!stayed);
            QVERIFY(Shown().isEmpty());
            QCOMPARE(Entries(d.List), (QStringList{"a", "c", "z"}));
            QCOMPARE(ReadBytes(Fractal("z.frc")), EncodeFractal(FracB));
            QVERIFY(!QFile::exists(Fractal("b.frc")));
        } else {
            QVERIFY(stayed);
            ExpectMessage(TMessageKind(kind), caption, text);
            QCOMPARE(Entries(d.List), (QStringList{"a", "b", "c"}));
            QCOMPARE(ReadBytes(Fractal("b.frc")), EncodeFractal(FracB));
            QCOMPARE(QDir(Dir->FilePath("fractals")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size(), 3);
        }
    }

    // Names whose bytes are not UTF-8: listed, opened, saved again, renamed
    // and deleted, each on the file of those very bytes.
    void entriesNotUtf8()
    {
        const QByteArray folder = QFile::encodeName(Dir->FilePath("fractals")) + '/';
        const TRemovedAtEnd removedB(folder + "b\xff.frc"), removedC(folder + "c\xfe.frc");
        QVERIFY(PutFractal("a", FracA));
        QVERIFY(PutBytesAt(folder + "b\xff.frc", EncodeFractal(FracB)));
        QVERIFY(PutBytesAt(folder + "c\xfe.frc", EncodeFractal(FracC)));
        OnModal<TOpenSaveFractal>([](TOpenSaveFractal& d) {
            if (d.List->count() == 3)
                d.List->setCurrentRow(1);
            d.OpenButton->click();
        });
        W->OpenFract->trigger();
        QVERIFY(Idle());
        QVERIFY(Shown().isEmpty());
        QCOMPARE(W->State.FractalParams, FracB);
        W->State.FractalParams.Cx = 0.5;
        W->SaveCrntFrct->trigger();
        QVERIFY(Shown().isEmpty());
        const QByteArray saved = FractalLayout(W->State.FractalParams);
        QCOMPARE(BytesAt(folder + "b\xff.frc").value_or("missing"), saved);

        TOpenSaveFractal d(*W, true);
        QCOMPARE(d.List->count(), 3);
        d.List->setCurrentRow(2);
        QCOMPARE(ShownPreview(d), PreviewHash(FracC));
        d.List->setCurrentRow(1);
        OnModal<TReFile>([](TReFile& r) {
            r.NewName->setText("z");
            r.OkButClick();
        });
        PressKey(d, Qt::Key_R);
        QVERIFY(Shown().isEmpty());
        QCOMPARE(d.List->count(), 3);
        QCOMPARE(d.List->item(2)->text(), QString("z"));
        QVERIFY(!BytesAt(folder + "b\xff.frc"));
        QCOMPARE(ReadBytes(Fractal("z.frc")), saved);
        d.List->setCurrentRow(1);
        d.DeleteAction->trigger();
        QVERIFY(Shown().isEmpty());
        QCOMPARE(Entries(d.List), (QStringList{"a", "z"}));
        QVERIFY(!BytesAt(folder + "c\xfe.frc"));
    }

    void renameFromMenuAndPaletteLabels()
    {
        QVERIFY(PutPalette("p", FracA));
        TOSPalette d(*W, true);
        QString oldLabel, newLabel, oldField;
        OnModal<TReFile>([&](TReFile& r) {
            oldLabel = r.OldLabel->text();
            newLabel = r.NewLabel->text();
            oldField = r.OldName->text();
            r.NewName->setText("q");
            r.OkBut->click();
        });
        d.RenameAction->trigger();
        QCOMPARE(oldLabel, QString("Старое имя:"));
        QCOMPARE(newLabel, QString("Новое имя:"));
        QCOMPARE(oldField, QString("p"));
        QCOMPARE(Entries(d.List), QStringList{"q"});
        QCOMPARE(ReadBytes(Palette("q.ptt")), EncodePalette(FracA));
    }

    void saveModeHasNoDeleteOrRename()
    {
        QVERIFY(PutFractal("a", FracA));
        TOpenSaveFractal d(*W, false);
        QVERIFY(!d.DeleteAction->isEnabled());
        QVERIFY(!d.RenameAction->isEnabled());
        d.List->setCurrentRow(0);
        PressKey(d, Qt::Key_Delete);
        QVERIFY(Shown().isEmpty());
        QVERIFY(QFile::exists(Fractal("a.frc")));
    }

    // ---- Palette dialog ----

    void paletteSelectReadsOnlyPalette()
    {
        const TFractalParams known = Params(9, 9, 9, 9, 9, 4, 11, 22, 33, 4, 35, 36);
        const TFractalParams unknown = Params(9, 9, 9, 9, 9, 9, 1, 1, 1, 1, 1, 1);
        QVERIFY(PutPalette("k", known));
        QVERIFY(PutPalette("u", unknown));
        W->State.FractalParams = FracA;
        BuildColourTable(W->State);
        const QByteArray table = TableBytes(W->State);
        TOSPalette d(*W, true);
        const TFractalParams shown = WithPalette(FracA, known);
        QCOMPARE(W->State.FractalParams, shown);
        QCOMPARE(ShownPreview(d), PreviewHash(shown));
        QVERIFY(d.Message->isHidden());
        d.List->setCurrentRow(1);
        QCOMPARE(d.Message->text(), QString("Неизвестный тип."));
        QVERIFY(d.Preview->isHidden());
        QCOMPARE(W->State.FractalParams, FracA);
        QCOMPARE(TableBytes(W->State), table);
        QVERIFY(Shown().isEmpty());
    }

    void paletteOpenAndCancel()
    {
        const TFractalParams known = Params(9, 9, 9, 9, 9, 7, 11, 22, 33, 4, 35, 36);
        const TFractalParams unknown = Params(9, 9, 9, 9, 9, 9, 1, 1, 1, 1, 1, 1);
        QVERIFY(PutPalette("k", known));
        QVERIFY(PutPalette("u", unknown));
        const TFractalParams before = W->State.FractalParams;
        const QByteArray table = TableBytes(W->State);
        int passes = Gate.Passes.load();

        // Cancel after browsing.
        OnModal<TOSPalette>([](TOSPalette& d) {
            d.List->setCurrentRow(1);
            d.List->setCurrentRow(0);
            QTest::keyClick(&d, Qt::Key_Escape);
        });
        W->OpenPalette->trigger();
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
        ExpectPasses(passes);

        // The unknown one confirmed.
        OnModal<TOSPalette>([](TOSPalette& d) {
            d.List->setCurrentRow(1);
            d.OpenButton->click();
        });
        W->OpenPalette->trigger();
        ExpectMessage(TMessageKind::Warning, QStringLiteral("Палитра проигнорирована"), MsgPaletteUnknown);
        QCOMPARE(W->State.FractalParams, before);
        QCOMPARE(TableBytes(W->State), table);
        QCOMPARE(PaletteBars(), (std::vector<int>{36, 16, 12, 26, 18, 8}));
        ExpectPasses(passes);

        // The known one: palette only, one pass.
        OnModal<TOSPalette>([](TOSPalette& d) {
            d.List->setCurrentRow(0);
            d.OpenButton->click();
        });
        W->OpenPalette->trigger();
        QVERIFY(Settled(++passes));
        ExpectPasses(passes);
        QVERIFY(Shown().isEmpty());
        QCOMPARE(W->State.FractalParams, WithPalette(before, known));
        QCOMPARE(PaletteBars(), (std::vector<int>{11, 22, 33, 4, 35, 36}));
        QCOMPARE(W->TypeOfPalette->currentIndex(), 6);
        QCOMPARE(W->TrackBarCx->value(), 402);
        QCOMPARE(W->E_cx->text(), QString("0.402"));
    }

    // ---- Hints ----

    void hints_data()
    {
        QTest::addColumn<bool>("fractal");
        QTest::addColumn<bool>("openMode");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("fractal open") << true << true
                                      << QStringList{" Каталог фракталов", " Фракталы находящиеся в каталоге",
                                                     " Выбранное имя файла", " Облась предпросмотра",
                                                     " Открывает выбранный файл",
                                                     " Сохраненяет файл под выбранным именем",
                                                     " Закрывает форму 'Открытие фрактала'"};
        QTest::newRow("fractal save") << true << false
                                      << QStringList{" Каталог фракталов", " Фракталы находящиеся в каталоге",
                                                     " Выбранное имя файла", " Облась предпросмотра",
                                                     " Открывает выбранный файл",
                                                     " Сохраненяет файл под выбранным именем",
                                                     " Закрывает форму 'Сохранение фрактала'"};
        QTest::newRow("palette open") << false << true
                                      << QStringList{" Каталог палитр", " Палитры находящиеся в каталоге",
                                                     " Выбранный файл", " Область предпросмотра",
                                                     " Открывает выбранную палитру",
                                                     " Сохраняет палитру под выбранным именем",
                                                     " Закрывает форму 'Открытие палитры'"};
        QTest::newRow("palette save") << false << false
                                      << QStringList{" Каталог палитр", " Палитры находящиеся в каталоге",
                                                     " Выбранный файл", " Область предпросмотра",
                                                     " Открывает выбранную палитру",
                                                     " Сохраняет палитру под выбранным именем",
                                                     " Закрывает форму 'Сохранение палитры'"};
    }
    void hints()
    {
        QFETCH(bool, fractal);
        QFETCH(bool, openMode);
        QFETCH(QStringList, expected);
        std::unique_ptr<TFileDialog> d;
        if (fractal)
            d = std::make_unique<TOpenSaveFractal>(*W, openMode);
        else
            d = std::make_unique<TOSPalette>(*W, openMode);
        const QWidget* const controls[] = {d->Folder,     d->List,       d->Name,        d->Preview,
                                           d->OpenButton, d->SaveButton, d->CancelButton};
        QStringList hints;
        for (const QWidget* c : controls) {
            hints << HintOf(c);
            QVERIFY(c->toolTip().isEmpty());
        }
        QCOMPARE(hints, expected);
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
