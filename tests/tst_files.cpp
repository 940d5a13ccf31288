#include <QtTest>

class TestFiles : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
