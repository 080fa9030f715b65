#include "TallowinCore/codec/JsonWriter.h"

#include <gtest/gtest.h>

namespace tallowin {
namespace {

// Writes {"list": [..values..]} inside `wrappers` arrays, in one writer or with the values from `split` on written
// by a continuing writer and appended.
std::string listDocument(JsonLayout layout, int wrappers, int values, std::optional<int> split)
{
    std::string output;
    JsonWriter writer(output, layout, JsonSlashes::escaped);
    for (int i = 0; i < wrappers; ++i)
        writer.beginArray();
    writer.beginObject();
    writer.key("list");
    writer.beginArray();
    const int firstPart = split.value_or(values);
    for (int value = 0; value < firstPart; ++value) {
        writer.beginObject();
        writer.member("n", value);
        writer.member("path", "a/b");
        writer.endObject();
    }
    if (split) {
        std::string rest;
        JsonWriter continuing
            = JsonWriter::continuingArray(rest, layout, JsonSlashes::escaped, writer.depth(), std::size_t(*split));
        for (int value = *split; value < values; ++value) {
            continuing.beginObject();
            continuing.member("n", value);
            continuing.member("path", "a/b");
            continuing.endObject();
        }
        writer.appendWritten(rest, std::size_t(values - *split));
    }
    writer.endArray();
    writer.endObject();
    for (int i = 0; i < wrappers; ++i)
        writer.endArray();
    return output;
}

TEST(JsonWriter, AnArrayWrittenInPartsReadsAsOneWriterWroteIt)
{
    for (const JsonLayout layout : {JsonLayout::pretty, JsonLayout::compact}) {
        for (const int wrappers : {0, 2}) {
            const std::string whole = listDocument(layout, wrappers, 5, std::nullopt);
            for (const int split : {0, 1, 3, 5})
                EXPECT_EQ(listDocument(layout, wrappers, 5, split), whole)
                    << "layout " << int(layout) << ", wrappers " << wrappers << ", split " << split;
        }
    }
}

TEST(JsonWriter, PrettyLayoutIndentsByDepth)
{
    const std::string expected
        = "[\n  {\n    \"list\": [\n      {\n        \"n\": 0,\n        \"path\": \"a\\/b\"\n"
          "      },\n      {\n        \"n\": 1,\n        \"path\": \"a\\/b\"\n      }\n    ]\n  }\n]";
    EXPECT_EQ(listDocument(JsonLayout::pretty, 1, 2, 1), expected);
    EXPECT_EQ(listDocument(JsonLayout::compact, 0, 0, 0), "{\"list\":[]}");
}

} // namespace
} // namespace tallowin
