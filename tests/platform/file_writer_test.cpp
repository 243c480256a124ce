// The file writer replaces only a regular file, also when something else took its place while
// the file was being written.
#include "platform/qt/qt_file_writer.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/special_files.h"

namespace platform::qt {
namespace {

using testsupport::Made;

TEST(QtFileWriter, ReplacesOnlyARegularFileOrNothing) {
    const std::pair<Made, bool> cases[] = {
        {Made::Regular, true},    {Made::Nothing, true},     {Made::LinkToRegular, true},
        {Made::Directory, false}, {Made::Fifo, false},       {Made::Socket, false},
        {Made::Device, false},    {Made::LinkToFifo, false}, {Made::LinkToDevice, false},
    };
    for (const auto& [made, replaced] : cases) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath("out.csv").toStdString();
        ASSERT_TRUE(testsupport::make(made, path)) << madeName(made);
        const std::string before = testsupport::describe(path);
        QtFileWriter writer;
        EXPECT_EQ(writer.writeText(path, "a;b\r\n"), replaced) << madeName(made);
        EXPECT_EQ(testsupport::describe(path), replaced ? "file:a;b\r\n" : before)
            << madeName(made);
    }
}

TEST(QtFileWriter, WhatTookThePlaceDuringTheWriteIsKept) {
    for (const Made made : {Made::Fifo, Made::Device, Made::LinkToDevice, Made::Directory}) {
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        const std::string path = dir.filePath("out.csv").toStdString();
        QtFileWriter writer;
        ASSERT_TRUE(writer.begin(path));
        ASSERT_TRUE(writer.append("a;b\r\n"));
        ASSERT_TRUE(testsupport::make(made, path)) << madeName(made);
        const std::string before = testsupport::describe(path);
        EXPECT_FALSE(writer.finish()) << madeName(made);
        EXPECT_EQ(testsupport::describe(path), before) << madeName(made);
    }
}

}  // namespace
}  // namespace platform::qt
