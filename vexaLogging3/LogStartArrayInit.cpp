#include "loglist/Timecode.h"
#include "vexaLogging3AppDelegate.h"

LogRecord newLogHeader() {
    // Header field 4 is the player's frame-rate code; "1" matches no rate, so a new log
    // leaves the current rate alone when it is opened again.
    return {std::string("Glimmark"), std::string("Version: 1.0"),
            std::string("Ostraven"), std::string(),
            std::string("1"),        std::string(),
            std::string(),           std::string(),
            std::string(),           std::string()};
}

void vexaLogging3AppDelegate::LogStartArrayInit() {
    logStartArray.clear();
    logStartArray.append(newLogHeader());
    logNr = 0;
    m_logNumberNotice.clear();
}

std::string vexaLogging3AppDelegate::DurationCalculate(std::string_view start,
                                                       std::string_view stop) const {
    return timecode::durationCalculate(start, stop);
}
