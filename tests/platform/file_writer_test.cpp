// The file writer replaces only a regular file or nothing, also when something else is put in
// the file's place while it is being written.
#include "platform/qt/qt_file_writer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <string>

#include "support/special_files.h"

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

}  // namespace
}  // namespace platform::qt
