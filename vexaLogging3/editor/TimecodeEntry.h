#pragma once

#include <string>
#include <string_view>

namespace timecode_entry {

// Turns whatever was typed into a start or stop field into an 11-character timecode
// "HH:MM:SS:FF". Digits fill hours, minutes, seconds and frames two at a time; any other
// byte closes the group being filled (so "1:2" is 01:02); a two-digit group at or above its
// limit becomes the highest value (hours 23, minutes and seconds 59, frames 29, whatever the
// frame rate); missing groups are 00 and surplus digits are dropped. Nothing is rejected: a
// user typing fast gets the nearest timecode instead of an error.
std::string normalise(std::string_view typed);

}  // namespace timecode_entry
