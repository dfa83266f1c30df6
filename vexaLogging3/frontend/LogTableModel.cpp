#include "frontend/LogTableModel.h"

#include <QPixmap>
#include <algorithm>

#include "platform/qt/QtControls.h"

namespace {

// The record's field each text column shows.
constexpr int kFieldOfColumn[] = {-1,         kFieldNumber,    kFieldStart,
                                  kFieldStop, -1,              kFieldTimeOfDay,
                                  kFieldDate, kFieldComment1,  kFieldComment2};

}  // namespace

LogTableModel::LogTableModel(const LogList& list, Duration duration, QObject* parent)
    : QAbstractTableModel(parent),
      m_list(list),
      m_duration(std::move(duration)),
      m_rows(std::max(0, list.recordCount())) {
    m_thumbnails.ready = [this](LogList::RecordKey key) {
        const int record = m_list.findRecord(key, 1);
        // A thumbnail moves no row: the table stays where the user has scrolled it.
        if (record >= 1 && rowOfRecord(record) < m_rows) {
            const QModelIndex cell = index(rowOfRecord(record), kPictureColumn);
            emit dataChanged(cell, cell, {Qt::DecorationRole});
        }
    };
}

int LogTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int LogTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant LogTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_rows)
        return {};
    const int record = recordOfRow(index.row());
    const auto text = [&](int field) -> const std::string& {
        return m_list.text(LogList::indexOf(record, field));
    };
    if (index.column() == kPictureColumn) {
        if (role == Qt::DecorationRole) {
            const QImage thumbnail = m_thumbnails.thumbnail(
                m_list.recordKey(record), m_list.picture(LogList::indexOf(record, kFieldPicture)));
            if (!thumbnail.isNull())
                return thumbnail;
        }
        if (role == Qt::SizeHintRole)
            return LogThumbnails::kSize;
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    if (index.column() == kDurationColumn)
        return platform::qt::toQString(m_duration(text(kFieldStart), text(kFieldStop)));
    return platform::qt::toQString(text(kFieldOfColumn[index.column()]));
}

QVariant LogTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[] = {"Picture",     "Number", "Start",
                                         "Stop",        "Duration", "Time of Day",
                                         "Date",        "Comment 1", "Comment 2"};
    return section >= 0 && section < kColumnCount ? QString(titles[section]) : QString();
}

void LogTableModel::recordsInserted(int first, int count) {
    const int rows = std::max(0, m_list.recordCount());
    // The header of a new log is no row.
    if (rows == m_rows)
        return;
    const int firstRow = std::clamp(rowOfRecord(first), 0, m_rows);
    const Changing change(*this);
    beginInsertRows({}, firstRow, firstRow + (rows - m_rows) - 1);
    m_rows = rows;
    endInsertRows();
    (void)count;
}

void LogTableModel::recordsRemoved(int first, int count) {
    const int rows = std::max(0, m_list.recordCount());
    if (rows == m_rows)
        return;
    const int firstRow = std::clamp(rowOfRecord(first), 0, m_rows - 1);
    const int removed = std::min(m_rows - rows, m_rows - firstRow);
    const Changing change(*this);
    beginRemoveRows({}, firstRow, firstRow + removed - 1);
    m_rows -= removed;
    endRemoveRows();
    (void)count;
}

void LogTableModel::valueChanged(int record, int field) {
    if (record < 1 || rowOfRecord(record) >= m_rows)
        return;
    const int row = rowOfRecord(record);
    const Changing change(*this);
    if (field == kFieldPicture) {
        m_thumbnails.forget(m_list.recordKey(record));
        emit dataChanged(index(row, kPictureColumn), index(row, kPictureColumn));
        return;
    }
    // A time changes the duration beside it too.
    emit dataChanged(index(row, kPictureColumn + 1), index(row, kColumnCount - 1));
}

void LogTableModel::listReset() {
    const Changing change(*this);
    beginResetModel();
    m_thumbnails.forgetAll();
    m_rows = std::max(0, m_list.recordCount());
    endResetModel();
}
