#include "Tallowin/screens/InboxSheet.h"

#include "Tallowin/presentation/LocalTimeText.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/SheetTextEdit.h"
#include "Tallowin/screens/SourceLinkButton.h"
#include "Tallowin/screens/StoreActionAttempt.h"
#include "Tallowin/store/TaskStore.h"
#include "TallowinCore/base/UnicodeText.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QLabel *label(const QString &text, SheetStyle::Role role, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setWordWrap(true);
    SheetStyle::apply(result, role);
    return result;
}

QPushButton *button(const QString &text, QWidget *parent)
{
    auto *result = new QPushButton(text, parent);
    result->setAccessibleName(text);
    SheetStyle::apply(result, SheetStyle::Role::button);
    return result;
}

// A page with a centred message, for the empty and the finished inbox.
QWidget *messagePage(const QString &title, const QString &text, QPushButton *action, QWidget *parent)
{
    auto *page = new QWidget(parent);
    auto *layout = new QVBoxLayout(page);
    layout->addStretch();
    if (!title.isEmpty()) {
        QLabel *heading = label(title, SheetStyle::Role::cardTitle, page);
        heading->setAlignment(Qt::AlignCenter);
        layout->addWidget(heading);
    }
    QLabel *body = label(text, SheetStyle::Role::secondary, page);
    body->setAlignment(Qt::AlignCenter);
    layout->addWidget(body);
    layout->addSpacing(12);
    layout->addWidget(action, 0, Qt::AlignCenter);
    layout->addStretch();
    return page;
}

} // namespace

InboxSheet::InboxSheet(TaskStore &store, const TallowinPresentation &, QWidget *parent)
    : TallowinSheet(store, parent)
{
    m_heading = label(QString(), SheetStyle::Role::heading, this);

    m_candidatePage = new QWidget(this);
    m_person = new QLineEdit(m_candidatePage);
    m_person->setAccessibleName(QStringLiteral("Person"));
    m_title = new QLineEdit(m_candidatePage);
    m_title->setAccessibleName(QStringLiteral("What needs to happen?"));
    m_context = new SheetTextEdit(SheetTextEdit::ReturnKey::saves, m_candidatePage);
    m_context->setAccessibleName(QStringLiteral("Context"));
    m_context->setMinimumHeight(110);
    m_context->setMaximumHeight(200);
    m_sourceRow = new QVBoxLayout;
    m_sourceRow->setContentsMargins(0, 0, 0, 0);
    m_sourceDetail = label(QString(), SheetStyle::Role::secondary, m_candidatePage);
    m_sourceDetail->setTextFormat(Qt::PlainText);
    m_reason = label(QString(), SheetStyle::Role::secondary, m_candidatePage);
    m_reason->setTextFormat(Qt::PlainText);
    auto *source = new QVBoxLayout;
    source->setSpacing(2);
    source->addLayout(m_sourceRow);
    source->addWidget(m_sourceDetail);
    source->addWidget(m_reason);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignTop);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(10);
    form->setHorizontalSpacing(16);
    const auto row = [&](const QString &text, QWidget *field) {
        QLabel *name = label(text, SheetStyle::Role::sectionTitle, m_candidatePage);
        name->setWordWrap(false);
        name->setBuddy(field);
        form->addRow(name, field);
    };
    row(QStringLiteral("Person"), m_person);
    row(QStringLiteral("What needs to happen?"), m_title);
    row(QStringLiteral("Context"), m_context);
    QLabel *sourceName = label(QStringLiteral("Source"), SheetStyle::Role::sectionTitle, m_candidatePage);
    sourceName->setWordWrap(false);
    form->addRow(sourceName, source);

    m_error = label(QString(), SheetStyle::Role::danger, m_candidatePage);
    m_error->setTextFormat(Qt::PlainText);
    m_error->hide();
    m_close = button(QStringLiteral("Close inbox"), this);
    m_dismiss = button(QStringLiteral("Dismiss"), m_candidatePage);
    m_add = button(QStringLiteral("Add task"), m_candidatePage);
    m_add->setDefault(true);
    SheetStyle::apply(m_add, SheetStyle::Role::primaryButton);

    auto *candidateLayout = new QVBoxLayout(m_candidatePage);
    candidateLayout->setContentsMargins(0, 0, 0, 0);
    candidateLayout->addLayout(form);
    candidateLayout->addWidget(m_error);
    candidateLayout->addStretch();

    auto *emptyClose = button(QStringLiteral("Close inbox"), this);
    m_emptyPage = messagePage({}, QStringLiteral("New suggestions will appear here after a scan."), emptyClose, this);
    auto *back = button(QStringLiteral("Back to tasks"), this);
    SheetStyle::apply(back, SheetStyle::Role::primaryButton);
    m_reviewedPage = messagePage(
        QStringLiteral("Inbox reviewed"), QStringLiteral("You’re ready to review your tasks."), back, this);

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(m_candidatePage);
    m_pages->addWidget(m_emptyPage);
    m_pages->addWidget(m_reviewedPage);

    auto *footer = new QHBoxLayout;
    footer->addWidget(m_close);
    footer->addStretch();
    footer->addWidget(m_dismiss);
    footer->addWidget(m_add);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(12);
    layout->addWidget(m_heading);
    layout->addSpacing(6);
    layout->addWidget(m_pages, 1);
    layout->addLayout(footer);

    const auto close = [this] { this->store().dismissPresentation(); };
    connect(m_close, &QPushButton::clicked, this, close);
    connect(emptyClose, &QPushButton::clicked, this, close);
    connect(back, &QPushButton::clicked, this, close);
    connect(m_add, &QPushButton::clicked, this, &InboxSheet::submit);
    connect(m_dismiss, &QPushButton::clicked, this, &InboxSheet::dismissCandidate);
    connect(m_title, &QLineEdit::textChanged, this, &InboxSheet::refreshButtons);
    connect(&store, &TaskStore::documentChanged, this, &InboxSheet::refresh);

    setTabOrder(m_person, m_title);
    setTabOrder(m_title, m_context);
    setTabOrder(m_close, m_dismiss);
    setTabOrder(m_dismiss, m_add);
    refresh();
    resize(620, 520);
}

