#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <memory>
#include <string>

#include "fakes/fake_program_end.h"
#include "parameters/form3.h"
#include "session/write_session_fixture.h"

namespace paramtest {

// The parameter window over the write session on fakes of the session tests, its port wired to
// the simulated meters.
class Form3Test : public sessiontest::WriteSessionTest {
  protected:
    void SetUp() override {
        WriteSessionTest::SetUp();
        form = std::make_unique<parameters::Form3>(
            parameters::ParameterWindowServices{session, dialogs, programEnd, gate});
    }

    // Opened as the main window opens it: load and show inside the main window's handler.
    void open() {
        gate.run([this] {
            form->Form_Load();
            form->show();
        });
    }
    std::string text(parameters::Param param) const { return form->fieldText(param).toStdString(); }

    fakes::FakeProgramEnd programEnd;
    std::unique_ptr<parameters::Form3> form;
};

}  // namespace paramtest
