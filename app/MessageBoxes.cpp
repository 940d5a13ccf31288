#include "app/MessageBoxes.h"

#include "engine/Messages.h"

#include <QMessageBox>
#include <QPointer>

void InstallMessageBoxes(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    SetMessageHandler([owner](TMessageKind kind, const QString& caption, const QString& text) {
        switch (kind) {
        case TMessageKind::Plain:
            QMessageBox::information(owner, caption, text);
            return false;
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
