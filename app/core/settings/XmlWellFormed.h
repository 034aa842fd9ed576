// What a settings document must be for its file to parse with any strict XML parser: the checks the
// document object leaves out when it parses, and the cleaning of texts the program stores.
#pragma once

#include <string>
#include <string_view>

#include <pugixml.hpp>

namespace scope {

namespace xmlcheck {

// UTF-8 of characters an XML document can hold (no control characters but TAB, LF and CR, no surrogates,
// no U+FFFE or U+FFFF).
bool IsXmlText(std::string_view text);
// The text without the bytes that break that rule; the text itself when it keeps it.
std::string XmlText(std::string_view text);
// One element at the top; every element and attribute name ASCII, every text and attribute value
// IsXmlText; no attribute name twice in one element.
bool WellFormed(const pugi::xml_document &document);
// The markup the document object passes over when it parses: every reference is one XML knows, no '<'
// stands in an attribute value, and nothing but white space, comments and processing instructions
// stands before or after the one root element.
bool MarkupWellFormed(std::string_view text);

} // namespace xmlcheck

} // namespace scope
