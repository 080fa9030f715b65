#include "Tallowin/screens/SheetParts.h"

#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>

namespace tallowin {

QLabel *SheetParts::heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("sheetHeading"));
    label->setFont(TallowinStyle::font(parent, 19, QFont::DemiBold));
    label->setWordWrap(true);
    label->setAccessibleName(text);
    return label;
}

QLabel *SheetParts::text(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(TallowinStyle::font(parent, 13));
    label->setWordWrap(true);
    return label;
}

QLabel *SheetParts::hint(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setFont(TallowinStyle::font(parent, 12));
    label->setStyleSheet(QStringLiteral("color: %1;").arg(TallowinStyle::secondaryText(parent->palette()).name()));
    return label;
}

QPushButton *SheetParts::primaryButton(const QString &text, QWidget *parent)
{
    auto *button = new QPushButton(text, parent);
    button->setDefault(true);
    button->setMinimumWidth(110);
    button->setMinimumHeight(32);
    button->setStyleSheet(TallowinStyle::primaryButton(parent->palette()));
    return button;
}

QPushButton *SheetParts::cancelButton(TaskStore &store, QWidget *parent)
{
    auto *button = new QPushButton(QStringLiteral("Cancel"), parent);
    button->setObjectName(QStringLiteral("cancel"));
    button->setAutoDefault(false);
    button->setMinimumHeight(32);
    button->setStyleSheet(TallowinStyle::secondaryButton(parent->palette(), parent->palette().color(QPalette::Window)));
    QObject::connect(button, &QPushButton::clicked, &store, &TaskStore::dismissPresentation);
    return button;
}

QBoxLayout *SheetParts::buttonRow(QPushButton *cancel, QPushButton *primary)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(8);
    row->addStretch(1);
    if (cancel)
        row->addWidget(cancel);
    if (primary)
        row->addWidget(primary);
    return row;
}

QScrollArea *SheetParts::scroller(QWidget *content, QWidget *parent)
{
    auto *scroll = new QScrollArea(parent);
    scroll->setWidget(content);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->viewport()->setAutoFillBackground(false);
    // setWidget() makes the content paint the window colour.
    content->setAutoFillBackground(false);
    return scroll;
}

} // namespace tallowin
