#include "info/U_about.h"

#include "app/HintLine.h"
#include "app/ImageView.h"
#include "app/KeyPreview.h"
#include "app/WindowPlace.h"
#include "app/MainHost.h"
#include "engine/Messages.h"
#include "engine/ProgramState.h"
#include "info/Emblem.h"
#include "info/UrlOpener.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>

namespace {

void Name(QWidget* w, const QString& name)
{
    w->setObjectName(name);
}

// The emblem, drawn without the label's smoothing on dense screens.
class TEmblemLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        DrawCrisp(painter, contentsRect().topLeft(), pixmap().toImage());
    }
};

const QColor LinkRed(0xFF, 0x00, 0x00);
const QColor LinkBlue(0x00, 0x00, 0xFF);

}  // namespace

TLinkLabel::TLinkLabel(const QString& text, const QColor& colour, bool bold, QWidget* parent) : QLabel(text, parent)
{
    QPalette p = palette();
    p.setColor(QPalette::WindowText, colour);
    setPalette(p);
    QFont f = font();
    f.setBold(bold);
    f.setUnderline(true);
    setFont(f);
    setCursor(Qt::PointingHandCursor);
    setAccessibleName(text);  // a link: a control, named by what it opens
    adjustSize();
}

void TLinkLabel::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (MouseDown)
        MouseDown();
}

void TAboutForm::A_ProgramExecute(TMainHost& main)
{
    if (main.State.AboutOpen && Instance) {
        Instance->close();
        return;
    }
    (new TAboutForm(main))->show();
}

TAboutForm::TAboutForm(TMainHost& main)
    : QWidget(&main.Window(), Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint |
                         Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Main(main)
{
    Name(this, QStringLiteral("AboutForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("О программе Quilmora"));
    setFixedSize(ClientWidth, ClientHeight);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Panel1 = new QFrame(this);
    Name(Panel1, QStringLiteral("Panel1"));
    Panel1->setGeometry(16, 16, 201, 73);
    Panel1->setFrameStyle(QFrame::WinPanel | QFrame::Sunken);
    QPalette black = Panel1->palette();
    black.setColor(QPalette::Window, Qt::black);
    Panel1->setPalette(black);
    Panel1->setAutoFillBackground(true);

    Label6 = new TLinkLabel(QStringLiteral("Прочитать о Quilmora"), LinkRed, true, Panel1);
    Name(Label6, QStringLiteral("Label6"));
    Label6->move(16, 14);
    Label7 = new TLinkLabel(QStringLiteral("Скачать Quilmora"), LinkRed, true, Panel1);
    Name(Label7, QStringLiteral("Label7"));
    Label7->move(16, 42);

    IconMark = new TEmblemLabel(this);
    Name(IconMark, QStringLiteral("IconMark"));
    IconMark->setGeometry(16, 129, 73, 73);
    IconMark->setPixmap(QPixmap::fromImage(Emblem()));
    IconMark->setAccessibleName(QStringLiteral("Эмблема Quilmora"));

    Label2 = new QLabel(QStringLiteral("Версия 1.02"), this);
    Name(Label2, QStringLiteral("Label2"));
    Label2->move(104, 127);
    Label2->adjustSize();
    // The address as a user types it, without its scheme.
    const QUrl home(HomePageAddress);
    Label3 = new TLinkLabel(home.host() + home.path(), LinkBlue, false, this);
    Name(Label3, QStringLiteral("Label3"));
    Label3->move(104, 147);
    Label4 = new TLinkLabel(QStringLiteral("e-mail: ") + ContactAddress, LinkBlue, false, this);
    Name(Label4, QStringLiteral("Label4"));
    Label4->move(104, 167);

    // A text too wide for the room left to the window's edge is condensed.
    for (QLabel* label : {Label2, static_cast<QLabel*>(Label3), static_cast<QLabel*>(Label4)}) {
        if (label->x() + label->width() <= ClientWidth - 4)
            continue;
        QFont f = label->font();
        f.setStretch(QFont::Condensed);
        label->setFont(f);
        label->adjustSize();
    }

    CloseButton = new QPushButton(QStringLiteral("Ok!"), this);
    Name(CloseButton, QStringLiteral("CloseButton"));
    CloseButton->setGeometry(168, 224, 51, 25);

    Label3->MouseDown = [this] { Label3MouseDown(); };
    Label4->MouseDown = [this] { Label4MouseDown(); };
    Label6->MouseDown = [this] { Label6MouseDown(); };
    Label7->MouseDown = [this] { Label7MouseDown(); };
    connect(CloseButton, &QPushButton::clicked, this, &TAboutForm::CloseButtonClick);
    new TKeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });
    NameControls(this);

    // Below the main window's top, on its vertical centre line.
    Main.State.AboutOpen = true;
    Instance = this;
    const QRect mainOuter = Main.Window().frameGeometry();
    const QSize outer = OuterSize(*this, Main.Window());
    move(TruncToInt(mainOuter.x() + (mainOuter.width() - outer.width()) * 0.5L), mainOuter.y() + 100);
}

QImage TAboutForm::Emblem()
{
    return DrawEmblem(73);
}

void TAboutForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // Keys reach the window at once, also without a window manager.
    raise();
    activateWindow();
}

void TAboutForm::Label3MouseDown()
{
    OpenUrl(QUrl(HomePageAddress));
}

void TAboutForm::Label7MouseDown()
{
    OpenUrl(QUrl(HomePageAddress));
}

void TAboutForm::Label4MouseDown()
{
    OpenUrl(QUrl(QStringLiteral("mailto:") + ContactAddress));
}

void TAboutForm::Label6MouseDown()
{
    const QString path = Main.State.StartDir + QStringLiteral("/AboutQMR.txt");
    if (QFileInfo(path).isFile()) {
        OpenUrl(QUrl::fromLocalFile(path));
        return;
    }
    ShowMessage(TMessageKind::Plain, ProgramTitle, MsgNoDescription);
}

void TAboutForm::CloseButtonClick()
{
    close();
}

bool TAboutForm::FormKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    close();
    return true;
}

void TAboutForm::closeEvent(QCloseEvent* event)
{
    Main.State.AboutOpen = false;
    event->accept();
}
