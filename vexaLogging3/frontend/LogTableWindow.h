#pragma once

#include <QMainWindow>
#include <functional>

class LogTableModel;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSettings;
class QSortFilterProxyModel;
class QTableView;

// windowLog: the whole log at a glance, one row per record, beside the editor. The row
// chosen is the editor's record and the reverse; Follow (the controller's to apply) keeps
// the newest take chosen as takes are logged; the search field narrows the rows.
class LogTableWindow final : public QMainWindow {
public:
    explicit LogTableWindow(QWidget* parent = nullptr);
    // Once, with the model over the controller's log.
    void setModel(LogTableModel* model);

    // The editor shows that record (0: none). Chooses its row without asking to go there.
    void showEditorRecord(int record);
    // A take that Follow left waiting while the user types on the editor's record: its row is
    // brought into view and made current, not chosen, until the editor moves.
    void showWaitingTake(int record);
    // The record whose row is chosen; 0 when none is (or it is filtered out).
    int chosenRecord() const;

    // The columns, Follow and the window's place as the program last left them, after
    // setModel(); answers whether the window was open then, for the caller to show it once
    // the other windows are up.
    bool restoreSettings(QSettings& settings);
    void saveSettings(QSettings& settings) const;

    // The user chose a row: the editor is to show its record.
    std::function<void(int record)> chooseRecord;
    // Double-click or Return on a row: go there and bring the editor in front.
    std::function<void(int record)> openRecord;

    QLineEdit* search;
    QLabel* matches;
    QCheckBox* follow;
    QTableView* table;

private:
    void showMatches();
    void keepThumbnailsOnShow();

    LogTableModel* m_model = nullptr;
    QSortFilterProxyModel* m_filter;
    // The editor's record, chosen again whenever the rows shown change.
    int m_editorRecord = 0;
    // Set while the program itself chooses a row, which is no choice of the user's.
    bool m_choosing = false;
    // The take waiting for the user's typing (0: none).
    int m_waitingRecord = 0;
};
