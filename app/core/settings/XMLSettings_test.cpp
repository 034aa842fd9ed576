#include "settings/XMLSettings.h"

#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "testkit/TestFolder.h"

#include "device/DataTypesTarn.h"
#include "platform/Platform.h"

namespace scope {

namespace fs = std::filesystem;

namespace {

// Stores in a folder of their own per test.
class XMLSettingsTest : public TTestFolder {
protected:
    // A store holding the given file text.
    void LoadText(TXMLSettings &store, const std::string &text) {
        ASSERT_TRUE(store.LoadFromFile(WriteFile("in.xml", text)));
    }
    void LoadFresh(TXMLSettings &store) { EXPECT_FALSE(store.LoadFromFile(PathOf("missing.xml"))); }
};

TEST_F(XMLSettingsTest, FreshStoreWritesTheIndentedFileWithCrLfAfterEveryLine) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteInt("/device/horizontal/memsize", 8192);
    const std::string expected = "<SETTINGS version=\"1\">\r\n"
                                 "\t<DEVICE>\r\n"
                                 "\t\t<HORIZONTAL>\r\n"
                                 "\t\t\t<MEMSIZE type=\"int\">8192</MEMSIZE>\r\n"
                                 "\t\t</HORIZONTAL>\r\n"
                                 "\t</DEVICE>\r\n"
                                 "</SETTINGS>\r\n";
    EXPECT_EQ(store.FileText(), expected);
    ASSERT_TRUE(store.SaveToFile(PathOf("settings.xml")));
    EXPECT_EQ(ReadFile(PathOf("settings.xml")), expected);
}

TEST_F(XMLSettingsTest, EmptyStoreIsOneSelfClosingRoot) {
    TXMLSettings store;
    LoadFresh(store);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\"/>\r\n");
}

