// Real files in fresh folders; kills and file size limits happen in child processes.

#include "documents/ProjectFiles.h"
#include "documents/RecoveryFile.h"
#include "documents/RecoveryJournal.h"
#include "platform/fake/FakePlatform.h"

namespace {

using namespace projectfiles;
using recovery::JournalWriter;

recovery::JournalContents read(const std::string& bytes) {
    std::istringstream in(bytes);
    return recovery::readJournal(in);
}

// A batch that did not reach the disk is carried by the next; one cut short or garbled
// anywhere leaves the log of the batch before it.
TEST(RecoveryJournal, EachBatchCostsItsChangeAndReadsBackAsTheLog) {
    LogList log;
    log.append(newLogHeader());
    for (unsigned i = 1; i <= 20; ++i)
        log.append(record(std::to_string(i), "", "", patternPicture(50000, i)));
    struct Step {
        const char* name; std::function<void(LogList&)> edit;
        std::size_t most;  // bytes the batch may take
        bool reachesDisk = true;
    };
    const std::size_t picture = 50000;
    JournalWriter writer;
    std::string file(recovery::kJournalMark), before;
    for (const Step& step : {
             Step{"the whole log first", [](LogList&) {}, 21 * picture},
             Step{"a comment typed", [](LogList& l) { l.replace(35, std::string("typed")); }, 300},
             Step{"a take",
                  [](LogList& l) { l.append(record("21", "", "", patternPicture(picture, 99))); },
                  picture + 600},
             Step{"a take deleted", [](LogList& l) { l.removeRecord(5); }, 300},
             Step{"the last take deleted", [](LogList& l) { l.removeRecord(l.recordCount()); },
                  300},
             Step{"a blank inserted",
                  [](LogList& l) { l.insertRecord(2, record("x", "", "", {})); }, 500},
             Step{"nothing", [](LogList&) {}, 30},
             Step{"lost on the way", [](LogList& l) { l.replace(71, std::string("lost")); }, 300,
                  false},
             Step{"a picture replaced", [](LogList& l) { l.replace(79, patternPicture(40000, 7)); },
                  40000 + 300},
         }) {
        SCOPED_TRACE(step.name);
        step.edit(log);
        before = file;
        std::string batch;
        const bool written =
            writer.writeChanges(log, "/d/day.vlg", true, 7, [&](std::string_view b) {
                batch += b;
                return step.reachesDisk;
            });
        EXPECT_EQ(written, step.reachesDisk);
        if (!step.reachesDisk)
            continue;
        file += batch;
        EXPECT_LE(batch.size(), step.most);
        const recovery::JournalContents got = read(file);
        EXPECT_TRUE(got.readable && got.unsaved && got.documentPath == "/d/day.vlg" &&
                    got.changed == 7) << got.error;
        EXPECT_TRUE(got.entries == valuesOf(log)) << "differs from the log";
    }
    const std::vector<LogValue> earlier = read(before).entries;
    for (const std::size_t cut : {std::size_t(1), std::size_t(8), (file.size() - before.size()) / 2,
                                  file.size() - before.size() - 1})
        EXPECT_TRUE(read(file.substr(0, before.size() + cut)).entries == earlier) << "cut " << cut;
    std::string garbled = file;
    garbled[before.size() + 200] ^= 0x20;  // inside the new picture
    EXPECT_TRUE(read(garbled).entries == earlier);

    ASSERT_TRUE(writer.writeChanges(log, "/d/day.vlg", false, 8, [&](std::string_view b) {
        file += b;
        return true;
    }));
    EXPECT_FALSE(read(file).unsaved) << "a saved log is nothing to restore";
    EXPECT_FALSE(read("Glimmark recovery journal 2\n").readable);
}

struct RecoveringApp {
    explicit RecoveringApp(const std::string& state) {
        app.app->recoveryDirectory = state;
        app.app->awakeFromNib();
    }
    void log(std::uint8_t second) {
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x01, 0x01, 0x00, second, 0x00, 0x20, 0xF7});
        app.receive({0xF0, 0x2C, 0x4D, 0x67, 0x02, 0x01, 0x00, second, 0x10, 0xF7});
    }
    const auto& offer(std::deque<int> answers) {
        app.windows.dialogs.answers = std::move(answers);
        c.offerRecovery();
        app.mainThread.drain();
        return app.windows.dialogs.alerts;
    }
    fake::App app;
    vexaLogging3AppDelegate& c = *app.app;
};

