#include "Tallowin/screens/MergeSheet.h"

#include "Tallowin/presentation/MergeCardDrag.h"
#include "Tallowin/presentation/TaskLookup.h"
#include "Tallowin/screens/MergeCardListView.h"
#include "Tallowin/screens/MergeDropArea.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/StoreActionAttempt.h"
#include "Tallowin/screens/TaskListModel.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tallowin {

namespace {

const QString headingText = QStringLiteral("Merge tasks");
const QString availableText = QStringLiteral("Available cards");
const QString bucketText = QStringLiteral("Blend bucket");
const QString nameText = QStringLiteral("Name the blended task");

QLabel *label(const QString &text, SheetStyle::Role role, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setWordWrap(true);
    SheetStyle::apply(result, role);
    return result;
}

} // namespace

MergeSheet::MergeSheet(TaskStore &store, const TallowinPresentation &presentation, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_selection(presentation.taskID)
    , m_index(std::make_shared<TaskSearchIndex>())
{
    const auto selection = [this]() -> const MergeSelection & { return m_selection; };

    // The available side: a search over the cards not in the bucket.
    m_availableArea = new MergeDropArea(MergeArea::available, selection, this);
    m_availableArea->setAccessibleName(availableText);
    auto *availableHeading = label(availableText, SheetStyle::Role::sectionTitle, m_availableArea);
    auto *availableHint = label(QStringLiteral("Drag or click"), SheetStyle::Role::secondary, m_availableArea);
    m_search = new QLineEdit(m_availableArea);
    m_search->setPlaceholderText(QStringLiteral("Find a task"));
    m_search->setAccessibleName(m_search->placeholderText());
    m_search->setClearButtonEnabled(true);
    m_availableModel = new TaskListModel(this);
    m_available = new MergeCardListView(MergeArea::available, m_availableArea);
    m_available->setModel(m_availableModel);
    m_available->setAccessibleName(availableText);
    m_availableEmpty = label(QString(), SheetStyle::Role::secondary, m_availableArea);
    m_availableEmpty->setAlignment(Qt::AlignCenter);
    m_availablePages = new QStackedWidget(m_availableArea);
    m_availablePages->addWidget(m_available);
    m_availablePages->addWidget(m_availableEmpty);

    auto *availableTitle = new QHBoxLayout;
    availableTitle->addWidget(availableHeading);
    availableTitle->addStretch();
    availableTitle->addWidget(availableHint);
    auto *availableLayout = new QVBoxLayout(m_availableArea);
    availableLayout->setContentsMargins(14, 12, 14, 14);
    availableLayout->setSpacing(8);
    availableLayout->addLayout(availableTitle);
    availableLayout->addWidget(m_search);
    availableLayout->addWidget(m_availablePages, 1);

    // The bucket: the current card and the cards added, dropped here or clicked on the left.
    m_bucketArea = new MergeDropArea(MergeArea::bucket, selection, this);
    m_bucketArea->setFilled(true);
    m_bucketArea->setAccessibleName(bucketText);
    auto *bucketHeading = label(bucketText, SheetStyle::Role::sectionTitle, m_bucketArea);
    auto *bucketHint
        = label(QStringLiteral("Click a task on the left or drop it here."), SheetStyle::Role::secondary, m_bucketArea);
    m_bucketModel = new TaskListModel(this);
    m_bucketModel->setBadge([this](const TaskSearchEntry &entry) {
        return entry.id == m_selection.primaryID() ? QStringLiteral("Current task") : QStringLiteral("Selected");
    });
    m_bucket = new MergeCardListView(MergeArea::bucket, m_bucketArea);
    m_bucket->setModel(m_bucketModel);
    m_bucket->setAccessibleName(bucketText);
    auto *bucketLayout = new QVBoxLayout(m_bucketArea);
    bucketLayout->setContentsMargins(14, 12, 14, 14);
    bucketLayout->setSpacing(8);
    bucketLayout->addWidget(bucketHeading);
    bucketLayout->addWidget(m_bucket, 1);
    bucketLayout->addWidget(bucketHint);

    auto *columns = new QHBoxLayout;
    columns->setSpacing(20);
    columns->addWidget(m_availableArea, 1);
    columns->addWidget(m_bucketArea, 1);

    auto *nameLabel = label(nameText, SheetStyle::Role::sectionTitle, this);
    m_title = new QLineEdit(this);
    m_title->setAccessibleName(nameText);
    nameLabel->setBuddy(m_title);
    if (const TaskItem *current = findTask(store.document(), m_selection.primaryID()))
        m_title->setText(QString::fromStdString(current->title));
    auto *footnote
        = label(QStringLiteral("Originals remain in All tasks → Merged."), SheetStyle::Role::secondary, this);

    m_error = label(QString(), SheetStyle::Role::danger, this);
    m_error->setTextFormat(Qt::PlainText);
    m_error->hide();
    m_merge = new QPushButton(this);
    m_merge->setDefault(true);
    SheetStyle::apply(m_merge, SheetStyle::Role::primaryButton);

    auto *footer = new QHBoxLayout;
    auto *notes = new QVBoxLayout;
    notes->addWidget(footnote);
    notes->addWidget(m_error);
    footer->addLayout(notes, 1);
    footer->addWidget(m_merge, 0, Qt::AlignRight | Qt::AlignBottom);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(8);
    layout->addWidget(label(headingText, SheetStyle::Role::heading, this));
    layout->addWidget(label(QStringLiteral("Choose related tasks. Their context and sources become one shared task."),
        SheetStyle::Role::secondary, this));
    layout->addSpacing(10);
    layout->addLayout(columns, 1);
    layout->addSpacing(10);
    layout->addWidget(nameLabel);
    layout->addWidget(m_title);
    layout->addSpacing(4);
    layout->addLayout(footer);

    connect(m_search, &QLineEdit::textChanged, this, &MergeSheet::refreshAvailable);
    connect(m_title, &QLineEdit::textChanged, this, &MergeSheet::refreshButton);
    connect(m_available, &MergeCardListView::cardChosen, this,
        [this](const QString &id) { addToBucket(id.toStdString()); });
    connect(m_bucket, &MergeCardListView::cardChosen, this,
        [this](const QString &id) { removeFromBucket(id.toStdString()); });
    for (MergeDropArea *area : {m_availableArea, m_bucketArea}) {
        connect(area, &MergeDropArea::cardDropped, this,
            [this, area](const MergeCardDrag &card) { dropped(card, area->area()); });
    }
    connect(m_merge, &QPushButton::clicked, this, &MergeSheet::submit);
    connect(&store, &TaskStore::documentChanged, this, &MergeSheet::rebuildIndex);

    setTabOrder(m_search, m_available);
    setTabOrder(m_available, m_bucket);
    setTabOrder(m_bucket, m_title);
    setTabOrder(m_title, m_merge);
    setFocusProxy(m_search);
    rebuildIndex();
    resize(900, 640);
}

MergeSheet::~MergeSheet() = default;

QString MergeSheet::title() const
{
    return headingText;
}

void MergeSheet::rebuildIndex()
{
    m_index = std::make_shared<const TaskSearchIndex>(store().document().tasks, m_index.get());
    // A reload may have merged or removed a card the user had added.
    m_selection.retain([this](const std::string &id) {
        const std::int64_t row = m_index->rowOf(id);
        return row >= 0 && MergeSelection::isMergeable(m_index->entries()[std::size_t(row)].state);
    });
    refreshAvailable();
    refreshBucket();
}

void MergeSheet::refreshAvailable()
{
    const TaskSearchQuery query(m_search->text().toStdString());
    std::vector<TaskSearchIndex::Row> rows = m_index->matching(query, [this](const TaskSearchEntry &entry) {
        return MergeSelection::isMergeable(entry.state) && !m_selection.contains(entry.id);
    });
    if (rows.empty()) {
        // Whether the search found nothing at all, or only cards that are in the bucket already.
        bool inBucket = false;
        for (const std::string &id : m_selection.ids()) {
            const std::int64_t row = m_index->rowOf(id);
            inBucket = inBucket || (row >= 0 && query.matches(m_index->entries()[std::size_t(row)].key));
        }
        m_availableEmpty->setText(
            inBucket ? QStringLiteral("All matching cards are in the bucket") : QStringLiteral("No matching cards"));
        m_availablePages->setCurrentWidget(m_availableEmpty);
    } else {
        m_availablePages->setCurrentWidget(m_available);
    }
    m_availableModel->show(m_index, std::move(rows));
}

void MergeSheet::refreshBucket()
{
    std::vector<TaskSearchIndex::Row> rows;
    for (const std::string &id : m_selection.ids()) {
        const std::int64_t row = m_index->rowOf(id);
        if (row >= 0)
            rows.push_back(TaskSearchIndex::Row(row));
    }
    m_bucketModel->show(m_index, std::move(rows));
    refreshButton();
}

void MergeSheet::refreshButton()
{
    m_merge->setText(QStringLiteral("Merge %1 tasks").arg(m_selection.count()));
    m_merge->setAccessibleName(m_merge->text());
    SheetStyle::fitButton(m_merge);
    m_merge->setEnabled(m_selection.canMerge(m_title->text().toStdString()));
}

void MergeSheet::addToBucket(const std::string &taskID)
{
    const std::int64_t row = m_index->rowOf(taskID);
    if (row < 0 || !MergeSelection::isMergeable(m_index->entries()[std::size_t(row)].state))
        return;
    if (!m_selection.add(taskID))
        return;
    refreshAvailable();
    refreshBucket();
}

void MergeSheet::removeFromBucket(const std::string &taskID)
{
    if (!m_selection.remove(taskID))
        return;
    refreshAvailable();
    refreshBucket();
}

void MergeSheet::dropped(const MergeCardDrag &card, MergeArea onto)
{
    if (!card.dropOnto(onto, m_selection))
        return;
    refreshAvailable();
    refreshBucket();
}

void MergeSheet::submit()
{
    // Return in the search moves on to what it found rather than merging.
    if (m_search->hasFocus()) {
        if (m_availableModel->rowCount() > 0) {
            m_available->setFocus();
            if (!m_available->currentIndex().isValid())
                m_available->setCurrentIndex(m_availableModel->index(0, 0));
        }
        return;
    }
    if (!m_merge->isEnabled())
        return;
    StoreActionAttempt attempt(store());
    if (store().merge(m_selection.primaryID(), m_selection.selectedIDs(), m_title->text().toStdString())) {
        store().dismissPresentation();
        return;
    }
    if (const std::optional<std::string> error = attempt.error()) {
        m_error->setText(QString::fromStdString(*error));
        m_error->show();
    }
}

} // namespace tallowin
