#include "commissioning/traffic_lines.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace commissioning {

// A scroll bar repainted only when what it shows changes. Lines joining at the bottom change its
// range four times a second, while its handle, at its smallest and at the end, stays as drawn.
class QuietScrollBar final : public QScrollBar {
  public:
    using QScrollBar::QScrollBar;

    // Range, page and value at once, repainted once if at all.
    void set(int maximum, int page, int value) {
        holding_ = true;
        setRange(0, maximum);
        setPageStep(page);
        setValue(value);
        holding_ = false;
        repaintIfChanged();
    }

  protected:
    void sliderChange(SliderChange /*change*/) override {
        if (!holding_) {
            repaintIfChanged();
        }
    }
    void resizeEvent(QResizeEvent* event) override {
        QScrollBar::resizeEvent(event);
        drawn_ = shown();  // a new size is drawn in full
    }

  private:
    struct Drawn {
        QRect handle;
        bool atStart = false;
        bool atEnd = false;
        friend bool operator==(const Drawn& a, const Drawn& b) {
            return a.handle == b.handle && a.atStart == b.atStart && a.atEnd == b.atEnd;
        }
        friend bool operator!=(const Drawn& a, const Drawn& b) { return !(a == b); }
    };

    [[nodiscard]] Drawn shown() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return {style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                        this),
                value() == minimum(), value() == maximum()};
    }
    void repaintIfChanged() {
        const Drawn now = shown();
        if (now != drawn_) {
            drawn_ = now;
            update();
        }
    }

    Drawn drawn_;
    bool holding_ = false;
};

namespace {

constexpr int kTextMargin = 4;

// The widest line there can be: an error reply on the parameter port, longer than a line keeps.
TrafficEntry widestEntry() {
    TrafficEntry entry;
    entry.line = Line::Parameter;
    entry.verdict = Verdict::ErrorReply;
    entry.detail = 0x82;
    entry.length = 0xFFFF;
    entry.bytes.fill(0xBB);
    return entry;
}

}  // namespace

TrafficLines::TrafficLines(const TrafficLog& log, LineText text, QWidget* parent)
    : QAbstractScrollArea(parent),
      log_(log),
      text_(std::move(text)),
      glyphs_(lineFont()),
      first_(log.recorded() - log.size()) {
    setFont(lineFont());
    setFocusPolicy(Qt::StrongFocus);
    vertical_ = new QuietScrollBar(Qt::Vertical, this);
    setVerticalScrollBar(vertical_);
    // The widest line sets the width, and its glyphs, Chinese ones among them, the height.
    const QString widest = text_(widestEntry());
    const QRect box = fontMetrics().boundingRect(widest);
    textWidth_ = fontMetrics().horizontalAdvance(widest) + 2 * kTextMargin;
    baseline_ = std::max(fontMetrics().ascent(), -box.top()) + 1;
    lineHeight_ = std::max(fontMetrics().lineSpacing(), baseline_ + box.bottom() + 2);
    horizontalScrollBar()->setSingleStep(fontMetrics().averageCharWidth() * 4);
    verticalScrollBar()->setSingleStep(1);
}

