#include "app/Program.h"

#include "app/MessageBoxes.h"
#include "engine/Messages.h"
#include "files/UserFolder.h"
#include "info/ProgramIcon.h"

#include <QApplication>
#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <exception>

void PrepareApplication()
{
    // The X class of every window (WM_CLASS, both strings: the instance from
    // the executable's name) and the desktop entry docks match it with.
    QApplication::setApplicationName(QStringLiteral("quilmora"));
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
    QGuiApplication::setDesktopFileName(QStringLiteral("quilmora"));
    QApplication::setWindowIcon(ProgramIcon());
}

#ifndef QUILMORA_SHARE_FROM_BIN
#define QUILMORA_SHARE_FROM_BIN "../share/quilmora"
#endif

bool EnterProgramFolder()
{
    const TFolderChoice choice = ChooseProgramFolder(QCoreApplication::applicationDirPath(),
                                                     QStringLiteral(QUILMORA_SHARE_FROM_BIN), QDir::currentPath(),
                                                     QDir::homePath());
    if (choice.Shipped.isEmpty())
        return true;
    QString failure = PrepareProgramFolder(choice.Shipped, choice.Folder);
    if (failure.isEmpty() && !QDir::setCurrent(choice.Folder))
        failure = UnusableFolderMessage(
            choice.Folder, QStringLiteral("Нельзя перейти в каталог %1.").arg(QDir::toNativeSeparators(choice.Folder)));
    if (failure.isEmpty())
        return true;
    ShowMessage(TMessageKind::Error, ProgramTitle, failure);
    return false;
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
        ShowMessage(TMessageKind::Error, ProgramTitle, MsgUnknownError);
    }
    return 0;
}
