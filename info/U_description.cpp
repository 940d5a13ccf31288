#include "info/U_description.h"

#include "app/HintLine.h"
#include "app/KeyPreview.h"
#include "app/MainHost.h"
#include "app/WindowPlace.h"
#include "engine/Messages.h"
#include "files/NativeFiles.h"
#include "info/RtfReader.h"

#include <QDir>
#include <QKeyEvent>
#include <QTextEdit>
#include <QVBoxLayout>

TDescriptionRead ReadDescription(const QString& path, QByteArray& bytes, qint64& size)
{
    // Looked at before it is opened (a FIFO would wait for a writer) and
    // again once open, so nothing put in its place meanwhile is read either.
    size = RegularFileSize(path);
    if (size < 0)
        return TDescriptionRead::Missing;
    if (size > DescriptionMaxBytes)
        return TDescriptionRead::TooLarge;
    return ReadRegularFile(path, DescriptionMaxBytes, bytes) ? TDescriptionRead::Read : TDescriptionRead::Missing;
}

void TDscrptForm::DescriptExecute(TMainHost& main)
{
    (new TDscrptForm(main))->show();
}

TDscrptForm::TDscrptForm(TMainHost& main)
    : QWidget(&main.Window(), Qt::Window | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("DscrptForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Описание "));
    setFixedWidth(OuterWidth);
    resize(OuterWidth, OuterHeight);

    RichEdit1 = new QTextEdit(this);
    RichEdit1->setObjectName(QStringLiteral("RichEdit1"));
    RichEdit1->setAccessibleName(QStringLiteral("Описание"));
    RichEdit1->setReadOnly(true);
    RichEdit1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    RichEdit1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichEdit1);

    // Description.rtf is opened by its relative name in the start folder.
    QDir::setCurrent(main.State.StartDir);
    RichEdit1->clear();
    QByteArray bytes;
    qint64 size = 0;
    switch (ReadDescription(QStringLiteral("Description.rtf"), bytes, size)) {
    case TDescriptionRead::Read:
        ReadRtf(bytes, *RichEdit1->document());
        break;
    case TDescriptionRead::TooLarge:
        RichEdit1->setPlainText(QStringLiteral(" Показать описание невозможно: файл описания Description.rtf\n"
                                               "слишком велик - %1 МБ, а показать можно не более %2 МБ.")
                                    .arg(size / (1024 * 1024))
                                    .arg(DescriptionMaxBytes / (1024 * 1024)));
        break;
    case TDescriptionRead::Missing:
        // Missing, unreadable or no regular file: where to get it.
        RichEdit1->setPlainText(QStringList{
            QStringLiteral(" Показать описание невозможно.В каталоге программы"),
            QStringLiteral("отсутствует файл описания - Description.rtf."),
            QStringLiteral(" Скачайте оригинальный архив Quilmora.zip со"),
            QStringLiteral("страницы программы ") + HomePageAddress + QLatin1Char('.'),
        }.join(QLatin1Char('\n')));
        break;
    }
    RichEdit1->moveCursor(QTextCursor::Start);

    new TKeyPreview(this, [this](QKeyEvent* event) { return FormKeyDown(event); });

    // Outer size and place: at the centre of the main window.
    const QSize frame = OuterSize(*this, main.Window()) - this->size();
    setFixedWidth(OuterWidth - frame.width());
    resize(OuterWidth - frame.width(), OuterHeight - frame.height());
    const QRect m = main.Window().frameGeometry();
    move(TruncToInt(m.x() + (m.width() - OuterWidth) * 0.5L), TruncToInt(m.y() + (m.height() - OuterHeight) * 0.5L));
}

void TDscrptForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    raise();
    activateWindow();
}

void TDscrptForm::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        FormActivate();
}

void TDscrptForm::FormActivate()
{
    RichEdit1->setFocus();
}

bool TDscrptForm::FormKeyDown(QKeyEvent* event)
{
    if (event->key() != Qt::Key_Escape)
        return false;
    close();
    return true;
}
