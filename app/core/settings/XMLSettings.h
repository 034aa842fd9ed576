// Typed values at slash-separated paths in one XML document.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace scope {

using TIntArray = std::vector<int32_t>;
using THexArray = std::vector<int32_t>;
// One byte per element: 0 false, 1 true.
using TBoolArray = std::vector<uint8_t>;

// A path names one element per segment below the current root, in upper case: "/device/horizontal/memsize"
// is DEVICE/HORIZONTAL/MEMSIZE. Writes create missing elements; reads never do and fall back to the
// caller's default. The file is the compact document re-indented with TABs and CR LF line ends.
class TXMLSettings {
public:
    // No settings tree comes near this depth; a deeper file is refused as damaged, since re-indenting it
    // would make the saved file grow with the square of its depth.
    static constexpr int MaxElementDepth = 64;

    TXMLSettings();
    TXMLSettings(const TXMLSettings &) = delete;
    TXMLSettings &operator=(const TXMLSettings &) = delete;

    // True when the file held a well-formed settings document no deeper than MaxElementDepth, which then
    // replaces the current one. Otherwise the previous document stays (a fresh store gets an empty SETTINGS
    // root) and the result is false.
    bool LoadFromFile(const std::string &fileName);
    // Writes through a temporary file; false leaves the old file as it was.
    bool SaveToFile(const std::string &fileName) const;
    // The exact text SaveToFile writes.
    std::string FileText() const;

    void ResetRoot();
    // Paths start at the current root; record arrays point it at one item at a time.
    void SetRoot(pugi::xml_node element) { CurrentRoot = element; }
    pugi::xml_node Root() const { return CurrentRoot; }

    // The element of the path, created as needed; raises Exception for a segment that is no XML name.
    pugi::xml_node GetNode(const std::string &path);
    // Whether the path names an element below the current root: a path without a segment (empty, or
    // slashes alone) names the root itself.
    static bool NamesElementBelowRoot(const std::string &path);
    // The element of the path when its type attribute is exactly typeName; null otherwise.
    pugi::xml_node FindTypedNode(const std::string &path, const std::string &typeName) const;

    void WriteInt(const std::string &path, int32_t value);
    int32_t ReadInt(const std::string &path, int32_t def) const;
    void WriteHex(const std::string &path, uint32_t value);
    uint32_t ReadHex(const std::string &path, uint32_t def) const;
    void WriteBool(const std::string &path, bool value);
    bool ReadBool(const std::string &path, bool def) const;
    void WriteFloat(const std::string &path, double value);
    double ReadFloat(const std::string &path, double def) const;
    void WriteString(const std::string &path, const std::string &value);
    std::string ReadString(const std::string &path, const std::string &def) const;

    // Reads take their length from the default: items outside it are ignored, missing ones keep the
    // default, and one unconvertible item or index gives the whole default back.
    void WriteIntArray(const std::string &path, const TIntArray &values);
    TIntArray ReadIntArray(const std::string &path, const TIntArray &def) const;
    void WriteHexArray(const std::string &path, const THexArray &values);
    THexArray ReadHexArray(const std::string &path, const THexArray &def) const;
    void WriteBoolArray(const std::string &path, const TBoolArray &values);
    TBoolArray ReadBoolArray(const std::string &path, const TBoolArray &def) const;

    // Text of the typed element; raises Exception "Unable to obtain requested value" when there is none.
    std::string ReadText(const std::string &path, const std::string &typeName) const;

    // Arrays of records: each item becomes the current root while its fields are written or read.
    pugi::xml_node BeginArray(const std::string &path, const std::string &typeName, int32_t count);
    pugi::xml_node AddArrayItem(const std::string &path, int32_t index);
    // The length attribute; -1 when the element or attribute is missing, not a number, negative or
    // larger than the items present.
    int32_t ReadArrayLength(const std::string &path, const std::string &typeName) const;
    // The ITEM children of the typed element, in document order; empty when it is missing.
    std::vector<pugi::xml_node> SelectArrayItems(const std::string &path, const std::string &typeName) const;
    // The index attribute of an item; -1 when it is missing or not a number.
    static int32_t ItemIndex(pugi::xml_node item);

    static void SetAttribute(pugi::xml_node element, const std::string &name, const std::string &value);
    // Raises Exception "Unable to convert hex into cardinal".
    static uint32_t HexToCardinal(const std::string &text);
    // Re-indents a compact serialisation into the file text.
    static std::string Reindent(const std::string &compact);

    // No settings file comes near this size; a larger one (or an endless one) is refused unread.
    static constexpr uint64_t MaxFileSize = 64u << 20;
    // Whether the last LoadFromFile refused its file for being larger than MaxFileSize.
    bool LastFileTooLarge() const { return TooLarge; }

private:
    pugi::xml_node FindNode(const std::string &path) const;
    void WriteScalar(const std::string &path, const char *typeName, const std::string &text);
    pugi::xml_node ClearArray(const std::string &path, const std::string &typeName, size_t count);
    template <typename T, typename Convert>
    std::vector<T> ReadArray(const std::string &path, const char *typeName, const std::vector<T> &def,
                             Convert convert) const;

    pugi::xml_document Document;
    pugi::xml_node CurrentRoot;
    bool TooLarge = false;
};

} // namespace scope