QFont TrafficLines::lineFont() {
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

int TrafficLines::visibleLines() const {
    return std::max(1, viewport()->height() / lineHeight_);
}

int TrafficLines::topLine() const {
    return verticalScrollBar()->value();
}

void TrafficLines::setRanges(int top) {
    settingRanges_ = true;
    vertical_->set(std::max(0, count_ - visibleLines()), visibleLines(), top);
    QScrollBar* horizontal = horizontalScrollBar();
    horizontal->setRange(0, std::max(0, textWidth_ - viewport()->width()));
    horizontal->setPageStep(viewport()->width());
    settingRanges_ = false;
}

void TrafficLines::catchUp() {
    const std::uint64_t end = log_.recorded();
    const std::uint64_t first = std::max(first_, end - log_.size());
    if (first == first_ && end == first_ + static_cast<std::uint64_t>(count_)) {
        return;
    }
    const QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    const auto visible = static_cast<std::int64_t>(visibleLines());
    const auto topBefore = static_cast<std::int64_t>(first_) + bar->value();
    const auto endBefore = static_cast<std::int64_t>(first_) + count_;
    first_ = first;
    count_ = static_cast<int>(end - first_);
    const auto start = static_cast<std::int64_t>(first_);
    const std::int64_t top = following ? start + std::max<std::int64_t>(0, count_ - visible)
                                       : std::max(start, topBefore);
    setRanges(static_cast<int>(top - start));

    // The lines in view before move up by `shift`; those after the old end are new.
    const std::int64_t shift = top - topBefore;
    if (shift < 0 || shift >= visible) {
        viewport()->update();
        return;
    }
    const int height = lineHeight_;
    if (shift > 0) {
        viewport()->scroll(0, static_cast<int>(-shift * height));
    }
    const auto firstNew = static_cast<int>(std::max<std::int64_t>(0, endBefore - top));
    if (firstNew * height < viewport()->height()) {
        viewport()->update(0, firstNew * height, viewport()->width(),
                           viewport()->height() - firstNew * height);
    }
}

void TrafficLines::clear() {
    first_ = log_.recorded();
    count_ = 0;
    anchor_.reset();
    setRanges(0);
    viewport()->update();
}

const TrafficEntry* TrafficLines::kept(std::uint64_t number) const {
    const std::uint64_t oldest = log_.recorded() - log_.size();
    if (number < oldest || number >= log_.recorded()) {
        return nullptr;
    }
    return &log_.at(static_cast<std::size_t>(number - oldest));
}

bool TrafficLines::selected(std::uint64_t number) const {
    return anchor_ && number >= std::min(*anchor_, cursor_) &&
           number <= std::max(*anchor_, cursor_);
}

std::optional<std::uint64_t> TrafficLines::entryAt(int y) const {
    if (count_ == 0) {
        return std::nullopt;
    }
    const int row = topLine() + std::max(0, y) / lineHeight_;
    return first_ + static_cast<std::uint64_t>(std::min(row, count_ - 1));
}

QString TrafficLines::selectedText() const {
    QString text;
    if (!anchor_ || count_ == 0) {
        return text;
    }
    const std::uint64_t last = std::min(std::max(*anchor_, cursor_), first_ + count_ - 1);
    for (std::uint64_t number = std::max(std::min(*anchor_, cursor_), first_); number <= last;
         ++number) {
        if (const TrafficEntry* entry = kept(number)) {
            text += text_(*entry);
            text += QLatin1Char('\n');
        }
    }
    return text;
}

void TrafficLines::selectAll() {
    if (count_ > 0) {
        anchor_ = first_;
        cursor_ = first_ + static_cast<std::uint64_t>(count_) - 1;
        viewport()->update();
    }
}

void TrafficLines::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int height = lineHeight_;
    const int x = kTextMargin - horizontalScrollBar()->value();
    const int width = viewport()->width();
    const QRect area = event->rect();
    const std::uint64_t top = first_ + static_cast<std::uint64_t>(topLine());
    const std::uint64_t end = first_ + static_cast<std::uint64_t>(count_);
    for (int row = area.top() / height; row <= area.bottom() / height; ++row) {
        const std::uint64_t number = top + static_cast<std::uint64_t>(row);
        if (number >= end) {
            break;
        }
        const TrafficEntry* entry = kept(number);
        // What the line is drawn on: the viewport's own background, or the selection's.
        QBrush ground = viewport()->autoFillBackground()
                            ? viewport()->palette().brush(viewport()->backgroundRole())
                            : QBrush();
        if (selected(number)) {
            ground = palette().highlight();
            painter.fillRect(0, row * height, width, height, ground);
            painter.setPen(palette().highlightedText().color());
        } else {
            painter.setPen(palette().text().color());
        }
        if (entry == nullptr) {
            continue;
        }
        const QPointF origin(x, row * height + baseline_);
        if (ground.style() == Qt::SolidPattern) {
            glyphs_.drawOnGround(painter, origin, text_(*entry), row * height, height,
                                 ground.color());
        } else {
            glyphs_.draw(painter, origin, text_(*entry));
        }
    }
}

void TrafficLines::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    const QScrollBar* bar = verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    setRanges(following ? std::max(0, count_ - visibleLines()) : bar->value());
    viewport()->update();
}

void TrafficLines::scrollContentsBy(int dx, int dy) {
    if (settingRanges_) {
        return;
    }
    if (std::abs(dy) >= visibleLines() || std::abs(dx) >= viewport()->width()) {
        viewport()->update();
        return;
    }
    viewport()->scroll(dx, dy * lineHeight_);
}

void TrafficLines::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const std::optional<std::uint64_t> number = entryAt(event->position().toPoint().y());
    if (!number) {
        return;
    }
    if (!anchor_ || !(event->modifiers() & Qt::ShiftModifier)) {
        anchor_ = number;
    }
    cursor_ = *number;
    viewport()->update();
}

void TrafficLines::mouseMoveEvent(QMouseEvent* event) {
    if (!anchor_ || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    const std::optional<std::uint64_t> number = entryAt(event->position().toPoint().y());
    if (number && *number != cursor_) {
        cursor_ = *number;
        viewport()->update();
    }
}

void TrafficLines::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        if (const QString text = selectedText(); !text.isEmpty()) {
            QGuiApplication::clipboard()->setText(text);
        }
        event->accept();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
    } else if (event->key() == Qt::Key_Home || event->key() == Qt::Key_End) {
        verticalScrollBar()->triggerAction(event->key() == Qt::Key_Home
                                               ? QAbstractSlider::SliderToMinimum
                                               : QAbstractSlider::SliderToMaximum);
        event->accept();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

}  // namespace commissioning