std::string ours(const std::string& state) {
    return state + "/recovery-" + std::to_string(::getpid());
}

std::vector<std::string> journalNames(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// As small as the log, under its own name; a batch torn by a full disk after it is cut off.
TEST(RecoveryJournal, OnceItCarriesMostlyWhatIsGoneItIsWrittenAfresh) {
    TempFolder folder;
    const ChildRun run = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        auto journal = std::make_unique<RecoveryFile>(folder.file("state"));
        const std::string path = journal->path();
        LogList log;
        log.append(newLogHeader());
        log.append(record("1", "", "", {}));
        const std::size_t picture = 8 << 20;
        const auto save = [&](unsigned n, bool unsaved = true) {
            log.replace(LogList::indexOf(1, kFieldPicture), patternPicture(picture, n));
            journal->save(log, "/d/a.vlg", unsaved, n);
            journal->waitUntilIdle();
            return journal->lastError() + "|";
        };
        for (unsigned n = 0; n < 11; ++n) save(n);  // 88 MB written for a log of 8 MB
        const std::uintmax_t size = std::filesystem::file_size(path);
        std::string told = size < 3 * picture ? "small|" : "large|";
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{size + (1 << 20), limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        told += save(11);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        told += save(12);
        told += std::to_string(journalNames(folder.file("state")).size());
        told += read(fileText(path)).entries == valuesOf(log) ? "|whole|" : "|";
        // Saved, though the journal could not be told so: it goes with the program all the same.
        const rlimit none{std::filesystem::file_size(path), limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &none);
        told += save(13, false);
        journal.reset();
        return told + (std::filesystem::exists(path) ? "kept" : "gone");
    });
    EXPECT_EQ(run.told, "small|File too large||1|whole|File too large|gone");
}

// What the interface logged before the question and while it waits comes after the restored
// takes. Escape keeps the journal for the next start; Discard moves it aside, where the newest
// three are kept. A program still running keeps its journal to itself.
TEST(CrashRecovery, ALogLeftByAKilledProgramIsOfferedAtTheNextStart) {
    for (const int answer :
         {platform::kAlertDefault, platform::kAlertAlternate, platform::kAlertOther}) {
        const bool restore = answer == platform::kAlertDefault;
        SCOPED_TRACE(answer);
        TempFolder folder;
        const std::string state = folder.file("state");
        const ChildRun crashed = inChild([&] {
            RecoveringApp app(state);
            app.c.setPathString("/shows/day1.vlg");
            app.c.btnPlayerFps30();  // the log's rate comes back with it
            app.log(1);
            app.c.btnFileSave();
            app.app.timers.advance(std::chrono::milliseconds(1000));
            app.log(9);  // a finished log is kept at once, however soon after the last
            app.c.waitForRecoveryFile();
            ::raise(SIGKILL);
            return std::string();
        });
        ASSERT_TRUE(WIFSIGNALED(crashed.status));
        for (int day = 1; day <= 3; ++day) {
            const std::string old =
                state + "/recovery-" + std::to_string(day) + ".journal.discarded";
            writeFile(old, "day " + std::to_string(day));
            std::filesystem::last_write_time(old, std::filesystem::file_time_type::clock::now() -
                                                      std::chrono::hours(24 * (4 - day)));
        }
        RecoveringApp next(state);
        auto& dialogs = next.app.windows.dialogs;
        next.log(15);  // before the question comes
        dialogs.whileAsked = [&] { next.log(20); };
        ASSERT_EQ(next.offer({answer}).size(), 1u);
        EXPECT_TRUE(std::regex_match(dialogs.alerts[0].message,
                                     std::regex(R"(Restore the unsaved log "day1" with 2 records, )"
                                                R"(last changed \d\d\.\d\d\.\d{4} )"
                                                R"(\d\d:\d\d:\d\d\?)")))
            << dialogs.alerts[0].message;
        EXPECT_EQ(dialogs.alerts[0].buttons, "Restore|Decide Later|Discard");
        const int meanwhile = restore ? 3 : 1;
        EXPECT_EQ(next.c.logStartArray.recordCount(), meanwhile + 1);
        EXPECT_EQ(next.app.field(2, kFieldStop), restore ? "01:00:09:16" : "01:00:20:16");
        for (const int record : {meanwhile, meanwhile + 1}) {
            EXPECT_EQ(next.app.field(record, kFieldNumber), std::to_string(record));
            EXPECT_EQ(next.app.field(record, kFieldStart),
                      record == meanwhile ? "01:00:15:00" : "01:00:20:00");
        }
        EXPECT_EQ(next.c.pathString, restore ? "/shows/day1.vlg" : "Untitled");
        EXPECT_EQ(next.app.windows.btnPlayerFps30Val.on, restore);
        next.log(30);  // Follow goes on from the newest record, restored or not
        EXPECT_EQ(next.c.logEditPos, meanwhile + 2);
        next.c.waitForRecoveryFile();
        std::set<std::string> discarded;
        for (const std::string& name : journalNames(state)) {
            if (!name.ends_with(".discarded"))
                continue;
            discarded.insert(name.size() > 28 ? "crashed" : name.substr(9, 1));
            EXPECT_TRUE(name.size() <= 28 ||
                        read(fileText(state + "/" + name)).entries.size() == 30) << "whole";
        }
        EXPECT_EQ(discarded, (answer == platform::kAlertOther
                                  ? std::set<std::string>{"2", "3", "crashed"}
                                  : std::set<std::string>{"1", "2", "3"}));
        EXPECT_EQ(RecoveryFile::leftBehind(state).size(), answer == platform::kAlertAlternate)
            << "kept for the next start; ours is not offered while its program runs";
        dialogs.answers = {restore ? platform::kAlertDefault : platform::kAlertOther};
        EXPECT_TRUE(next.c.applicationWillTerminate());
        next.c.waitForRecoveryFile();
        EXPECT_FALSE(read(fileText(ours(state) + ".journal")).unsaved);
    }
}

