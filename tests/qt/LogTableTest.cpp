// The log table beside the editor while takes are logged: rows, choice, Follow, search, thumbnails.

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QAccessible>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSemaphore>
#include <QScreen>
#include <QScrollBar>
#include <QPainter>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>
#include <functional>
#include <mutex>
#include <tuple>

#include "frontend/LogCellDelegate.h"
#include "frontend/MyImageView.h"
#include "frontend/WindowPlacement.h"
#include "qt/GuiApp.h"

namespace {

using gui_test::encodedPicture;

// The numbers of the rows shown, the chosen one in brackets, one pointed out but not chosen
// in angle brackets, then the editor's number and place and the count beside the search:
// "1 [2] <3> | #2 Record 2 of 3 | 3 records".
std::string shown(gui_test::GuiApp& app) {
    const LogTableWindow& log = app.windows.windowLog;
    const QAbstractItemModel* rows = log.table->model();
    std::string s;
    for (int row = 0; row < rows->rowCount(); ++row) {
        const std::string number =
            rows->index(row, LogTableModel::kNumberColumn).data().toString().toStdString();
        const bool chosen = log.table->selectionModel()->isRowSelected(row, {});
        const bool current = log.table->currentIndex().row() == row;
        s += (chosen ? "[" + number + "]" : current ? "<" + number + ">" : number) + " ";
    }
    return s + "| #" + app.edit.txtEditNr->text().toStdString() + " " +
           app.edit.recordPosition->text().toStdString() + " | " +
           log.matches->text().toStdString();
}

bool titlesMarked(gui_test::GuiApp& app) {
    return app.edit.windowHandle()->title().endsWith('*') &&
           app.rec.windowHandle()->title().endsWith('*');
}

TEST(LogTable, FollowsTakesMovesWithTheEditorAndNarrowsToASearch) {
    gui_test::GuiApp app;
    LogTableWindow& log = app.windows.windowLog;
    LogList& records = app.controller.logStartArray;
    QTest::keySequence(&app.edit, QKeySequence(Qt::CTRL | Qt::Key_3));
    EXPECT_EQ(log.windowTitle() + (log.isVisible() ? " shown" : "") +
                  (titlesMarked(app) ? " marked" : ""),
              "Glimmark Log shown");

    std::uint8_t seconds = 0;
    const auto take = [&] { app.device(0x01, 1, seconds += 10); };
    const auto keys = [&](QWidget* focus, QKeySequence sequence) {
        (void)gui_test::focused(focus);
        QTest::keySequence(focus, sequence);
    };
    // A step with nothing to check is the first part of the one after it.
    const std::pair<std::function<void()>, const char*> steps[] = {
        {take, "[1] | #1 Record 1 of 1 | 1 record"},
        {take, "1 [2] | #2 Record 2 of 2 | 2 records"},
        {[&] { log.table->selectRow(0); }, "[1] 2 | #1 Record 1 of 2 | 2 records"},
        {take, "[1] 2 3 | #1 Record 1 of 3 | 3 records"},
        {[&] { keys(log.table, Qt::CTRL | Qt::Key_End); },
         "1 2 [3] | #3 Record 3 of 3 | 3 records"},
        {[&] { log.follow->click(); }, "1 2 [3] | #3 Record 3 of 3 | 3 records"},
        {take, "1 2 [3] 4 | #3 Record 3 of 4 | 4 records"},
        {[&] { keys(app.edit.txtEditComment1, Qt::CTRL | Qt::Key_End); },
         "1 2 3 [4] | #4 Record 4 of 4 | 4 records"},
        {[&] { app.edit.btnLogVorherVal->click(); }, "1 2 [3] 4 | #3 Record 3 of 4 | 4 records"},
        {[&] { log.follow->click(); }, nullptr},
        {[&] { records.replace(LogList::indexOf(2, kFieldComment2), "Boom in"); }, nullptr},
        {[&] { QTest::keyClicks(log.search, "bOOm"); }, "2 | #3 Record 3 of 4 | 1 of 4 match"},
        {[&] { log.search->clear(); }, "1 2 [3] 4 | #3 Record 3 of 4 | 4 records"},
        {[&] { keys(app.edit.imgEdit, Qt::CTRL | Qt::Key_Home); },
         "[1] 2 3 4 | #1 Record 1 of 4 | 4 records"},
        {[&] { keys(app.edit.imgEdit, Qt::CTRL | Qt::Key_End); },
         "1 2 3 [4] | #4 Record 4 of 4 | 4 records"},
        // Follow goes on behind a search that hides every row.
        {[&] { QTest::keyClicks(log.search, "no such take"); }, nullptr},
        {[&] {
             for (int n = 0; n < 4; ++n) take();
         },
         "| #8 Record 8 of 8 | 0 of 8 match"},
        {[&] { log.search->clear(); }, "1 2 3 4 5 6 7 [8] | #8 Record 8 of 8 | 8 records"},
        // A comment typed slowly on the newest take stays whole across its stop and new takes.
        {[&] { app.edit.chkEditModeVal->click(); }, nullptr},
        {[&] { keys(app.edit.txtEditComment1, QKeySequence()); }, nullptr},
        {[&] { QTest::keyClicks(app.edit.txtEditComment1, "Sc 7"); }, nullptr},
        {[&] { app.device(0x02, 1, seconds + 5); },
         "1 2 3 4 5 6 7 [8] | #8 Record 8 of 8 | 8 records"},
        {[&] { QTest::keyClicks(app.edit.txtEditComment1, " T2 lovely"); }, nullptr},
        {take, "1 2 3 4 5 6 7 [8] <9> | #8 Record 8 of 9 | 9 records"},
        {[&] { QTest::keyClick(app.edit.txtEditComment1, Qt::Key_Return); }, nullptr},
        {take, "1 2 3 4 5 6 7 8 9 [10] | #10 Record 10 of 10 | 10 records"},
    };
    for (const auto& [step, expected] : steps) {
        step();
        if (expected == nullptr)
            continue;
        SCOPED_TRACE(expected);
        (void)QTest::qWaitFor([&] { return shown(app) == expected; });
        // Whatever follows a change runs after it: give it the time to undo what was seen.
        QTest::qWait(30);
        EXPECT_EQ(shown(app), expected);
        // The mark turns on with the change itself, not some time later.
        EXPECT_EQ(titlesMarked(app), app.controller.editChangeFlag != 0);
    }
    // The rows as views rely on them, and through every change from here on.
    QAbstractItemModelTester rowsChecked(app.windows.logModel.get(),
                                         QAbstractItemModelTester::FailureReportingMode::Fatal);
    const auto text = [&](int take, LogField f) { return records.text(LogList::indexOf(take, f)); };
    EXPECT_EQ(text(8, kFieldComment1) + (text(8, kFieldStop).empty() ? " unstopped" : "") + " | " +
                  text(9, kFieldComment1) + " | " + text(10, kFieldComment1) + " | " +
                  app.edit.txtEditComment1->text().toStdString(),
              "Sc 7 T2 lovely |  |  | ");

    // What a screen reader says: a label its text and what that tells, a field or Follow its name.
    const std::tuple<QWidget*, QAccessible::Text, const char*> spoken[] = {
        {log.search, QAccessible::Name, "Search"},
        {log.matches, QAccessible::Name, "10 records"},
        {log.matches, QAccessible::Description, "Records matching the search"},
        {log.follow, QAccessible::Name, "Follow"},
        {app.edit.recordPosition, QAccessible::Name, "Record 10 of 10"},
        {app.edit.recordPosition, QAccessible::Description,
         "Place of the record on show in the log"},
        {app.edit.txtEditNr, QAccessible::Name, "Record number"},
    };
    for (const auto& [widget, text, expected] : spoken)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(widget)->text(text), expected)
            << widget->metaObject()->className() << " " << text;
    // Return on a row, or a double click, brings the editor to the front at that record.
    log.table->selectRow(1);
    keys(log.table, Qt::Key_Return);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &app.edit; }));
    EXPECT_EQ(app.edit.txtEditNr->text(), "2");
    ASSERT_TRUE(gui_test::focused(log.table));
    const QRect third = log.table->visualRect(log.table->model()->index(2, 1));
    QTest::mouseClick(log.table->viewport(), Qt::LeftButton, {}, third.center());
    QTest::mouseDClick(log.table->viewport(), Qt::LeftButton, {}, third.center());
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &app.edit; }));
    EXPECT_EQ(app.edit.txtEditNr->text(), "3");
    // Behind a search, the row chosen is the record it shows.
    records.replace(LogList::indexOf(7, kFieldComment2), "Crane up");
    ASSERT_TRUE(gui_test::focused(log.table));
    QTest::keyClicks(log.search, "crane");
    log.table->selectRow(0);
    keys(log.table, Qt::Key_Return);
    EXPECT_EQ(app.edit.txtEditNr->text(), "7");
}

