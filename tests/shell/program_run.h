#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <string>

namespace shelltest {

struct ProgramRun {
    int status = -1;  // -1: the program did not end by itself within the deadline, or crashed
    std::string out;
    std::string err;
};

// Runs the built program to its end; one that has not ended after a generous deadline (waiting
// on something it should not wait on) is killed.
inline ProgramRun runProgram(const QStringList& arguments, const QString& workingDirectory = {}) {
    QProcess program;
    program.setWorkingDirectory(workingDirectory);
    program.start(QStringLiteral(TUSKOCP_PATH), arguments);
    ProgramRun run;
    if (!program.waitForFinished(30000) || program.exitStatus() != QProcess::NormalExit) {
        program.kill();
        program.waitForFinished();
        return run;
    }
    run.status = program.exitCode();
    run.out = program.readAllStandardOutput().toStdString();
    run.err = program.readAllStandardError().toStdString();
    return run;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace shelltest
