// An export replaces the file it writes: never one of the program's own files, never anything
// that is not a regular file.
#include "platform/qt/files/export_target.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "support/child_deadline.h"
#include "support/special_files.h"

namespace platform::qt {
namespace {

using testsupport::Made;

std::string refusalText(const std::string& target, const std::vector<OwnFile>& own) {
    const auto refusal = exportRefusal(target, own);
    return refusal ? refusal->english : "may export";
}

class ExportTarget : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(testsupport::make(Made::Regular, at("kvt97.mdb")));
        ASSERT_TRUE(testsupport::make(Made::Regular, at("comports.conf")));
        ASSERT_EQ(::mkdir(at("sub").c_str(), 0755), 0);
        own_ = {{at("kvt97.mdb"), "the records store", "记录库"},
                {at("comports.conf"), "the port numbering", "端口编号文件"},
                {at("gone/records-spool.db"), "the spool of the records server", "暂存库"}};
    }

    std::string at(const std::string& name) const {
        return dir_.filePath(QString::fromStdString(name)).toStdString();
    }

    QTemporaryDir dir_;
    std::vector<OwnFile> own_;
};

TEST_F(ExportTarget, TheProgramsOwnFilesUnderAnyNameAreRefused) {
    ASSERT_EQ(::link(at("kvt97.mdb").c_str(), at("hard.csv").c_str()), 0);
    ASSERT_EQ(::symlink(at("kvt97.mdb").c_str(), at("soft.csv").c_str()), 0);
    ASSERT_EQ(::symlink("../kvt97.mdb", at("sub/relative.csv").c_str()), 0);
    ASSERT_EQ(::symlink(dir_.path().toStdString().c_str(), at("alias").c_str()), 0);
    ASSERT_EQ(::mkdir(at("gone").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("records-spool.db", at("gone/to-spool.csv").c_str()), 0);
    const std::string store = " is the records store (" + at("kvt97.mdb") + ")";
    const std::pair<std::string, std::string> cases[] = {
        {at("kvt97.mdb"), at("kvt97.mdb") + " is the records store"},
        {at("sub/../kvt97.mdb"), at("sub/../kvt97.mdb") + store},
        {at("./kvt97.mdb"), at("./kvt97.mdb") + store},
        {at("alias/kvt97.mdb"), at("alias/kvt97.mdb") + store},
        {at("hard.csv"), at("hard.csv") + store},
        {at("soft.csv"), at("soft.csv") + store},
        {at("sub/relative.csv"), at("sub/relative.csv") + store},
        {at("comports.conf"), at("comports.conf") + " is the port numbering"},
        // Not there yet, it would be taken for the spool once written.
        {at("gone/records-spool.db"),
         at("gone/records-spool.db") + " is the spool of the records server"},
        {at("gone/to-spool.csv"), at("gone/to-spool.csv") +
                                      " is the spool of the records server (" +
                                      at("gone/records-spool.db") + ")"},
        {at("out.csv"), "may export"},
        {at("sub/kvt97.mdb"), "may export"},
        {at("kvt97.mdb.csv"), "may export"},
    };
    for (const auto& [target, expected] : cases) {
        EXPECT_EQ(refusalText(target, own_), expected) << target;
    }
    const auto chinese = exportRefusal(at("hard.csv"), own_);
    ASSERT_TRUE(chinese);
    EXPECT_EQ(chinese->chinese,
              "不能导出到 " + at("hard.csv") + "：它是记录库（" + at("kvt97.mdb") + "）");
}

TEST_F(ExportTarget, AnythingButARegularFileIsRefusedLinksFollowed) {
    struct Case {
        Made made;
        std::string expected;  // after the target's path
    };
    const Case cases[] = {
        {Made::Regular, ""},
        {Made::Nothing, ""},
        {Made::LinkToRegular, ""},
        {Made::DanglingLink, ""},
        {Made::Directory, " is a directory, not a regular file"},
        {Made::Fifo, " is a FIFO, not a regular file"},
        {Made::Socket, " is a socket, not a regular file"},
        // Made by mknod, or where the test may not, a link to /dev/null.
        {Made::Device, "a device, not a regular file"},
        {Made::LinkToFifo, " leads to TARGET.target, a FIFO, not a regular file"},
        {Made::LinkToDevice, " leads to TARGET.target, a device, not a regular file"},
    };
    int n = 0;
    for (const Case& c : cases) {
        const std::string target = at("export" + std::to_string(++n) + ".csv");
        ASSERT_TRUE(testsupport::make(c.made, target)) << madeName(c.made);
        // Nothing the check does may wait on what it finds.
        const auto refusal = testsupport::runInChild([&] { return refusalText(target, own_); });
        std::string expected = c.expected.empty() ? "may export" : target + c.expected;
        if (const auto at = expected.find("TARGET"); at != std::string::npos) {
            expected.replace(at, 6, target);
        }
        if (c.made == Made::Device) {
            ASSERT_TRUE(refusal) << madeName(c.made);
            EXPECT_EQ(refusal->rfind(target, 0), 0U) << *refusal;
            EXPECT_EQ(refusal->substr(refusal->size() - c.expected.size()), c.expected);
        } else {
            EXPECT_EQ(refusal, expected) << madeName(c.made);
        }
    }
}

// The program's files are those of the working directory; the password file is the one
// "records.conf" names, even in a file the server connection would refuse.
TEST(ProgramFiles, AreTheWorkingDirectorysWithThePasswordFileRecordsConfNames) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const auto paths = [] {
        std::string joined;
        for (const OwnFile& file : programFiles()) {
            joined += file.path + ";";
        }
        return joined;
    };
    const std::string always =
        "kvt97.mdb;kvt97.mdb-journal;kvt97.mdb-wal;kvt97.mdb-shm;records-spool.db;"
        "records-spool.db-journal;records-spool.db-wal;records-spool.db-shm;records.conf;";
    EXPECT_EQ(paths(), always + "comports.conf;config.dat;");
    std::ofstream("records.conf") << "# server\r\n password_file = secret/pw \r\nnonsense\r\n";
    EXPECT_EQ(paths(), always + "secret/pw;comports.conf;config.dat;");
    ASSERT_EQ(::unlink("records.conf"), 0);
    ASSERT_TRUE(testsupport::make(Made::Fifo, "records.conf"));
    EXPECT_EQ(testsupport::runInChild(paths), always + "comports.conf;config.dat;")
        << "a FIFO as records.conf is not waited on";
    QDir::setCurrent(previous);
}

}  // namespace
}  // namespace platform::qt
