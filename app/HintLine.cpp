#include "app/HintLine.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QFontInfo>
#include <QFontMetrics>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRegularExpression>
#include <QVariant>

#include <algorithm>

namespace {

const char* const HintProperty = "quilmoraHint";
// The name a control was given from its caption, while it still has it.
const char* const CaptionNameProperty = "quilmoraCaptionName";
// The hint line's font is never made smaller than this.
constexpr int SmallestHintPixels = 7;

QString CaptionName(QString text);

class THintLine : public QObject {
public:
    QPointer<QLabel> Panel;
    QStringList Fitted;  // the hints the line's font is chosen for

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

    // The largest pixel size, up to the one the panel inherits, at which the
    // widest hint fits the panel.
    void Fit()
    {
        if (!Panel || Fitted.isEmpty())
            return;
        const int room = Panel->contentsRect().width();
        if (room <= 0)
            return;
        QFont font = Panel->parentWidget() ? Panel->parentWidget()->font() : QApplication::font();
        for (int pixels = QFontInfo(font).pixelSize(); pixels >= SmallestHintPixels; --pixels) {
            font.setPixelSize(pixels);
            const QFontMetrics metrics(font);
            const bool fits = std::all_of(Fitted.cbegin(), Fitted.cend(), [&](const QString& hint) {
                return metrics.horizontalAdvance(hint) <= room;
            });
            if (fits)
                break;
        }
        if (Panel->font() != font)
            Panel->setFont(font);
    }

protected:
    // Qt sends the leaves from the innermost widget out, then the enters from
    // the outermost in, so the last event names the widget under the pointer:
    // the one entered, or the parent of the one left.
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::Enter:
            if (auto* w = qobject_cast<QWidget*>(watched))
                Show(HintFrom(w));
            break;
        case QEvent::Leave:
            if (auto* w = qobject_cast<QWidget*>(watched))
                Show(w->isWindow() ? QString() : HintFrom(w->parentWidget()));
            break;
        case QEvent::ToolTip:
            return true;  // hints live in the status bar only
        case QEvent::Resize:
            if (watched == Panel)
                Fit();
            break;
        case QEvent::Show:
        case QEvent::Paint:
            // A button's new caption sends no event of its own; its repaint
            // (or its showing, when hidden) is the first sign of it.
            if (auto* b = qobject_cast<QAbstractButton*>(watched))
                FollowCaption(b);
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // A name taken from the caption is kept equal to it, unless the control
    // was named otherwise since.
    static void FollowCaption(QAbstractButton* b)
    {
        const QVariant given = b->property(CaptionNameProperty);
        if (!given.isValid())
            return;
        if (b->accessibleName() != given.toString()) {
            b->setProperty(CaptionNameProperty, QVariant());
            return;
        }
        const QString name = CaptionName(b->text());
        if (name == given.toString() || name.isEmpty())
            return;
        b->setProperty(CaptionNameProperty, name);
        b->setAccessibleName(name);
    }

    // The hint of a widget or of its nearest ancestor in the same window.
    static QString HintFrom(const QWidget* w)
    {
        for (; w; w = w->parentWidget()) {
            const QString hint = HintOf(w);
            if (!hint.isEmpty())
                return hint;
            if (w->isWindow())
                break;
        }
        return {};
    }
};

// A caption as spoken: "&Открыть" -> "Открыть", "a\nb" -> "a b".
QString CaptionName(QString text)
{
    text.replace(QLatin1String("&&"), QLatin1String("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QLatin1Char('\x01'), QLatin1Char('&'));
    return text.simplified();
}

// A label's text as the name of the field it stands by: "Папка:" -> "Папка".
QString LabelName(const QString& text)
{
    QString name = CaptionName(text);
    while (name.endsWith(QLatin1Char(':')) || name.endsWith(QLatin1Char('.')))
        name = name.chopped(1).trimmed();
    return name;
}

QString OwnCaption(const QWidget* w)
{
    if (const auto* b = qobject_cast<const QAbstractButton*>(w))
        return CaptionName(b->text());
    return {};
}

}  // namespace

QString NameFromHint(const QString& hint)
{
    // The key ends a hint after a blank: "... (Home)", "...  (+) "; "Re(C)" is no key.
    static const QRegularExpression key(QStringLiteral("\\s+\\([^()]+\\)\\s*$"));
    QString name = hint;
    name.remove(key);
    return name.trimmed();
}

void NameControls(QWidget* window)
{
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    QHash<const QWidget*, QString> labelled;
    for (const QWidget* w : widgets)
        if (const auto* l = qobject_cast<const QLabel*>(w); l && l->buddy())
            labelled.insert(l->buddy(), LabelName(l->text()));
    for (QWidget* w : widgets) {
        // Windows speak their titles; labels their live text.
        if (!w->accessibleName().isEmpty() || qobject_cast<QLabel*>(w) || w->isWindow())
            continue;
        QString name = OwnCaption(w);
        if (!name.isEmpty()) {
            w->setProperty(CaptionNameProperty, name);
            THintLine::Instance();  // follows the caption from now on
        }
        if (name.isEmpty())
            name = labelled.value(w);
        if (name.isEmpty())
            name = NameFromHint(HintOf(w));
        if (!name.isEmpty())
            w->setAccessibleName(name);
    }
    // The edit field of a drop-down list speaks for the list.
    for (QComboBox* c : window->findChildren<QComboBox*>())
        if (c->lineEdit() && c->lineEdit()->accessibleName().isEmpty())
            c->lineEdit()->setAccessibleName(c->accessibleName());
}

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
    THintLine::Instance().Fit();
}

void FitHintLine(const QStringList& hints)
{
    THintLine::Instance().Fitted = hints;
    THintLine::Instance().Fit();
}
