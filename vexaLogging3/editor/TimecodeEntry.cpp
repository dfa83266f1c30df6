// Typing a start or stop timecode into the editor.

#include "editor/TimecodeEntry.h"

#include <array>

#include "vexaLogging3AppDelegate.h"

namespace timecode_entry {

namespace {

struct Group {
    const char* highest;
    int limit;
};
constexpr std::array<Group, 4> kGroups{{{"23", 24}, {"59", 60}, {"59", 60}, {"29", 30}}};

}  // namespace

std::string normalise(std::string_view typed) {
    std::array<std::string, 4> groups;
    for (const char c : typed) {
        if (c >= '0' && c <= '9') {
            for (std::string& g : groups) {
                if (g.size() < 2) {
                    g += c;
                    break;
                }
            }
            continue;
        }
        // A separator: only the group being filled can hold a single digit. UTF-8 bytes of
        // other characters land here too, one separator each, which changes nothing more.
        for (std::string& g : groups) {
            if (g.size() == 1)
                g.insert(g.begin(), '0');
        }
    }
    std::string out;
    for (std::size_t k = 0; k < groups.size(); ++k) {
        std::string& g = groups[k];
        if (g.empty())
            g = "00";
        else if (g.size() == 1)
            g.insert(g.begin(), '0');
        else if ((g[0] - '0') * 10 + (g[1] - '0') >= kGroups[k].limit)
            g = kGroups[k].highest;
        if (k > 0)
            out += ':';
        out += g;
    }
    return out;
}

}  // namespace timecode_entry

void vexaLogging3AppDelegate::txtEditStartChg() {
    // The start can never be empty: an emptied field stands for 00:00:00:00.
    storeTypedTimecode(*outlets.txtEditStart, kFieldStart, false);
}

void vexaLogging3AppDelegate::txtEditStopChg() {
    // An emptied stop field takes the stop away, leaving the record open.
    storeTypedTimecode(*outlets.txtEditStop, kFieldStop, true);
}

void vexaLogging3AppDelegate::storeTypedTimecode(platform::TextField& field, int recordField,
                                                 bool emptyAllowed) {
    if (fullScreenMode || logNr == 0 || !logStartArray.hasRecords() || logEditPos < 1 ||
        logEditPos > logStartArray.recordCount())
        return;
    m_typedSinceCommit = false;
    std::string text = field.text();
    if (!(emptyAllowed && text.empty()))
        text = timecode_entry::normalise(text);
    // Shown in its clean form even when the record keeps what it had, and no longer typed: a
    // stop emptied and committed must not be stored again over the next stop of its take.
    field.setText(text);
    const std::size_t index = LogList::indexOf(logEditPos, recordField);
    if (text == logStartArray.text(index))
        return;
    // Comments typed into this record before the times would be lost to the refresh below.
    LogEditCommentSichern();
    {
        EditStep step(*this, recordField == kFieldStart ? "Start Time" : "Stop Time");
        storeValue(index, std::move(text));
    }
    LogActualWrite();
    editChangeFlag = 1;
}
