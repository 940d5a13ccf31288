// The about and description windows: the help menu, toggling, placement,
// layout, keys, links, the missing files and the start folder.

#include "tests/support/MainFormAccess.h"
#include "engine/Messages.h"
#include "info/U_about.h"
#include "info/U_description.h"
#include "info/UrlOpener.h"
#include "support/Files.h"
#include "support/MessageRecorder.h"
#include "support/PassGate.h"
#include "support/ProgramFolder.h"

#include <QtTest>

#include <QAction>
#include <QApplication>
#include <QFrame>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextEdit>

#include <memory>

namespace {

QList<TDscrptForm*> DescriptionWindows(const TMainFormForTests& main)
{
    return main.findChildren<TDscrptForm*>(QString(), Qt::FindDirectChildrenOnly);
}

}  // namespace

class TestInfo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void helpMenu();
    void aboutToggles();
    void aboutLayout_data();
    void aboutLayout();
    void keys_data();
    void keys();
    void links_data();
    void links();
    void missingAboutText();
    void descriptionNotice();
    void descriptionMakesStartDirCurrent();
    void everyDescriptPressOpensAWindow();
    void oddDescription_data();
    void oddDescription();
    void noNativeChildren_data();
    void noNativeChildren();
    void openingIsQuiet_data();
    void openingIsQuiet();

private:
    std::unique_ptr<TProgramFolder> Dir;
    std::unique_ptr<TMainFormForTests> Main;
    QList<QUrl> Opened;
    TUrlOpener PreviousOpener;
};

void TestInfo::initTestCase()
{
    // The program's font, 11 pixels high.
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

void TestInfo::init()
{
    Dir = std::make_unique<TProgramFolder>(TSubfolders::FractalsAndPaletts);
    QVERIFY(Dir->IsValid());
    Opened.clear();
    PreviousOpener = SetUrlOpener([this](const QUrl& url) { Opened.append(url); });
    Main = std::make_unique<TMainFormForTests>();
    Main->move(200, 40);
    Main->show();
    QVERIFY(WaitIdle(Main->State));
}

void TestInfo::cleanup()
{
    Main.reset();
    SetUrlOpener(std::move(PreviousOpener));
    Dir.reset();
}

void TestInfo::helpMenu()
{
    // The last menu, with its two items in order.
    const QList<QAction*> top = Main->menuBar()->actions();
    QCOMPARE(top.last(), Main->About);
    QCOMPARE(Main->About->text(), QStringLiteral("&Справка"));
    QCOMPARE(Main->MenuHelp->actions(), (QList<QAction*>{Main->Descript, Main->A_Program}));
    QCOMPARE(Main->Descript->text(), QStringLiteral("&Описание"));
    QCOMPARE(Main->Descript->shortcut(), QKeySequence(Qt::Key_F1));
    QVERIFY(!Main->Descript->icon().isNull());
    QCOMPARE(Main->A_Program->text(), QStringLiteral("О &программе"));
    QVERIFY(Main->A_Program->shortcut().isEmpty());
}

void TestInfo::aboutToggles()
{
    QVERIFY(!Main->State.AboutOpen);
    Main->A_Program->trigger();
    QPointer<TAboutForm> about = TAboutForm::Current();
    QVERIFY(about && about->isVisible());
    QVERIFY(Main->State.AboutOpen);
    QCOMPARE(about->windowTitle(), QStringLiteral("О программе Quilmora"));
    QCOMPARE(about->size(), QSize(234, 260));
    QVERIFY(about->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!about->isModal());
    // Top + 100, on the main window's vertical centre line.
    const QRect m = Main->frameGeometry();
    QCOMPARE(about->frameGeometry().top(), m.top() + 100);
    QCOMPARE(about->frameGeometry().left(), m.left() + (m.width() - about->frameGeometry().width()) / 2);

    Main->A_Program->trigger();
    QVERIFY(!Main->State.AboutOpen);
    QTRY_VERIFY(!about);
    // Created anew the next time; the frame's close box closes it too.
    Main->A_Program->trigger();
    QVERIFY(Main->State.AboutOpen);
    QVERIFY(TAboutForm::Current()->close());
    QVERIFY(!Main->State.AboutOpen);
}

void TestInfo::aboutLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("place");  // a zero size: only the position counts
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("colour");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("link");
    const QColor red(255, 0, 0), blue(0, 0, 255), black(0, 0, 0);
    QTest::newRow("Panel1") << "Panel1" << QRect(16, 16, 201, 73) << QString() << black << false << false;
    QTest::newRow("Label6") << "Label6" << QRect() << "Прочитать о Quilmora" << red << true << true;
    QTest::newRow("Label7") << "Label7" << QRect() << "Скачать Quilmora" << red << true << true;
    QTest::newRow("IconMark") << "IconMark" << QRect(16, 129, 73, 73) << QString() << QColor() << false << false;
    QTest::newRow("Label2") << "Label2" << QRect(104, 127, 0, 0) << "Версия 1.02" << QColor() << false << false;
    QTest::newRow("Label3") << "Label3" << QRect(104, 147, 0, 0) << "quilmora.example.org" << blue << false << true;
    QTest::newRow("Label4") << "Label4" << QRect(104, 167, 0, 0) << QStringLiteral("e-mail: ") + ContactAddress
                            << blue << false << true;
    QTest::newRow("CloseButton") << "CloseButton" << QRect(168, 224, 51, 25) << "Ok!" << QColor() << false << false;
}

