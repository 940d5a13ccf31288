// Quilmora: an explorer of filled-in Julia sets of z <- z^2 + C.

#include "app/Program.h"
#include "app/U_mainform.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    PrepareApplication();
    if (!EnterProgramFolder())
        return 1;
    return RunProgram([] { return std::make_unique<TMainForm>(); });
}
