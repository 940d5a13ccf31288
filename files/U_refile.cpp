#include "files/U_refile.h"

#include "app/HintLine.h"
#include "app/KeyPreview.h"
#include "app/WindowPlace.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TReFile::TReFile(QWidget& owner, const QString& oldLabel, const QString& newLabel, const QString& oldName)
    : QDialog(&owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint)
{
    setWindowTitle(QStringLiteral("Переименование файла"));
    setFixedSize(329, 151);
    OldLabel = new QLabel(oldLabel, this);
    OldLabel->move(16, 12);
    OldName = new QLineEdit(oldName, this);
    OldName->setGeometry(16, 30, 297, 21);
    OldName->setReadOnly(true);
    OldName->setFocusPolicy(Qt::NoFocus);
    NewLabel = new QLabel(newLabel, this);
    NewLabel->move(16, 60);
    NewName = new QLineEdit(oldName, this);
    NewName->setGeometry(16, 78, 297, 21);
    OkBut = new QPushButton(QStringLiteral("Ok!"), this);
    OkBut->setGeometry(152, 112, 75, 25);
    CanselBut = new QPushButton(QStringLiteral("Отмена"), this);
    CanselBut->setGeometry(238, 112, 75, 25);
    for (QPushButton* b : {OkBut, CanselBut})
        b->setAutoDefault(false);
    OldLabel->setBuddy(OldName);
    NewLabel->setBuddy(NewName);
    NameControls(this);
    connect(OkBut, &QPushButton::clicked, this, &TReFile::OkButClick);
    connect(CanselBut, &QPushButton::clicked, this, &QDialog::reject);
    new TKeyPreview(this, [this](QKeyEvent* event) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
            OkButClick();
        return false;
    });
    NewName->setFocus();

    // Centred on the main window.
    QWidget* main = owner.parentWidget() ? owner.parentWidget()->window() : owner.window();
    const QRect over = main->frameGeometry();
    const QSize outer = OuterSize(*this, *main);
    move(over.x() + (over.width() - outer.width()) / 2, over.y() + (over.height() - outer.height()) / 2);
}

void TReFile::OkButClick()
{
    if (NewName->text().isEmpty())
        return;
    if (Rename && Rename(NewName->text()))
        accept();
}