TEST_F(XMLSettingsTest, StoreThatWasNeverLoadedReadsDefaultsAndWritesAFreshDocument) {
    TXMLSettings store;
    EXPECT_EQ(store.ReadInt("/a", 4), 4);
    EXPECT_TRUE(store.SelectArrayItems("/a", "intarray").empty());
    store.WriteInt("/a", 1);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\">\r\n\t<A type=\"int\">1</A>\r\n</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, EveryValueTypeHasItsTextForm) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteInt("/a/int", -42);
    store.WriteHex("/a/hex", 255);
    store.WriteHex("/a/allones", static_cast<uint32_t>(-1));
    store.WriteBool("/a/yes", true);
    store.WriteBool("/a/no", false);
    store.WriteFloat("/a/float", 0.7);
    store.WriteFloat("/a/big", 1e20);
    store.WriteString("/a/text", "x<y & \"z\"");
    store.WriteString("/a/empty", "");
    store.WriteIntArray("/b/ints", {3, -1});
    store.WriteHexArray("/b/hexes", {0x10, -2});
    store.WriteBoolArray("/b/bools", {1, 0});
    store.WriteIntArray("/b/none", {});
    const std::string expected = "<SETTINGS version=\"1\">\r\n"
                                 "\t<A>\r\n"
                                 "\t\t<INT type=\"int\">-42</INT>\r\n"
                                 "\t\t<HEX type=\"hex\">000000FF</HEX>\r\n"
                                 "\t\t<ALLONES type=\"hex\">FFFFFFFF</ALLONES>\r\n"
                                 "\t\t<YES type=\"bool\">true</YES>\r\n"
                                 "\t\t<NO type=\"bool\">false</NO>\r\n"
                                 "\t\t<FLOAT type=\"float\">0.7</FLOAT>\r\n"
                                 "\t\t<BIG type=\"float\">1E20</BIG>\r\n"
                                 "\t\t<TEXT type=\"string\">x&lt;y &amp; \"z\"</TEXT>\r\n"
                                 "\t\t<EMPTY type=\"string\"/>\r\n"
                                 "\t</A>\r\n"
                                 "\t<B>\r\n"
                                 "\t\t<INTS type=\"intarray\" length=\"2\">\r\n"
                                 "\t\t\t<ITEM index=\"0\">3</ITEM>\r\n"
                                 "\t\t\t<ITEM index=\"1\">-1</ITEM>\r\n"
                                 "\t\t</INTS>\r\n"
                                 "\t\t<HEXES type=\"hexarray\" length=\"2\">\r\n"
                                 "\t\t\t<ITEM index=\"0\">00000010</ITEM>\r\n"
                                 "\t\t\t<ITEM index=\"1\">FFFFFFFE</ITEM>\r\n"
                                 "\t\t</HEXES>\r\n"
                                 "\t\t<BOOLS type=\"boolarray\" length=\"2\">\r\n"
                                 "\t\t\t<ITEM index=\"0\">true</ITEM>\r\n"
                                 "\t\t\t<ITEM index=\"1\">false</ITEM>\r\n"
                                 "\t\t</BOOLS>\r\n"
                                 "\t\t<NONE type=\"intarray\" length=\"0\"/>\r\n"
                                 "\t</B>\r\n"
                                 "</SETTINGS>\r\n";
    EXPECT_EQ(store.FileText(), expected);

    // What was written reads back from the saved file.
    ASSERT_TRUE(store.SaveToFile(PathOf("s.xml")));
    TXMLSettings back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("s.xml")));
    EXPECT_EQ(back.ReadInt("/a/int", 0), -42);
    EXPECT_EQ(back.ReadHex("/a/hex", 0), 255u);
    EXPECT_EQ(back.ReadHex("/a/allones", 0), 0xFFFFFFFFu);
    EXPECT_TRUE(back.ReadBool("/a/yes", false));
    EXPECT_FALSE(back.ReadBool("/a/no", true));
    EXPECT_DOUBLE_EQ(back.ReadFloat("/a/float", 0), 0.7);
    EXPECT_DOUBLE_EQ(back.ReadFloat("/a/big", 0), 1e20);
    EXPECT_EQ(back.ReadString("/a/text", ""), "x<y & \"z\"");
    EXPECT_EQ(back.ReadString("/a/empty", "default"), "");
    EXPECT_EQ(back.ReadIntArray("/b/ints", {0, 0}), (TIntArray{3, -1}));
    EXPECT_EQ(back.ReadHexArray("/b/hexes", {0, 0}), (THexArray{0x10, -2}));
    EXPECT_EQ(back.ReadBoolArray("/b/bools", {0, 1}), (TBoolArray{1, 0}));
    EXPECT_EQ(back.FileText(), expected);
}

