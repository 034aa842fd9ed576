#include "settings/XmlWellFormed.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace scope {

namespace xmlcheck {

namespace {

// Bytes of the XML character that starts at text[i]; 0 when none does (bad UTF-8 or no XML character).
size_t CharLength(std::string_view text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t first = byte(i);
    if (first < 0x80)
        return first >= 0x20 || first == '\t' || first == '\n' || first == '\r' ? 1 : 0;
    size_t length;
    uint32_t code;
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        code = first & 0x1Fu;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        code = first & 0x0Fu;
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        code = first & 0x07u;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xC0) != 0x80)
            return 0;
        code = code << 6 | (byte(i + k) & 0x3Fu);
    }
    // Overlong forms, surrogates, the two non-characters at the end of the first plane, and past U+10FFFF.
    const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code == 0xFFFE || code == 0xFFFF ||
        code > 0x10FFFF)
        return 0;
    return length;
}

bool AsciiName(const char *name) {
    for (const char *c = name; *c; ++c)
        if (static_cast<uint8_t>(*c) >= 0x80)
            return false;
    return *name != '\0';
}

bool UniqueAttributeNames(pugi::xml_node element) {
    std::vector<const char *> names;
    for (pugi::xml_attribute a : element.attributes())
        names.push_back(a.name());
    if (names.size() < 2)
        return true;
    const auto less = [](const char *a, const char *b) { return std::strcmp(a, b) < 0; };
    std::sort(names.begin(), names.end(), less);
    return std::adjacent_find(names.begin(), names.end(), [](const char *a, const char *b) {
               return std::strcmp(a, b) == 0;
           }) == names.end();
}

bool NodeValid(pugi::xml_node node) {
    switch (node.type()) {
    case pugi::node_element:
        if (!AsciiName(node.name()) || !UniqueAttributeNames(node))
            return false;
        for (pugi::xml_attribute a : node.attributes())
            if (!AsciiName(a.name()) || !IsXmlText(a.value()))
                return false;
        return true;
    case pugi::node_pcdata:
        return IsXmlText(node.value());
    case pugi::node_cdata:
        // A CDATA section cannot hold its own end.
        return IsXmlText(node.value()) &&
               std::string_view(node.value()).find("]]>") == std::string_view::npos;
    default:
        // Nothing else is kept by the parse the store uses.
        return false;
    }
}

// The end of the reference that starts at text[i] ('&'), or npos when it is none that XML knows.
size_t ReferenceEnd(std::string_view text, size_t i) {
    const size_t semicolon = text.find(';', i + 1);
    if (semicolon == std::string_view::npos || semicolon - i > 12)
        return std::string_view::npos;
    const std::string_view name = text.substr(i + 1, semicolon - i - 1);
    for (const char *known : {"lt", "gt", "amp", "quot", "apos"})
        if (name == known)
            return semicolon + 1;
    const bool hex = name.size() > 2 && name[0] == '#' && name[1] == 'x';
    const bool decimal = name.size() > 1 && name[0] == '#' && !hex;
    if (!hex && !decimal)
        return std::string_view::npos;
    for (const char d : name.substr(hex ? 2 : 1)) {
        const bool digit = d >= '0' && d <= '9';
        const bool letter = (d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F');
        if (!digit && !(hex && letter))
            return std::string_view::npos;
    }
    return semicolon + 1;
}

bool Space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

} // namespace

bool MarkupWellFormed(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    const auto skipPast = [&](size_t from, std::string_view end) {
        const size_t at = text.find(end, from);
        return at == std::string_view::npos ? at : at + end.size();
    };
    size_t depth = 0;
    bool rootSeen = false;
    size_t i = 0;
    while (i < text.size()) {
        const std::string_view rest = text.substr(i);
        if (rest[0] == '&') {
            if (depth == 0)
                return false;
            i = ReferenceEnd(text, i);
        } else if (rest[0] != '<') {
            if (depth == 0 && !Space(rest[0]))
                return false;
            ++i;
            continue;
        } else if (rest.substr(0, 4) == "<!--") {
            i = skipPast(i + 4, "-->");
        } else if (rest.substr(0, 2) == "<?") {
            i = skipPast(i + 2, "?>");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            if (depth == 0)
                return false;
            i = skipPast(i + 9, "]]>");
        } else if (rest.substr(0, 2) == "<!") {
            // A document type declaration, before the root only; its internal subset is skipped whole.
            if (rootSeen)
                return false;
            size_t brackets = 0, j = i + 2;
            for (; j < text.size() && (text[j] != '>' || brackets > 0); ++j) {
                if (text[j] == '[')
                    ++brackets;
                else if (text[j] == ']' && brackets > 0)
                    --brackets;
            }
            i = j < text.size() ? j + 1 : std::string_view::npos;
        } else if (rest.substr(0, 2) == "</") {
            if (depth == 0)
                return false;
            --depth;
            i = skipPast(i + 2, ">");
        } else {
            if (depth == 0 && rootSeen)
                return false;
            char quote = 0;
            size_t j = i + 1;
            for (; j < text.size(); ++j) {
                const char c = text[j];
                if (quote) {
                    if (c == quote)
                        quote = 0;
                    else if (c == '<')
                        return false;
                    else if (c == '&') {
                        const size_t end = ReferenceEnd(text, j);
                        if (end == std::string_view::npos)
                            return false;
                        j = end - 1;
                    }
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (c == '<') {
                    return false;
                } else if (c == '>') {
                    break;
                }
            }
            if (j >= text.size())
                return false;
            rootSeen = true;
            if (text[j - 1] != '/')
                ++depth;
            i = j + 1;
        }
        if (i == std::string_view::npos)
            return false;
    }
    return rootSeen && depth == 0;
}

bool IsXmlText(std::string_view text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = CharLength(text, i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string XmlText(std::string_view text) {
    if (IsXmlText(text))
        return std::string(text);
    std::string clean;
    clean.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = CharLength(text, i);
        if (length == 0) {
            ++i;
            continue;
        }
        clean.append(text, i, length);
        i += length;
    }
    return clean;
}

bool WellFormed(const pugi::xml_document &document) {
    size_t roots = 0;
    for (pugi::xml_node top : document.children()) {
        if (top.type() != pugi::node_element || ++roots > 1)
            return false;
    }
    if (roots != 1)
        return false;
    // Every node in document order, without recursion.
    pugi::xml_node node = document.first_child();
    while (node) {
        if (!NodeValid(node))
            return false;
        if (node.first_child()) {
            node = node.first_child();
            continue;
        }
        while (!node.next_sibling() && node.parent() != document)
            node = node.parent();
        node = node.next_sibling();
    }
    return true;
}

} // namespace xmlcheck

} // namespace scope
