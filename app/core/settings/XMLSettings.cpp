#include "settings/XMLSettings.h"

#include <algorithm>
#include <sstream>

#include "device/DataTypesTarn.h"
#include "format/NumberText.h"
#include "platform/Platform.h"
#include "settings/XmlWellFormed.h"

namespace scope {

namespace {

const char *const RootName = "SETTINGS";
const char *const ItemName = "ITEM";

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Upper(std::string s) {
    for (char &c : s)
        c = UpperAscii(c);
    return s;
}

std::string Lower(std::string s) {
    for (char &c : s)
        c = LowerAscii(c);
    return s;
}

// Non-empty segments of a path, in upper case.
std::vector<std::string> Segments(const std::string &path) {
    std::vector<std::string> result;
    std::string upper = Upper(path);
    size_t pos = 0;
    while (pos < upper.size()) {
        size_t slash = upper.find('/', pos);
        if (slash == std::string::npos)
            slash = upper.size();
        if (slash > pos)
            result.push_back(upper.substr(pos, slash - pos));
        pos = slash + 1;
    }
    return result;
}

// ASCII only: a loaded file must hold ASCII names too.
bool NameStart(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool NameChar(unsigned char c) {
    return NameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// A name that an XML parser reads back; no namespace prefixes.
bool ValidName(const std::string &name) {
    if (name.empty() || !NameStart(static_cast<unsigned char>(name[0])))
        return false;
    for (char c : name)
        if (!NameChar(static_cast<unsigned char>(c)))
            return false;
    return true;
}

// Concatenated text below an element, as a document object's text property gives it. Walked in document
// order without recursion, so no file can exhaust the stack.
std::string NodeText(pugi::xml_node node) {
    std::string text;
    pugi::xml_node child = node.first_child();
    while (child) {
        if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
            text += child.value();
        else if (child.type() == pugi::node_element && child.first_child()) {
            child = child.first_child();
            continue;
        }
        while (!child.next_sibling() && child.parent() != node)
            child = child.parent();
        child = child.next_sibling();
    }
    return text;
}

// Deepest element nesting below the document, root counted as 1; counted without recursion.
int ElementDepth(const pugi::xml_document &document) {
    int depth = 0, deepest = 0;
    pugi::xml_node node = document.first_child();
    while (node) {
        if (node.type() == pugi::node_element) {
            deepest = std::max(deepest, ++depth);
            if (node.first_child()) {
                node = node.first_child();
                continue;
            }
            --depth;
        }
        while (!node.next_sibling() && node.parent() != document) {
            node = node.parent();
            --depth;
        }
        node = node.next_sibling();
    }
    return deepest;
}

void RemoveChildren(pugi::xml_node node) {
    while (pugi::xml_node child = node.first_child())
        node.remove_child(child);
}

void SetText(pugi::xml_node node, const std::string &text) {
    RemoveChildren(node);
    if (!text.empty() && !node.append_child(pugi::node_pcdata).set_value(xmlcheck::XmlText(text).c_str()))
        throw Exception("Unable to store value");
}

std::string HexText(uint32_t value) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text(8, '0');
    for (int i = 7; i >= 0; --i) {
        text[static_cast<size_t>(i)] = digits[value & 15];
        value >>= 4;
    }
    return text;
}

bool ParseFloatText(const std::string &text, double &value) {
    char sep = platform::DecimalSeparator();
    return numtext::TryParseFloat(numtext::NormaliseSeparators(text, sep), sep, value);
}

bool ParseHexText(const std::string &text, int32_t &value) {
    try {
        value = static_cast<int32_t>(TXMLSettings::HexToCardinal(text));
        return true;
    } catch (const Exception &) {
        return false;
    }
}

} // namespace

TXMLSettings::TXMLSettings() {}

bool TXMLSettings::LoadFromFile(const std::string &fileName) {
    std::string raw;
    TooLarge = platform::ReadFileUpTo(fileName, raw, MaxFileSize) == platform::TReadResult::TooLarge;
    std::string text;
    text.reserve(raw.size());
    for (char c : raw)
        if (c != '\t' && c != '\n' && c != '\r')
            text.push_back(c);

    pugi::xml_document loaded;
    pugi::xml_parse_result parsed =
        loaded.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    // Only a settings document replaces the one held; anything else would silently reset every key.
    bool ok = parsed && xmlcheck::WellFormed(loaded) && xmlcheck::MarkupWellFormed(text) &&
              std::string(loaded.document_element().name()) == RootName &&
              ElementDepth(loaded) <= MaxElementDepth;
    if (ok)
        Document.reset(loaded);
    if (!Document.document_element()) {
        pugi::xml_node root = Document.append_child(RootName);
        if (!root)
            throw Exception("Unable to create the settings document");
        SetAttribute(root, "version", "1");
    }
    ResetRoot();
    return ok;
}

std::string TXMLSettings::FileText() const {
    std::ostringstream compact;
    Document.save(compact, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return Reindent(compact.str());
}

bool TXMLSettings::SaveToFile(const std::string &fileName) const {
    try {
        return platform::WriteFileAtomically(fileName, FileText());
    } catch (const std::exception &) {
        return false;
    }
}

std::string TXMLSettings::Reindent(const std::string &compact) {
    std::string out;
    out.reserve(compact.size() + compact.size() / 2);
    std::string tag;
    bool inTag = false;
    bool lastWasOpening = false;
    int level = -1;
    for (char c : compact) {
        if (c == '<') {
            inTag = true;
            tag.assign(1, '<');
            continue;
        }
        if (!inTag) {
            out.push_back(c);
            continue;
        }
        tag.push_back(c);
        if (c != '>')
            continue;
        inTag = false;
        if (tag.size() > 1 && tag[1] == '/') {
            if (!lastWasOpening)
                out.append(static_cast<size_t>(level > 0 ? level : 0), '\t');
            out += tag;
            out += "\r\n";
            --level;
            lastWasOpening = false;
        } else {
            ++level;
            if (lastWasOpening)
                out += "\r\n";
            out.append(static_cast<size_t>(level > 0 ? level : 0), '\t');
            out += tag;
            lastWasOpening = true;
            if (tag.size() >= 2 && tag[tag.size() - 2] == '/') {
                --level;
                out += "\r\n";
                lastWasOpening = false;
            }
        }
    }
    if (inTag)
        out += tag;
    return out;
}

void TXMLSettings::ResetRoot() {
    CurrentRoot = Document.document_element();
}

bool TXMLSettings::NamesElementBelowRoot(const std::string &path) {
    return !Segments(path).empty();
}

pugi::xml_node TXMLSettings::GetNode(const std::string &path) {
    if (!CurrentRoot && !Document.document_element()) {
        // Writes before the first load start the fresh document a failed load would give.
        pugi::xml_node root = Document.append_child(RootName);
        if (!root)
            throw Exception("Unable to create the settings document");
        SetAttribute(root, "version", "1");
        ResetRoot();
    }
    if (!CurrentRoot)
        throw Exception("No settings element is selected");
    const std::vector<std::string> segments = Segments(path);
    // Refused before anything is created: the file must stay readable at the next start.
    for (const std::string &segment : segments)
        if (!ValidName(segment))
            throw Exception("Invalid settings path \"" + path + "\"");
    pugi::xml_node node = CurrentRoot;
    for (const std::string &segment : segments) {
        pugi::xml_node found;
        for (pugi::xml_node child : node.children()) {
            if (child.type() == pugi::node_element && Upper(child.name()) == segment) {
                found = child;
                break;
            }
        }
        if (!found) {
            found = node.append_child(segment.c_str());
            if (!found)
                throw Exception("Unable to create settings element \"" + segment + "\"");
        }
        node = found;
    }
    return node;
}

// Reads walk the same segments with exact names and never create anything.
pugi::xml_node TXMLSettings::FindNode(const std::string &path) const {
    pugi::xml_node node = CurrentRoot;
    for (const std::string &segment : Segments(path)) {
        if (!node)
            break;
        node = node.child(segment.c_str());
    }
    return node;
}

pugi::xml_node TXMLSettings::FindTypedNode(const std::string &path, const std::string &typeName) const {
    pugi::xml_node node = FindNode(path);
    if (!node)
        return {};
    pugi::xml_attribute type = node.attribute("type");
    if (!type || typeName != type.value())
        return {};
    return node;
}

void TXMLSettings::SetAttribute(pugi::xml_node element, const std::string &name, const std::string &value) {
    element.remove_attribute(name.c_str());
    pugi::xml_attribute attr = element.append_attribute(name.c_str());
    if (!attr || !attr.set_value(xmlcheck::XmlText(value).c_str()))
        throw Exception("Unable to set attribute \"" + name + "\"");
}

void TXMLSettings::WriteScalar(const std::string &path, const char *typeName, const std::string &text) {
    pugi::xml_node node = GetNode(path);
    SetAttribute(node, "type", typeName);
    SetText(node, text);
}

void TXMLSettings::WriteInt(const std::string &path, int32_t value) {
    WriteScalar(path, "int", std::to_string(value));
}

int32_t TXMLSettings::ReadInt(const std::string &path, int32_t def) const {
    pugi::xml_node node = FindTypedNode(path, "int");
    int32_t value;
    return node && numtext::TryParseInt(NodeText(node), value) ? value : def;
}

void TXMLSettings::WriteHex(const std::string &path, uint32_t value) {
    WriteScalar(path, "hex", HexText(value));
}

uint32_t TXMLSettings::ReadHex(const std::string &path, uint32_t def) const {
    pugi::xml_node node = FindTypedNode(path, "hex");
    int32_t value;
    return node && ParseHexText(NodeText(node), value) ? static_cast<uint32_t>(value) : def;
}

void TXMLSettings::WriteBool(const std::string &path, bool value) {
    WriteScalar(path, "bool", value ? "true" : "false");
}

bool TXMLSettings::ReadBool(const std::string &path, bool def) const {
    pugi::xml_node node = FindTypedNode(path, "bool");
    if (!node)
        return def;
    std::string text = Lower(NodeText(node));
    return text == "true" ? true : text == "false" ? false : def;
}

void TXMLSettings::WriteFloat(const std::string &path, double value) {
    WriteScalar(path, "float", numtext::FloatToText(value, platform::DecimalSeparator()));
}

double TXMLSettings::ReadFloat(const std::string &path, double def) const {
    pugi::xml_node node = FindTypedNode(path, "float");
    double value;
    return node && ParseFloatText(NodeText(node), value) ? value : def;
}

void TXMLSettings::WriteString(const std::string &path, const std::string &value) {
    WriteScalar(path, "string", value);
}

std::string TXMLSettings::ReadString(const std::string &path, const std::string &def) const {
    pugi::xml_node node = FindTypedNode(path, "string");
    return node ? NodeText(node) : def;
}

pugi::xml_node TXMLSettings::ClearArray(const std::string &path, const std::string &typeName, size_t count) {
    pugi::xml_node node = GetNode(path);
    RemoveChildren(node);
    SetAttribute(node, "type", typeName);
    SetAttribute(node, "length", std::to_string(count));
    return node;
}

template <typename T, typename Convert>
std::vector<T> TXMLSettings::ReadArray(const std::string &path, const char *typeName,
                                       const std::vector<T> &def, Convert convert) const {
    std::vector<T> result = def;
    pugi::xml_node node = FindTypedNode(path, typeName);
    if (!node)
        return result;
    for (pugi::xml_node item : node.children(ItemName)) {
        int32_t index = -1;
        if (pugi::xml_attribute attr = item.attribute("index")) {
            if (!numtext::TryParseInt(attr.value(), index))
                return def;
        }
        if (index < 0 || static_cast<size_t>(index) >= def.size())
            continue;
        if (!convert(NodeText(item), result[static_cast<size_t>(index)]))
            return def;
    }
    return result;
}

void TXMLSettings::WriteIntArray(const std::string &path, const TIntArray &values) {
    pugi::xml_node node = ClearArray(path, "intarray", values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        pugi::xml_node item = node.append_child(ItemName);
        SetAttribute(item, "index", std::to_string(i));
        SetText(item, std::to_string(values[i]));
    }
}

TIntArray TXMLSettings::ReadIntArray(const std::string &path, const TIntArray &def) const {
    return ReadArray(path, "intarray", def, [](const std::string &text, int32_t &value) {
        return numtext::TryParseInt(text, value);
    });
}

void TXMLSettings::WriteHexArray(const std::string &path, const THexArray &values) {
    pugi::xml_node node = ClearArray(path, "hexarray", values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        pugi::xml_node item = node.append_child(ItemName);
        SetAttribute(item, "index", std::to_string(i));
        SetText(item, HexText(static_cast<uint32_t>(values[i])));
    }
}

THexArray TXMLSettings::ReadHexArray(const std::string &path, const THexArray &def) const {
    return ReadArray(path, "hexarray", def, ParseHexText);
}

void TXMLSettings::WriteBoolArray(const std::string &path, const TBoolArray &values) {
    pugi::xml_node node = ClearArray(path, "boolarray", values.size());
    for (size_t i = 0; i < values.size(); ++i) {
        pugi::xml_node item = node.append_child(ItemName);
        SetAttribute(item, "index", std::to_string(i));
        SetText(item, values[i] ? "true" : "false");
    }
}

TBoolArray TXMLSettings::ReadBoolArray(const std::string &path, const TBoolArray &def) const {
    return ReadArray(path, "boolarray", def, [](const std::string &text, uint8_t &value) {
        std::string lower = Lower(text);
        if (lower == "true")
            value = 1;
        else if (lower == "false")
            value = 0;
        return true;
    });
}

std::string TXMLSettings::ReadText(const std::string &path, const std::string &typeName) const {
    pugi::xml_node node = FindTypedNode(path, typeName);
    if (!node)
        throw Exception("Unable to obtain requested value");
    return NodeText(node);
}

pugi::xml_node TXMLSettings::BeginArray(const std::string &path, const std::string &typeName, int32_t count) {
    return ClearArray(path, typeName, static_cast<size_t>(count < 0 ? 0 : count));
}

pugi::xml_node TXMLSettings::AddArrayItem(const std::string &path, int32_t index) {
    pugi::xml_node item = GetNode(path).append_child(ItemName);
    if (!item)
        throw Exception("Unable to add an array item");
    SetAttribute(item, "index", std::to_string(index));
    return item;
}

int32_t TXMLSettings::ReadArrayLength(const std::string &path, const std::string &typeName) const {
    pugi::xml_node node = FindTypedNode(path, typeName);
    if (!node)
        return -1;
    pugi::xml_attribute attr = node.attribute("length");
    int32_t length;
    if (!attr || !numtext::TryParseInt(attr.value(), length) || length < 0)
        return -1;
    // A length beyond the items present is damage, not a request for that many records.
    size_t present = 0;
    for (pugi::xml_node item : node.children(ItemName)) {
        (void)item;
        ++present;
    }
    return static_cast<size_t>(length) > present ? -1 : length;
}

std::vector<pugi::xml_node> TXMLSettings::SelectArrayItems(const std::string &path,
                                                           const std::string &typeName) const {
    std::vector<pugi::xml_node> items;
    if (pugi::xml_node node = FindTypedNode(path, typeName))
        for (pugi::xml_node item : node.children(ItemName))
            items.push_back(item);
    return items;
}

int32_t TXMLSettings::ItemIndex(pugi::xml_node item) {
    int32_t index;
    pugi::xml_attribute attr = item.attribute("index");
    return attr && numtext::TryParseInt(attr.value(), index) ? index : -1;
}

uint32_t TXMLSettings::HexToCardinal(const std::string &text) {
    std::string upper = Upper(text);
    uint32_t result = 0;
    uint32_t weight = 1;
    for (size_t i = upper.size(); i-- > 0;) {
        char c = upper[i];
        uint32_t digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'F')
            digit = static_cast<uint32_t>(c - 'A' + 10);
        else
            throw Exception("Unable to convert hex into cardinal");
        result += weight * digit;
        weight *= 16;
    }
    return result;
}

} // namespace scope
