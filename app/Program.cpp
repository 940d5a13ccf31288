#include "app/Program.h"

#include "app/MessageBoxes.h"
#include "engine/Messages.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

void PrepareApplication()
{
    QApplication::setApplicationName(ProgramTitle);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    QApplication::setFont(font);
    // Qt's own dialogs and buttons in the program's language, whatever the
    // system's; without the translations they stay in English.
    auto* translator = new QTranslator(qApp);
    if (translator->load(QLocale(QLocale::Russian, QLocale::Russia), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);
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