void TestInfo::aboutLayout()
{
    QFETCH(QString, name);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(QColor, colour);
    QFETCH(bool, bold);
    QFETCH(bool, link);
    Main->A_Program->trigger();
    TAboutForm* about = TAboutForm::Current();
    QVERIFY(about);
    auto* w = about->findChild<QWidget*>(name);
    QVERIFY(w);
    if (!place.isNull())
        QCOMPARE(place.size().isEmpty() ? QRect(w->pos(), QSize()) : w->geometry(),
                 place.size().isEmpty() ? QRect(place.topLeft(), QSize()) : place);
    if (!text.isEmpty())
        QCOMPARE(w->property("text").toString(), text);
    if (name == "Label6" || name == "Label7")
        QCOMPARE(w->parentWidget(), about->Panel1);
    if (colour.isValid())
        QCOMPARE(w->palette().color(name == "Panel1" ? QPalette::Window : QPalette::WindowText), colour);
    QCOMPARE(w->font().bold(), bold);
    QCOMPARE(w->font().underline(), link);
    QCOMPARE(w->cursor().shape(), link ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Every label and the emblem lie inside the window.
    QVERIFY2(QRect(QPoint(), about->size()).contains(QRect(w->mapTo(about, QPoint()), w->size())), qPrintable(name));
    if (name == "IconMark")
        QCOMPARE(qobject_cast<QLabel*>(w)->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
                 TAboutForm::Emblem());
}

void TestInfo::keys_data()
{
    QTest::addColumn<bool>("about");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    for (const bool about : {true, false}) {
        const char* w = about ? "about" : "description";
        QTest::addRow("%s Esc", w) << about << int(Qt::Key_Escape) << true;
        QTest::addRow("%s letter", w) << about << int(Qt::Key_Q) << false;
        QTest::addRow("%s Left", w) << about << int(Qt::Key_Left) << false;
        QTest::addRow("%s F5", w) << about << int(Qt::Key_F5) << false;
    }
}

void TestInfo::keys()
{
    QFETCH(bool, about);
    QFETCH(int, key);
    QFETCH(bool, closes);
    (about ? Main->A_Program : Main->Descript)->trigger();
    QPointer<QWidget> w = about ? static_cast<QWidget*>(TAboutForm::Current()) : DescriptionWindows(*Main).value(0);
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowActive(w));
    QTRY_VERIFY(QApplication::focusWidget() && QApplication::focusWidget()->window() == w);
    QWidget* target = QApplication::focusWidget();
    QTest::keyClick(target, Qt::Key(key));
    if (closes) {
        QTRY_VERIFY(!w);
    } else {
        QCoreApplication::processEvents();
        QVERIFY(w && w->isVisible());
    }
    QCOMPARE(Main->State.AboutOpen, about && !closes);
}

void TestInfo::links_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<int>("button");
    QTest::addColumn<QUrl>("url");
    QTest::newRow("Label3 home page") << "Label3" << int(Qt::LeftButton) << QUrl(HomePageAddress);
    QTest::newRow("Label7 home page, right button") << "Label7" << int(Qt::RightButton) << QUrl(HomePageAddress);
    QTest::newRow("Label4 mail, middle button")
        << "Label4" << int(Qt::MiddleButton) << QUrl(QStringLiteral("mailto:") + ContactAddress);
    QTest::newRow("Label6 about text") << "Label6" << int(Qt::LeftButton) << QUrl();  // the file of the folder
}

