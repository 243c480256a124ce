#include "records/server_settings.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace {

using records::parseServerSettings;
using records::readPassword;
using records::ServerSettings;

// Names each parameterised case after its `name` member.
template <typename Case>
std::string nameOf(const testing::TestParamInfo<Case>& info) {
    return info.param.name;
}

TEST(ServerSettings, ReadsEveryKeyWithCommentsBlanksAndLineEnds) {
    const auto parsed = parseServerSettings(
        "# the plant's records server\r\n"
        "\n"
        "  host = db.plant.example \r\n"
        "port=6543\n"
        "database=plant\n"
        "\tuser=logger\n"
        "password_file=/etc/tusko/records.password\n"
        "site=泵站 #2 = east");
    ASSERT_TRUE(parsed.value) << parsed.problem;
    EXPECT_EQ(parsed.value->host, "db.plant.example");
    EXPECT_EQ(parsed.value->port, 6543);
    EXPECT_EQ(parsed.value->database, "plant");
    EXPECT_EQ(parsed.value->user, "logger");
    EXPECT_EQ(parsed.value->passwordFile, "/etc/tusko/records.password");
    EXPECT_EQ(parsed.value->site, "泵站 #2 = east");
}

TEST(ServerSettings, OnlyDatabaseAndUserAreRequired) {
    const auto parsed = parseServerSettings("database=plant\nuser=logger\n");
    ASSERT_TRUE(parsed.value) << parsed.problem;
    EXPECT_EQ(parsed.value->host, "");
    EXPECT_EQ(parsed.value->port, ServerSettings::kDefaultPort);
    EXPECT_EQ(parsed.value->passwordFile, "");
    EXPECT_EQ(parsed.value->site, "");
}

struct Refused {
    const char* name;
    const char* text;
    const char* problem;
};

void PrintTo(const Refused& refused, std::ostream* out) {
    *out << refused.name;
}

class RefusedSettings : public testing::TestWithParam<Refused> {};

TEST_P(RefusedSettings, NameTheirProblem) {
    const auto parsed = parseServerSettings(GetParam().text);
    EXPECT_FALSE(parsed.value);
    EXPECT_EQ(parsed.problem, GetParam().problem);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, RefusedSettings,
    testing::Values(
        Refused{"NoDatabase", "user=u\n", "database and user are required"},
        Refused{"NoUser", "database=d\n", "database and user are required"},
        Refused{"Empty", "", "database and user are required"},
        Refused{"PasswordItself", "database=d\nuser=u\npassword=secret\n",
                "line 3: unknown key \"password\""},
        Refused{"NoEquals", "database=d\nuser u\n", "line 2: not key=value"},
        Refused{"NoKey", "database=d\n = u\n", "line 2: unknown key \"\""},
        Refused{"EmptyValue", "database=\nuser=u\n", "line 1: no value for \"database\""},
        Refused{"Twice", "site=a\ndatabase=d\nuser=u\nsite=b\n", "line 4: \"site\" given twice"},
        Refused{"PortText", "port=5432 # default\ndatabase=d\nuser=u\n",
                "line 1: port must be a number from 1 to 65535"},
        Refused{"PortZero", "port=0\n", "line 1: port must be a number from 1 to 65535"},
        Refused{"PortTooHigh", "port=65536\n", "line 1: port must be a number from 1 to 65535"}),
    nameOf<Refused>);

// A reader that hands out one file with the permissions a test chose.
class OneFile : public platform::ProtectedFileReader {
  public:
    std::optional<platform::ProtectedFile> read(const std::string& path) override {
        return path == "pw" ? file : std::nullopt;
    }
    std::optional<platform::ProtectedFile> file;
};

struct Mode {
    const char* name;
    unsigned permissions;
    bool accepted;
};

void PrintTo(const Mode& mode, std::ostream* out) {
    *out << mode.name << " 0" << std::oct << mode.permissions;
}

class PasswordFileModes : public testing::TestWithParam<Mode> {};

TEST_P(PasswordFileModes, OnlyTheOwnerMayHaveAccess) {
    OneFile reader;
    reader.file = platform::ProtectedFile{GetParam().permissions, "s3cret\r\nsecond line\n"};
    const auto password = readPassword(reader, "pw");
    if (GetParam().accepted) {
        EXPECT_EQ(password.value, "s3cret");
    } else {
        EXPECT_FALSE(password.value);
        EXPECT_EQ(password.problem, "password file pw is open to group or others (chmod 600 it)");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Permissions, PasswordFileModes,
    testing::Values(Mode{"OwnerReadWrite", 0600, true}, Mode{"OwnerRead", 0400, true},
                    Mode{"GroupRead", 0640, false}, Mode{"OthersRead", 0604, false},
                    Mode{"GroupWrite", 0620, false}, Mode{"OthersExecute", 0601, false}),
    nameOf<Mode>);

TEST(PasswordFile, MissingOrUnreadableIsRefused) {
    OneFile reader;
    const auto password = readPassword(reader, "elsewhere");
    EXPECT_FALSE(password.value);
    EXPECT_EQ(password.problem, "password file elsewhere cannot be read");
}

}  // namespace
