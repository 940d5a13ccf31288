// Quilmora: an explorer of filled-in Julia sets of z <- z^2 + C.

#include "app/MessageBoxes.h"
#include "engine/Messages.h"
#include "app/U_mainform.h"

#include <QApplication>
#include <QFont>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(ProgramTitle);
    QApplication::setApplicationDisplayName(ProgramTitle);
    QFont font(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(11);
    QApplication::setFont(font);

    TMainForm mainForm;
    InstallMessageBoxes(&mainForm);
    mainForm.show();
    return app.exec();
}