// The windows come back as left at the quit, though the quit closes every window first.
TEST(LogTable, ComesBackAsItWasLeftAtTheQuit) {
    QTemporaryDir folder;
    QSettings settings(folder.filePath("glimmark.ini"), QSettings::IniFormat);
    const LogList list;
    LogTableModel rows(list, [](std::string_view, std::string_view) { return std::string(); });
    // Qt closes every window for a quit request, then ends the program: here it stops once seen.
    struct QuitCalledOff final : QObject {
        bool eventFilter(QObject*, QEvent* event) override { return event->type() == QEvent::Quit; }
    } calledOff;
    qApp->installEventFilter(&calledOff);
    LogTableWindow first;
    first.setModel(&rows);
    first.restoreSettings(settings);
    EXPECT_TRUE(first.follow->isChecked()) << "a first start follows the takes";
    for (const bool open : {true, false}) {
        SCOPED_TRACE(open ? "left open" : "left closed");
        QRect placed;
        {
            LogTableWindow log;
            log.setModel(&rows);
            log.show();
            log.setGeometry(120, 140, 640 + (open ? 0 : 30), 420);
            log.table->setColumnHidden(LogTableModel::kComment2Column, open);
            log.follow->setChecked(open);
            if (!open)
                log.close();
            placed = log.geometry();
            const auto saver = frontend::saveWhenQuitting([&] { log.saveSettings(settings); });
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        }
        LogTableWindow again;
        again.setModel(&rows);
        EXPECT_EQ(again.restoreSettings(settings), open);
        EXPECT_EQ(again.geometry(), placed);
        EXPECT_EQ(again.table->isColumnHidden(LogTableModel::kComment2Column), open);
        EXPECT_EQ(again.follow->isChecked(), open);
        // The comments take the room a wide window has.
        again.resize(1900, 600);
        again.show();
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return again.table->columnWidth(LogTableModel::kComment1Column) > 500; }))
            << again.table->columnWidth(LogTableModel::kComment1Column);
    }
    // The capture window and the editor too.
    QWidget capture, editor, captureAgain, editorAgain;
    capture.setGeometry(20, 30, 300, 200);
    editor.setGeometry(340, 40, 320, 220);
    frontend::saveWindowPlaces(capture, editor, settings);
    frontend::placeWindows(captureAgain, editorAgain, settings);
    EXPECT_EQ(captureAgain.geometry(), capture.geometry());
    EXPECT_EQ(editorAgain.geometry(), editor.geometry());
    // None saved: each fills its side of the screen, less title bar (32 pixels) and borders (4).
    settings.clear();
    QWidget captureFirst, editorFirst;
    frontend::placeWindows(captureFirst, editorFirst, settings);
    const QSize chrome(8, 36);
    const auto [left, right] = frontend::sideBySide(
        QGuiApplication::primaryScreen()->availableGeometry(),
        captureFirst.minimumSizeHint() + chrome, editorFirst.minimumSizeHint() + chrome);
    EXPECT_EQ(captureFirst.geometry(), left.adjusted(0, 0, -chrome.width(), -chrome.height()));
    EXPECT_EQ(editorFirst.geometry(), right.adjusted(0, 0, -chrome.width(), -chrome.height()));
}

