#include "slides/U_vreloptions.h"

#include "app/HintLine.h"
#include "app/MainHost.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>


void TVrelOptions::OptionsExecute(TMainHost& main)
{
    if (main.State.OptionsOpen) {
        if (main.OptionsWindow)
            main.OptionsWindow->close();
        return;
    }
    auto* w = new TVrelOptions(main);
    main.OptionsWindow = w;
    w->move(main.Window().pos().x() + 130, main.Window().pos().y() + 49);
    w->show();
}

TVrelOptions::TVrelOptions(TMainHost& main)
    : QWidget(&main.Window(), Qt::Tool | Qt::WindowStaysOnTopHint), Main(main)
{
    setObjectName(QStringLiteral("VrelOptions"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Опции"));
    setFixedSize(ClientWidth, ClientHeight);
    QFont font = this->font();
    font.setPixelSize(9);
    setFont(font);

    // Tab order: the track bar first.
    BTInterval = new QSlider(Qt::Horizontal, this);
    BTInterval->setObjectName(QStringLiteral("BTInterval"));
    BTInterval->setGeometry(8, 30, 169, 30);
    BTInterval->setRange(1, 20);
    BTInterval->setTickInterval(1);
    BTInterval->setTickPosition(QSlider::TicksAbove);
    BTInterval->setPageStep(1);
    SetHint(BTInterval, QStringLiteral(" Устанавливает задержку для Слайд - Шоу"));

    TimeInterval = new QLineEdit(this);
    TimeInterval->setObjectName(QStringLiteral("TimeInterval"));
    TimeInterval->setGeometry(6, 8, 17, 17);
    TimeInterval->setReadOnly(true);
    TimeInterval->setFocusPolicy(Qt::NoFocus);
    TimeInterval->setFrame(false);
    TimeInterval->setAlignment(Qt::AlignCenter);

    Label1 = new QLabel(QStringLiteral("Задержка для \"Слайд - Шоу\" ( с )."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(25, 2, 159, 28);
    // One line, as wide fonts allow: the letters close up a little where the
    // system font is wider than the room.
    QFont narrow = Label1->font();
    for (qreal spacing = 100; spacing > 85 && QFontMetrics(narrow).horizontalAdvance(Label1->text()) > Label1->width();
         spacing -= 1)
        narrow.setLetterSpacing(QFont::PercentageSpacing, spacing - 1);
    Label1->setFont(narrow);
    Label1->setWordWrap(QFontMetrics(narrow).horizontalAdvance(Label1->text()) > Label1->width());

    GroupBox1 = new QGroupBox(QStringLiteral("Порядок показа Слайд-Шоу"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    GroupBox1->setGeometry(8, 68, 169, 82);
    RadioButton1 = new QRadioButton(QStringLiteral("Последовательный"), GroupBox1);
    RadioButton1->setObjectName(QStringLiteral("RadioButton1"));
    RadioButton1->setGeometry(10, 22, 150, 20);
    RadioButton2 = new QRadioButton(QStringLiteral("Случайный"), GroupBox1);
    RadioButton2->setObjectName(QStringLiteral("RadioButton2"));
    RadioButton2->setGeometry(10, 48, 150, 20);

    ButOkey = new QPushButton(QStringLiteral("Ok!"), this);
    ButOkey->setObjectName(QStringLiteral("ButOkey"));
    QFont big = ButOkey->font();
    big.setPixelSize(11);
    ButOkey->setFont(big);
    ButOkey->setGeometry(8, 162, 80, 30);
    SetHint(ButOkey, QStringLiteral(" Применение выбранных установок"));
    CanBut = new QPushButton(QStringLiteral("Отмена"), this);
    CanBut->setObjectName(QStringLiteral("CanBut"));
    CanBut->setGeometry(97, 162, 80, 30);
    SetHint(CanBut, QStringLiteral(" Отмена изменения установок"));

    // The delay in seconds is what the label names; the bar sets it.
    Label1->setBuddy(TimeInterval);
    NameControls(this);

    connect(BTInterval, &QSlider::valueChanged, this, &TVrelOptions::BTIntervalChange);
    connect(ButOkey, &QPushButton::clicked, this, &TVrelOptions::ButOkeyClick);
    connect(CanBut, &QPushButton::clicked, this, &TVrelOptions::CanButClick);

    const ProgramState& s = Main.State;
    Main.State.OptionsOpen = true;
    BTInterval->setValue(s.SlideDelay);  // held to 1..20 by the bar
    // The stored delay as it is, also outside the bar's range.
    TimeInterval->setText(QString::number(s.SlideDelay));
    (s.SlideRandomOrder == 1 ? RadioButton2 : RadioButton1)->setChecked(true);
}

void TVrelOptions::BTIntervalChange()
{
    TimeInterval->setText(QString::number(BTInterval->value()));
}

void TVrelOptions::ButOkeyClick()
{
    Main.State.SlideDelay = BTInterval->value();
    Main.State.SlideRandomOrder = RadioButton1->isChecked() ? 0 : 1;
    close();
}

void TVrelOptions::CanButClick()
{
    close();
}

void TVrelOptions::closeEvent(QCloseEvent* event)
{
    FormClose();
    event->accept();
}

void TVrelOptions::FormClose()
{
    Main.State.OptionsOpen = false;
}
