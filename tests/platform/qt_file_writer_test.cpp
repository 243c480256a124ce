// Files written through QSaveFile, streamed or by a library that opens the file by its name: the
// new file replaces the old only once finished, and a dropped write leaves the old one and
// nothing else.
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "platform/qt/qt_file_writer.h"

namespace {

std::string contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return "(none)";
    }
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// Writes through a name the way a C library does.
bool writeByName(const std::string& name, const std::string& text) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

TEST(QtFileWriter, TheNewFileTakesThePlaceOfTheOldOnlyWhenFinished) {
    struct Case {
        bool named;
        bool oldFile;
        bool finished;
        const char* after;
    };
    const Case cases[] = {
        {false, true, true, "new"},  {false, true, false, "old"},
        {false, false, true, "new"}, {false, false, false, "(none)"},
        {true, true, true, "new"},   {true, true, false, "old"},
        {true, false, true, "new"},  {true, false, false, "(none)"},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.named ? "named" : "streamed") +
                                  (c.oldFile ? ", over a file" : ", new") +
                                  (c.finished ? ", finished" : ", dropped");
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath("out.xlsx").toStdString();
        if (c.oldFile) {
            std::ofstream(path) << "old";
        }
        platform::qt::QtFileWriter writer;
        if (c.named) {
            const std::optional<std::string> name = writer.beginNamed(path);
            ASSERT_TRUE(name.has_value()) << label;
            EXPECT_NE(*name, path) << label;
            ASSERT_TRUE(writeByName(*name, "new")) << label;
        } else {
            ASSERT_TRUE(writer.begin(path)) << label;
            ASSERT_TRUE(writer.append("new")) << label;
        }
        EXPECT_EQ(contents(path), c.oldFile ? "old" : "(none)") << label << ": before the end";
        if (c.finished) {
            EXPECT_TRUE(writer.finish()) << label;
        } else {
            writer.abandon();
            EXPECT_FALSE(writer.finish()) << label << ": nothing left to finish";
        }
        EXPECT_EQ(contents(path), c.after) << label;
        const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        EXPECT_EQ(left, c.oldFile || c.finished ? QStringList{"out.xlsx"} : QStringList{})
            << label << ": " << left.join(' ').toStdString();
    }
}

TEST(QtFileWriter, NoWriteBeginsWhereNoFileCanBe) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string path = dir.filePath("missing/out.xlsx").toStdString();
    platform::qt::QtFileWriter writer;
    EXPECT_FALSE(writer.beginNamed(path).has_value());
    EXPECT_FALSE(writer.begin(path));
    EXPECT_FALSE(writer.finish());
}

}  // namespace
