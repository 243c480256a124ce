#pragma once

// The data-query window over a shared fake store, a fake clock, dialogs and writer.
#include <gtest/gtest.h>
#include <QApplication>
#include <QPointer>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "fakes/fake_dialogs.h"
#include "fakes/fake_file_writer.h"
#include "fakes/fake_store.h"
#include "platform/event_gate.h"
#include "records/form4.h"
#include "sample_records.h"
#include "support/wait_for.h"

namespace records_test {

using testsupport::waitFor;

using State = fakes::SharedFakeStore::State;

// The test's writer, handed to the window's reading thread; read once the export's message came.
struct WriterInto final : platform::FileWriter {
    explicit WriterInto(fakes::FakeFileWriter& w) : writer(w) {}
    bool begin(const std::string& path) override { return writer.begin(path); }
    bool append(std::string_view text) override { return writer.append(text); }
    bool finish() override { return writer.finish(); }
    void abandon() override { writer.abandon(); }
    fakes::FakeFileWriter& writer;
};

class Form4Test : public ::testing::Test {
  protected:
    ~Form4Test() override {
        delete form;
        shared.release();
    }

    // The window as made, before its first opening.
    records::Form4& make() {
        // The one file an export may not replace is "kvt97.mdb".
        const auto refuse = [](const std::string& path) -> std::optional<std::string> {
            return path == "kvt97.mdb" ? std::optional<std::string>("不能导出到 " + path)
                                       : std::nullopt;
        };
        form = new records::Form4({shared.maker(),
                                   [this] { return std::make_unique<WriterInto>(writer); }, refuse,
                                   dialogs, gate, clock});
        return *form;
    }
    records::Form4& open() {
        make();
        return show();
    }
    // Shows the window and waits for its fill; looks come only when a test asks for them.
    records::Form4& show() {
        form->show();
        form->Timer1->stop();
        settle();
        return *form;
    }
    // No window, an empty store, no messages or files, and the made-up run from its start again.
    void restart() {
        delete form;
        shared.with([](State& s) { s.store.records.clear(); });
        dialogs.messages.clear();
        writer.files.clear();
        logged_ = 0;
    }
    // Waits until the window has shown the result of every read it asked for.
    void settle() {
        ASSERT_TRUE(waitFor([this] { return form.isNull() || !form->reading(); }));
    }
    records::RecordFilter lastFilter() const {
        return shared.with([](State& s) { return s.filters.back(); });
    }
    void look() {
        gate.run([this] { form->Timer1_Timer(); });
        settle();
    }
    // Records 1 to n of the made-up run follow the records stored so far.
    void log(int count) {
        shared.with([&](State& s) {
            for (int i = 0; i < count; ++i) {
                EXPECT_TRUE(s.store.append(recordNumber(++logged_)));
            }
        });
    }
    void setProblem(records::StoreProblem problem, const std::string& detail = {}) {
        shared.with([&](State& s) { s.store.health_ = {problem, detail, {}, 0}; });
    }
    // The ten cells of a record row, columns 2 to 11.
    std::vector<std::string> recordRow(int row) const {
        std::vector<std::string> cells;
        for (int column = 2; column < 12; ++column) {
            cells.push_back(form->TextMatrix(row, column).toStdString());
        }
        return cells;
    }
    bool rowEmpty(int row) const { return recordRow(row) == std::vector<std::string>(10); }
    // Grid rows `first` to `last` hold records `from` onwards of the made-up run.
    void expectRows(int first, int last, int from) const {
        for (int row = first; row <= last; ++row) {
            ASSERT_EQ(recordRow(row), textsOf(recordNumber(from + row - first))) << row;
        }
    }

    fakes::SharedFakeStore shared;
    fakes::FakeDialogs dialogs;
    fakes::FakeFileWriter writer;
    fakes::FakeClock clock;
    platform::EventGate gate;
    QPointer<records::Form4> form;

  private:
    int logged_ = 0;
};

}  // namespace records_test
