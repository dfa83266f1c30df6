#include "platform/plist/XmlPlistReader.h"

#include <expat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "platform/plist/DataDecodeWorker.h"

namespace platform::plist {

namespace {

constexpr int kReadChunk = 1 << 20;

enum class Leaf { None, Text, Data };

class ArrayParser {
public:
    explicit ArrayParser(XML_Parser parser) : m_parser(parser) {
        XML_SetUserData(parser, this);
        XML_SetElementHandler(parser, &ArrayParser::onStart, &ArrayParser::onEnd);
        XML_SetCharacterDataHandler(parser, &ArrayParser::onText);
        XML_SetEntityDeclHandler(parser, &ArrayParser::onEntityDeclaration);
        XML_SetSkippedEntityHandler(parser, &ArrayParser::onSkippedEntity);
        XML_SetParamEntityParsing(parser, XML_PARAM_ENTITY_PARSING_NEVER);
    }

    // The values read, once every picture is decoded: "", or why they cannot be had.
    std::string finish() { return m_decoder.finish(m_result.entries); }
    ArrayRead& result() { return m_result; }
    // Set when a handler stopped the parser; takes the place of expat's own message.
    const std::string& refusal() const { return m_refusal; }
    bool sawArray() const { return m_arrayDepth > 0; }

private:
    // expat is C: nothing may be thrown through it, so every handler stops the parser on
    // failure instead.
    template <typename Body>
    static void guarded(void* self, Body body) {
        auto* parser = static_cast<ArrayParser*>(self);
        try {
            body(*parser);
        } catch (const std::bad_alloc&) {
            parser->refuse("not enough memory to hold it");
        } catch (const std::length_error&) {
            parser->refuse("not enough memory to hold it");
        } catch (const std::exception& error) {
            parser->refuse(std::string("it cannot be read here (") + error.what() + ")");
        }
    }

    static void onStart(void* self, const XML_Char* name, const XML_Char**) {
        guarded(self, [name](ArrayParser& p) { p.start(name); });
    }
    static void onEnd(void* self, const XML_Char*) {
        guarded(self, [](ArrayParser& p) { p.end(); });
    }
    static void onText(void* self, const XML_Char* text, int length) {
        guarded(self,
                [text, length](ArrayParser& p) { p.text(text, static_cast<std::size_t>(length)); });
    }
    static void onEntityDeclaration(void* self, const XML_Char*, int, const XML_Char*, int,
                                    const XML_Char*, const XML_Char*, const XML_Char*,
                                    const XML_Char*) {
        static_cast<ArrayParser*>(self)->refuse("it declares XML entities");
    }
    static void onSkippedEntity(void* self, const XML_Char* name, int) {
        static_cast<ArrayParser*>(self)->refuse(std::string("it uses the undefined entity &") +
                                                name + ";");
    }

    void refuse(std::string reason) {
        if (m_refusal.empty())
            m_refusal = std::move(reason);
        XML_StopParser(m_parser, XML_FALSE);
    }

    void start(std::string_view name) {
        if (++m_depth > kMaxDepth)
            return refuse("its elements are nested too deeply");
        if (m_skipFrom > 0 || m_arrayDone)
            return;
        if (m_arrayDepth == 0) {
            if (name == "plist" && m_depth == 1)
                return;
            if (name == "array") {
                m_arrayDepth = m_depth;
                return;
            }
            return refuse("its root is not an array");
        }
        if (m_leaf != Leaf::None)
            return refuse("a value holds an element");
        if (m_result.entries.size() >= kMaxEntries)
            return refuse("it holds too many values");
        if (name == "string" || name == "integer" || name == "real" || name == "date") {
            m_leaf = Leaf::Text;
            m_scratchText.clear();
        } else if (name == "data") {
            m_leaf = Leaf::Data;
            // Pictures of one log are much the same size: room for the last one's text.
            m_scratchText = std::string();
            m_scratchText.reserve(m_lastDataText);
        } else if (name == "true" || name == "false") {
            m_result.entries.emplace_back(std::string(name));
        } else if (name == "array" || name == "dict") {
            m_result.entries.emplace_back(std::string());
            m_skipFrom = m_depth;
        } else {
            refuse("it holds the unknown element <" + std::string(name) + ">");
        }
    }

    void end() {
        if (m_skipFrom == m_depth) {
            m_skipFrom = 0;
        } else if (m_depth == m_arrayDepth) {
            m_arrayDone = true;
        } else if (m_leaf == Leaf::Text) {
            m_result.entries.emplace_back(m_scratchText);
        } else if (m_leaf == Leaf::Data) {
            // A place for the picture, filled in when the worker has decoded it.
            m_result.entries.emplace_back(Picture());
            m_lastDataText = m_scratchText.size();
            m_decoder.submit(m_result.entries.size() - 1, std::move(m_scratchText));
        }
        m_leaf = Leaf::None;
        --m_depth;
    }

    void text(const char* text, std::size_t length) {
        if (m_leaf != Leaf::None) {
            if (m_scratchText.size() + length > kMaxValueBytes)
                return tooLarge();
            m_scratchText.append(text, length);
        }
    }

    void tooLarge() { refuse("a value is larger than 1 GiB"); }

    XML_Parser m_parser;
    ArrayRead m_result;
    std::string m_refusal;
    // The text of the value being read. Reused from string to string, so that every stored
    // string is allocated at its final size; a picture's text goes to the decoder whole.
    std::string m_scratchText;
    std::size_t m_lastDataText = 0;
    DataDecodeWorker m_decoder;
    Leaf m_leaf = Leaf::None;
    int m_depth = 0;
    int m_arrayDepth = 0;
    int m_skipFrom = 0;
    bool m_arrayDone = false;
};

struct ParserFree {
    void operator()(XML_Parser parser) const { XML_ParserFree(parser); }
};

}  // namespace

ArrayRead readXmlPropertyList(int fd, const std::string& path, long long fileSize,
                              const std::function<void(double)>& progress) {
    const std::string prefix = "Cannot open " + path + ": ";
    ArrayRead failed;
    std::unique_ptr<XML_ParserStruct, ParserFree> parser(XML_ParserCreate(nullptr));
    if (!parser) {
        failed.error = prefix + "not enough memory";
        return failed;
    }
    ArrayParser reader(parser.get());
    long long done = 0;
    for (;;) {
        void* buffer = XML_GetBuffer(parser.get(), kReadChunk);
        if (buffer == nullptr) {
            failed.error = prefix + "not enough memory";
            return failed;
        }
        ssize_t got = ::read(fd, buffer, kReadChunk);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            failed.error = prefix + std::strerror(errno);
            return failed;
        }
        const bool last = got == 0;
        if (XML_ParseBuffer(parser.get(), static_cast<int>(got), last) != XML_STATUS_OK) {
            failed.error = prefix;
            if (!reader.refusal().empty()) {
                failed.error += reader.refusal();
            } else {
                failed.error += "not a valid XML file (line " +
                                std::to_string(XML_GetCurrentLineNumber(parser.get())) + ": " +
                                XML_ErrorString(XML_GetErrorCode(parser.get())) + ")";
            }
            return failed;
        }
        if (last)
            break;
        done += got;
        if (progress && fileSize > 0)
            progress(static_cast<double>(done) / fileSize);
    }
    if (!reader.sawArray()) {
        failed.error = prefix + "it holds no property-list array";
        return failed;
    }
    if (const std::string reason = reader.finish(); !reason.empty()) {
        failed.error = prefix + reason;
        return failed;
    }
    return std::move(reader.result());
}

}  // namespace platform::plist
