#include "frontend/LogTableWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

#include "frontend/LogCellDelegate.h"
#include "frontend/LogTableModel.h"

namespace {

// The comments take the room the window has; the other columns keep the widths they have, and
// a state saved before this is not let undo it.
void stretchComments(QTableView* table) {
    for (const int c : {LogTableModel::kComment1Column, LogTableModel::kComment2Column})
        table->horizontalHeader()->setSectionResizeMode(c, QHeaderView::Stretch);
}

const QString kColumnsKey = QStringLiteral("logTable/columns");
const QString kGeometryKey = QStringLiteral("logTable/geometry");
const QString kOpenKey = QStringLiteral("logTable/open");
const QString kFollowKey = QStringLiteral("logTable/follow");

// Return on the table opens the chosen record as a double-click does.
//
// A take logged moves no row already drawn above it, yet the item view lays out and redraws
// every row on show for each new row. While nothing but new rows has come since the last
// layout, only the space from the first new row down is drawn again; the scroll to the new
// take then moves the drawn rows along instead of drawing them anew.
class RecordTable final : public QTableView {
public:
    std::function<void()> returnPressed;

    void setModel(QAbstractItemModel* model) override {
        m_relayout = true;
        QTableView::setModel(model);
        if (model == nullptr)
            return;
        const auto relayout = [this] { m_relayout = true; };
        using M = QAbstractItemModel;
        connect(model, &M::rowsAboutToBeRemoved, this, relayout);
        connect(model, &M::rowsAboutToBeMoved, this, relayout);
        connect(model, &M::columnsAboutToBeInserted, this, relayout);
        connect(model, &M::columnsAboutToBeRemoved, this, relayout);
        connect(model, &M::columnsAboutToBeMoved, this, relayout);
        connect(model, &M::layoutAboutToBeChanged, this, relayout);
        connect(model, &M::modelAboutToBeReset, this, relayout);
    }

    void doItemsLayout() override {
        const int inserted = std::exchange(m_insertedFrom, -1);
        if (std::exchange(m_relayout, false) || inserted < 0) {
            QTableView::doItemsLayout();
            return;
        }
        const int across = horizontalHeader()->offset();
        const int down = verticalHeader()->offset();
        updateGeometries();
        if (horizontalHeader()->offset() != across) {
            viewport()->update();
            return;
        }
        // At the end of the log the bar's new range moves the rows on show: the drawn ones
        // move along with them.
        if (verticalHeader()->offset() != down)
            viewport()->scroll(0, down - verticalHeader()->offset());
        const int top = rowViewportPosition(inserted);
        if (top < 0)
            viewport()->update();
        else if (top < viewport()->height())
            viewport()->update(0, top, viewport()->width(), viewport()->height() - top);
    }

protected:
    void rowsInserted(const QModelIndex& parent, int start, int end) override {
        m_insertedFrom = m_insertedFrom < 0 ? start : std::min(m_insertedFrom, start);
        QTableView::rowsInserted(parent, start, end);
    }

    void keyPressEvent(QKeyEvent* event) override {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && returnPressed) {
            returnPressed();
            return;
        }
        QTableView::keyPressEvent(event);
    }

private:
    // The first row put in since the last layout; -1 when none was.
    int m_insertedFrom = -1;
    // Something other than new rows changed since the last layout.
    bool m_relayout = true;
};

// A chosen row runs through every column: titles in bold would tell nothing, and each take
// that moves the choice would draw them all again.
class ColumnTitles final : public QHeaderView {
public:
    explicit ColumnTitles(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
        setHighlightSections(false);
        setSectionsClickable(true);
    }

protected:
    QRegion visualRegionForSelection(const QItemSelection&) const override { return {}; }
};
}  // namespace

LogTableWindow::LogTableWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(tr("Glimmark Log"));
    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    auto* bar = new QHBoxLayout;
    search = new QLineEdit(central);
    search->setPlaceholderText(tr("Search numbers, times and comments"));
    search->setClearButtonEnabled(true);
    search->setAccessibleName(tr("Search"));
    matches = new QLabel(central);
    // A screen reader speaks a label's text as its name; the description says what it counts.
    matches->setAccessibleDescription(tr("Records matching the search"));
    follow = new QCheckBox(tr("Follow"), central);
    follow->setChecked(true);
    follow->setToolTip(tr("While the newest take is chosen, a new take is chosen as it is logged"));
    bar->addWidget(search, 1);
    bar->addWidget(matches);
    bar->addWidget(follow);
    column->addLayout(bar);

    auto* records = new RecordTable;
    table = records;
    table->setParent(central);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    // Every row the height of a thumbnail, known without asking the model: a long log opens
    // and scrolls without measuring its rows.
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(LogThumbnails::kSize.height() + 4);
    table->setIconSize(LogThumbnails::kSize);
    table->setItemDelegate(new LogCellDelegate(table));
    table->setHorizontalHeader(new ColumnTitles(table));
    table->horizontalHeader()->setContextMenuPolicy(Qt::ActionsContextMenu);
    column->addWidget(table, 1);
    setCentralWidget(central);
    resize(900, 600);

    m_filter = new QSortFilterProxyModel(this);
    m_filter->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_filter->setFilterKeyColumn(-1);
    table->setModel(m_filter);
    connect(search, &QLineEdit::textChanged, this, [this](const QString& text) {
        // Rows leaving the filter take the selection along, which is no choice of the user's.
        m_choosing = true;
        m_filter->setFilterFixedString(text);
        m_choosing = false;
        keepThumbnailsOnShow();
        showMatches();
        // The editor's record is chosen whenever it matches, also once the search is cleared.
        showEditorRecord(m_editorRecord);
    });
    connect(table, &QAbstractItemView::doubleClicked, this, [this] {
        if (openRecord && chosenRecord() != 0)
            openRecord(chosenRecord());
    });
    records->returnPressed = [this] {
        if (openRecord && chosenRecord() != 0)
            openRecord(chosenRecord());
    };
}

