#pragma once

#include <string>
#include <vector>

namespace videotest {

// Every warning and critical that GLib, GObject or GStreamer logged since the last call. The
// catcher is installed before main() in any program that links this; the messages still go
// to the terminal as usual.
std::vector<std::string> takeGlibWarnings();

}  // namespace videotest
