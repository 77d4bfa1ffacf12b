// The companion file reader of CDocData: NAME.qdx beside the drawing, XML written by the PDM
// system. Reads untrusted input: the file may be missing, empty, binary, truncated, huge or
// malformed; all of that reads as "not managed" (or as absent elements), never as an error.
//
// The format, as read here (element names exact, the first element of a name wins where one
// is expected, attributes carry the data, in document order, the first value of a name kept):
//   <any-root>
//     <config>path of the settings file</config>
//     <settings autocad.xxx="..."/>
//     <document dm_title="..." ...><revisions><revision .../>...</revisions></document>
//     <relations><relation ...><revisions><revision .../></revisions></relation>...</relations>
//     <bomtable><bomhead .../><positions><position .../>...</positions></bomtable>
//   </any-root>
// Names, values and the config text are bytes of the ANSI code page, whatever encoding the
// file declares.
#include "docdata/docdata.h"

#include <shlwapi.h>
#include <tinyxml.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "settings/file_probe.h"

namespace {

// TinyXML parses and frees nested elements recursively, and checks every new attribute against
// all earlier ones of its element. Files nested deeper, or with an element carrying more
// attributes, than these limits are refused before parsing, so that they can neither exhaust
// the stack nor take quadratic time. PDM files nest four deep with a few dozen attributes.
constexpr int kMaxNesting = 2000;
constexpr int kMaxAttributes = 10000;
// Larger companion files are refused unread: the parser holds the whole file and its tree.
constexpr long kMaxFileBytes = 256L * 1024 * 1024;

CString fromAnsi(const char* text) {
    if (text == nullptr || *text == 0) return CString();
    const int bytes = static_cast<int>(std::char_traits<char>::length(text));
    std::vector<wchar_t> wide(static_cast<std::size_t>(bytes) + 1);
    int n = MultiByteToWideChar(CP_THREAD_ACP, 0, text, bytes, wide.data(), bytes);
    // A failed conversion gives empty text.
    if (n <= 0) return CString();
    return CString(wide.data(), n);
}

std::wstring toStd(const CString& text) { return std::wstring(text.view()); }

void readAttributes(const TiXmlElement* element, PropertyMap& target) {
    if (element == nullptr) return;
    for (const TiXmlAttribute* a = element->FirstAttribute(); a != nullptr; a = a->Next())
        target.emplace(toStd(fromAnsi(a->Name())), toStd(fromAnsi(a->Value())));
}

void readList(const TiXmlElement* parent, const char* childName, std::vector<PropertyMap>& target) {
    if (parent == nullptr) return;
    for (const TiXmlNode* node = parent->FirstChild(childName); node != nullptr;
         node = node->NextSibling(childName)) {
        const TiXmlElement* element = node->ToElement();
        if (element == nullptr) continue;
        PropertyMap entry;
        readAttributes(element, entry);
        target.push_back(std::move(entry));
    }
}

// Whether the file stays within the nesting and attribute limits, checked without parsing:
// tags are followed through quoted attribute values; comments, CDATA sections, processing
// instructions and declarations are skipped.
bool withinLimits(std::FILE* file) {
    int depth = 0, deepest = 0, attributes = 0;
    enum { kText, kTagStart, kTag, kQuote, kEndTag, kSkip } state = kText;
    char quote = 0;
    std::string_view skipUntil;  // terminator of the construct being skipped (a literal)
    std::string recent;     // last characters seen, to find that terminator
    char previous = 0;
    std::vector<char> chunk(1 << 16);
    std::size_t got = 0, at = 0;
    for (;;) {
        if (at == got) {
            got = std::fread(chunk.data(), 1, chunk.size(), file);
            at = 0;
            if (got == 0) break;
        }
        const char ch = chunk[at++];
        switch (state) {
            case kText:
                if (ch == '<') {
                    state = kTagStart;
                    recent.assign(1, '<');
                }
                break;
            case kTagStart:
                recent.push_back(ch);
                if (recent == "</") {
                    state = kEndTag;
                } else if (recent == "<?") {
                    state = kSkip;
                    skipUntil = "?>";
                } else if (recent == "<!") {
                    // Decided by the next characters: comment, CDATA or declaration.
                } else if (recent == "<!-") {
                } else if (recent == "<!--") {
                    state = kSkip;
                    skipUntil = "-->";
                } else if (recent.rfind("<![", 0) == 0 && recent.size() < 9) {
                    if (recent == "<![CDATA[") {
                        state = kSkip;
                        skipUntil = "]]>";
                    }
                } else if (recent.rfind("<!", 0) == 0) {
                    state = kSkip;
                    skipUntil = ">";
                } else {
                    state = kTag;
                    previous = ch;
                    attributes = 0;
                    if (ch == '>') {
                        state = kText;
                        if (++depth > deepest) deepest = depth;
                    }
                }
                if (state == kSkip) recent.clear();
                break;
            case kTag:
                if (ch == '=') {
                    ++attributes;
                } else if (ch == '"' || ch == '\'') {
                    quote = ch;
                    state = kQuote;
                } else if (ch == '>') {
                    state = kText;
                    if (previous != '/' && ++depth > deepest) deepest = depth;
                }
                previous = ch;
                break;
            case kQuote:
                if (ch == quote) {
                    state = kTag;
                    previous = ch;
                }
                break;
            case kEndTag:
                if (ch == '>') {
                    state = kText;
                    if (depth > 0) --depth;
                }
                break;
            case kSkip:
                recent.push_back(ch);
                if (recent.size() > skipUntil.size())
                    recent.erase(0, recent.size() - skipUntil.size());
                if (recent == skipUntil) state = kText;
                break;
        }
        if (deepest > kMaxNesting || attributes > kMaxAttributes) return false;
    }
    return true;
}

// The companion path as the file system sees it. It passes through the ANSI code page first,
// as the parser is handed ANSI text on the host platform, so characters outside the code page
// are lost there as well.
std::string fileSystemPath(const wchar_t* path) {
    const int length = static_cast<int>(std::char_traits<wchar_t>::length(path));
    std::vector<char> ansi(static_cast<std::size_t>(length) * 2 + 2, 0);
    int bytes = WideCharToMultiByte(CP_THREAD_ACP, 0, path, length, ansi.data(),
                                    static_cast<int>(ansi.size()) - 1, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    const CString back =
        fromAnsi(std::string(ansi.data(), static_cast<std::size_t>(bytes)).c_str());
    return isRegularFile(back) ? fileSystemPathOf(back) : std::string();
}

// TinyXML (2.6.2) steps over a UTF-8 sequence by the length its lead byte announces, also when
// the text ends inside it, and so reads past the terminator of a file that ends in a lead byte.
// The text it is handed therefore ends in more terminators than any sequence is long.
constexpr std::size_t kParserSlack = 16;

// The whole file as the parser's own file loader would hand it over: up to the first NUL byte,
// CR LF and lone CR turned into LF; then the slack. False when the file cannot be read or is
// empty (the loader refuses an empty file too).
bool readParserText(std::FILE* file, std::string& text) {
    std::vector<char> chunk(1 << 16);
    std::string raw;
    for (std::size_t got; (got = std::fread(chunk.data(), 1, chunk.size(), file)) != 0;)
        raw.append(chunk.data(), got);
    if (std::ferror(file) || raw.empty()) return false;
    const std::size_t end = raw.find('\0');
    text.clear();
    text.reserve((end == std::string::npos ? raw.size() : end) + kParserSlack);
    for (std::size_t i = 0; i < raw.size() && raw[i] != 0; ++i) {
        if (raw[i] != '\r') {
            text.push_back(raw[i]);
        } else {
            text.push_back('\n');
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        }
    }
    text.append(kParserSlack, '\0');
    return true;
}

// Loads the XML document from path; false when it cannot be opened, is outside the limits or
// does not parse.
bool loadXml(TiXmlDocument& doc, const wchar_t* path) {
    const std::string fsPath = fileSystemPath(path);
    if (fsPath.empty()) return false;
    std::FILE* file = std::fopen(fsPath.c_str(), "rb");
    if (file == nullptr) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0 && std::ftell(file) <= kMaxFileBytes;
    if (ok) {
        std::rewind(file);
        ok = withinLimits(file);
    }
    std::string text;
    if (ok) {
        std::rewind(file);
        ok = readParserText(file, text);
    }
    std::fclose(file);
    if (!ok) return false;
    doc.Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
    return !doc.Error();
}

}  // namespace

int CDocData::load(AcDbDatabase* db, const wchar_t* drawingPath, int, int) {
    if (db == nullptr || drawingPath == nullptr || *drawingPath == 0) return 0;
    setPath(drawingPath);

    // The rename works in a MAX_PATH buffer; when the result would not fit, the path stays the
    // drawing's own, which then fails to parse as XML.
    const std::size_t length = std::char_traits<wchar_t>::length(drawingPath);
    std::vector<wchar_t> companion(length + 1 > MAX_PATH ? length + 1 : MAX_PATH, 0);
    std::char_traits<wchar_t>::copy(companion.data(), drawingPath, length);
    PathRenameExtensionW(companion.data(), L".qdx");

    try {
        TiXmlDocument doc;
        if (!loadXml(doc, companion.data())) return 1;
        const TiXmlElement* root = doc.RootElement();
        if (root == nullptr) return 1;

        m_managed = 1;

        // The settings file is loaded before any PDM data is stored.
        const TiXmlElement* config = root->FirstChildElement("config");
        TiXmlNode* first =
            config != nullptr ? const_cast<TiXmlElement*>(config)->FirstChild() : nullptr;
        applyConfig(first != nullptr ? first->ToText() : nullptr);

        readAttributes(root->FirstChildElement("settings"), m_settingsProperties);

        const TiXmlElement* document = root->FirstChildElement("document");
        readAttributes(document, m_document.properties);
        if (document != nullptr)
            readList(document->FirstChildElement("revisions"), "revision", m_document.revisions);

        if (const TiXmlElement* relations = root->FirstChildElement("relations")) {
            for (const TiXmlNode* node = relations->FirstChild("relation"); node != nullptr;
                 node = node->NextSibling("relation")) {
                const TiXmlElement* relation = node->ToElement();
                if (relation == nullptr) continue;
                DocumentRecord record;
                readAttributes(relation, record.properties);
                readList(relation->FirstChildElement("revisions"), "revision", record.revisions);
                m_relations.push_back(std::move(record));
            }
        }

        if (const TiXmlElement* bom = root->FirstChildElement("bomtable")) {
            readAttributes(bom->FirstChildElement("bomhead"), m_bomHead);
            readList(bom->FirstChildElement("positions"), "position", m_bomPositions);
        }
    } catch (...) {
        // Out of memory on a huge file: what was read so far stays; the call still succeeded.
    }
    return 1;
}

int CDocData::applyConfig(TiXmlText* node) {
    if (!m_managed || node == nullptr) return 0;
    m_configPath = fromAnsi(node->Value());
    m_settings.Load(m_configPath);
    return 1;
}