TEST_F(XMLSettingsTest, WritesReuseElementsWhateverTheLetterCase) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteBool("/visual/screen/zoomon", false);
    store.WriteBool("/Visual//SCREEN/ZoomOn", true);
    store.WriteBool("visual/screen/zoomon/", true);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\">\r\n"
                                "\t<VISUAL>\r\n"
                                "\t\t<SCREEN>\r\n"
                                "\t\t\t<ZOOMON type=\"bool\">true</ZOOMON>\r\n"
                                "\t\t</SCREEN>\r\n"
                                "\t</VISUAL>\r\n"
                                "</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, LowerCaseElementOfAHandEditedFileIsReusedByWritesButNeverRead) {
    TXMLSettings store;
    LoadText(
        store,
        "<SETTINGS version=\"1\">\r\n\t<DEVICE>\r\n\t\t<HORIZONTAL>\r\n"
        "\t\t\t<memsize type=\"int\">4096</memsize>\r\n\t\t</HORIZONTAL>\r\n\t</DEVICE>\r\n</SETTINGS>\r\n");
    EXPECT_EQ(store.ReadInt("/device/horizontal/memsize", 11), 11);
    store.WriteInt("/device/horizontal/memsize", 5);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\">\r\n"
                                "\t<DEVICE>\r\n"
                                "\t\t<HORIZONTAL>\r\n"
                                "\t\t\t<memsize type=\"int\">5</memsize>\r\n"
                                "\t\t</HORIZONTAL>\r\n"
                                "\t</DEVICE>\r\n"
                                "</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, ScalarReadsConvertOrFallBackToTheDefault) {
    TXMLSettings store;
    LoadText(store, "<SETTINGS>"
                    "<I1 type=\"int\">12a</I1><I2 type=\"int\"> 7</I2><I3 type=\"int\">-15</I3>"
                    "<I4 type=\"int\">99999999999</I4><I5 type=\"hex\">7</I5>"
                    "<B1 type=\"bool\">TRUE</B1><B2 type=\"bool\">False</B2><B3 type=\"bool\">yes</B3>"
                    "<H1 type=\"hex\">ff</H1><H2 type=\"hex\"></H2><H3 type=\"hex\">1G</H3>"
                    "<H4 type=\"hex\">123456789</H4>"
                    "<F1 type=\"float\">0,7</F1><F2 type=\"float\">0.25</F2><F3 type=\"float\">nan</F3>"
                    "<F4 type=\"float\">inf</F4><F5 type=\"float\">0x10</F5><F6 type=\"float\">-1.5E3</F6>"
                    "</SETTINGS>");
    // int
    EXPECT_EQ(store.ReadInt("/i1", 3), 3);
    EXPECT_EQ(store.ReadInt("/i2", 3), 3);
    EXPECT_EQ(store.ReadInt("/i3", 3), -15);
    EXPECT_EQ(store.ReadInt("/i4", 3), 3);
    EXPECT_EQ(store.ReadInt("/i5", 3), 3) << "wrong type attribute";
    EXPECT_EQ(store.ReadInt("/missing", 3), 3);
    // bool
    EXPECT_TRUE(store.ReadBool("/b1", false));
    EXPECT_FALSE(store.ReadBool("/b2", true));
    EXPECT_TRUE(store.ReadBool("/b3", true));
    EXPECT_FALSE(store.ReadBool("/b3", false));
    // hex
    EXPECT_EQ(store.ReadHex("/h1", 1), 255u);
    EXPECT_EQ(store.ReadHex("/h2", 1), 0u);
    EXPECT_EQ(store.ReadHex("/h3", 1), 1u);
    EXPECT_EQ(store.ReadHex("/h4", 1), 0x23456789u);
    // float under both separators
    for (char separator : {'.', ','}) {
        platform::SetDecimalSeparator(separator);
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f1", 9), 0.7) << separator;
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f2", 9), 0.25) << separator;
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f3", 9), 9) << separator;
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f4", 9), 9) << separator;
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f5", 9), 9) << separator;
        EXPECT_DOUBLE_EQ(store.ReadFloat("/f6", 9), -1500) << separator;
    }
}

TEST_F(XMLSettingsTest, FloatWrittenUnderACommaLocaleReadsBackUnderAPointLocale) {
    TXMLSettings store;
    LoadFresh(store);
    platform::SetDecimalSeparator(',');
    store.WriteFloat("/v", 0.7);
    store.WriteFloat("/nan", std::numeric_limits<double>::quiet_NaN());
    ASSERT_TRUE(store.SaveToFile(PathOf("c.xml")));
    EXPECT_NE(ReadFile(PathOf("c.xml")).find("<V type=\"float\">0,7</V>"), std::string::npos);
    EXPECT_NE(ReadFile(PathOf("c.xml")).find("<NAN type=\"float\">N/A</NAN>"), std::string::npos);
    platform::SetDecimalSeparator('.');
    TXMLSettings back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("c.xml")));
    EXPECT_DOUBLE_EQ(back.ReadFloat("/v", 0), 0.7);
    EXPECT_DOUBLE_EQ(back.ReadFloat("/nan", 2), 2);
}