// At the first start the windows share the screen whole, side by side or stacked, with a gap;
// the editor, with its three pictures, has the larger share.
TEST(WindowPlacement, TheWindowsShareTheScreenWithAGapBetweenThem) {
    const QRect screen(10, 20, 1920, 1080);
    for (const QSize editorMinimum : {QSize(800, 600), QSize(1600, 500)}) {
        const auto [capture, editor] = frontend::sideBySide(screen, {400, 300}, editorMinimum);
        EXPECT_EQ(capture.united(editor), screen);
        const bool stacked = editor.top() > capture.bottom();
        EXPECT_EQ(stacked ? editor.top() - capture.bottom() : editor.left() - capture.right(), 9)
            << stacked;  // eight pixels between them
        const int editorsMore =
            stacked ? editor.height() - capture.height() : editor.width() - capture.width();
        EXPECT_GT(editorsMore, 0) << stacked;
    }
}

// Each column shows its own field under its own title; a changed value is announced for its own
// cell, the number, the last column and the picture too.
TEST(LogTableModel, EachColumnShowsItsFieldUnderItsTitleAndEachChangedCellIsAnnounced) {
    gui_test::GuiApp app;
    app.addRecord("7", "01:00:00:00", "01:00:01:00");
    app.controller.logStartArray.replace(LogList::indexOf(1, kFieldComment1), "first note");
    app.controller.logStartArray.replace(LogList::indexOf(1, kFieldComment2), "second note");
    const QAbstractItemModel& rows = *app.windows.windowLog.table->model();
    std::string shown;
    for (int column = LogTableModel::kNumberColumn; column < rows.columnCount(); ++column)
        shown += rows.headerData(column, Qt::Horizontal).toString().toStdString() + "=" +
                 rows.index(0, column).data().toString().toStdString() + "; ";
    EXPECT_EQ(shown,
              "Number=7; Start=01:00:00:00; Stop=01:00:01:00; Duration=00:00:01; "
              "Time of Day=10:00:00; Date=07.12.2026; Comment 1=first note; "
              "Comment 2=second note; ");
    QSignalSpy changed(app.windows.windowLog.table->model(), &QAbstractItemModel::dataChanged);
    for (const auto& [field, column] : {std::pair{kFieldNumber, LogTableModel::kNumberColumn},
                                        {kFieldComment2, LogTableModel::kComment2Column},
                                        {kFieldPicture, LogTableModel::kPictureColumn}}) {
        app.controller.logStartArray.replace(
            LogList::indexOf(1, field),
            field == kFieldPicture ? LogValue(encodedPicture("JPEG", Qt::red)) : LogValue("x"));
        ASSERT_FALSE(changed.isEmpty()) << column;
        const auto range = changed.takeLast();
        EXPECT_LE(range[0].toModelIndex().column(), column);
        EXPECT_GE(range[1].toModelIndex().column(), column);
    }
}

