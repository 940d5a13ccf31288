#include "app/MessageBoxes.h"

#include "engine/Messages.h"

#include <QApplication>
#include <QMessageBox>

void InstallMessageBoxes()
{
    SetMessageHandler([](TMessageKind kind, const QString& caption, const QString& text) {
        QWidget* owner = QApplication::activeModalWidget();
        if (!owner)
            owner = QApplication::activeWindow();
        switch (kind) {
        case TMessageKind::Plain: {
            // The program's title as caption, OK, and no icon.
            QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
            box.exec();
            return false;
        }
        case TMessageKind::Warning:
            QMessageBox::warning(owner, caption, text);
            return false;
        case TMessageKind::Error:
            QMessageBox::critical(owner, caption, text);
            return false;
        case TMessageKind::Question:
            return QMessageBox::question(owner, caption, text, QMessageBox::Yes | QMessageBox::No,
                                         QMessageBox::No) == QMessageBox::Yes;
        }
        return false;
    });
}