// In the journal, not in the log, even when the log was saved before.
TEST(CrashRecovery, TextTypedAndNotStoredIsRestoredIntoItsRecord) {
    struct Case {
        bool savedFirst; fake::TextField fake::Windows::*field; int k; const char *typed, *restored;
    } const cases[] = {
        {false, &fake::Windows::txtEditComment1, kFieldComment1, "typed but not stepped",
         "typed but not stepped"},
        {true, &fake::Windows::txtEditStart, kFieldStart, "1:2:3", "01:02:03:00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        TempFolder folder;
        const std::string state = folder.file("state");
        const ChildRun crashed = inChild([&] {
            RecoveringApp app(state);
            app.c.setPathString("/shows/day1.vlg");
            app.log(1);
            if (c.savedFirst)
                app.c.btnFileSave();
            const std::string before = app.app.field(1, c.k);
            (app.app.windows.*c.field).type(c.typed);
            app.c.keepRecoveryFile(true);
            app.c.waitForRecoveryFile();
            if (app.app.field(1, c.k) != before)
                return std::string("the typed text went into the log");
            ::raise(SIGKILL);
            return std::string();
        });
        ASSERT_TRUE(WIFSIGNALED(crashed.status)) << crashed.told;
        RecoveringApp next(state);
        ASSERT_EQ(next.offer({platform::kAlertDefault}).size(), 1u);
        EXPECT_EQ(next.app.field(1, c.k), c.restored);
        EXPECT_EQ(next.c.editChangeFlag, 1);
        next.app.windows.dialogs.answers = {platform::kAlertOther};
        next.c.applicationWillTerminate();
    }
}

// A journal of a program still running is not offered.
TEST(CrashRecovery, ACorruptJournalIsSetAsideAndTheNextOneOffered) {
    TempFolder folder;
    const std::string state = folder.file("state");
    LogList older;
    older.append(newLogHeader());
    older.append(record("7", "older", "", patternPicture(100)));
    std::string olderFile;
    {
        RecoveryFile left(state);
        left.save(older, "/d/older.vlg", true, 1000);
        left.waitUntilIdle();
        olderFile = left.path();
    }
    RecoveryFile running(state);
    running.save(older, "/d/running.vlg", true, 2000);
    running.waitUntilIdle();
    // The name of ours is taken: the next program of our number numbers its own on.
    EXPECT_EQ(olderFile, ours(state) + ".journal");
    EXPECT_EQ(running.path(), ours(state) + "-1.journal");
    // What a power cut can leave of a file the system had not flushed, set aside twice before.
    writeFile(folder.file("state/recovery-1-1.journal"), std::string(4096, '\0'));
    for (const char* before : {".corrupt", ".corrupt-2"})
        writeFile(folder.file("state/recovery-1-1.journal") + before, "");
    std::filesystem::last_write_time(
        olderFile, std::filesystem::last_write_time(olderFile) - std::chrono::hours(1));
    RecoveringApp app(state);
    const auto& alerts = app.offer({platform::kAlertDefault, platform::kAlertDefault});
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_TRUE(has(alerts[0].message, "recovery-1-1.journal.corrupt-3"));
    EXPECT_TRUE(alerts[1].message.starts_with("Restore the unsaved log \"older\" with 1 record"));
    EXPECT_EQ(app.app.field(1, kFieldComment1), "older");
    app.c.waitForRecoveryFile();
    EXPECT_EQ(journalNames(state).size(), 5u) << "three corrupt, the running one and ours";
    EXPECT_TRUE(std::filesystem::exists(running.path()));
}

// Offered by its path and lock beside it, then gone with them; one with no log only set aside.
TEST(CrashRecovery, ACopyLeftByAnEarlierReleaseIsStillOffered) {
    for (const bool whole : {true, false}) {
        SCOPED_TRACE(whole);
        TempFolder folder;
        const std::string state = folder.file("state"), copy = state + "/recovery-4242";
        std::filesystem::create_directories(state);
        for (const char* name : {".vlg", ".lock", ".path"})
            writeFile(copy + name, whole && name[1] == 'p' ? "/d/e.vlg" : "");
        RecoveringApp app(state);
        app.app.propertyLists.files[copy + ".vlg"] = {};
        if (!whole) {
            const auto& alerts = app.offer({});
            ASSERT_EQ(alerts.size(), 1u);
            EXPECT_TRUE(has(alerts[0].message, "cannot be read: No valid file!"))
                << alerts[0].message;
            continue;
        }
        app.app.propertyLists.files[copy + ".vlg"] = {
            "Glimmark",    "", "", "",     "", "", "", "",       "", "", "3", "01:00:00:00",
            "01:00:05:00", "", "", "kept", "", "", "", Picture()};
        const int running = ::open((copy + ".lock").c_str(), O_RDONLY);
        ASSERT_EQ(::flock(running, LOCK_EX), 0);
        EXPECT_TRUE(app.offer({}).empty()) << "its program still runs";
        ::close(running);
        const auto& alerts = app.offer({platform::kAlertDefault});
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_TRUE(alerts[0].message.starts_with("Restore the unsaved log \"e\" with 1 record"));
        EXPECT_EQ(
            app.app.field(1, kFieldStop) + app.app.field(1, kFieldComment1) + app.c.pathString,
            "01:00:05:00kept/d/e.vlg");
        app.log(1);  // a crash a moment after a take must not cost its stop, however soon
        app.log(2);
        app.c.waitForRecoveryFile();
        EXPECT_TRUE(read(fileText(ours(state) + ".journal")).entries ==
                    valuesOf(app.c.logStartArray));
        for (const std::string& name : journalNames(state))
            EXPECT_FALSE(name.starts_with("recovery-4242"));
    }
}

TEST(CrashRecovery, TheJournalsLiveInTheUsersStateFolder) {
    const ChildRun run = inChild([] {
        std::string told;
        for (const auto& [state, home] : {std::pair{"/s", "/h"}, {"s", "/h"}, {"", ""}}) {
            ::setenv("XDG_STATE_HOME", state, 1);
            ::setenv("HOME", home, 1);
            told += RecoveryFile::defaultDirectory() + "|";
        }
        return told;
    });
    EXPECT_EQ(run.told, "/s/glimmark|/h/.local/state/glimmark||");
}

// Not only a log stop: a change by hand reaches the journal by the check every second, and a
// save marks it saved, so that a kill after the save offers nothing and clears it away.
TEST(CrashRecovery, AChangeByHandIsKeptASecondLaterAndOnceSavedNotOffered) {
    TempFolder folder;
    const std::string state = folder.file("state");
    const ChildRun crashed = inChild([&] {
        RecoveringApp app(state);
        const auto journal = [&] {
            app.app.timers.advance(std::chrono::milliseconds(1000));
            app.c.waitForRecoveryFile();
            return read(fileText(ours(state) + ".journal"));
        };
        app.c.logStartArray.append(record("1", "typed in by hand", "", {}));
        app.c.editChangeFlag = 1;
        if (journal().entries != valuesOf(app.c.logStartArray))
            return std::string("the change is not in the journal");
        app.c.setPathString("/d/day.vlg");
        app.c.btnFileSave();
        if (journal().unsaved)
            return std::string("the saved log is still unsaved in the journal");
        ::raise(SIGKILL);
        return std::string();
    });
    ASSERT_TRUE(WIFSIGNALED(crashed.status)) << crashed.told;
    RecoveringApp next(state);
    EXPECT_TRUE(next.offer({}).empty());
    EXPECT_EQ(journalNames(state),
              std::vector<std::string>{"recovery-" + std::to_string(::getpid()) + ".journal"});
}

// A state folder that cannot be made leaves the log without a crash copy: the user is told.
TEST(CrashRecovery, NoFolderForTheJournalIsSaidOnTheStatusLine) {
    TempFolder folder;
    writeFile(folder.file("a file"), "");
    const std::string blocked = folder.file("a file") + "/state";
    RecoveringApp app(blocked);
    app.app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0, 0, 0, 0xF7});  // the timecode runs
    app.app.mainThread.drain();
    EXPECT_EQ(app.app.windows.statusText.value,
              "  01:00:00:00  No crash copy: cannot write to " + blocked);
}

