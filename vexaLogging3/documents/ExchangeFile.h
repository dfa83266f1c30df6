#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "loglist/LogList.h"

// The log exchange file: the text of every record, no pictures, as tab-delimited lines
// behind a fixed heading. Editing systems read it, so the layout is kept byte for byte.
namespace exchange {

// The whole file for a list, header record first: the ten fixed lines, then one row per
// record. Text is UTF-8 (plain ASCII for an ASCII log). A tab or line feed inside a cell
// becomes one blank, so that no later cell shifts when the file is read back.
std::string exchangeText(const LogList& list);

// Writes exchangeText(list) to `path`, replacing the file whole or not at all. A log with a
// control character in a cell is not written: the file could not be read back. Answers the
// empty string on success, otherwise the reason.
std::string writeExchangeFile(const std::string& path, const LogList& list);

struct ExchangeContent {
    // Empty when the file was read; otherwise why not (unreadable, no regular file, not UTF-8
    // text, a control character in a cell, more records than a project file holds, too
    // little memory). The list is then empty.
    std::string error;
    // The file has a data marker ("Data" in any letter case). Without one it holds no log.
    bool hasDataMarker = false;
    // The records of the complete rows, header row first, with empty field 8 and an empty
    // picture; a header-only list (newLogHeader) when the marker is followed by no complete
    // row, so the list always has its header.
    LogList list;
    // The number in the last complete row's Name cell; 0 without rows.
    std::int32_t lastNumber = 0;
};

ExchangeContent parseExchangeText(std::string_view text);
// Reads the file piece by piece: memory holds the list being made, not the file's text.
ExchangeContent readExchangeFile(const std::string& path);

}  // namespace exchange
