// Hints and accessibility over every window of the program: the main window's
// status bar shows the hint of whatever the pointer rests on, no control has a
// pop-up hint, and every control has an accessible name and its hint as its
// accessible description.

#include "app/HintLine.h"
#include "app/HintTexts.h"
#include "app/ImageView.h"
#include "engine/Messages.h"
#include "support/MainWindowFixture.h"
#include "support/ProgramWindows.h"

#include <QtTest>

#include <QAbstractButton>
#include <QAccessible>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCursor>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTextEdit>

namespace {

TPassGate Gate;

// The widgets of 'window' itself, in the order they were made; not those of
// the windows and menus it owns.
QList<QWidget*> OwnWidgets(QWidget& window)
{
    QList<QWidget*> own;
    for (QWidget* w : window.findChildren<QWidget*>())
        if (w->window() == &window)
            own << w;
    return own;
}

bool IsControl(const QWidget* w)
{
    return qobject_cast<const QAbstractButton*>(w) || qobject_cast<const QComboBox*>(w) ||
           qobject_cast<const QLineEdit*>(w) || qobject_cast<const QTextEdit*>(w) ||
           qobject_cast<const QAbstractSlider*>(w) || qobject_cast<const QAbstractItemView*>(w) ||
           qobject_cast<const QAbstractSpinBox*>(w) || qobject_cast<const TImage*>(w) ||
           dynamic_cast<const TLinkLabel*>(w);
}

// A control on its own, not a part of another (a list's scroll bar, the edit
// field of a drop-down list).
bool IsOwnControl(const QWidget* w)
{
    if (!IsControl(w))
        return false;
    for (const QWidget* p = w->parentWidget(); p && !p->isWindow(); p = p->parentWidget())
        if (IsControl(p) || qobject_cast<const QAbstractScrollArea*>(p) || qobject_cast<const QMenuBar*>(p))
            return false;
    return true;
}

// The pointer really moves: enter and leave events as the user's mouse makes them.
void PointAt(const QWidget* w)
{
    QCursor::setPos(w->mapToGlobal(w->rect().center()));
    QCoreApplication::processEvents();
}

const QString ReC = QStringLiteral("Re(C)");
const QString ImC = QStringLiteral("Im(C)");
const QString ImCyr = QStringLiteral("Im(С)");  // with the Cyrillic letter, as some hints write it

}  // namespace

class TestA11y : public QObject, TMainWindowFixture {
    Q_OBJECT

    // The main window steps aside from the others: the headless platform gives
    // the pointer to the first window that holds it, not to the topmost.
    void With(TWindowKind kind, const ProgramWindows::TAct& act)
    {
        ProgramWindows::WithWindow(*W, *Dir, kind, [this, &act](QWidget& window) {
            if (&window != W.get())
                W->move(window.frameGeometry().right() + 4000, 0);
            act(window);
        });
    }
    QString HintLine() const { return W->StatusPanel1->text(); }

private slots:
    void initTestCase()
    {
        CountPasses(Gate);
        UseProgramFont();
    }
    void init() { QVERIFY(StartWindow(Gate)); }
    void cleanup() { StopWindow(Gate); }

