#include "shell/status_line.h"

namespace shell {

namespace {

// Each note on a line of its own.
const char* const kNoteSeparator = "\n";

}  // namespace

StatusLine::StatusLine(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("statusLine"));
    setWordWrap(true);
    setTextFormat(Qt::PlainText);
    hide();
}

void StatusLine::setNote(StatusNote subject, const std::string& text) {
    notes_[static_cast<std::size_t>(subject)] = text;
    std::string shown;
    for (const std::string& note : notes_) {
        if (note.empty()) {
            continue;
        }
        if (!shown.empty()) {
            shown += kNoteSeparator;
        }
        shown += note;
    }
    setText(QString::fromStdString(shown));
    setVisible(!shown.empty());
    makeRoom();
}

void StatusLine::makeRoom() {
    QWidget* top = window();
    if (top == this || (top->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        return;
    }
    // A window at its smallest would squeeze the displays above to make room for the notes; it
    // grows by what they need instead.
    const int wanted = top->sizeHint().height();
    if (top->height() < wanted) {
        top->resize(top->width(), wanted);
    }
}

std::string StatusLine::note(StatusNote subject) const {
    return notes_[static_cast<std::size_t>(subject)];
}

}  // namespace shell
