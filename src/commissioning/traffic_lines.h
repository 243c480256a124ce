#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

#include "commissioning/line_glyphs.h"
#include "commissioning/traffic_log.h"

namespace commissioning {

class QuietScrollBar;

// The traffic log as a list of lines, drawn straight from the log. A line stands for one entry
// by its number since the log began, so the lines stay put while the log goes on. New lines are
// taken in only by catchUp(): while the end is in view they scroll in at the bottom, and only the
// lines that come into view are painted. A click selects a line, dragging or Shift extends the
// selection, Ctrl+A selects every line and Ctrl+C copies the selected ones.
class TrafficLines final : public QAbstractScrollArea {
    Q_OBJECT

  public:
    using LineText = std::function<QString(const TrafficEntry&)>;

    TrafficLines(const TrafficLog& log, LineText text, QWidget* parent = nullptr);

    // The font of the lines: of fixed pitch, and fully hinted, so that every character is a
    // whole number of pixels wide and its drawing can be copied (LineGlyphs::drawOnGround).
    [[nodiscard]] static QFont lineFont();

    // Takes in what the log recorded since the last call: lines the log no longer keeps leave at
    // the top, new ones join at the bottom.
    void catchUp();
    // No lines; the log's next entry will be the first.
    void clear();

    [[nodiscard]] int lineCount() const { return count_; }
    [[nodiscard]] int lineHeight() const { return lineHeight_; }
    // How the lines are drawn.
    [[nodiscard]] const LineGlyphs& glyphs() const { return glyphs_; }
    // The line at the top of the view.
    [[nodiscard]] int topLine() const;
    // The selected lines that the log still keeps, one per line of text.
    [[nodiscard]] QString selectedText() const;
    void selectAll();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    // Whole lines the view holds.
    [[nodiscard]] int visibleLines() const;
    void setRanges(int top);
    // The entry number of the line at `y` in the view, the last line when below it.
    [[nodiscard]] std::optional<std::uint64_t> entryAt(int y) const;
    [[nodiscard]] const TrafficEntry* kept(std::uint64_t number) const;
    [[nodiscard]] bool selected(std::uint64_t number) const;

    const TrafficLog& log_;
    LineText text_;
    LineGlyphs glyphs_;
    QuietScrollBar* vertical_ = nullptr;
    int textWidth_ = 0;  // the widest line there can be
    int lineHeight_ = 1;
    int baseline_ = 0;         // from the top of a line
    std::uint64_t first_ = 0;  // entry number of line 0
    int count_ = 0;
    bool settingRanges_ = false;  // the view is moved by catchUp itself
    // The selection runs from the anchor to the cursor, entry numbers both.
    std::optional<std::uint64_t> anchor_;
    std::uint64_t cursor_ = 0;
};

}  // namespace commissioning