TEST_F(XMLSettingsTest, ArrayReadsTakeTheirLengthFromTheDefault) {
    TXMLSettings store;
    LoadText(store,
             "<SETTINGS>"
             "<LONG type=\"intarray\" length=\"3\"><ITEM index=\"0\">5</ITEM><ITEM index=\"1\">6</ITEM>"
             "<ITEM index=\"2\">7</ITEM></LONG>"
             "<SPARSE type=\"intarray\" length=\"3\"><ITEM index=\"2\">9</ITEM><ITEM>8</ITEM>"
             "<ITEM index=\"-1\">8</ITEM><ITEM index=\"0\">1</ITEM></SPARSE>"
             "<BADINDEX type=\"intarray\" length=\"2\"><ITEM index=\"0\">5</ITEM><ITEM index=\"x\">6</ITEM>"
             "</BADINDEX>"
             "<BADVALUE type=\"intarray\" length=\"2\"><ITEM index=\"0\">5</ITEM><ITEM index=\"1\">q</ITEM>"
             "</BADVALUE>"
             "<HEX type=\"hexarray\" length=\"2\"><ITEM index=\"1\">ff</ITEM></HEX>"
             "<BADHEX type=\"hexarray\" length=\"2\"><ITEM index=\"0\">1</ITEM><ITEM index=\"1\">z</ITEM>"
             "</BADHEX>"
             "<BOOLS type=\"boolarray\" length=\"3\"><ITEM index=\"0\">TRUE</ITEM>"
             "<ITEM index=\"1\">maybe</ITEM><ITEM index=\"2\">false</ITEM></BOOLS>"
             "</SETTINGS>");
    EXPECT_EQ(store.ReadIntArray("/long", {0, 0}), (TIntArray{5, 6}));
    EXPECT_EQ(store.ReadIntArray("/long", {0, 0, 0, 0}), (TIntArray{5, 6, 7, 0}));
    EXPECT_EQ(store.ReadIntArray("/sparse", {4, 4, 4}), (TIntArray{1, 4, 9}));
    EXPECT_EQ(store.ReadIntArray("/badindex", {1, 2}), (TIntArray{1, 2}));
    EXPECT_EQ(store.ReadIntArray("/badvalue", {1, 2}), (TIntArray{1, 2}));
    EXPECT_EQ(store.ReadIntArray("/hex", {1, 2}), (TIntArray{1, 2})) << "wrong type";
    EXPECT_EQ(store.ReadHexArray("/hex", {1, 2}), (THexArray{1, 255}));
    EXPECT_EQ(store.ReadHexArray("/badhex", {3, 4}), (THexArray{3, 4}));
    EXPECT_EQ(store.ReadBoolArray("/bools", {0, 1, 1}), (TBoolArray{1, 1, 0}));
    EXPECT_EQ(store.ReadBoolArray("/missing", {0, 1}), (TBoolArray{0, 1}));
}

TEST_F(XMLSettingsTest, ArrayWriteReplacesEverythingInTheElement) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteString("/x", "old");
    store.WriteIntArray("/x", {1, 2, 3});
    store.WriteIntArray("/x", {4});
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\">\r\n"
                                "\t<X type=\"intarray\" length=\"1\">\r\n"
                                "\t\t<ITEM index=\"0\">4</ITEM>\r\n"
                                "\t</X>\r\n"
                                "</SETTINGS>\r\n");
    store.WriteInt("/x", 7);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\">\r\n"
                                "\t<X length=\"1\" type=\"int\">7</X>\r\n"
                                "</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, TabsAndLineBreaksInAStringAreLostAfterSaveAndLoad) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteString("/s", "a\tb\r\nc\nd");
    EXPECT_EQ(store.ReadString("/s", ""), "a\tb\r\nc\nd");
    ASSERT_TRUE(store.SaveToFile(PathOf("t.xml")));
    TXMLSettings back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("t.xml")));
    EXPECT_EQ(back.ReadString("/s", ""), "abcd");
}

TEST_F(XMLSettingsTest, HexToCardinal) {
    const std::pair<const char *, uint32_t> good[] = {
        {"ff", 255}, {"", 0}, {"FFFFFFFF", 0xFFFFFFFF}, {"0001", 1}, {"aBc", 0xABC}, {"1000000000", 0},
    };
    for (const auto &[text, value] : good)
        EXPECT_EQ(TXMLSettings::HexToCardinal(text), value) << text;
    for (const char *text : {"1G", " 1", "-1", "0x1", "12345678Z"}) {
        try {
            TXMLSettings::HexToCardinal(text);
            ADD_FAILURE() << text;
        } catch (const Exception &e) {
            EXPECT_STREQ(e.what(), "Unable to convert hex into cardinal") << text;
        }
    }
}

