// The traffic monitor's lines: new entries join at the bottom, a line keeps its entry while the
// log wraps, and following the log repaints only the lines that came into view.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFontDatabase>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSet>

#include "commissioning/line_glyphs.h"
#include "commissioning/traffic_lines.h"
#include "commissioning/traffic_monitor.h"
#include "fakes/fake_clock.h"
#include "window_support.h"

#include <algorithm>
#include <vector>

namespace commissioning {
namespace {

using namespace std::chrono_literals;
using shelltest::eventLoopUntil;
using shelltest::EventSpy;

// Entry n of the log carries n in its first two bytes.
void record(TrafficLog& log, int count) {
    for (int i = 0; i < count; ++i) {
        const auto n = static_cast<std::uint16_t>(log.recorded());
        const std::uint8_t bytes[] = {static_cast<std::uint8_t>(n >> 8),
                                      static_cast<std::uint8_t>(n & 0xFF)};
        log.record(Line::Main, true, bytes, sizeof bytes, Verdict::Poll);
    }
}

QString numberText(const TrafficEntry& entry) {
    return QString::number(entry.bytes[0] * 256 + entry.bytes[1]);
}

class TrafficLinesTest : public ::testing::Test {
  protected:
    // The text of the line at the top of the view, read as the operator would: click and copy.
    QString topText() {
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 1), QPointF(5, 1), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view.viewport(), &press);
        return view.selectedText().trimmed();
    }
    int lineHeight() const { return view.lineHeight(); }

    fakes::FakeClock clock;
    TrafficLog log{clock};
    TrafficLines view{log, numberText};
};

TEST_F(TrafficLinesTest, NewLinesJoinAtTheBottomAndShownLinesKeepTheirEntries) {
    view.resize(300, 20 * lineHeight() + 2 * view.frameWidth());
    record(log, 100);
    view.catchUp();
    EXPECT_EQ(view.lineCount(), 100);
    const int visible = view.viewport()->height() / lineHeight();
    EXPECT_EQ(view.topLine(), 100 - visible) << "the end in view";

    record(log, 5);
    view.catchUp();
    EXPECT_EQ(view.topLine(), 105 - visible) << "the end stays in view";

    view.verticalScrollBar()->setValue(10);
    record(log, 50);
    view.catchUp();
    EXPECT_EQ(view.topLine(), 10) << "scrolled back: the view stays";
    EXPECT_EQ(topText(), "10");

    // The log wraps: its oldest entries go, and the lines shown keep theirs.
    record(log, static_cast<int>(TrafficLog::kCapacity) - 150 + 3);
    view.catchUp();
    EXPECT_EQ(view.lineCount(), static_cast<int>(TrafficLog::kCapacity));
    EXPECT_EQ(topText(), "10") << "the line still shows entry 10";
    record(log, 20);
    view.catchUp();
    EXPECT_EQ(topText(), "28") << "entry 10 is gone: the oldest kept is at the top";

    view.selectAll();
    EXPECT_EQ(view.selectedText().count(QLatin1Char('\n')),
              static_cast<int>(TrafficLog::kCapacity));
    view.clear();
    record(log, 2);
    view.catchUp();
    EXPECT_EQ(view.lineCount(), 2) << "only what came after the clearing";
}

TEST_F(TrafficLinesTest, FollowingTheLogPaintsOnlyTheNewLines) {
    view.resize(300, 20 * lineHeight() + 2 * view.frameWidth());
    record(log, 5000);
    view.catchUp();
    view.show();
    EventSpy spy;
    EventSpy bar;
    view.viewport()->installEventFilter(&spy);
    view.verticalScrollBar()->installEventFilter(&bar);
    ASSERT_TRUE(eventLoopUntil([&] { return !spy.painted.isEmpty(); }, 10s)) << "never painted";
    const QRect whole = view.viewport()->rect();
    EXPECT_GE(spy.painted.boundingRect().height(), whole.height() - lineHeight());

    ASSERT_TRUE(eventLoopUntil([&] { return !bar.painted.isEmpty(); }, 10s));
    for (const int count : {1, 3, 7}) {
        spy.painted = QRegion();
        bar.painted = QRegion();
        record(log, count);
        view.catchUp();
        ASSERT_TRUE(eventLoopUntil([&] { return !spy.painted.isEmpty(); }, 10s)) << count;
        QCoreApplication::processEvents();
        const QRect painted = spy.painted.boundingRect();
        EXPECT_LE(painted.height(), (count + 1) * lineHeight()) << count << " new lines";
        EXPECT_GE(painted.bottom(), whole.bottom() - lineHeight()) << "at the bottom";
        EXPECT_TRUE(bar.painted.isEmpty()) << "the scroll bar's handle stays at the end";
    }
    // Painted again, the lines in view are drawn from the characters already shaped.
    const int shaped = view.glyphs().shaped();
    spy.painted = QRegion();
    view.viewport()->repaint();
    EXPECT_GE(spy.painted.boundingRect().height(), whole.height() - lineHeight());
    EXPECT_EQ(view.glyphs().shaped(), shaped);
}

