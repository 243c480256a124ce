// Files the program reads are read only when they are regular files; nothing else is waited on.
#include "platform/qt/files/regular_file.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>

#include "support/child_deadline.h"
#include "support/special_files.h"

namespace platform::qt {
namespace {

using testsupport::Made;

// What readRegularFile gave, in one text, so that it can come back from a child process.
std::string outcome(const FileRead& read) {
    return (read.bytes ? "bytes:" + *read.bytes : std::string("no bytes")) +
           (read.missing ? " missing" : "") + (read.refusal.empty() ? "" : " | " + read.refusal);
}

TEST(RegularFile, OnlyARegularFileIsReadAndNothingElseIsWaitedOn) {
    struct Case {
        Made made;
        std::string expected;  // with PATH for the path read
    };
    const Case cases[] = {
        {Made::Regular, "bytes:contents\n"},
        {Made::LinkToRegular, "bytes:contents\n"},
        {Made::Nothing, "no bytes missing"},
        {Made::DanglingLink, "no bytes missing"},
        {Made::Directory, "no bytes | PATH is a directory, not a regular file"},
        {Made::Fifo, "no bytes | PATH is a FIFO, not a regular file"},
        {Made::LinkToFifo, "no bytes | PATH is a FIFO, not a regular file"},
        {Made::Socket, "no bytes | PATH is a socket, not a regular file"},
        {Made::Device, "no bytes | PATH is a device, not a regular file"},
        {Made::LinkToDevice, "no bytes | PATH is a device, not a regular file"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath("config.dat").toStdString();
        ASSERT_TRUE(testsupport::make(c.made, path)) << madeName(c.made);
        const std::string before = testsupport::describe(path);
        const auto read =
            testsupport::runInChild([&path] { return outcome(readRegularFile(path, 100)); });
        std::string expected = c.expected;
        if (const auto at = expected.find("PATH"); at != std::string::npos) {
            expected.replace(at, 4, path);
        }
        EXPECT_EQ(read, expected) << madeName(c.made) << " (nothing: the read did not end)";
        EXPECT_EQ(testsupport::describe(path), before) << madeName(c.made);
    }
}

TEST(RegularFile, ReadsAtMostTheBytesAskedWithThePermissionsOfTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("records.password").toStdString();
    ASSERT_TRUE(testsupport::make(Made::Regular, path));
    for (const unsigned mode : {0600U, 0640U, 0404U, 0777U}) {
        ASSERT_EQ(::chmod(path.c_str(), mode), 0);
        const FileRead read = readRegularFile(path, 3);
        EXPECT_EQ(read.bytes, "con") << std::oct << mode;
        EXPECT_EQ(read.permissions, mode) << std::oct << mode;
    }
    EXPECT_EQ(readRegularFile(path, 0).bytes, "");
    EXPECT_EQ(readRegularFile(path, 1000).bytes, "contents\n");
}

TEST(RegularFile, KindsAreNamedWhatTheyAre) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::pair<Made, FileKind> cases[] = {
        {Made::Regular, FileKind::Regular},      {Made::Nothing, FileKind::Missing},
        {Made::Directory, FileKind::Directory},  {Made::Fifo, FileKind::Fifo},
        {Made::Socket, FileKind::Socket},        {Made::LinkToRegular, FileKind::Regular},
        {Made::LinkToFifo, FileKind::Fifo},      {Made::LinkToDevice, FileKind::CharacterDevice},
        {Made::DanglingLink, FileKind::Missing},
    };
    int n = 0;
    for (const auto& [made, kind] : cases) {
        const std::string path = dir.filePath(QString::number(++n)).toStdString();
        ASSERT_TRUE(testsupport::make(made, path)) << madeName(made);
        EXPECT_EQ(fileKind(path), kind) << madeName(made);
    }
    EXPECT_EQ(fileKind(dir.filePath("1/below-a-file").toStdString()), FileKind::Missing);
}

}  // namespace
}  // namespace platform::qt
