#include "app/NumberFormat.h"

#include <QLocale>

#include <cmath>

namespace {
QString StripZeros(QString s)
{
    if (s.contains(QLatin1Char('.'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.endsWith(QLatin1Char('.')))
            s.chop(1);
    }
    return s;
}
}  // namespace

QString FormatGeneral(double value, int digits)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    if (value == 0)
        return QStringLiteral("0");
    // d.dd...e±x, rounded once to the wanted digits.
    const QString sci = QString::number(value, 'e', digits - 1);
    const qsizetype ePos = sci.indexOf(QLatin1Char('e'));
    const int exponent = sci.mid(ePos + 1).toInt();  // value = d.dd x 10^exponent
    const int e = exponent + 1;                       // value = 0.ddd x 10^e
    QString text;
    if (e >= -3 && e <= digits) {
        text = StripZeros(QString::number(value, 'f', std::max(0, digits - e)));
    } else {
        text = StripZeros(sci.left(ePos)) + QLatin1Char('E') + QString::number(exponent);
    }
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(QLatin1Char('.'), QLocale().decimalPoint());
}
