#pragma once

#include <string_view>

namespace share {

// The shared web view's one page (resources/share-page.html), built into the program so that
// nothing is read from disk or fetched from elsewhere to serve it.
std::string_view sharePage();

}  // namespace share
