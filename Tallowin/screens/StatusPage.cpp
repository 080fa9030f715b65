#include "Tallowin/screens/StatusPage.h"

#include "Tallowin/screens/TallowinStyle.h"
#include "Tallowin/store/TaskStore.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace tallowin {

StatusPage::StatusPage(Kind kind, TaskStore &store, QWidget *parent)
    : QWidget(parent)
    , m_kind(kind)
    , m_store(store)
{
    auto *layout = new QVBoxLayout(this);
    layout->setSpacing(10);
    layout->addStretch(1);
    const QString secondary = QStringLiteral("color: %1;").arg(TallowinStyle::secondaryText(palette()).name());
    if (kind == Kind::opening) {
        setObjectName(QStringLiteral("openingPage"));
        m_title = new QLabel(QString::fromUtf8(openingText), this);
        m_title->setObjectName(QStringLiteral("openingText"));
        m_title->setFont(TallowinStyle::font(this, 17, QFont::Medium));
        m_title->setStyleSheet(secondary);
        m_title->setAlignment(Qt::AlignCenter);
        layout->addWidget(m_title);
    } else {
        setObjectName(QStringLiteral("couldNotOpenPage"));
        m_heading = new QLabel(QString::fromUtf8(attentionText), this);
        m_heading->setObjectName(QStringLiteral("attention"));
        m_heading->setFont(TallowinStyle::font(this, 13, QFont::DemiBold));
        m_heading->setStyleSheet(QStringLiteral("color: %1;").arg(TallowinStyle::removeTint(palette()).name()));
        m_title = new QLabel(QString::fromUtf8(couldNotOpenText), this);
        m_title->setObjectName(QStringLiteral("couldNotOpen"));
        m_title->setFont(TallowinStyle::font(this, 24, QFont::DemiBold));
        m_error = new QLabel(this);
        m_error->setObjectName(QStringLiteral("openError"));
        m_error->setWordWrap(true);
        m_error->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
        m_error->setFont(TallowinStyle::font(this, 14));
        m_error->setStyleSheet(secondary);
        m_tryAgain = new QPushButton(QString::fromUtf8(tryAgainText), this);
        m_tryAgain->setObjectName(QStringLiteral("tryAgain"));
        m_tryAgain->setDefault(true);
        m_tryAgain->setMinimumHeight(34);
        m_tryAgain->setStyleSheet(TallowinStyle::primaryButton(palette()));
        // The old error goes first, so that the page shows what this attempt finds.
        connect(m_tryAgain, &QPushButton::clicked, this, [this] {
            m_store.clearErrorMessage();
            m_store.reload();
        });
        // A column of readable width in the middle; wrapped text sizes itself against it.
        auto *column = new QWidget(this);
        column->setMaximumWidth(600);
        auto *columnLayout = new QVBoxLayout(column);
        columnLayout->setContentsMargins(24, 0, 24, 0);
        columnLayout->setSpacing(10);
        for (QLabel *label : {m_heading, m_title, m_error}) {
            label->setAlignment(Qt::AlignCenter);
            label->setWordWrap(true);
            columnLayout->addWidget(label);
        }
        columnLayout->addSpacing(12);
        columnLayout->addWidget(m_tryAgain, 0, Qt::AlignHCenter);
        layout->addWidget(column, 0, Qt::AlignHCenter);
        connect(&m_store, &TaskStore::errorMessageChanged, this, &StatusPage::refresh);
        refresh();
    }
    layout->addStretch(1);
}

void StatusPage::refresh()
{
    if (m_error)
        m_error->setText(QString::fromStdString(m_store.errorMessage().value_or("")));
}

} // namespace tallowin
