#include "Tallowin/screens/TaskBrowserSheet.h"

#include "Tallowin/presentation/TaskBrowserEmptyState.h"
#include "Tallowin/screens/FilterChip.h"
#include "Tallowin/screens/SheetStyle.h"
#include "Tallowin/screens/TaskDetailsView.h"
#include "Tallowin/screens/TaskListModel.h"
#include "Tallowin/screens/TaskRowDelegate.h"
#include "Tallowin/store/TaskStore.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace tallowin {

namespace {

QString text(std::string_view value)
{
    return QString::fromUtf8(value.data(), qsizetype(value.size()));
}

} // namespace

TaskBrowserSheet::TaskBrowserSheet(TaskStore &store, const TallowinPresentation &, QWidget *parent)
    : TallowinSheet(store, parent)
    , m_index(std::make_shared<TaskSearchIndex>())
{
    auto *heading = new QLabel(title(), this);
    SheetStyle::apply(heading, SheetStyle::Role::heading);
    auto *help = new QLabel(QStringLiteral("Find a task, read its details, or bring it back into review."), this);
    help->setWordWrap(true);
    SheetStyle::apply(help, SheetStyle::Role::secondary);

    m_search = new QLineEdit(this);
    m_search->setPlaceholderText(QStringLiteral("Search tasks or people"));
    m_search->setAccessibleName(m_search->placeholderText());
    m_clear = new QToolButton(this);
    m_clear->setText(QStringLiteral("Clear search"));
    m_clear->setAccessibleName(m_clear->text());
    m_clear->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_clear->setAutoRaise(true);
    m_clear->setMinimumHeight(28);
    m_clear->hide();
    auto *searchRow = new QHBoxLayout;
    searchRow->setSpacing(8);
    searchRow->addWidget(m_search, 1);
    searchRow->addWidget(m_clear);

    // One filter is on at a time, and each is its own Tab stop, unlike the buttons of an exclusive group.
    auto *filterRow = new QHBoxLayout;
    filterRow->setSpacing(6);
    for (const OpenFilter filter : allOpenFilters) {
        auto *button = new FilterChip(text(label(filter)), this);
        connect(button, &QPushButton::clicked, this, [this, filter] {
            this->store().setOpenFilter(filter);
            // Clicking the filter that is on leaves it on.
            refreshFilter();
        });
        m_filterButtons.insert(int(filter), button);
        filterRow->addWidget(button);
    }
    filterRow->addStretch();

    m_model = new TaskListModel(this);
    m_list = new QListView(this);
    m_list->setModel(m_model);
    m_list->setItemDelegate(new TaskRowDelegate(m_list));
    m_list->setUniformItemSizes(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setMouseTracking(true);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->viewport()->setAutoFillBackground(false);
    m_list->setAccessibleName(title());

    m_empty = new QWidget(this);
    m_emptyTitle = new QLabel(m_empty);
    SheetStyle::apply(m_emptyTitle, SheetStyle::Role::cardTitle);
    m_emptyHint = new QLabel(m_empty);
    m_emptyHint->setWordWrap(true);
    SheetStyle::apply(m_emptyHint, SheetStyle::Role::secondary);
    for (QLabel *label : {m_emptyTitle, m_emptyHint})
        label->setAlignment(Qt::AlignCenter);
    auto *emptyLayout = new QVBoxLayout(m_empty);
    emptyLayout->addStretch();
    emptyLayout->addWidget(m_emptyTitle);
    emptyLayout->addWidget(m_emptyHint);
    emptyLayout->addStretch();

    m_pages = new QStackedWidget(this);
    m_pages->addWidget(m_list);
    m_pages->addWidget(m_empty);

    m_details = new TaskDetailsView(store, this);
    auto *detailsPanel = new QWidget(this);
    auto *detailsLayout = new QVBoxLayout(detailsPanel);
    detailsLayout->setContentsMargins(20, 4, 0, 0);
    detailsLayout->addWidget(m_details);

    auto *split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_pages);
    split->addWidget(detailsPanel);
    split->setStretchFactor(0, 5);
    split->setStretchFactor(1, 4);
    split->setChildrenCollapsible(false);
    split->setSizes({560, 400});

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(
        SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin, SheetStyle::sheetMargin);
    layout->setSpacing(8);
    layout->addWidget(heading);
    layout->addWidget(help);
    layout->addSpacing(6);
    layout->addLayout(searchRow);
    layout->addLayout(filterRow);
    layout->addSpacing(4);
    layout->addWidget(split, 1);

    connect(m_search, &QLineEdit::textChanged, this, [this](const QString &value) {
        m_clear->setVisible(!value.isEmpty());
        refreshList();
    });
    connect(m_clear, &QToolButton::clicked, this, [this] {
        m_search->clear();
        m_search->setFocus();
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::currentChanged, this, &TaskBrowserSheet::showCurrent);
    connect(m_list, &QListView::doubleClicked, this, [this](const QModelIndex &index) {
        this->store().present(
            TallowinPresentation::details(index.data(TaskListModel::taskIDRole).toString().toStdString()));
    });
    connect(&store, &TaskStore::documentChanged, this, &TaskBrowserSheet::rebuildIndex);
    connect(&store, &TaskStore::openFilterChanged, this, [this] {
        refreshFilter();
        refreshList();
    });

    refreshFilter();
    rebuildIndex();
    setFocusProxy(m_search);
    resize(980, 680);
}

TaskBrowserSheet::~TaskBrowserSheet() = default;

void TaskBrowserSheet::open(TaskStore &store, OpenFilter filter)
{
    store.setOpenFilter(filter);
    store.present(TallowinPresentation::allTasks());
}

QString TaskBrowserSheet::title() const
{
    return QStringLiteral("All tasks");
}

QString TaskBrowserSheet::searchText() const
{
    return m_search->text();
}

void TaskBrowserSheet::setSearchText(const QString &text)
{
    m_search->setText(text);
}

std::string TaskBrowserSheet::currentTaskID() const
{
    return m_details->taskID();
}

void TaskBrowserSheet::selectTask(const std::string &taskID)
{
    const int row = m_model->rowOf(taskID);
    if (row >= 0)
        m_list->setCurrentIndex(m_model->index(row));
}

void TaskBrowserSheet::submit()
{
    if (m_search->hasFocus()) {
        m_list->setFocus();
        return;
    }
    const std::string id = currentTaskID();
    if (!id.empty())
        store().present(TallowinPresentation::details(id));
}

void TaskBrowserSheet::rebuildIndex()
{
    m_index = std::make_shared<const TaskSearchIndex>(store().document().tasks, m_index.get());
    refreshList();
}

void TaskBrowserSheet::refreshFilter()
{
    for (auto button = m_filterButtons.cbegin(); button != m_filterButtons.cend(); ++button)
        button.value()->setChecked(button.key() == int(store().openFilter()));
}

void TaskBrowserSheet::refreshList()
{
    const std::string current = currentTaskID();
    const OpenFilter filter = store().openFilter();
    const TaskSearchQuery query(m_search->text().toStdString());
    std::vector<TaskSearchIndex::Row> rows
        = m_index->matching(query, [filter](const TaskSearchEntry &entry) { return shows(filter, entry.state); });

    TaskBrowserEmptyState::Counts counts;
    counts.deck = m_index->entries().size();
    counts.shown = rows.size();
    if (rows.empty() && filter != OpenFilter::all)
        counts.foundInAll = m_index->matching(query).size();
    const std::optional<TaskBrowserEmptyState> empty = TaskBrowserEmptyState::of(counts, filter, !query.isEmpty());

    m_model->show(m_index, std::move(rows));
    if (empty) {
        m_emptyTitle->setText(QString::fromStdString(empty->title));
        m_emptyHint->setText(QString::fromStdString(empty->hint));
        m_emptyHint->setVisible(!empty->hint.empty());
        m_pages->setCurrentWidget(m_empty);
        m_details->setTaskID({});
        return;
    }
    m_pages->setCurrentWidget(m_list);
    // The picked card stays picked while it is listed; otherwise the first card shows.
    const int row = m_model->rowOf(current);
    m_list->setCurrentIndex(m_model->index(row >= 0 ? row : 0));
    m_list->scrollTo(m_list->currentIndex());
}

void TaskBrowserSheet::showCurrent()
{
    const QModelIndex index = m_list->currentIndex();
    m_details->setTaskID(index.isValid() ? index.data(TaskListModel::taskIDRole).toString().toStdString() : "");
}

} // namespace tallowin