// A column made wider shows more of a long text, not the text cut for the old width.
TEST(LogCellDelegate, TextIsLaidOutForTheWidthItIsDrawnIn) {
    QStandardItemModel model(1, 1);
    model.setItem(0, 0, new QStandardItem(QString(60, 'W')));
    const LogCellDelegate cells;
    const auto paint = [&](int width, QStyle::State state, const QFont& font = QFont()) {
        QImage drawn(width, 24, QImage::Format_RGB32);
        drawn.fill(Qt::white);
        QPainter painter(&drawn);
        QStyleOptionViewItem option;
        option.rect = drawn.rect();
        option.font = font;
        option.state = QStyle::State_Enabled | QStyle::State_Active | state;
        cells.paint(&painter, option, model.index(0, 0));
        painter.end();
        return drawn;
    };
    const auto ink = [&](int width) {
        const QImage drawn = paint(width, {});
        int dark = 0;
        for (int y = 0; y < drawn.height(); ++y)
            for (int x = 0; x < width; ++x) dark += qGray(drawn.pixel(x, y)) < 128;
        return dark;
    };
    const int narrow = ink(80), wide = ink(600);
    EXPECT_GT(wide, 3 * narrow) << narrow;
    // Laid out again when the font changes: text cut for a font twice the size would show half.
    QFont big;
    big.setPointSizeF(big.pointSizeF() * 2);
    paint(500, {}, big);
    EXPECT_GT(ink(500), wide * 2 / 3);
    // Selected, on the highlight as the style draws it.
    EXPECT_EQ(QColor(paint(80, QStyle::State_Selected).pixel(1, 12)),
              QApplication::palette().color(QPalette::Active, QPalette::Highlight));
}

