#include "Tallowin/presentation/LocalTimeText.h"

#include <QDateTime>
#include <QLocale>
#include <QTimeZone>

namespace tallowin {

std::string localTimeText(TallowinInstant instant)
{
    const qint64 milliseconds = instant.time_since_epoch().count();
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(milliseconds, QTimeZone::systemTimeZone());
    const QLocale locale;
    // Some locales' short time still carries seconds, which a return time never needs.
    QString timeFormat = locale.timeFormat(QLocale::ShortFormat);
    timeFormat.remove(QStringLiteral(":ss"));
    const QString text = locale.toString(local.date(), QLocale::LongFormat) + QStringLiteral(", ")
        + locale.toString(local.time(), timeFormat);
    return text.toStdString();
}

} // namespace tallowin
