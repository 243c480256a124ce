// A library opened at run time: one that is not there and one that lacks a function are refused,
// naming what is missing, and give no table; one that has every function gives a table that
// calls into it. The test is compiled against libmosquitto's header and does not link it.
#include <gtest/gtest.h>

#include <mosquitto.h>

#include <string>
#include <vector>

#include "platform/qt/shared_library.h"

namespace {

struct VersionFunctions {
    decltype(&::mosquitto_lib_version) mosquitto_lib_version;
    decltype(&::mosquitto_strerror) mosquitto_strerror;
};

bool bindVersion(platform::SharedLibrary& library, VersionFunctions& f) {
    return library.find("mosquitto_lib_version", f.mosquitto_lib_version) &&
           library.find("mosquitto_strerror", f.mosquitto_strerror);
}

// The second function is one the library does not have.
bool bindAbsent(platform::SharedLibrary& library, VersionFunctions& f) {
    return library.find("mosquitto_lib_version", f.mosquitto_lib_version) &&
           library.find("mosquitto_tusko_absent", f.mosquitto_strerror);
}

struct LoadCase {
    const char* label;
    const char* name;
    int majorVersion;
    platform::LibraryFunctions<VersionFunctions>::Binder bind;
    bool loads;
    std::vector<std::string> named;  // what the problem names when it does not load
};

const LoadCase kLoadCases[] = {
    {"absent library", "tusko_absent_library", 1, &bindVersion, false, {"tusko_absent_library"}},
    {"absent major version", "mosquitto", 99, &bindVersion, false, {"mosquitto version 99"}},
    {"absent function",
     "mosquitto",
     1,
     &bindAbsent,
     false,
     {"mosquitto_tusko_absent", "mosquitto"}},
    {"every function", "mosquitto", 1, &bindVersion, true, {}},
};

TEST(SharedLibraryTest, LoadsAllFunctionsOrNoneAndNamesWhatIsMissing) {
    for (const LoadCase& c : kLoadCases) {
        SCOPED_TRACE(c.label);
        platform::LibraryFunctions<VersionFunctions> functions(c.name, c.majorVersion, c.bind);
        const VersionFunctions* table = functions.get();
        ASSERT_EQ(table != nullptr, c.loads) << functions.problem();
        for (const std::string& name : c.named) {
            EXPECT_NE(functions.problem().find(name), std::string::npos) << functions.problem();
        }
        // Asked again, it answers as it did the first time.
        EXPECT_EQ(functions.get(), table);
        if (table != nullptr) {
            EXPECT_TRUE(functions.problem().empty()) << functions.problem();
            {
                platform::LibraryFunctions<VersionFunctions> second(c.name, c.majorVersion, c.bind);
                ASSERT_NE(second.get(), nullptr) << second.problem();
                EXPECT_EQ(second.get()->mosquitto_lib_version, table->mosquitto_lib_version);
            }
            // The library stays loaded when another table of it goes.
            int major = 0;
            int minor = 0;
            int revision = 0;
            EXPECT_EQ(table->mosquitto_lib_version(&major, &minor, &revision),
                      LIBMOSQUITTO_VERSION_NUMBER);
            EXPECT_EQ(major, LIBMOSQUITTO_MAJOR);
            EXPECT_STRNE(table->mosquitto_strerror(MOSQ_ERR_NOMEM), "");
        }
    }
}

}  // namespace