// `text` drawn on `ground` in `pen`: whole, from its characters, or from copies of them.
enum class Drawn { Whole, Glyphs, Copies };
QImage drawn(const QString& text, const QColor& pen, const QColor& ground, Drawn how,
             LineGlyphs* glyphs = nullptr,
             QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver) {
    const QFont font = TrafficLines::lineFont();
    QImage image(QFontMetrics(font).horizontalAdvance(text) + 20, 40,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(ground);
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(pen);
    painter.setCompositionMode(mode);
    const QPointF origin(4.5, 28);
    switch (how) {
        case Drawn::Whole:
            painter.drawText(origin, text);
            break;
        case Drawn::Glyphs:
            glyphs->draw(painter, origin, text);
            break;
        case Drawn::Copies:
            glyphs->drawOnGround(painter, origin, text, 0, image.height(), ground);
            break;
    }
    return image;
}

TrafficEntry entry(Line line, bool sent, Verdict verdict, std::uint8_t detail,
                   std::vector<std::uint8_t> bytes, std::uint16_t length = 0) {
    TrafficEntry made{
        static_cast<std::int64_t>(1700000000123 + bytes.size() * 7919), line, sent, verdict, detail,
        length > 0 ? length : static_cast<std::uint16_t>(bytes.size())};
    std::copy_n(bytes.begin(), std::min(bytes.size(), made.bytes.size()), made.bytes.begin());
    return made;
}

// The lines of the traffic drawn from characters shaped once look as drawn whole, in both pens;
// a line drawn again is not shaped again.
TEST(LineGlyphsTest, DrawnFromCharactersLooksAsDrawnWhole) {
    const TrafficEntry entries[] = {
        entry(Line::Main, true, Verdict::Poll, 0, {0x2A, 0x03, 0x00, 0x2D}),
        entry(Line::Main, false, Verdict::ValidReply, 0,
              {0x2A, 0x03, 0x00, 0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x0D, 0x77}),
        entry(Line::Main, false, Verdict::WrongCheckByte, 0, {0x2A, 0x03, 0x00, 0x00, 0x0D, 0x11}),
        entry(Line::Parameter, true, Verdict::ParameterFrame, 7, {0x2A, 0x01, 0x07, 0x00}),
        entry(Line::Parameter, false, Verdict::ErrorReply, 0x82,
              std::vector<std::uint8_t>(16, 0xBB), 300),
        entry(Line::Main, false, Verdict::ShortBlock, 0, {0xFF}),
    };
    LineGlyphs glyphs(TrafficLines::lineFont());
    QSet<QChar> characters;
    const std::pair<QColor, QColor> pens[] = {{Qt::black, Qt::white},
                                              {QColor(0x30, 0x60, 0xC0), QColor(0xFF, 0xF8, 0xE0)},
                                              {Qt::white, QColor(0x30, 0x8C, 0xC6)}};
    for (const auto& [pen, ground] : pens) {
        for (const TrafficEntry& e : entries) {
            const QString text = TrafficMonitor::entryText(e);
            const QImage whole = drawn(text, pen, ground, Drawn::Whole);
            ASSERT_NE(whole, drawn({}, pen, ground, Drawn::Whole).scaled(whole.size()))
                << "nothing drawn";
            EXPECT_EQ(drawn(text, pen, ground, Drawn::Glyphs, &glyphs), whole)
                << text.toStdString();
            const int copiedBefore = glyphs.copied();
            EXPECT_EQ(drawn(text, pen, ground, Drawn::Copies, &glyphs), whole)
                << "copied: " << text.toStdString();
            // A copy but for the line with "略", whose glyph reaches beyond its advance.
            EXPECT_EQ(glyphs.copied() - copiedBefore, text.contains(u'略') ? 0 : 1)
                << text.toStdString();
            characters.unite(QSet<QChar>(text.cbegin(), text.cend()));
        }
    }
    // Each character once, not once per line nor per pen.
    EXPECT_EQ(glyphs.shaped(), characters.size());
    const int copied = glyphs.copied();
    drawn(QStringLiteral("0123"), Qt::black, Qt::white, Drawn::Copies, &glyphs,
          QPainter::CompositionMode_Multiply);
    EXPECT_EQ(glyphs.copied(), copied) << "a painter that blends otherwise draws the line itself";
}

// The view is as wide and its lines as high as the widest line needs in the lines' own font: the
// widest line can be scrolled into view whole.
TEST(TrafficLinesFont, TheWidestLineFitsInTheLinesFont) {
    fakes::FakeClock clock;
    TrafficLog log{clock};
    TrafficLines view{log, TrafficMonitor::entryText};
    view.resize(200, 200);
    view.show();
    const QString widest =
        TrafficMonitor::entryText(entry(Line::Parameter, false, Verdict::ErrorReply, 0x82,
                                        std::vector<std::uint8_t>(16, 0xBB), 0xFFFF));
    const QFontMetrics metrics(TrafficLines::lineFont());
    EXPECT_GE(view.horizontalScrollBar()->maximum() + view.viewport()->width(),
              metrics.horizontalAdvance(widest));
    EXPECT_GE(view.lineHeight(), metrics.height());
}

}  // namespace
}  // namespace commissioning