// Cells drawn in the text or highlight colour; thumbnails leave the table where it was scrolled.
TEST(LogTable, CellsShowTheirTextAndThumbnailsLeaveTheTableWhereTheUserScrolledIt) {
    gui_test::GuiApp app;
    LogTableWindow& log = app.windows.windowLog;
    for (int r = 1; r <= 60; ++r)
        app.addRecord(r == 3   ? ""
                      : r == 2 ? "<i></i><b></b><u></u>"  // drawn as typed, not as markup
                               : std::to_string(r * 1111111),
                      "01:00:00:00", "01:00:01:00",
                      encodedPicture("JPEG", r % 2 ? Qt::red : Qt::blue, r < 60 ? 64 : 1440,
                                     r < 60 ? 36 : 1080));
    app.controller.LogEditGoTo(1);
    log.show();
    QApplication::processEvents();
    QWidget* view = log.table->viewport();
    const QImage drawn = view->grab().toImage().scaled(view->size());
    const QPalette::ColorGroup group = log.isActiveWindow() ? QPalette::Active : QPalette::Inactive;
    // Pixels of the number cell of that row in about that colour.
    const auto inkOf = [&](int row, QPalette::ColorRole role) {
        const QColor ink = log.table->palette().color(group, role);
        const QRect cell =
            log.table->visualRect(log.table->model()->index(row, LogTableModel::kNumberColumn));
        int count = 0;
        for (int y = cell.top() + 1; y < cell.bottom(); ++y)
            for (int x = cell.left() + 1; x < cell.right(); ++x)
                count += gui_test::looksLike(drawn.pixelColor(x, y), ink);
        return count;
    };
    EXPECT_GT(inkOf(0, QPalette::HighlightedText), 20);
    EXPECT_GT(inkOf(1, QPalette::Text), 20);
    EXPECT_EQ(inkOf(2, QPalette::Text), 0);
    EXPECT_EQ(log.table->model()->index(0, LogTableModel::kDurationColumn).data().toString(),
              QStringLiteral("00:00:01"));

    QScrollBar* bar = log.table->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    bar->setValue(bar->maximum());
    const QModelIndex lastPicture = log.table->model()->index(59, LogTableModel::kPictureColumn);
    const auto thumbnail = [&] { return lastPicture.data(Qt::DecorationRole).value<QImage>(); };
    EXPECT_TRUE(QTest::qWaitFor([&] { return !thumbnail().isNull(); }));
    EXPECT_EQ(thumbnail().size(), QSize(72, 54)) << "a 4:3 picture's shape at thumbnail height";
    EXPECT_GT(qBlue(thumbnail().pixel(36, 27)), 200);
    QTest::qWait(50);
    EXPECT_EQ(std::pair(bar->value(), log.chosenRecord()), std::pair(bar->maximum(), 1));
}

// Rows coming in draw only what changes; the window must still show what a full redraw would.
TEST(LogTable, RowsComingInLeaveTheTableDrawnAsAFullRedrawWould) {
    const auto twoTakes = [](gui_test::GuiApp& app) {
        for (int take = 1; take <= 2; ++take) {
            app.device(0x01, 2, 0);
            QApplication::processEvents();
        }
    };
    const auto inMiddle = [](gui_test::GuiApp& app) {
        app.controller.logStartArray.insertRecord(
            35, {"middle", "01:00:00:00", {}, {}, {}, {}, {}, {}, {}, Picture()});
    };
    const auto search = [](const char* text) {
        return [text](gui_test::GuiApp& app) { app.windows.windowLog.search->setText(text); };
    };
    // What, the records before, Follow, the search, the change, the editor's record after it.
    // Follow goes on while a search hides the newest record.
    const std::tuple<const char*, int, bool, const char*, std::function<void(gui_test::GuiApp&)>,
                     int>
        cases[] = {{"takes, short log", 2, true, "", twoTakes, 4},
                   {"takes, following", 40, true, "", twoTakes, 42},
                   {"takes, not following", 40, false, "", twoTakes, 40},
                   {"takes into a search", 40, true, "2:00:00", twoTakes, 42},
                   {"in the middle", 40, true, "", inMiddle, 40},
                   {"search changed", 40, true, "2:00:00", search("4"), 40}};
    for (const auto& [what, before, follow, searched, change, editorAfter] : cases) {
        SCOPED_TRACE(what);
        gui_test::GuiApp app;
        LogTableWindow& log = app.windows.windowLog;
        for (int r = 1; r <= before; ++r)
            app.addRecord(std::to_string(r), r == 30 ? "02:00:00:00" : "01:00:00:00",
                          "01:00:01:00");
        log.show();
        log.follow->setChecked(follow);
        log.search->setText(searched);
        app.controller.LogEditGoTo(before);
        // The table alone: the search field's clear button fades in on a timer of its own.
        const auto onScreen = [&] {
            QApplication::processEvents();
            const QRect rows(log.table->mapTo(&log, QPoint(0, 0)), log.table->size());
            return log.screen()
                ->grabWindow(log.winId(), rows.x(), rows.y(), rows.width(), rows.height())
                .toImage();
        };
        const QImage old = onScreen();
        change(app);
        const QImage changed = onScreen();
        EXPECT_EQ(app.controller.logEditPos, editorAfter);
        log.table->viewport()->update();
        log.update();
        EXPECT_TRUE(changed == onScreen()) << "stale rows left on screen";
        EXPECT_NE(changed, old);
    }
}

