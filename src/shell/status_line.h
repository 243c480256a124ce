#pragma once

#include <QLabel>

#include <array>
#include <string>

namespace shell {

// What a note on the status line is about; the notes are shown in this order.
enum class StatusNote { Port, Store, Count };

// The line at the foot of the main window. Several parts of the program put a note on it, each
// under its own subject; a note replaces that subject's earlier one, an empty note removes it,
// and the line shows what is left, each note on a line of its own.
class StatusLine : public QLabel {
    Q_OBJECT

  public:
    explicit StatusLine(QWidget* parent = nullptr);

    void setNote(StatusNote subject, const std::string& text);
    [[nodiscard]] std::string note(StatusNote subject) const;

  private:
    // Grows the window, unless maximised, to the height its contents want with the notes shown.
    void makeRoom();

    std::array<std::string, static_cast<std::size_t>(StatusNote::Count)> notes_;
};

}  // namespace shell
