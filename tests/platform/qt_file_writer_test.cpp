// Files written through QSaveFile, streamed or by a library that opens the file by its name: the
// new file replaces the old only once finished, and a dropped write leaves the old one and
// nothing else.
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/qt/qt_file_writer.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), {}) : "(none)";
}

TEST(QtFileWriter, TheNewFileTakesThePlaceOfTheOldOnlyWhenFinished) {
    for (const bool named : {false, true}) {
        for (const bool oldFile : {false, true}) {
            for (const bool finished : {false, true}) {
                const std::string label = std::string(named ? "named" : "streamed") +
                                          (oldFile ? " over a file" : "") +
                                          (finished ? " finished" : " dropped");
                QTemporaryDir dir;
                const std::string path = dir.filePath("out.xlsx").toStdString();
                if (oldFile) {
                    std::ofstream(path) << "old";
                }
                platform::qt::QtFileWriter writer;
                if (named) {  // as a C library writes it
                    const std::optional<std::string> name = writer.beginNamed(path);
                    ASSERT_TRUE(name && *name != path) << label;
                    std::FILE* file = std::fopen(name->c_str(), "wb");
                    ASSERT_TRUE(file && std::fputs("new", file) >= 0 && std::fclose(file) == 0);
                } else {
                    ASSERT_TRUE(writer.begin(path) && writer.append("new")) << label;
                }
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
    }
    platform::qt::QtFileWriter writer;
    EXPECT_FALSE(writer.beginNamed("/nonexistent-directory/out.xlsx").has_value());
    EXPECT_FALSE(writer.finish());
}

}  // namespace