    // Over each hinted control of each window in turn, panel 1 shows that
    // control's hint; nothing pops up.
    void hintLine_data()
    {
        QTest::addColumn<TWindowKind>("kind");
        QTest::addColumn<QStringList>("expected");
        // The main window's hint texts are pinned one by one by its own test;
        // here each of its 33 hinted controls must show its own.
        QTest::newRow("main") << TWindowKind::Main << QStringList(33, QString());
        QTest::newRow("fractal open") << TWindowKind::FractalOpen << QStringList{
            " Каталог фракталов", " Фракталы находящиеся в каталоге", " Выбранное имя файла",
            " Облась предпросмотра", " Открывает выбранный файл", " Закрывает форму 'Открытие фрактала'"};
        QTest::newRow("fractal save") << TWindowKind::FractalSave << QStringList{
            " Каталог фракталов", " Фракталы находящиеся в каталоге", " Выбранное имя файла",
            " Облась предпросмотра", " Сохраненяет файл под выбранным именем",
            " Закрывает форму 'Сохранение фрактала'"};
        QTest::newRow("palette open") << TWindowKind::PaletteOpen << QStringList{
            " Каталог палитр", " Палитры находящиеся в каталоге", " Выбранный файл", " Область предпросмотра",
            " Открывает выбранную палитру", " Закрывает форму 'Открытие палитры'"};
        QTest::newRow("palette save") << TWindowKind::PaletteSave << QStringList{
            " Каталог палитр", " Палитры находящиеся в каталоге", " Выбранный файл", " Область предпросмотра",
            " Сохраняет палитру под выбранным именем", " Закрывает форму 'Сохранение палитры'"};
        QTest::newRow("export") << TWindowKind::Export << QStringList{
            " Выбранный каталог и имя файла ", " Выбор разрешения сохраняемого изображения",
            " Выбор детализации сохраняемого изображения", " Выбор приоритета потока расчитывающего изображение",
            " Показывает % выполненной работы", " Запускает расчет сохраняемого изображения",
            " Останавливает расчет, если идёт, и закрывает форму расчета и сохранения"};
        QTest::newRow("options") << TWindowKind::Options << QStringList{
            " Устанавливает задержку для Слайд - Шоу", " Применение выбранных установок",
            " Отмена изменения установок"};
        // Windows without hints: the line stays clear over all of them.
        QTest::newRow("rename") << TWindowKind::Rename << QStringList{};
        QTest::newRow("about") << TWindowKind::About << QStringList{};
        QTest::newRow("description") << TWindowKind::Description << QStringList{};
        QTest::newRow("full screen") << TWindowKind::FullScreen << QStringList{};
        QTest::newRow("slide show") << TWindowKind::SlideShow << QStringList{};
    }
    void hintLine()
    {
        QFETCH(TWindowKind, kind);
        QFETCH(QStringList, expected);
        bool ran = false;
        With(kind, [&](QWidget& window) {
            ran = true;
            QStringList shown;
            for (QWidget* w : OwnWidgets(window)) {
                QVERIFY2(w->toolTip().isEmpty(), qPrintable(w->objectName()));
                if (!w->isVisibleTo(&window))
                    continue;
                PointAt(w);
                if (!HintOf(w).isEmpty()) {
                    shown << HintLine();
                    const qsizetype i = shown.size() - 1;
                    if (i < expected.size() && expected[i].isNull())
                        expected[i] = HintOf(w);
                }
                else if (IsOwnControl(w))  // an unhinted control inside an unhinted window part
                    QCOMPARE(HintLine(), NearestHint(w));
            }
            QCOMPARE(shown, expected);
        });
        QVERIFY(ran);
    }

