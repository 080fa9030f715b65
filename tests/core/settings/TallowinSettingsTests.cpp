#include "TallowinCore/settings/TallowinSettings.h"
#include "TallowinCore/settings/TallowinSettingsError.h"
#include "TallowinCore/settings/TallowinSettingsTOML.h"
#include "tests/support/TemporaryFolder.h"
#include "tests/support/ThrowChecks.h"

#include <gtest/gtest.h>
#include <simdjson.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>

namespace tallowin {
namespace {

using Error = TallowinSettingsError;

const std::string defaultText = "schema_version = 1\n"
                                "\n"
                                "[scan]\n"
                                "enabled = true\n"
                                "interval_hours = 1\n"
                                "initial_lookback_days = 30\n"
                                "lookback_days = 7\n"
                                "minimum_overlap_days = 3\n"
                                "\n"
                                "[vip]\n"
                                "names = []\n"
                                "track_activity = true\n"
                                "track_comments = true\n"
                                "track_pushed_changes = true\n";

TallowinSettings settingsWith(std::function<void(TallowinSettings &)> change)
{
    TallowinSettings settings {1, true, 1, 30, 7, 3, {}, true, true, true};
    change(settings);
    return settings;
}

void expectFailure(const std::function<void()> &operation, const Error &expected, const std::string &sentence)
{
    if (const auto error = EXPECT_THROW_SENTENCE(Error, sentence, operation())) {
        EXPECT_EQ(*error, expected) << error->what();
    }
}

void expectDecodeFailure(const std::string &text, const Error &expected, const std::string &sentence)
{
    SCOPED_TRACE(text);
    expectFailure([&] { TallowinSettingsTOML::decode(text); }, expected, sentence);
}

TEST(TallowinSettingsError, EachCaseCarriesItsPayloadAndSentence)
{
    const Error malformed = Error::malformedLine(4);
    EXPECT_EQ(malformed.kind(), Error::Kind::malformedLine);
    EXPECT_EQ(malformed.lineNumber(), 4);
    EXPECT_STREQ(malformed.what(), "Tallowin.toml line 4 is not a valid setting.");

    const Error section = Error::unknownSection("other", 12);
    EXPECT_EQ(section.kind(), Error::Kind::unknownSection);
    EXPECT_EQ(section.text(), "other");
    EXPECT_EQ(section.lineNumber(), 12);
    EXPECT_STREQ(section.what(), "Tallowin.toml line 12 uses the unknown section [other].");

    const Error key = Error::unknownKey("scan.colour", 3);
    EXPECT_EQ(key.kind(), Error::Kind::unknownKey);
    EXPECT_EQ(key.text(), "scan.colour");
    EXPECT_EQ(key.lineNumber(), 3);
    EXPECT_STREQ(key.what(), "Tallowin.toml line 3 uses the unknown setting scan.colour.");

    const Error value = Error::invalidValue("scan.enabled must be true or false");
    EXPECT_EQ(value.kind(), Error::Kind::invalidValue);
    EXPECT_EQ(value.text(), "scan.enabled must be true or false");
    EXPECT_STREQ(value.what(), "Tallowin.toml has an invalid value: scan.enabled must be true or false.");

    const Error version = Error::unsupportedSchemaVersion(-2);
    EXPECT_EQ(version.kind(), Error::Kind::unsupportedSchemaVersion);
    EXPECT_EQ(version.version(), -2);
    EXPECT_STREQ(version.what(), "Tallowin.toml schema version -2 is not supported.");
}

TEST(TallowinSettingsError, EqualityComparesCaseAndPayload)
{
    EXPECT_EQ(Error::unknownKey("a", 1), Error::unknownKey("a", 1));
    EXPECT_NE(Error::unknownKey("a", 1), Error::unknownKey("a", 2));
    EXPECT_NE(Error::unknownKey("a", 1), Error::unknownKey("b", 1));
    EXPECT_NE(Error::unknownKey("a", 1), Error::unknownSection("a", 1));
    EXPECT_NE(Error::malformedLine(1), Error::unsupportedSchemaVersion(1));
    EXPECT_NE(Error::invalidValue("a"), Error::invalidValue("b"));
}

TEST(TallowinSettingsValidation, DefaultsAreValidAndUnchanged)
{
    const TallowinSettings defaults = TallowinSettings::defaults();
    EXPECT_EQ(defaults, settingsWith([](TallowinSettings &) {}));
    EXPECT_EQ(defaults.schemaVersion, TallowinSettings::currentSchemaVersion);
    EXPECT_EQ(defaults.validated(), defaults);
}

TEST(TallowinSettingsValidation, CountsMustBePositiveAndVersionComesFirst)
{
    const std::pair<std::int64_t TallowinSettings::*, std::string> rules[] = {
        {&TallowinSettings::scanIntervalHours, "scan.interval_hours"},
        {&TallowinSettings::initialLookbackDays, "scan.initial_lookback_days"},
        {&TallowinSettings::routineLookbackDays, "scan.lookback_days"},
        {&TallowinSettings::minimumOverlapDays, "scan.minimum_overlap_days"},
    };
    for (const auto &[field, key] : rules) {
        for (std::int64_t bad : {std::int64_t(0), std::int64_t(-1), std::numeric_limits<std::int64_t>::min()}) {
            const TallowinSettings settings = settingsWith([&](TallowinSettings &s) { s.*field = bad; });
            const std::string message = key + " must be a positive integer";
            expectFailure([&] { settings.validated(); }, Error::invalidValue(message),
                "Tallowin.toml has an invalid value: " + message + ".");
        }
        const TallowinSettings large
            = settingsWith([&](TallowinSettings &s) { s.*field = std::numeric_limits<std::int64_t>::max(); });
        EXPECT_EQ(large.validated(), large) << key << " has no upper bound";
    }
    // The rules run in order: the version, then the counts in field order.
    const TallowinSettings allBad = settingsWith([](TallowinSettings &s) {
        s.schemaVersion = 2;
        s.scanIntervalHours = 0;
        s.minimumOverlapDays = 0;
    });
    expectFailure([&] { allBad.validated(); }, Error::unsupportedSchemaVersion(2),
        "Tallowin.toml schema version 2 is not supported.");
    const TallowinSettings twoBadCounts = settingsWith([](TallowinSettings &s) {
        s.routineLookbackDays = 0;
        s.minimumOverlapDays = 0;
    });
    expectFailure([&] { twoBadCounts.validated(); },
        Error::invalidValue("scan.lookback_days must be a positive integer"),
        "Tallowin.toml has an invalid value: scan.lookback_days must be a positive integer.");
}

TEST(TallowinSettingsValidation, VIPNamesAreTrimmedDeduplicatedByFoldedFormAndKeepTheirOrder)
{
    const TallowinSettings settings = settingsWith([](TallowinSettings &s) {
        s.vipNames = {" café ", "Zoë", "Cafe", "\n\t", "", "CAFE  ", "\u00A0zoe\u2003", "Ana\r\n", "ana", "Ann e"};
        s.trackVIPComments = false;
    });
    const TallowinSettings expected = settingsWith([](TallowinSettings &s) {
        s.vipNames = {"café", "Zoë", "Ana", "Ann e"};
        s.trackVIPComments = false;
    });
    EXPECT_EQ(settings.validated(), expected);
}

TEST(TallowinSettingsDecode, BlankAndCommentOnlyTextGivesTheDefaults)
{
    for (const char *text : {"", "\n", "# only a comment\n\n   \t\n", "[scan]\n# nothing\n[vip]\n"})
        EXPECT_EQ(TallowinSettingsTOML::decode(text), TallowinSettings::defaults()) << text;
}

TEST(TallowinSettingsDecode, ReadsEveryKey)
{
    const std::string text = "# Tallowin settings\n"
                             "schema_version = 1\n"
                             "[vip]\n"
                             "track_pushed_changes = false # never\n"
                             "names = [\"Ada\", \"Grace\"]\n"
                             "track_activity=false\n"
                             "  track_comments\t=\tfalse  \n"
                             "[scan]\n"
                             "enabled = false\n"
                             "interval_hours = +5\n"
                             "initial_lookback_days = 60 # two months\n"
                             "lookback_days = 14\n"
                             "minimum_overlap_days = 2\n";
    const TallowinSettings expected {1, false, 5, 60, 14, 2, {"Ada", "Grace"}, false, false, false};
    EXPECT_EQ(TallowinSettingsTOML::decode(text), expected);
    EXPECT_EQ(TallowinSettingsTOML::decode(defaultText), TallowinSettings::defaults());
}

TEST(TallowinSettingsDecode, SectionsAndQualifiedKeys)
{
    // Dotted keys before the first header stand for their section; later values win; headers repeat.
    EXPECT_EQ(TallowinSettingsTOML::decode("scan.enabled = false\nvip.names = [\"A\"]\n"),
        settingsWith([](TallowinSettings &s) {
            s.automaticScanEnabled = false;
            s.vipNames = {"A"};
        }));
    EXPECT_EQ(TallowinSettingsTOML::decode("[scan]\ninterval_hours = 2\n[vip]\n[scan]\ninterval_hours = 9\n"),
        settingsWith([](TallowinSettings &s) { s.scanIntervalHours = 9; }));
    EXPECT_EQ(TallowinSettingsTOML::decode("schema_version = 2\nschema_version = 1\n"), TallowinSettings::defaults());

    expectDecodeFailure("[ scan ]\nenabled = true\n", Error::unknownSection(" scan ", 1),
        "Tallowin.toml line 1 uses the unknown section [ scan ].");
    expectDecodeFailure(
        "\n# [scan]\n[]\n", Error::unknownSection("", 3), "Tallowin.toml line 3 uses the unknown section [].");
    expectDecodeFailure("[scan]\n\n[Scan]\n", Error::unknownSection("Scan", 3),
        "Tallowin.toml line 3 uses the unknown section [Scan].");
    expectDecodeFailure("# settings\nenabled = true\n", Error::unknownKey("enabled", 2),
        "Tallowin.toml line 2 uses the unknown setting enabled.");
    expectDecodeFailure("[scan]\nscan.enabled = true\n", Error::unknownKey("scan.scan.enabled", 2),
        "Tallowin.toml line 2 uses the unknown setting scan.scan.enabled.");
    expectDecodeFailure("[scan]\nschema_version = 1\n", Error::unknownKey("scan.schema_version", 2),
        "Tallowin.toml line 2 uses the unknown setting scan.schema_version.");
    expectDecodeFailure("[vip]\nNames = []\n", Error::unknownKey("vip.Names", 2),
        "Tallowin.toml line 2 uses the unknown setting vip.Names.");
    expectDecodeFailure("[scan]\ninterval hours = 5\n", Error::unknownKey("scan.interval hours", 2),
        "Tallowin.toml line 2 uses the unknown setting scan.interval hours.");
}

TEST(TallowinSettingsDecode, MalformedLinesCountEveryLine)
{
    expectDecodeFailure("# comment\n\n[scan]\ninterval_hours 5\n", Error::malformedLine(4),
        "Tallowin.toml line 4 is not a valid setting.");
    expectDecodeFailure("[scan\n", Error::malformedLine(1), "Tallowin.toml line 1 is not a valid setting.");
    expectDecodeFailure("names # = x\n", Error::malformedLine(1), "Tallowin.toml line 1 is not a valid setting.");
    // The first error stops decoding, even when later lines are broken too.
    expectDecodeFailure("[vip]\nnames = \"#\"\nnonsense\n",
        Error::invalidValue("vip.names must be an array of quoted names"),
        "Tallowin.toml has an invalid value: vip.names must be an array of quoted names.");
}

TEST(TallowinSettingsDecode, OnlyLineFeedsEndLines)
{
    std::string crlf;
    for (char c : defaultText) {
        if (c == '\n')
            crlf += '\r';
        crlf += c;
    }
    expectDecodeFailure(crlf, Error::invalidValue("schema_version must be an integer"),
        "Tallowin.toml has an invalid value: schema_version must be an integer.");
    expectDecodeFailure(
        "[scan]\r\nenabled = true\r\n", Error::malformedLine(1), "Tallowin.toml line 1 is not a valid setting.");
    expectDecodeFailure("[scan]\nenabled = true\rinterval_hours = 2\n",
        Error::invalidValue("scan.enabled must be true or false"),
        "Tallowin.toml has an invalid value: scan.enabled must be true or false.");
}

TEST(TallowinSettingsDecode, SpaceSeparatorsAndTabsAreTrimmed)
{
    EXPECT_EQ(TallowinSettingsTOML::decode("\u3000[scan]\t\n\u00A0enabled\u2002=\tfalse\u3000\n"),
        settingsWith([](TallowinSettings &s) { s.automaticScanEnabled = false; }));
}

TEST(TallowinSettingsDecode, Integers)
{
    const auto interval = [](const std::string &value) {
        return TallowinSettingsTOML::decode("[scan]\ninterval_hours = " + value + "\n").scanIntervalHours;
    };
    EXPECT_EQ(interval("+5"), 5);
    EXPECT_EQ(interval("007"), 7);
    EXPECT_EQ(interval("12 # every half day"), 12);
    EXPECT_EQ(interval("9223372036854775807"), std::numeric_limits<std::int64_t>::max());

    for (const char *bad : {"\"5\"", "9223372036854775808", "-9223372036854775809", "5_000", "0x10", "5 5", "5.0",
             "1e3", "+-5", "-+5", "++5", "+", "-", "", "five", "\u0665"}) {
        expectDecodeFailure(std::string("[scan]\ninterval_hours = ") + bad + "\n",
            Error::invalidValue("scan.interval_hours must be an integer"),
            "Tallowin.toml has an invalid value: scan.interval_hours must be an integer.");
    }
    expectDecodeFailure("[scan]\ninterval_hours = 0\n",
        Error::invalidValue("scan.interval_hours must be a positive integer"),
        "Tallowin.toml has an invalid value: scan.interval_hours must be a positive integer.");
    expectDecodeFailure("[scan]\nminimum_overlap_days = -3\n",
        Error::invalidValue("scan.minimum_overlap_days must be a positive integer"),
        "Tallowin.toml has an invalid value: scan.minimum_overlap_days must be a positive integer.");
    expectDecodeFailure(
        "schema_version = 2\n", Error::unsupportedSchemaVersion(2), "Tallowin.toml schema version 2 is not supported.");
    expectDecodeFailure("schema_version = -9223372036854775808\n",
        Error::unsupportedSchemaVersion(std::numeric_limits<std::int64_t>::min()),
        "Tallowin.toml schema version -9223372036854775808 is not supported.");
}

TEST(TallowinSettingsDecode, Booleans)
{
    EXPECT_FALSE(TallowinSettingsTOML::decode("[vip]\ntrack_activity = false\n").trackVIPActivity);
    EXPECT_TRUE(
        TallowinSettingsTOML::decode("[vip]\ntrack_activity = false\ntrack_activity = true\n").trackVIPActivity);
    for (const char *bad : {"True", "FALSE", "1", "0", "\"true\"", "yes", "", "true true"}) {
        expectDecodeFailure(std::string("[scan]\nenabled = ") + bad + "\n",
            Error::invalidValue("scan.enabled must be true or false"),
            "Tallowin.toml has an invalid value: scan.enabled must be true or false.");
    }
}

TEST(TallowinSettingsDecode, VIPNamesAreAJsonArrayOfStrings)
{
    const auto names = [](const std::string &value) {
        return TallowinSettingsTOML::decode("[vip]\nnames = " + value + "\n").vipNames;
    };
    using Names = std::vector<std::string>;
    // "#" inside quotes is no comment; the empty name and the folded repeat are dropped.
    EXPECT_EQ(names(R"(["Ops", " ops ", "", "X#1"])"), (Names {"Ops", "X#1"}));
    // An escaped quote keeps the quotes open; an escaped backslash does not.
    EXPECT_EQ(names(R"(["a\"#b", "c\\"] # "comment)"), (Names {"a\"#b", "c\\"}));
    EXPECT_EQ(
        names(R"(["d\/e", "\u00e9t\u00E9", "caf\u00e9", "tab\there"])"), (Names {"d/e", "été", "café", "tab\there"}));
    EXPECT_EQ(names("[ ]"), Names {});

    for (const char *bad : {R"("Ops")", R"(['Ops'])", R"(["a",])", R"(["a", 1])", R"([["a"]])", R"(["a", null])",
             R"({"a": "b"})", R"(["a"] ["b"])", R"(["a)", R"("a", "b")", "[", "", "Ops", "[\"\xff\"]"}) {
        expectDecodeFailure(std::string("[vip]\nnames = ") + bad + "\n",
            Error::invalidValue("vip.names must be an array of quoted names"),
            "Tallowin.toml has an invalid value: vip.names must be an array of quoted names.");
    }
}

TEST(TallowinSettingsEncode, DefaultsGiveTheFourteenLineFile)
{
    EXPECT_EQ(TallowinSettingsTOML::encode(TallowinSettings::defaults()), defaultText);
}

TEST(TallowinSettingsEncode, WritesNormalisedValuesWithEscapedJson)
{
    const TallowinSettings settings {1, false, 24, 90, 10, 1,
        {" Ops/Infra ", "ops/infra", "Say \"hi\"", "back\\slash", "Zoë", "line\nbreak", "\x01"}, false, true, false};
    EXPECT_EQ(TallowinSettingsTOML::encode(settings),
        "schema_version = 1\n"
        "\n"
        "[scan]\n"
        "enabled = false\n"
        "interval_hours = 24\n"
        "initial_lookback_days = 90\n"
        "lookback_days = 10\n"
        "minimum_overlap_days = 1\n"
        "\n"
        "[vip]\n"
        R"(names = ["Ops/Infra","Say \"hi\"","back\\slash","Zoë","line\nbreak","\u0001"])"
        "\n"
        "track_activity = false\n"
        "track_comments = true\n"
        "track_pushed_changes = false\n");
}

TEST(TallowinSettingsEncode, RefusesWhatValidationRefusesAndNamesThatAreNotUTF8)
{
    const TallowinSettings noInterval = settingsWith([](TallowinSettings &s) { s.scanIntervalHours = 0; });
    expectFailure([&] { TallowinSettingsTOML::encode(noInterval); },
        Error::invalidValue("scan.interval_hours must be a positive integer"),
        "Tallowin.toml has an invalid value: scan.interval_hours must be a positive integer.");
    const TallowinSettings badName = settingsWith([](TallowinSettings &s) { s.vipNames = {"Ada", "caf\xe9"}; });
    expectFailure([&] { TallowinSettingsTOML::encode(badName); }, Error::invalidValue("vip.names could not be encoded"),
        "Tallowin.toml has an invalid value: vip.names could not be encoded.");
}

TEST(TallowinSettingsEncode, DecodingTheTextGivesTheValidatedSettings)
{
    const TallowinSettings samples[] = {
        TallowinSettings::defaults(),
        {1, false, std::numeric_limits<std::int64_t>::max(), 1, 1, 1, {"X#1", "#", "\"#\"", "\\", "\\\"#"}, true, false,
            true},
        {1, true, 3, 4, 5, 6, {"  Ops ", "OPS", "", "\t", "a = b", "[vip]", "x\ry", "\u2028"}, false, false, false},
        {1, true, 1, 30, 7, 3, {"Ann\nMarie", "tab\tbed", "\x7f", "日本", "🙂 smile", "q'uote"}, true, true, true},
    };
    for (const TallowinSettings &settings : samples) {
        const std::string text = TallowinSettingsTOML::encode(settings);
        EXPECT_EQ(TallowinSettingsTOML::decode(text), settings.validated()) << text;
    }
}

std::string shellQuoted(const std::string &text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// Runs Python's own TOML reader on the file and returns what it read, as JSON.
std::string readWithTomllib(const std::filesystem::path &file)
{
    const std::string command
        = "python3 -c 'import tomllib,json,sys; print(json.dumps(tomllib.load(open(sys.argv[1],\"rb\"))))' "
        + shellQuoted(file.string()) + " 2>&1";
    FILE *pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run python3");
    std::string output;
    char buffer[4096];
    while (const std::size_t count = std::fread(buffer, 1, sizeof buffer, pipe))
        output.append(buffer, count);
    if (::pclose(pipe) != 0)
        throw std::runtime_error("tomllib refused the file: " + output);
    return output;
}

// Throws simdjson_error when a key is missing or has another type.
TallowinSettings settingsFromJson(const std::string &json)
{
    simdjson::dom::parser parser;
    const simdjson::padded_string padded(json);
    const simdjson::dom::object root = parser.parse(padded).get_object();
    const simdjson::dom::object scan = root["scan"].get_object();
    const simdjson::dom::object vip = root["vip"].get_object();
    // Exactly the written keys, nothing more.
    EXPECT_EQ(root.size(), 3u);
    EXPECT_EQ(scan.size(), 5u);
    EXPECT_EQ(vip.size(), 4u);
    std::vector<std::string> names;
    for (simdjson::dom::element name : vip["names"].get_array())
        names.emplace_back(std::string_view(name.get_string()));
    return {std::int64_t(root["schema_version"]), bool(scan["enabled"]), std::int64_t(scan["interval_hours"]),
        std::int64_t(scan["initial_lookback_days"]), std::int64_t(scan["lookback_days"]),
        std::int64_t(scan["minimum_overlap_days"]), names, bool(vip["track_activity"]), bool(vip["track_comments"]),
        bool(vip["track_pushed_changes"])};
}

TEST(TallowinSettingsEncode, TextIsTomlThatPythonReadsToTheSameValues)
{
    if (std::system("command -v python3 > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "python3 is not installed";
    const TallowinSettings settings {1, false, 48, 90, 10, 2,
        {"Ops/Infra", "Say \"hi\"", "back\\slash", "Zoë", "日本 🙂", "a#b", "tab\tnew\nline", "del\x7f"}, false,
        true, false};
    test::TemporaryFolder folder;
    folder.write("Tallowin.toml", TallowinSettingsTOML::encode(settings));
    EXPECT_EQ(settingsFromJson(readWithTomllib(folder.path("Tallowin.toml"))), settings);
}

} // namespace
} // namespace tallowin
