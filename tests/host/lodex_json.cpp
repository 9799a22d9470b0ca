// The Lodex document's JSON form on disk: nulls and doubles kept, the round
// trip, numbering after a load, and loads that fail.
#include <fstream>
#include <nlohmann/json.hpp>

#include "tests/host/lodex_support.h"

namespace {

// A document with every detail the JSON form must keep.
ComPtr<ILodexDocument> RichDocument()
{
    auto doc = LodexHelpers::Document();
    doc->AddLanguage(BStr(u"ENG").get());
    doc->AddLanguage(BStr(u"eng").get());  // kept once
    doc->put_Context(BStr(u"ANALYSIS").get());
    auto ds = LodexHelpers::Make<ILodexDataSource>(CLSID_LodexDataSource);
    ds->put_Location(BStr(u"/data/s\u00fcrvey.xml").get());
    ds->put_CdscName(BStr(u"Bvdreader").get());
    doc->AddDataSource(ds.get(), -1);  // name and project never set

    auto unnamed = LodexHelpers::Make<ILodexVariable>(CLSID_LodexVariable);
    unnamed->put_DataType(6);
    unnamed->put_LowerBound(Variant::Double(0.5));
    unnamed->put_UpperBound(Variant::Double(10.0));
    doc->AddVariable(unnamed.get(), -1);

    auto multi = LodexHelpers::Var(u"media", 3);
    multi->put_Label(BStr(u"").get());  // set, though empty
    multi->put_LowerBound(Variant::Long(1));
    multi->put_UpperBound(Variant::Long(4));
    doc->AddVariable(multi.get(), -1);
    multi->AddElement(LodexHelpers::Element(u"media_Radio_1", u"Radio").get(), -1);
    auto odd = LodexHelpers::Element(u"media_Odd_2");
    odd->put_Type(2);
    odd->put_Flag(8);
    multi->AddElement(odd.get(), -1);

    auto single = LodexHelpers::Var(u"region", 3);
    single->put_UpperBound(Variant::Long(1));
    single->put_MaxResponses(Variant::Long(1));
    doc->AddVariable(single.get(), 0);
    single->AddElement(LodexHelpers::Element(u"North").get(), -1);

    auto text = LodexHelpers::Var(u"comment", 2);
    text->put_MaxResponses(Variant::Text(u"2"));
    doc->AddVariable(text.get(), -1);
    return doc;
}

}  // namespace

TEST_F(LodexTest, JsonKeepsNullsDoublesAndRoundTrips)
{
    const auto doc = RichDocument();
    TempDir files;
    const std::string path = files.Dir() + "/doc.json";
    ASSERT_EQ(S_OK, doc->Save(BStr::FromUtf8(path).get()));
    std::ifstream in(path);
    const auto j = nlohmann::json::parse(in);

    EXPECT_EQ(nlohmann::json::array({"ENG"}), j["languages"]);
    EXPECT_EQ("ANALYSIS", j["context"]);
    const auto& ds = j["datasources"][0];
    EXPECT_EQ("/data/s\xc3\xbcrvey.xml", ds["location"]);
    EXPECT_TRUE(ds["name"].is_null());
    EXPECT_TRUE(ds["project"].is_null());

    const auto& vars = j["variables"];
    ASSERT_EQ(4u, vars.size());
    EXPECT_EQ("region", vars[0]["name"]);
    EXPECT_EQ(1, vars[0]["maxResponses"]);
    EXPECT_TRUE(vars[0]["lowerBound"].is_null());
    const auto& unnamed = vars[1];
    EXPECT_TRUE(unnamed["name"].is_null());
    EXPECT_TRUE(unnamed["label"].is_null());
    EXPECT_TRUE(unnamed["upperBound"].is_number_float());
    EXPECT_EQ("10.0", unnamed["upperBound"].dump());
    EXPECT_EQ("0.5", unnamed["lowerBound"].dump());
    EXPECT_TRUE(unnamed["maxResponses"].is_null());
    const auto& multi = vars[2];
    EXPECT_EQ("", multi["label"]);
    EXPECT_TRUE(multi["upperBound"].is_number_integer());
    EXPECT_EQ(4, multi["maxResponses"]);  // the upper bound
    EXPECT_EQ(3, multi["dataType"]);
    ASSERT_EQ(2u, multi["categories"].size());
    EXPECT_EQ((nlohmann::json{{"name", "media_Radio_1"}, {"label", "Radio"}, {"value", 1}}),
              multi["categories"][0]);
    EXPECT_TRUE(multi["categories"][1]["label"].is_null());
    EXPECT_EQ(2, multi["categories"][1]["value"]);
    EXPECT_EQ(3, vars[0]["categories"][0]["value"]);  // entered the document third
    EXPECT_EQ("2", vars[3]["maxResponses"]);

    // Load restores the same document, and numbering goes on after it.
    auto loaded = Document();
    ASSERT_EQ(S_OK, loaded->AddVariable(Var(u"replaced").get(), -1));
    ASSERT_EQ(S_OK, loaded->Load(BStr::FromUtf8(path).get()));
    EXPECT_EQ(Json(doc.get()), Json(loaded.get()));
    ComPtr<ILodexVariable> media;
    ASSERT_EQ(S_OK, loaded->get_Variable(Variant::Text(u"MEDIA"), media.put()));
    ASSERT_EQ(S_OK, media->AddElement(Element(u"new").get(), -1));
    EXPECT_EQ((std::vector<LONG>{1, 2, 4}), Values(media.get()));
    // The maximum answers that followed the bound still follow it.
    ASSERT_EQ(S_OK, media->put_UpperBound(Variant::Long(6)));
    Variant max;
    ASSERT_EQ(S_OK, media->get_MaxResponses(max.put()));
    EXPECT_EQ("VT_I4:6", VariantToString(max));
    Variant upper;
    ComPtr<ILodexVariable> unnamedVar;
    ASSERT_EQ(S_OK, loaded->get_Variable(Variant::Long(1), unnamedVar.put()));
    ASSERT_EQ(S_OK, unnamedVar->get_UpperBound(upper.put()));
    EXPECT_EQ(VT_R8, upper.vt);
    EXPECT_EQ(10.0, upper.dblVal);
}

TEST_F(LodexTest, FailedLoadLeavesTheDocumentAlone)
{
    TempDir files;
    auto doc = Document();
    ASSERT_EQ(S_OK, doc->AddVariable(Var(u"kept").get(), -1));
    struct Case {
        const char* what;
        std::string text;  // empty: no file
        HRESULT expected;
    };
    const Case cases[] = {
        {"missing file", "", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
        {"not JSON", "{\"variables\": [", E_INVALIDARG},
        {"not an object", "[1, 2]", E_INVALIDARG},
        {"variables not a list", "{\"variables\": 3}", E_INVALIDARG},
        {"value out of range", "{\"variables\":[{\"categories\":[{\"value\":4294967296}]}]}", E_INVALIDARG},
        {"bound of text", "{\"variables\":[{\"lowerBound\":\"1\"}]}", E_INVALIDARG},
        {"name a number", "{\"variables\":[{\"name\":5}]}", E_INVALIDARG},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = files.Dir() + "/in.json";
        std::filesystem::remove(path);
        if (!c.text.empty()) std::ofstream(path) << c.text;
        EXPECT_EQ(c.expected, doc->Load(BStr::FromUtf8(path).get()));
        EXPECT_EQ((std::vector<std::string>{"kept"}), Names(doc.get()));
    }
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
              doc->Save(BStr::FromUtf8(files.Dir() + "/no/such/folder.json").get()));
}