// While the decoder is busy: newest first, the oldest and unwanted dropped until asked again.
TEST(LogThumbnails, NewestFirstWithTheOldAndTheUnwantedDropped) {
    QSemaphore started, gate;
    std::mutex decodedLock;
    std::vector<int> decodedNumbers;
    LogThumbnails thumbnails(1 << 20, 1, [&](const QByteArray& encoded) {
        const int number = encoded.toInt();
        {
            const std::lock_guard lock(decodedLock);
            decodedNumbers.push_back(number);
        }
        if (number == 1) {
            started.release();
            gate.acquire();
        }
        QImage image(4, 4, QImage::Format_RGB32);
        image.fill(qRgb(number, 0, 0));
        return image;
    });
    std::vector<int> delivered;
    thumbnails.ready = [&](LogList::RecordKey key) { delivered.push_back(static_cast<int>(key)); };
    const auto ask = [&](int key, int picture = 0) {
        const std::string text = std::to_string(picture > 0 ? picture : key);
        return thumbnails.thumbnail(static_cast<LogList::RecordKey>(key),
                                    Picture(text.begin(), text.end()));
    };

    EXPECT_TRUE(ask(1).isNull());
    started.acquire();
    const int newest = LogThumbnails::kMaxWaiting + 11;
    for (int key = 2; key <= newest; ++key) EXPECT_TRUE(ask(key).isNull());
    QSet<LogList::RecordKey> wanted;
    for (int key = 1; key <= newest; ++key)
        if (key != 50)
            wanted.insert(static_cast<LogList::RecordKey>(key));
    thumbnails.keepOnly(wanted);
    gate.release();

    std::vector<int> expected{1};
    for (int key = newest; key >= 12; --key)
        if (key != 50)
            expected.push_back(key);
    EXPECT_TRUE(QTest::qWaitFor([&] { return delivered.size() >= expected.size(); }));
    QTest::qWait(30);
    EXPECT_EQ(delivered, expected);
    {
        const std::lock_guard lock(decodedLock);
        EXPECT_EQ(decodedNumbers, expected);
    }
    EXPECT_EQ(qRed(ask(newest).pixel(0, 0)), newest);

    // Dropped, asked for again: decoded then.
    for (const int again : {2, 50}) {
        EXPECT_TRUE(ask(again).isNull());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ask(again).isNull(); })) << again;
        EXPECT_EQ(qRed(ask(again).pixel(0, 0)), again);
    }
    // A picture replaced while the old one's thumbnail is being made: the new one is shown.
    thumbnails.forget(1);
    EXPECT_TRUE(ask(1).isNull());
    started.acquire();
    thumbnails.forget(1);
    EXPECT_TRUE(ask(1, 7).isNull());
    gate.release();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !ask(1, 7).isNull(); }));
    EXPECT_EQ(qRed(ask(1, 7).pixel(0, 0)), 7);
}

}  // namespace