// Right after a restore: the journal restored stays until a copy of ours is written, a torn
// batch is cut off, and once a write succeeds the journal reads back as the log.
TEST(CrashRecovery, AFailedWriteIsToldOnceAndTriedAgainAtTheNextChange) {
    TempFolder folder;
    const std::string state = folder.file("state");
    const ChildRun run = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        std::string left;
        {
            RecoveryFile earlier(state);
            LogList log;
            log.append(newLogHeader());
            log.append(record("1", "kept", "", patternPicture(2 << 20)));
            earlier.save(log, "/d/a.vlg", true, 1);
            earlier.waitUntilIdle();
            left = earlier.path();
        }
        RecoveringApp app(state);
        const auto told = [&] {
            app.app.mainThread.drain();
            app.c.waitForRecoveryFile();
            app.app.mainThread.drain();
            return app.app.windows.statusText.value + "|" +
                   std::to_string(app.app.windows.dialogs.alerts.size()) +
                   (std::filesystem::exists(left) ? "|kept\n" : "|gone\n");
        };
        const auto change = [&](const char* comment) {
            app.c.logStartArray.append(record("1", comment, "", patternPicture(10)));
            app.c.keepRecoveryFile(true);
            return told();
        };
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit full{std::uintmax_t(1) << 20, limit.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &full);
        app.offer({platform::kAlertDefault});
        std::string said = told();  // in this order: each after the one before
        said += change("still too big");
        ::setrlimit(RLIMIT_FSIZE, &limit);
        said += change("room again");
        for (const int ms : {9999, 1}) {  // the notice stays ten seconds
            app.app.timers.advance(std::chrono::milliseconds(ms));
            app.app.receive({0xF0, 0x7F, 0x7F, 0x01, 0x01, 0x21, 0, 0, 0, 0xF7});
            app.app.mainThread.drain();
            said += app.app.windows.statusText.value + "\n";
        }
        const bool whole =
            read(fileText(ours(state) + "-1.journal")).entries == valuesOf(app.c.logStartArray);
        return said + (whole ? "whole" : "not the log");
    });
    EXPECT_EQ(run.told,
              "  No crash copy: File too large|2|kept\n"
              "  No crash copy: File too large|2|kept\n"
              "  Crash copy written again|2|gone\n"
              "  01:00:00:00  Crash copy written again\n  01:00:00:00\nwhole");
}

}  // namespace