    // The hint line empties when the pointer goes from a tool button to a label.
    void hintLineClears_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("label");
        QTest::newRow("Lupa to Re( C )") << "Лупа" << "Re( C )";
        QTest::newRow("Hand to R0") << "Рука" << "R0";
        QTest::newRow("Koef to Im( C )") << "Изменение коэффициентов" << "Im( C )";
    }
    void hintLineClears()
    {
        QFETCH(QString, button);
        QFETCH(QString, label);
        With(TWindowKind::Main, [&](QWidget& window) {
            QWidget* from = nullptr;
            QLabel* to = nullptr;
            for (QWidget* w : OwnWidgets(window)) {
                if (w->accessibleName() == button)
                    from = w;
                if (auto* l = qobject_cast<QLabel*>(w); l && l->text() == label)
                    to = l;
            }
            QVERIFY(from && to);
            PointAt(from);
            QCOMPARE(HintLine(), HintOf(from));
            QVERIFY(!HintLine().isEmpty());
            PointAt(to);
            QCOMPARE(HintLine(), QString());
        });
    }

    // Every control of every window has a name; those with a hint have it as
    // their description. The names in the order the controls were made.
    void names_data()
    {
        QTest::addColumn<TWindowKind>("kind");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("main") << TWindowKind::Main << QStringList{
            "Изображение фрактала", "Начальный вид", "Рука", "Центрирование", "Лупа", "Увеличить", "Уменьшить",
            "Изменение коэффициентов", "Приближение - удаление", "Full Screen", "Общий вид",
            "Значение " + ReC, "Значение " + ImC, ReC, ImC,
            "Шаг вверх " + ReC, "Шаг вниз " + ReC, "Шаг вверх " + ImC, "Шаг вниз " + ImC,
            "Уменьшение " + ReC, "Стоп " + ReC, "Увеличение " + ReC,
            "Уменьшение " + ImC, "Стоп " + ImC, "Увеличение " + ImC,
            "Close", "Палитра", "R0", "G0", "B0", "R1", "G1", "B1", "Тип палитры", "Применять", "Применить"};
        QTest::newRow("fractal open") << TWindowKind::FractalOpen << QStringList{
            "Папка", "Фракталы находящиеся в каталоге", "Файл", "Облась предпросмотра", "Открыть", "Сохранить",
            "Отмена", "Игнорировать палитру фрактала"};
        QTest::newRow("fractal save") << TWindowKind::FractalSave << QStringList{
            "Папка", "Фракталы находящиеся в каталоге", "Файл", "Облась предпросмотра", "Открыть", "Сохранить",
            "Отмена", "Игнорировать палитру фрактала"};
        QTest::newRow("palette open") << TWindowKind::PaletteOpen << QStringList{
            "Папка", "Палитры находящиеся в каталоге", "Файл", "Область предпросмотра", "Открыть", "Сохранить",
            "Отмена"};
        QTest::newRow("palette save") << TWindowKind::PaletteSave << QStringList{
            "Папка", "Палитры находящиеся в каталоге", "Файл", "Область предпросмотра", "Открыть", "Сохранить",
            "Отмена"};
        QTest::newRow("rename") << TWindowKind::Rename << QStringList{"Старое имя", "Новое имя", "Ok!", "Отмена"};
        QTest::newRow("export") << TWindowKind::Export << QStringList{
            "Разрешение", "Детализация", "Приоритет", "Закрыть окно после сохранения файла.", "Ok!", "Отмена"};
        QTest::newRow("options") << TWindowKind::Options << QStringList{
            "Устанавливает задержку для Слайд - Шоу", "Задержка для \"Слайд - Шоу\" ( с )", "Последовательный",
            "Случайный", "Ok!", "Отмена"};
        const QUrl home(HomePageAddress);
        QTest::newRow("about") << TWindowKind::About << QStringList{
            "Прочитать о Quilmora", "Скачать Quilmora", home.host() + home.path(), "e-mail: " + ContactAddress,
            "Ok!"};
        QTest::newRow("description") << TWindowKind::Description << QStringList{"Описание"};
        QTest::newRow("full screen") << TWindowKind::FullScreen << QStringList{"Полный экран"};
        QTest::newRow("slide show") << TWindowKind::SlideShow << QStringList{"Слайд-Шоу"};
    }
    void names()
    {
        QFETCH(TWindowKind, kind);
        QFETCH(QStringList, expected);
        bool ran = false;
        With(kind, [&](QWidget& window) {
            ran = true;
            QStringList names;
            for (QWidget* w : OwnWidgets(window)) {
                if (!IsOwnControl(w))
                    continue;
                QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(QString(w->metaObject()->className()) + " " + w->objectName()));
                if (!HintOf(w).isEmpty())
                    QCOMPARE(w->accessibleDescription(), HintOf(w));
                names << w->accessibleName();
            }
            QCOMPARE(names, expected);
        });
        QVERIFY(ran);
    }

    // Every hint of each window is readable whole in panel 1, which runs from
    // panel 0 to the window's edge: its width with the panel's font is within
    // the panel's.
    void hintsFitTheLine_data()
    {
        QTest::addColumn<TWindowKind>("kind");
        QTest::newRow("main") << TWindowKind::Main;
        QTest::newRow("fractal open") << TWindowKind::FractalOpen;
        QTest::newRow("fractal save") << TWindowKind::FractalSave;
        QTest::newRow("palette open") << TWindowKind::PaletteOpen;
        QTest::newRow("palette save") << TWindowKind::PaletteSave;
        QTest::newRow("export") << TWindowKind::Export;
        QTest::newRow("options") << TWindowKind::Options;
    }
    void hintsFitTheLine()
    {
        QFETCH(TWindowKind, kind);
        const QLabel& panel = *W->StatusPanel1;
        QCOMPARE(W->centralWidget()->width(), TMainFormForTests::ClientWidth);
        QCOMPARE(W->StatusPanel0->width(), 160);
        QCOMPARE(panel.mapTo(W.get(), QPoint(0, 0)).x(), W->StatusPanel0->mapTo(W.get(), QPoint(160, 0)).x());
        QCOMPARE(panel.mapTo(W.get(), QPoint(panel.width(), 0)).x(), TMainFormForTests::ClientWidth);
        bool ran = false;
        With(kind, [&](QWidget& window) {
            ran = true;
            // The picture's hint changes with the tool: all of them.
            QStringList hints = kind == TWindowKind::Main ? Hints::All : QStringList();
            for (const QWidget* w : OwnWidgets(window))
                if (!HintOf(w).isEmpty())
                    hints << HintOf(w);
            QVERIFY(!hints.isEmpty());
            const QFontMetrics metrics(panel.font());
            for (const QString& hint : std::as_const(hints))
                QVERIFY2(metrics.horizontalAdvance(hint) <= panel.contentsRect().width(), qPrintable(hint));
        });
        QVERIFY(ran);
    }

    // A shown control named by its caption is named by its new caption once
    // that changes, for the screen reader too.
    void namesFollowCaptions_data()
    {
        QTest::addColumn<TWindowKind>("kind");
        QTest::newRow("main") << TWindowKind::Main;
        QTest::newRow("fractal open") << TWindowKind::FractalOpen;
        QTest::newRow("palette save") << TWindowKind::PaletteSave;
        QTest::newRow("rename") << TWindowKind::Rename;
        QTest::newRow("export") << TWindowKind::Export;
        QTest::newRow("options") << TWindowKind::Options;
        QTest::newRow("about") << TWindowKind::About;
    }
    void namesFollowCaptions()
    {
        QFETCH(TWindowKind, kind);
        const auto spoken = [](QAbstractButton* b) {
            const QAccessibleInterface* face = QAccessible::queryAccessibleInterface(b);
            return face ? face->text(QAccessible::Name) : QString();
        };
        bool ran = false;
        With(kind, [&](QWidget& window) {
            ran = true;
            int followed = 0;
            for (QWidget* w : OwnWidgets(window)) {
                auto* b = qobject_cast<QAbstractButton*>(w);
                if (!b || !b->isVisibleTo(&window) || b->text().isEmpty() ||
                    b->accessibleName() != QString(b->text()).remove('&'))
                    continue;
                const QString caption = b->text(), name = b->accessibleName();
                b->setText(QStringLiteral("Новая &надпись"));
                QCoreApplication::processEvents();
                QCOMPARE(b->accessibleName(), QStringLiteral("Новая надпись"));
                QCOMPARE(spoken(b), QStringLiteral("Новая надпись"));
                b->setText(caption);
                QCoreApplication::processEvents();
                QCOMPARE(b->accessibleName(), name);
                QCOMPARE(spoken(b), name);
                ++followed;
            }
            QVERIFY(followed > 0);
            // The export window's own change of caption after a save.
            if (auto* f = qobject_cast<TSizeAndExt*>(&window)) {
                f->FinishExport();
                QCoreApplication::processEvents();
                QCOMPARE(f->CanBut->text(), QStringLiteral("Закрыть"));
                QCOMPARE(f->CanBut->accessibleName(), QStringLiteral("Закрыть"));
                QCOMPARE(spoken(f->CanBut), QStringLiteral("Закрыть"));
            }
        });
        QVERIFY(ran);
    }

    // A hint as a name: without the leading blank and the key at its end.
    void nameFromHint_data()
    {
        QTest::addColumn<QString>("hint");
        QTest::addColumn<QString>("name");
        QTest::newRow("key") << " Закрывает программу (Ctrl+Q)" << "Закрывает программу";
        QTest::newRow("key and blanks") << " Увеличивает изображение на 30%  (+) " << "Увеличивает изображение на 30%";
        QTest::newRow("no key") << " Изменяет Re(C)" << "Изменяет Re(C)";
        QTest::newRow("trailing blank") << " Выбранный каталог и имя файла " << "Выбранный каталог и имя файла";
        QTest::newRow("empty") << "" << "";
    }
    void nameFromHint()
    {
        QFETCH(QString, hint);
        QFETCH(QString, name);
        QCOMPARE(NameFromHint(hint), name);
    }

private:
    static QString NearestHint(const QWidget* w)
    {
        for (; w; w = w->parentWidget()) {
            if (!HintOf(w).isEmpty())
                return HintOf(w);
            if (w->isWindow())
                break;
        }
        return {};
    }
};

QTEST_MAIN(TestA11y)
#include "tst_a11y.moc"
