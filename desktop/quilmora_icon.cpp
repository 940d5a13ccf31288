// Draws the program's icons for the desktop:
//   quilmora-icon DIR SIZE... writes DIR/SIZExSIZE/apps/quilmora.png for
//   each size and DIR/scalable/apps/quilmora.svg.

#include "info/ProgramIcon.h"

#include <QDir>
#include <QFile>
#include <QString>

#include <cstdio>

int main(int argc, char* argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quilmora-icon DIR SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    const auto cannotWrite = [](const QString& file) {
        std::fprintf(stderr, "quilmora-icon: cannot write %s\n", qPrintable(file));
        return 1;
    };
    for (int i = 2; i < argc; ++i) {
        bool ok = false;
        const int side = QString::fromLatin1(argv[i]).toInt(&ok);
        if (!ok || side < 1 || side > 1024) {
            std::fprintf(stderr, "quilmora-icon: bad size %s\n", argv[i]);
            return 2;
        }
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(side);
        const QString file = folder + QStringLiteral("/quilmora.png");
        if (!QDir().mkpath(folder) || !DrawProgramIcon(side).save(file, "PNG"))
            return cannotWrite(file);
    }
    const QString folder = dir + QStringLiteral("/scalable/apps");
    QFile svg(folder + QStringLiteral("/quilmora.svg"));
    const QByteArray text = ProgramIconSvg();
    if (!QDir().mkpath(folder) || !svg.open(QIODevice::WriteOnly) || svg.write(text) != text.size() || !svg.flush())
        return cannotWrite(svg.fileName());
    return 0;
}
