#pragma once

#include <string>

#include "support/FakePlatform.h"

namespace editor_test {

// Puts records straight into the LogList, the way device logs and opened files leave them,
// and numbers them as the device would.
struct RecordValues {
    std::string number;
    std::string start;
    std::string stop;
    std::string picture;  // "" for none; fake views show pictures that begin with "JPEG"
};

inline void addRecord(fake::App& app, const RecordValues& r) {
    app.app->logStartArray.append({r.number, r.start, r.stop, std::string(),
                                   std::string("10:00:00"), std::string(), std::string(),
                                   std::string("07.12.2026"), std::string(),
                                   Picture(r.picture.begin(), r.picture.end())});
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

}  // namespace editor_test
