// The file writer replaces only a regular file or nothing, also when something else is put in
// the file's place while it is being written. The new file replaces the old only once finished,
// and a dropped write leaves the old one and nothing else.
#include "platform/qt/qt_file_writer.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>

#include "support/non_regular_files.h"

namespace platform::qt {
namespace {

using testsupport::Made;

TEST(QtFileWriter, ReplacesNothingButARegularFile) {
    const Made kinds[] = {Made::Nothing, Made::Directory,  Made::Fifo,        Made::Socket,
                          Made::Device,  Made::LinkToFifo, Made::LinkToDevice};
    for (const bool duringTheWrite : {false, true}) {
        for (const Made made : kinds) {
            QTemporaryDir dir;
            ASSERT_TRUE(dir.isValid());
            const std::string path = dir.filePath("out.csv").toStdString();
            ASSERT_TRUE(testsupport::make(duringTheWrite ? Made::Nothing : made, path));
            QtFileWriter writer;
            const bool begun = writer.begin(path) && writer.append("a;b\r\n");
            ASSERT_TRUE(testsupport::make(duringTheWrite ? made : Made::Nothing, path));
            const std::string before = testsupport::describe(path);
            const bool written = begun && writer.finish();
            const std::string what = madeName(made) + std::string(duringTheWrite ? " put in" : "");
            EXPECT_EQ(written, made == Made::Nothing) << what;
            EXPECT_EQ(testsupport::describe(path), written ? "file:a;b\r\n" : before) << what;
        }
    }
    QTemporaryDir dir;
    const std::string path = dir.filePath("old.csv").toStdString();
    ASSERT_TRUE(QtFileWriter().writeText(path, "old"));
    EXPECT_TRUE(QtFileWriter().writeText(path, "new")) << "a regular file is replaced";
    EXPECT_EQ(testsupport::describe(path), "file:new");
}

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

TEST(QtFileWriter, TheNewFileTakesThePlaceOfTheOldOnlyWhenFinished) {
    for (const bool oldFile : {false, true}) {
        for (const bool finished : {false, true}) {
            const std::string label = std::string(oldFile ? "over a file" : "new") +
                                      (finished ? " finished" : " dropped");
            QTemporaryDir dir;
            const std::string path = dir.filePath("out.xlsx").toStdString();
            if (oldFile) {
                std::ofstream(path) << "old";
            }
            QtFileWriter writer;
            ASSERT_TRUE(writer.begin(path) && writer.append("new")) << label;
            EXPECT_EQ(contents(path), oldFile ? "old" : "(none)") << label << ", meanwhile";
            if (finished) {
                EXPECT_TRUE(writer.finish()) << label;
            } else {
                writer.abandon();
            }
            EXPECT_EQ(contents(path), finished ? "new" : oldFile ? "old" : "(none)") << label;
            EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(),
                      oldFile || finished ? 1 : 0)
                << label << ": no file is left behind";
        }
    }
    QtFileWriter writer;
    EXPECT_FALSE(writer.begin("/nonexistent-directory/out.xlsx"));
    EXPECT_FALSE(writer.finish());
}

}  // namespace
}  // namespace platform::qt
