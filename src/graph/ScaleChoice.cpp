#include "graph/ScaleChoice.h"

#include "common/Numbers.h"

#include <cmath>
#include <limits>
#include <optional>

namespace kst {

namespace {

const QString NotNumericMessage = QStringLiteral("Input Error! Please input Numeric");
const QString LimitOrderMessage = QStringLiteral("Input error,Please input again");
const QString SpanMessage = QStringLiteral("Input Error! Please input again");

// A field's verdict: passed, refused with a message, or silent (a number too large to keep).
struct Verdict {
    enum class Kind { Passed, Refused, Silent } kind = Kind::Passed;
    QString message;
};

std::optional<float> SingleValue(QStringView text)
{
    const std::optional<double> value = ParseNumber(text);
    if (!value || std::fabs(*value) > double(std::numeric_limits<float>::max()))
        return std::nullopt;
    return float(*value);
}

std::optional<qint32> WholeSpan(QStringView text)
{
    const std::optional<double> value = ParseNumber(text);
    if (!value)
        return std::nullopt;
    const double whole = std::floor(*value);
    if (!(whole >= double(std::numeric_limits<qint32>::min()) &&
          whole <= double(std::numeric_limits<qint32>::max())))
        return std::nullopt;
    return qint32(whole);
}

Verdict CheckLimit(bool top, QStringView topText, QStringView lowText)
{
    const QStringView own = top ? topText : lowText;
    const QStringView other = top ? lowText : topText;
    if (!IsNumeric(own))
        return {Verdict::Kind::Refused, NotNumericMessage};
    if (!SingleValue(own))
        return {Verdict::Kind::Silent, {}};
    if (!IsNumeric(other))
        return {};
    if (!SingleValue(other))
        return {Verdict::Kind::Silent, {}};
    if (*SingleValue(lowText) >= *SingleValue(topText))
        return {Verdict::Kind::Refused, LimitOrderMessage};
    return {};
}

Verdict CheckSpan(QStringView text)
{
    if (!IsNumeric(text))
        return {Verdict::Kind::Refused, NotNumericMessage};
    const std::optional<qint32> span = WholeSpan(text);
    if (!span)
        return {Verdict::Kind::Silent, {}};
    if (*span < 1)
        return {Verdict::Kind::Refused, SpanMessage};
    return {};
}

Verdict CheckField(ScaleChoice::Field field, QStringView top, QStringView low, QStringView interval)
{
    if (field == ScaleChoice::Field::Interval)
        return CheckSpan(interval);
    return CheckLimit(field == ScaleChoice::Field::TopY, top, low);
}

} // namespace

QString ScaleFieldWarning(ScaleChoice::Field field, QStringView top, QStringView low,
                          QStringView interval)
{
    return CheckField(field, top, low, interval).message;
}

ScaleChoice ChooseScale(bool manual, QStringView top, QStringView low, QStringView interval)
{
    using Field = ScaleChoice::Field;
    ScaleChoice choice;
    for (Field field : {Field::TopY, Field::LowY, Field::Interval}) {
        if (!manual && field != Field::Interval)
            continue;
        const Verdict verdict = CheckField(field, top, low, interval);
        if (verdict.kind != Verdict::Kind::Passed) {
            choice.refused = field;
            // OK cannot keep a number too large for it: it is refused as not a usable number.
            choice.message =
                verdict.kind == Verdict::Kind::Silent ? NotNumericMessage : verdict.message;
            return choice;
        }
    }
    if (manual) {
        choice.topY = *SingleValue(top);
        choice.lowY = *SingleValue(low);
    }
    choice.span = *WholeSpan(interval);
    return choice;
}

} // namespace kst
