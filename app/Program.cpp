#include "app/Program.h"

#include "app/MessageBoxes.h"
#include "engine/Messages.h"

#include <QApplication>
#include <QFont>

#include <exception>

void PrepareApplication()
{
    QApplication::setApplicationName(ProgramTitle);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    QApplication::setFont(font);
    InstallMessageBoxes();
}

int RunProgram(const std::function<std::unique_ptr<QWidget>()>& makeMainWindow)
{
    try {
        const std::unique_ptr<QWidget> mainWindow = makeMainWindow();
        mainWindow->show();
        return QApplication::exec();
    } catch (const std::exception& e) {
        ShowMessage(TMessageKind::Error, ProgramTitle, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowMessage(TMessageKind::Error, ProgramTitle, QStringLiteral("Неизвестная ошибка"));
    }
    return 0;
}
