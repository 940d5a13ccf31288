#include <QtTest>
#include "ProgramState.h"
#include "Palette.h"
class TestEngine : public QObject {
    Q_OBJECT
private slots:
    void defaults() { ProgramState s; BuildColourTable(s); QCOMPARE(s.ColourTable[1].Red, 62); }
};
QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
