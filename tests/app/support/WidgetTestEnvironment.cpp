#include "tests/app/support/WidgetTestEnvironment.h"

#include <QApplication>
#include <QFont>
#include <QStyleFactory>

namespace tallowin::test {

void pinWidgetTestEnvironment()
{
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setFont(QFont("DejaVu Sans", 10));
    // A blinking cursor repaints on a timer; 0 keeps it still.
    QApplication::setCursorFlashTime(0);
    for (const Qt::UIEffect effect : {Qt::UI_AnimateMenu, Qt::UI_FadeMenu, Qt::UI_AnimateCombo, Qt::UI_AnimateTooltip,
             Qt::UI_FadeTooltip, Qt::UI_AnimateToolBox})
        QApplication::setEffectEnabled(effect, false);
}

} // namespace tallowin::test