void TestInfo::links()
{
    QFETCH(QString, label);
    QFETCH(int, button);
    QFETCH(QUrl, url);
    QVERIFY(WriteBytes(Dir->FilePath("AboutQMR.txt"), "about"));
    if (url.isEmpty())
        url = QUrl::fromLocalFile(Main->State.StartDir + QStringLiteral("/AboutQMR.txt"));
    const TMessageRecorder messages;
    Main->A_Program->trigger();
    auto* w = TAboutForm::Current()->findChild<QLabel*>(label);
    QVERIFY(w);
    // The press acts: no release follows.
    QTest::mousePress(w, Qt::MouseButton(button), {}, QPoint(3, 3));
    QCOMPARE(Opened, QList<QUrl>{url});
    QVERIFY(messages.Messages.isEmpty());
}

void TestInfo::missingAboutText()
{
    const TMessageRecorder messages;
    Main->A_Program->trigger();
    TAboutForm::Current()->Label6MouseDown();
    QVERIFY(Opened.isEmpty());
    QCOMPARE(messages.Messages.size(), 1);
    QCOMPARE(messages.Messages[0].Kind, TMessageKind::Plain);
    QCOMPARE(messages.Messages[0].Caption, ProgramTitle);
    QCOMPARE(messages.Messages[0].Text,
             QStringLiteral("В каталоге программы нет описания Quilmora. \n Скачайте оригинальный архив программы с ") +
                 HomePageAddress + ".");
    // A folder of that name is no file.
    QVERIFY(QDir(Dir->Path()).mkdir("AboutQMR.txt"));
    TAboutForm::Current()->Label6MouseDown();
    QVERIFY(Opened.isEmpty());
    QCOMPARE(messages.Messages.size(), 2);
}

void TestInfo::descriptionNotice()
{
    Main->Descript->trigger();
    TDscrptForm* d = DescriptionWindows(*Main).value(0);
    QVERIFY(d);
    QCOMPARE(d->windowTitle(), QStringLiteral("Описание "));
    QCOMPARE(d->RichEdit1->document()->toPlainText(),
             QStringLiteral(" Показать описание невозможно.В каталоге программы\n"
                            "отсутствует файл описания - Description.rtf.\n"
                            " Скачайте оригинальный архив Quilmora.zip со\n"
                            "страницы программы ") + HomePageAddress + ".");
    QVERIFY(d->RichEdit1->isReadOnly());
    QCOMPARE(d->RichEdit1->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QVERIFY(d->windowFlags() & Qt::WindowStaysOnTopHint);
    // Width fixed, height free, centred on the main window.
    QCOMPARE(d->minimumWidth(), d->maximumWidth());
    QCOMPARE(d->frameGeometry().size(), QSize(414, 480));
    QVERIFY(d->maximumHeight() > 480 && d->minimumHeight() < 480);
    const QRect m = Main->frameGeometry();
    QCOMPARE(d->frameGeometry().topLeft(), QPoint(m.left() + (m.width() - 414) / 2, m.top() + (m.height() - 480) / 2));
    QTRY_COMPARE(QApplication::focusWidget(), d->RichEdit1);
}

void TestInfo::descriptionMakesStartDirCurrent()
{
    // Another folder current (as a file dialog or the slide show leaves it):
    // Description.rtf is still the start folder's, shown formatted.
    QVERIFY(WriteBytes(Dir->FilePath("Description.rtf"),
                       "{\\rtf1\\ansi\\ansicpg1251 {\\b \\'ce\\'ef\\'e8\\'f1\\'e0\\'ed\\'e8\\'e5}\\par x}"));
    QVERIFY(QDir::setCurrent(Dir->FilePath("fractals")));
    QVERIFY(WriteBytes("Description.rtf", "{\\rtf1 wrong folder}"));
    Main->Descript->trigger();
    QCOMPARE(QDir::currentPath(), Main->State.StartDir);
    const QTextDocument* doc = DescriptionWindows(*Main).value(0)->RichEdit1->document();
    QCOMPARE(doc->toPlainText(), QStringLiteral("Описание\nx"));
    QCOMPARE(doc->begin().begin().fragment().charFormat().fontWeight(), int(QFont::Bold));
}

void TestInfo::everyDescriptPressOpensAWindow()
{
    Main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Main.get()));
    for (int i = 1; i <= 3; ++i) {
        QTest::keyClick(QApplication::activeWindow(), Qt::Key_F1);
        QTRY_COMPARE(DescriptionWindows(*Main).size(), i);
    }
    for (TDscrptForm* d : DescriptionWindows(*Main))
        QVERIFY(d->isVisible());
    // Closing one leaves the others.
    QPointer<TDscrptForm> first = DescriptionWindows(*Main).value(0);
    first->close();
    QTRY_VERIFY(!first);
    QCOMPARE(DescriptionWindows(*Main).size(), 2);
}

