#pragma once

#include <map>
#include <string>

#include "platform/fake/FakePlatform.h"

namespace editor_test {

// A record put straight into the LogList and numbered, as device logs and opened files leave it.
inline void addRecord(fake::App& app, std::string number, std::string start, std::string stop,
                      const std::string& picture) {
    app.app->logStartArray.append({std::move(number), std::move(start), std::move(stop),
                                   std::string(), std::string("10:00:00"), std::string(),
                                   std::string(), std::string("07.12.2026"), std::string(),
                                   Picture(picture.begin(), picture.end())});
    ++app.app->logNr;
}

inline std::string shown(const fake::ImageView& view) {
    return std::string(view.shown.begin(), view.shown.end());
}

// What the editor shows, in one line: "@position #number start-stop duration 'comment 1'
// [previous|current|next picture]", and "*" when the log has unsaved changes.
inline std::string editorView(const fake::App& app) {
    const fake::Windows& w = app.windows;
    return "@" + std::to_string(app.app->logEditPos) + " #" + w.txtEditNr.value + " " +
           w.txtEditStart.value + "-" + w.txtEditStop.value + " " + w.txtEditDuration.value + " '" +
           w.txtEditComment1.value + "' [" + shown(w.imgEditPre) + "|" + shown(w.imgEdit) + "|" +
           shown(w.imgEditNext) + "]" + (app.app->editChangeFlag ? " *" : "");
}

// The controller's actions by the letters the editing tables give them.
using Controller = vexaLogging3AppDelegate;
inline const std::map<char, void (Controller::*)()> kActions{
    {'A', &Controller::btnEditLogAdd},    {'I', &Controller::btnEditLogInsert},
    {'D', &Controller::btnEditLogDelete}, {'C', &Controller::btnEditCopy},
    {'X', &Controller::btnEditCut},       {'V', &Controller::btnEditPaste},
    {'N', &Controller::btnLogNaechstes},  {'B', &Controller::btnLogVorher},
    {'J', &Controller::txtEditLogNr},     {'P', &Controller::btnEditPictureDelete},
    {'S', &Controller::txtEditStartChg},  {'T', &Controller::txtEditStopChg},
    {'U', &Controller::btnEditUndo}};

}  // namespace editor_test