TEST_F(XMLSettingsTest, DamagedOrForeignFileIsAFailedLoadThatKeepsTheDocument) {
    TXMLSettings store;
    LoadFresh(store);
    EXPECT_EQ(store.FileText(), "<SETTINGS version=\"1\"/>\r\n");
    LoadText(store, "<SETTINGS><KEEP type=\"int\">1</KEEP></SETTINGS>");
    const std::string kept = store.FileText();

    for (const char *text :
         {"<SETTINGS><KEEP type=\"int\">2</KEEP>", "<OTHER><KEEP type=\"int\">3</KEEP></OTHER>", "",
          "not xml at all", "<settings><KEEP type=\"int\">4</KEEP></settings>",
          // Not well-formed, though the document object takes them.
          "<SETTINGS><KEEP type=\"bool\" type=\"int\">5</KEEP></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">6</KEEP></SETTINGS><SETTINGS/>",
          "<SETTINGS><KEEP type=\"int\">7</KEEP><S type=\"string\">&#1;</S></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">8</KEEP><S type=\"string\">\xFF</S></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\" t=\"\xED\xA0\x80\">9</KEEP></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">10</KEEP><\xC3\x9C type=\"int\">1</\xC3\x9C></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">11</KEEP><S type=\"string\">&bogus;</S></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">12</KEEP><S type=\"string\">a &amp b</S></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\" t=\"a<b\">13</KEEP></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\" t=\"&#x;\">14</KEEP></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">15</KEEP></SETTINGS>text after the root",
          "text before the root<SETTINGS><KEEP type=\"int\">16</KEEP></SETTINGS>",
          "<SETTINGS><KEEP type=\"int\">17</KEEP>"}) {
        EXPECT_FALSE(store.LoadFromFile(WriteFile("bad.xml", text))) << text;
        EXPECT_EQ(store.ReadInt("/keep", 0), 1) << text;
        EXPECT_EQ(store.FileText(), kept) << text;
    }
    EXPECT_FALSE(store.LoadFromFile(PathOf("missing.xml")));
    EXPECT_EQ(store.ReadInt("/keep", 0), 1);

    // What strict parsers take loads: a byte-order mark, a declaration, comments, references, CDATA.
    LoadText(store,
             "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<!-- kept -->\r\n"
             "<SETTINGS a=\"&lt;&#62;&#x26;\"><K type=\"string\">&amp;&quot;<![CDATA[<&>]]></K></SETTINGS>"
             "\r\n<!-- end --><?pi x?>\r\n");
    EXPECT_EQ(store.ReadString("/k", ""), "&\"<&>");

    // A file's own root attributes stay; the version is not consulted.
    LoadText(store, "<SETTINGS version=\"7\" owner=\"x\"><K type=\"int\">3</K></SETTINGS>");
    EXPECT_EQ(store.ReadInt("/k", 0), 3);
    EXPECT_EQ(store.FileText(),
              "<SETTINGS version=\"7\" owner=\"x\">\r\n\t<K type=\"int\">3</K>\r\n</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, PathsAreWalkedSegmentBySegmentNeverEvaluatedAsQueries) {
    TXMLSettings store;
    LoadText(store, "<SETTINGS><A><B type=\"int\">1</B></A><C type=\"int\">2</C></SETTINGS>");
    for (const char *path : {"/a/../c", "/*", "/*/b", "/new/*", "/a[1]/b", "/a/b[.='1']", "/a/'b'", "/a/b/.",
                             "/..//c", "/a/b/text()", "/a | /c"}) {
        EXPECT_NO_THROW(EXPECT_EQ(store.ReadInt(path, -9), -9) << path) << path;
        EXPECT_THROW(store.WriteInt(path, 5), Exception) << path;
    }
    EXPECT_EQ(store.ReadInt("//a//b", 0), 1);
    EXPECT_EQ(store.FileText(), "<SETTINGS>\r\n\t<A>\r\n\t\t<B type=\"int\">1</B>\r\n\t</A>\r\n"
                                "\t<C type=\"int\">2</C>\r\n</SETTINGS>\r\n");
}

TEST_F(XMLSettingsTest, ReadTextNeedsTheTypedElement) {
    TXMLSettings store;
    LoadText(store, "<SETTINGS><V type=\"int\">abc</V></SETTINGS>");
    EXPECT_EQ(store.ReadText("/v", "int"), "abc");
    for (const char *type : {"bool", "INT", ""}) {
        try {
            store.ReadText("/v", type);
            ADD_FAILURE() << type;
        } catch (const Exception &e) {
            EXPECT_STREQ(e.what(), "Unable to obtain requested value");
        }
    }
    EXPECT_THROW(store.ReadText("/none", "int"), Exception);
}

TEST_F(XMLSettingsTest, RecordArraysAreWrittenItemByItemBelowTheirOwnRoot) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteString("/options/exports", "stale");
    store.BeginArray("/options/exports", "exportarray", 2);
    for (int i = 0; i < 2; ++i) {
        store.SetRoot(store.AddArrayItem("/options/exports", i));
        store.WriteString("name", i == 0 ? "first" : "second");
        store.WriteInt("/size/width", 100 + i);
        store.ResetRoot();
    }
    const std::string expected = "<SETTINGS version=\"1\">\r\n"
                                 "\t<OPTIONS>\r\n"
                                 "\t\t<EXPORTS type=\"exportarray\" length=\"2\">\r\n"
                                 "\t\t\t<ITEM index=\"0\">\r\n"
                                 "\t\t\t\t<NAME type=\"string\">first</NAME>\r\n"
                                 "\t\t\t\t<SIZE>\r\n"
                                 "\t\t\t\t\t<WIDTH type=\"int\">100</WIDTH>\r\n"
                                 "\t\t\t\t</SIZE>\r\n"
                                 "\t\t\t</ITEM>\r\n"
                                 "\t\t\t<ITEM index=\"1\">\r\n"
                                 "\t\t\t\t<NAME type=\"string\">second</NAME>\r\n"
                                 "\t\t\t\t<SIZE>\r\n"
                                 "\t\t\t\t\t<WIDTH type=\"int\">101</WIDTH>\r\n"
                                 "\t\t\t\t</SIZE>\r\n"
                                 "\t\t\t</ITEM>\r\n"
                                 "\t\t</EXPORTS>\r\n"
                                 "\t</OPTIONS>\r\n"
                                 "</SETTINGS>\r\n";
    EXPECT_EQ(store.FileText(), expected);

    ASSERT_TRUE(store.SaveToFile(PathOf("r.xml")));
    TXMLSettings back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("r.xml")));
    EXPECT_EQ(back.ReadArrayLength("/options/exports", "exportarray"), 2);
    std::vector<std::string> names;
    for (pugi::xml_node item : back.SelectArrayItems("/options/exports", "exportarray")) {
        EXPECT_EQ(TXMLSettings::ItemIndex(item), static_cast<int32_t>(names.size()));
        back.SetRoot(item);
        names.push_back(back.ReadString("/name", "") + std::to_string(back.ReadInt("size/width", 0)));
        back.ResetRoot();
    }
    EXPECT_EQ(names, (std::vector<std::string>{"first100", "second101"}));
    EXPECT_TRUE(back.SelectArrayItems("/options/exports", "intarray").empty());
}

