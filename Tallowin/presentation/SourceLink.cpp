#include "Tallowin/presentation/SourceLink.h"

#include <QUrl>

namespace tallowin {

std::optional<std::string> SourceLink::refusal(std::string_view link)
{
    const QString text = QString::fromUtf8(link.data(), qsizetype(link.size()));
    // Spaces and control characters never belong in a link; QUrl's tolerant parsing would quietly repair them.
    for (const QChar character : text) {
        if (character.isSpace() || character.category() == QChar::Other_Control)
            return std::string(notAWebLink);
    }
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) || url.host().isEmpty())
        return std::string(notAWebLink);
    return std::nullopt;
}

} // namespace tallowin
