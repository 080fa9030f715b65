#include "Tallowin/screens/UnavailableSheet.h"

#include "Tallowin/screens/SheetParts.h"
#include "Tallowin/store/TaskStore.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

UnavailableSheet::UnavailableSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_title(titleFor(presentation.kind))
{
    setObjectName(QStringLiteral("unavailableSheet"));
    auto *close = SheetParts::primaryButton(QStringLiteral("Close"), this);
    close->setObjectName(QStringLiteral("close"));
    connect(close, &QPushButton::clicked, &store, &TaskStore::dismissPresentation);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    layout->addWidget(SheetParts::heading(m_title, this));
    layout->addWidget(SheetParts::text(QString::fromUtf8(explanation), this));
    layout->addSpacing(10);
    layout->addLayout(SheetParts::buttonRow(nullptr, close));
    setFocusProxy(close);
}

QString UnavailableSheet::titleFor(TallowinPresentation::Kind kind)
{
    switch (kind) {
    case TallowinPresentation::Kind::completion:
        return QStringLiteral("Mark completed");
    case TallowinPresentation::Kind::delay:
        return QStringLiteral("Choose when this returns");
    case TallowinPresentation::Kind::action:
        return QStringLiteral("Ask ChatGPT");
    case TallowinPresentation::Kind::merge:
        return QStringLiteral("Merge tasks");
    case TallowinPresentation::Kind::details:
        return QStringLiteral("Task details");
    case TallowinPresentation::Kind::allTasks:
        return QStringLiteral("All tasks");
    case TallowinPresentation::Kind::newTask:
        return QStringLiteral("New task");
    case TallowinPresentation::Kind::inbox:
        return QStringLiteral("Inbox");
    case TallowinPresentation::Kind::settings:
        return QStringLiteral("Settings");
    }
    return QStringLiteral("Tallowin");
}

} // namespace tallowin