TEST_F(XMLSettingsTest, ArrayLengthThatIsDamagedCountsAsMissing) {
    TXMLSettings store;
    LoadText(store, "<SETTINGS>"
                    "<OK type=\"rec\" length=\"2\"><ITEM index=\"0\"/><ITEM index=\"1\"/></OK>"
                    "<FEWER type=\"rec\" length=\"1\"><ITEM index=\"0\"/><ITEM index=\"1\"/></FEWER>"
                    "<NAN type=\"rec\" length=\"two\"><ITEM index=\"0\"/></NAN>"
                    "<HUGE type=\"rec\" length=\"2000000000\"><ITEM index=\"0\"/></HUGE>"
                    "<NEG type=\"rec\" length=\"-3\"/>"
                    "<NOLEN type=\"rec\"><ITEM index=\"0\"/></NOLEN>"
                    "</SETTINGS>");
    const std::pair<const char *, int32_t> cases[] = {
        {"/ok", 2}, {"/fewer", 1}, {"/nan", -1}, {"/huge", -1}, {"/neg", -1}, {"/nolen", -1}, {"/none", -1}};
    for (const auto &[path, length] : cases)
        EXPECT_EQ(store.ReadArrayLength(path, "rec"), length) << path;
    EXPECT_EQ(store.ReadArrayLength("/ok", "other"), -1);
}

