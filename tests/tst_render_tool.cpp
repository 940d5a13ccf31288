#include <QtTest>

class TestRenderTool : public QObject {
    Q_OBJECT
private slots:
    void placeholder() {}
};

QTEST_GUILESS_MAIN(TestRenderTool)
#include "tst_render_tool.moc"
