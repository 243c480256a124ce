// A library opened at run time: one that is not there and one that lacks a function are refused,
// naming what is missing, and give no table; one that has every function gives a table that
// calls into it. The test is compiled against libxlsxwriter's header and does not link it.
#include <gtest/gtest.h>

#include <xlsxwriter.h>

#include <string>
#include <vector>

#include "platform/qt/shared_library.h"

namespace {

struct VersionFunctions {
    decltype(&::lxw_version) lxw_version;
    decltype(&::lxw_version_id) lxw_version_id;
};

bool bindVersion(platform::SharedLibrary& library, VersionFunctions& f) {
    return library.find("lxw_version", f.lxw_version) &&
           library.find("lxw_version_id", f.lxw_version_id);
}

// The second function is one the library does not have.
bool bindAbsent(platform::SharedLibrary& library, VersionFunctions& f) {
    return library.find("lxw_version", f.lxw_version) &&
           library.find("lxw_tusko_absent", f.lxw_version_id);
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
    {"absent major version", "xlsxwriter", 99, &bindVersion, false, {"xlsxwriter version 99"}},
    {"absent function", "xlsxwriter", 4, &bindAbsent, false, {"lxw_tusko_absent", "xlsxwriter"}},
    {"every function", "xlsxwriter", 4, &bindVersion, true, {}},
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
                EXPECT_EQ(second.get()->lxw_version, table->lxw_version);
            }
            // The library stays loaded when another table of it goes.
            EXPECT_EQ(std::string(table->lxw_version()), LXW_VERSION);
            EXPECT_EQ(table->lxw_version_id(), LXW_VERSION_ID);
        }
    }
}

}  // namespace