void LogTableWindow::setModel(LogTableModel* model) {
    m_model = model;
    m_filter->setSourceModel(model);
    for (int c = 0; c < LogTableModel::kColumnCount; ++c) {
        auto* shown = new QAction(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString(),
                                  table->horizontalHeader());
        shown->setCheckable(true);
        shown->setChecked(true);
        connect(shown, &QAction::toggled, table,
                [this, c](bool on) { table->setColumnHidden(c, !on); });
        table->horizontalHeader()->addAction(shown);
    }
    table->setColumnWidth(LogTableModel::kPictureColumn, LogThumbnails::kSize.width() + 8);
    stretchComments(table);
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!m_choosing && chooseRecord && chosenRecord() != 0)
            chooseRecord(chosenRecord());
    });
    // Rows coming, going or leaving the search move the selection along with them, which is
    // no choice of the user's either; the editor's record is chosen again after.
    model->changing = [this](bool on) {
        m_choosing = on;
        if (!on)
            showEditorRecord(m_editorRecord);
    };
    // The view has moved its rows by the time the bar tells of the move.
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { keepThumbnailsOnShow(); });
    for (auto signal : {&QAbstractItemModel::rowsRemoved, &QAbstractItemModel::rowsInserted})
        connect(model, signal, this, [this] { showMatches(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { showMatches(); });
    showMatches();
}

void LogTableWindow::keepThumbnailsOnShow() {
    if (m_model == nullptr)
        return;
    // Pictures still waiting for rows scrolled past would hold back those now on show.
    const int first = table->rowAt(0);
    int last = table->rowAt(table->viewport()->height() - 1);
    if (last < 0)
        last = m_filter->rowCount() - 1;
    QSet<LogList::RecordKey> onShow;
    for (int row = std::max(0, first); first >= 0 && row <= last; ++row) {
        const QModelIndex shown = m_filter->mapToSource(m_filter->index(row, 0));
        onShow.insert(m_model->recordKeyOfRow(shown.row()));
    }
    m_model->thumbnails().keepOnly(onShow);
}

void LogTableWindow::showMatches() {
    if (m_model == nullptr)
        return;
    const int all = m_model->rowCount();
    if (search->text().isEmpty())
        matches->setText(all == 1 ? tr("1 record") : tr("%1 records").arg(all));
    else
        matches->setText(tr("%1 of %2 match").arg(m_filter->rowCount()).arg(all));
}

void LogTableWindow::showEditorRecord(int record) {
    // The editor moved: the take it was held from is its to choose now, or no longer news.
    if (record != m_editorRecord)
        m_waitingRecord = 0;
    m_editorRecord = record;
    if (m_model == nullptr)
        return;
    m_choosing = true;
    const auto rowOf = [this](int r) {
        return r >= 1 && r <= m_model->rowCount()
                   ? m_filter->mapFromSource(m_model->index(LogTableModel::rowOfRecord(r),
                                                            LogTableModel::kNumberColumn))
                   : QModelIndex();
    };
    const QModelIndex row = rowOf(record);
    if (row.isValid()) {
        table->selectionModel()->setCurrentIndex(
            row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        table->scrollTo(row);
    } else {
        table->selectionModel()->clear();
    }
    if (const QModelIndex waiting = rowOf(m_waitingRecord); waiting.isValid()) {
        table->selectionModel()->setCurrentIndex(waiting, QItemSelectionModel::NoUpdate);
        table->scrollTo(waiting);
    }
    m_choosing = false;
}

void LogTableWindow::showWaitingTake(int record) {
    m_waitingRecord = record;
    showEditorRecord(m_editorRecord);
}

int LogTableWindow::chosenRecord() const {
    const QModelIndexList chosen = table->selectionModel()->selectedIndexes();
    if (chosen.isEmpty())
        return 0;
    return LogTableModel::recordOfRow(m_filter->mapToSource(chosen.first()).row());
}

bool LogTableWindow::restoreSettings(QSettings& settings) {
    table->horizontalHeader()->restoreState(settings.value(kColumnsKey).toByteArray());
    stretchComments(table);
    const QList<QAction*> shown = table->horizontalHeader()->actions();
    for (int c = 0; c < shown.size(); ++c) shown[c]->setChecked(!table->isColumnHidden(c));
    // A place saved on a screen that is gone is put back on a screen by restoreGeometry.
    restoreGeometry(settings.value(kGeometryKey).toByteArray());
    follow->setChecked(settings.value(kFollowKey, true).toBool());
    return settings.value(kOpenKey, false).toBool();
}

void LogTableWindow::saveSettings(QSettings& settings) const {
    settings.setValue(kColumnsKey, table->horizontalHeader()->saveState());
    settings.setValue(kGeometryKey, saveGeometry());
    settings.setValue(kOpenKey, isVisible());
    settings.setValue(kFollowKey, follow->isChecked());
}