QString InboxSheet::title() const
{
    switch (m_review.page()) {
    case InboxReview::Page::candidate:
        return QString::fromStdString(InboxReview::heading(store().document().pendingCandidates.size()));
    case InboxReview::Page::empty:
        return QStringLiteral("Inbox");
    case InboxReview::Page::reviewed:
        return QStringLiteral("Inbox reviewed");
    }
    return {};
}

void InboxSheet::refresh()
{
    if (m_review.update(store().document().pendingCandidates) && m_review.shown())
        showCandidate(*m_review.shown());
    const InboxReview::Page page = m_review.page();
    m_heading->setText(title());
    m_heading->setVisible(page != InboxReview::Page::reviewed);
    const bool reviewing = page == InboxReview::Page::candidate;
    m_pages->setCurrentWidget(reviewing        ? m_candidatePage
            : page == InboxReview::Page::empty ? m_emptyPage
                                               : m_reviewedPage);
    // The message pages carry their own button.
    m_close->setVisible(reviewing);
    m_dismiss->setVisible(reviewing);
    m_add->setVisible(reviewing);
    setFocusProxy(reviewing ? static_cast<QWidget *>(m_title) : nullptr);
    refreshButtons();
}

void InboxSheet::showCandidate(const TaskCandidate &candidate)
{
    m_person->setText(QString::fromStdString(candidate.person));
    m_title->setText(QString::fromStdString(candidate.title));
    m_context->setPlainText(QString::fromStdString(candidate.context));
    while (QLayoutItem *item = m_sourceRow->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    auto *link = new SourceLinkButton(candidate.source, m_candidatePage);
    m_sourceRow->addWidget(link);
    // The link sits between the context and the buttons in the Tab order.
    setTabOrder(m_context, link);
    setTabOrder(link, m_close);
    QStringList detail;
    if (candidate.sourceAuthor && !candidate.sourceAuthor->empty())
        detail << QString::fromStdString(*candidate.sourceAuthor);
    if (candidate.sourceTimestamp) {
        const std::optional<TallowinInstant> at = TallowinClock::date(*candidate.sourceTimestamp);
        detail << QString::fromStdString(at ? localTimeText(*at) : *candidate.sourceTimestamp);
    }
    m_sourceDetail->setText(detail.join(QStringLiteral(" · ")));
    m_sourceDetail->setVisible(!detail.isEmpty());
    m_reason->setText(QString::fromStdString(candidate.classificationReason));
    m_reason->setVisible(!candidate.classificationReason.empty());
    m_error->hide();
}

void InboxSheet::refreshButtons()
{
    m_add->setEnabled(!UnicodeText::trimmedWhitespaceAndNewlines(m_title->text().toStdString()).empty());
}

TaskCandidate InboxSheet::reviewed() const
{
    TaskCandidate candidate = m_review.shown().value_or(TaskCandidate {});
    candidate.person = m_person->text().toStdString();
    candidate.title = m_title->text().toStdString();
    candidate.context = m_context->text().toStdString();
    return candidate;
}

void InboxSheet::showError(const std::optional<std::string> &error)
{
    if (!error)
        return;
    m_error->setText(QString::fromStdString(*error));
    m_error->show();
}

void InboxSheet::submit()
{
    if (m_review.page() != InboxReview::Page::candidate || !m_add->isEnabled())
        return;
    StoreActionAttempt attempt(store());
    store().acceptCandidate(reviewed());
    showError(attempt.error());
}

void InboxSheet::dismissCandidate()
{
    if (m_review.page() != InboxReview::Page::candidate)
        return;
    StoreActionAttempt attempt(store());
    store().dismissCandidate(m_review.shown()->id);
    showError(attempt.error());
}

} // namespace tallowin
