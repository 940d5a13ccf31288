#include <QtTest>

class TestRenderthread : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_GUILESS_MAIN(TestRenderthread)
#include "tst_renderthread.moc"
