#pragma once

#include <QAbstractTableModel>
#include <functional>
#include <string>
#include <string_view>

#include "frontend/LogThumbnails.h"
#include "loglist/LogList.h"

// The LogList as rows of a table, one per record (the header is no row). It reads the list
// as it is and moves its rows along with each change the list reports, so a log of any
// length costs nothing until its rows are shown, and a new log costs one row.
class LogTableModel final : public QAbstractTableModel, public LogListObserver {
public:
    enum Column {
        kPictureColumn,
        kNumberColumn,
        kStartColumn,
        kStopColumn,
        kDurationColumn,
        kTimeOfDayColumn,
        kDateColumn,
        kComment1Column,
        kComment2Column,
        kColumnCount
    };
    using Duration = std::function<std::string(std::string_view start, std::string_view stop)>;
    LogTableModel(const LogList& list, Duration duration, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    static int recordOfRow(int row) { return row + 1; }
    static int rowOfRecord(int record) { return record - 1; }
    LogList::RecordKey recordKeyOfRow(int row) const { return m_list.recordKey(recordOfRow(row)); }

    void recordsInserted(int first, int count) override;
    void recordsRemoved(int first, int count) override;
    void valueChanged(int record, int field) override;
    void listReset() override;

    LogThumbnails& thumbnails() { return m_thumbnails; }

    // Called with true before the rows change and false after, for whatever must tell the
    // views' own moves from the user's.
    std::function<void(bool)> changing;

private:
    struct Changing {
        explicit Changing(const LogTableModel& model) : m_model(model) {
            if (m_model.changing)
                m_model.changing(true);
        }
        ~Changing() {
            if (m_model.changing)
                m_model.changing(false);
        }
        const LogTableModel& m_model;
    };

    const LogList& m_list;
    Duration m_duration;
    // The rows the views were last told of; the list itself has changed already when it
    // reports, so the views must not learn its new length before the report is passed on.
    int m_rows = 0;
    mutable LogThumbnails m_thumbnails;
};