// Only a regular file is read, and none larger than can be shown: a FIFO
// does not freeze the window, a device is not read without end, a huge file
// is refused with its size.
void TestInfo::oddDescription_data()
{
    const QString missing = QStringLiteral(" Показать описание невозможно.В каталоге программы\n"
                                           "отсутствует файл описания - Description.rtf.\n"
                                           " Скачайте оригинальный архив Quilmora.zip со\n"
                                           "страницы программы ") + HomePageAddress + ".";
    QTest::addColumn<TOddFile>("kind");
    QTest::addColumn<QString>("shown");
    QTest::newRow("FIFO") << TOddFile::Fifo << missing;
    QTest::newRow("/dev/zero") << TOddFile::Device << missing;
    QTest::newRow("200 MB") << TOddFile::Huge
                            << QStringLiteral(" Показать описание невозможно: файл описания Description.rtf\n"
                                              "слишком велик - 200 МБ, а показать можно не более 32 МБ.");
}

void TestInfo::oddDescription()
{
    QFETCH(TOddFile, kind);
    QFETCH(QString, shown);
    QVERIFY(MakeOddFile(Dir->FilePath("Description.rtf"), kind, qint64(200) * 1024 * 1024));
    Main->Descript->trigger();
    const TDscrptForm* d = DescriptionWindows(*Main).value(0);
    QVERIFY(d);
    QCOMPARE(d->RichEdit1->document()->toPlainText(), shown);
}

// The about and description windows leave the main window's controls to Qt:
// none of them is given a native window of its own.
void TestInfo::noNativeChildren_data()
{
    QTest::addColumn<bool>("about");
    QTest::newRow("about") << true;
    QTest::newRow("description") << false;
}

void TestInfo::noNativeChildren()
{
    QFETCH(bool, about);
    (about ? Main->A_Program : Main->Descript)->trigger();
    QWidget* w = about ? static_cast<QWidget*>(TAboutForm::Current()) : DescriptionWindows(*Main).value(0);
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    for (const QWidget* c : Main->findChildren<QWidget*>())
        if (!c->isWindow())
            QVERIFY2(!c->internalWinId(), qPrintable(QString(c->metaObject()->className()) + " " + c->objectName()));
}

// Opening an address where the desktop has no program for it: nothing on
// stderr, no message either.
void TestInfo::openingIsQuiet_data()
{
    QTest::addColumn<QUrl>("url");
    QTest::newRow("home page") << QUrl(HomePageAddress);
    QTest::newRow("mail") << QUrl(QStringLiteral("mailto:") + ContactAddress);
    QTest::newRow("about text") << QUrl();  // the file of the folder
}

namespace {
QStringList Logged;
void Log(QtMsgType, const QMessageLogContext&, const QString& text)
{
    Logged << text;
}
}  // namespace

void TestInfo::openingIsQuiet()
{
    QFETCH(QUrl, url);
    QVERIFY(WriteBytes(Dir->FilePath("AboutQMR.txt"), "about"));
    if (url.isEmpty())
        url = QUrl::fromLocalFile(Dir->FilePath("AboutQMR.txt"));
    const TMessageRecorder messages;
    Logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(Log);
    PreviousOpener(url);  // the program's own opener
    qWarning("after");  // the log is ours again
    qInstallMessageHandler(previous);
    QCOMPARE(Logged, QStringList{"after"});
    QVERIFY(messages.Messages.isEmpty());
}

QTEST_MAIN(TestInfo)
#include "tst_info.moc"
