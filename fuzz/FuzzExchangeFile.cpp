// Arbitrary bytes as an exchange file to import. The list that comes out must keep its
// shape: whole records, the header first.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "documents/ExchangeFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto content =
        exchange::parseExchangeText(std::string_view(reinterpret_cast<const char*>(data), size));
    if (content.error.empty() && content.list.count() % kFieldsPerRecord != 0)
        std::abort();
    if (!content.error.empty() && content.list.count() != 0)
        std::abort();
    return 0;
}
