#include "app/vbtext.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

namespace app {

namespace {
const QRegularExpression& numberPattern()
{
    static const QRegularExpression re(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    return re;
}
}  // namespace

QString trim(const QString& text)
{
    qsizetype b = 0, e = text.size();
    while (b < e && text.at(b) == u' ')
        ++b;
    while (e > b && text.at(e - 1) == u' ')
        --e;
    return text.mid(b, e - b);
}

bool is_numeric(const QString& text)
{
    const QString t = text.trimmed();
    return !t.isEmpty() && numberPattern().match(t).hasMatch();
}

double to_double(const QString& text, bool* ok)
{
    const bool numeric = is_numeric(text);
    if (ok)
        *ok = numeric;
    if (!numeric)
        return 0.0;
    QString t = text.trimmed();
    if (t.startsWith(u'+'))
        t.remove(0, 1);
    return t.toDouble();
}

float to_single(const QString& text, bool* ok)
{
    return static_cast<float>(to_double(text, ok));
}

double round_half_even(double value)
{
    return std::nearbyint(value);  // default rounding mode: to nearest, ties to even
}

int to_int(const QString& text, bool* ok)
{
    bool numeric = false;
    const double v = round_half_even(to_double(text, &numeric));
    const bool fits = numeric && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    if (ok)
        *ok = fits;
    return fits ? static_cast<int>(v) : 0;
}

QString format_percent(double ratio)
{
    return QString::number(ratio * 100.0, 'f', 2) + u'%';
}

}  // namespace app
