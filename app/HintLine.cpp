#include "app/HintLine.h"

#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QLabel>
#include <QPointer>
#include <QVariant>

namespace {

const char* const HintProperty = "quilmoraHint";

class THintLine : public QObject {
public:
    QPointer<QLabel> Panel;

    static THintLine& Instance()
    {
        static THintLine* line = [] {
            auto* l = new THintLine;
            l->setParent(qApp);  // goes with the application
            qApp->installEventFilter(l);
            return l;
        }();
        return *line;
    }

    void Show(const QString& hint)
    {
        if (Panel && Panel->text() != hint)
            Panel->setText(hint);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Enter:
        case QEvent::Leave:
        case QEvent::HoverEnter:
        case QEvent::HoverLeave:
            Show(HintAtPointer());
            break;
        case QEvent::ToolTip:
            return true;  // hints live in the status bar only
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    static QString HintAtPointer()
    {
        for (QWidget* w = QApplication::widgetAt(QCursor::pos()); w; w = w->parentWidget()) {
            const QString hint = HintOf(w);
            if (!hint.isEmpty())
                return hint;
            if (w->isWindow())
                break;
        }
        return {};
    }
};

}  // namespace

void SetHint(QWidget* widget, const QString& hint)
{
    widget->setProperty(HintProperty, hint);
    widget->setAccessibleDescription(hint);
    if (widget->underMouse())
        THintLine::Instance().Show(hint);
}

QString HintOf(const QWidget* widget)
{
    return widget->property(HintProperty).toString();
}

void InstallHintLine(QLabel* panel)
{
    THintLine::Instance().Panel = panel;
}