TEST_F(XMLSettingsTest, FailedSaveLeavesTheOldFileAndReportsFalse) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteInt("/v", 1);
    const std::string target = WriteFile("ro.xml", "old contents");
    chmod(target.c_str(), 0444);
    EXPECT_FALSE(store.SaveToFile(target));
    EXPECT_EQ(ReadFile(target), "old contents");
    EXPECT_FALSE(store.SaveToFile(PathOf("no/such/folder/s.xml")));
    // No temporary file is left behind.
    int entries = 0;
    for (const auto &entry : fs::directory_iterator(Folder)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1);
}

TEST_F(XMLSettingsTest, ReindentKeepsTextOutsideTagsAndHandlesNesting) {
    const std::pair<const char *, const char *> cases[] = {
        {"<R/>", "<R/>\r\n"},
        {"<R><A/><B/></R>", "<R>\r\n\t<A/>\r\n\t<B/>\r\n</R>\r\n"},
        {"<R><A>t</A></R>\n", "<R>\r\n\t<A>t</A>\r\n</R>\r\n\n"},
        {"<R><A><B><C>x</C></B></A><D>y</D></R>",
         "<R>\r\n\t<A>\r\n\t\t<B>\r\n\t\t\t<C>x</C>\r\n\t\t</B>\r\n\t</A>\r\n\t<D>y</D>\r\n</R>\r\n"},
    };
    for (const auto &[compact, text] : cases)
        EXPECT_EQ(TXMLSettings::Reindent(compact), text) << compact;
}

// Texts a caller stores lose what no XML file can carry, so that every file written reads back.
TEST_F(XMLSettingsTest, CharactersXmlCannotHoldAreNeverWritten) {
    const struct {
        const char *What;
        std::string Stored, Kept;
    } cases[] = {
        {"control characters",
         "a\x01"
         "b\x1F\x7F",
         "ab\x7F"},
        {"a byte that is no UTF-8", "x\xFFy\xC3", "xy"},
        {"an overlong form", "\xC0\xAFz", "z"},
        {"a surrogate", "\xED\xA0\x80s", "s"},
        {"U+FFFE and U+FFFF", "\xEF\xBF\xBE\xEF\xBF\xBFn", "n"},
        {"past U+10FFFF",
         "\xF4\x90\x80\x80"
         "e",
         "e"},
        {"characters it can", "\xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80",
         "\xC3\xBC \xE2\x82\xAC \xF0\x9F\x98\x80"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.What);
        TXMLSettings store;
        LoadFresh(store);
        store.WriteString("/s", c.Stored);
        TXMLSettings::SetAttribute(store.GetNode("/a"), "note", c.Stored);
        ASSERT_TRUE(store.SaveToFile(PathOf("clean.xml")));
        TXMLSettings back;
        ASSERT_TRUE(back.LoadFromFile(PathOf("clean.xml")));
        EXPECT_EQ(back.ReadString("/s", "?"), c.Kept);
        EXPECT_EQ(back.GetNode("/a").attribute("note").value(), c.Kept);
    }
}

TEST_F(XMLSettingsTest, UnicodeTextPassesThroughUnchanged) {
    TXMLSettings store;
    LoadFresh(store);
    store.WriteString("/s", "Grüße µs");
    ASSERT_TRUE(store.SaveToFile(PathOf("u.xml")));
    EXPECT_NE(ReadFile(PathOf("u.xml")).find("Grüße µs"), std::string::npos);
    TXMLSettings back;
    ASSERT_TRUE(back.LoadFromFile(PathOf("u.xml")));
    EXPECT_EQ(back.ReadString("/s", ""), "Grüße µs");
}

} // namespace

} // namespace scope
