#include "ui/controls/TextContrast.h"
#include "ui/controls/CaptionText.h"
#include "ui/controls/SegmentedPicker.h"

#include <QApplication>
#include <QImage>
#include <QPalette>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace qm;

namespace {

struct Scheme
{
    const char *name;
    QColor text;
    QColor window;
    QColor highlight;
    QColor highlightedText;
};

// Light and dark schemes as desktops ship them; Breeze Dark's window and text colours are the
// ones read from kdeglobals (its placeholder colour left unset, as the scheme leaves it).
const Scheme schemes[] = {
    {"Fusion light", QColor(0, 0, 0), QColor(239, 239, 239), QColor(48, 140, 198), Qt::white},
    {"Breeze light", QColor(35, 38, 41), QColor(239, 240, 241), QColor(61, 174, 233), Qt::white},
    {"Breeze Dark",
     QColor(252, 252, 252),
     QColor(42, 46, 50),
     QColor(61, 174, 233),
     QColor(252, 252, 252)},
    {"Adwaita dark", QColor(255, 255, 255), QColor(36, 36, 36), QColor(53, 132, 228), Qt::white},
    {"high contrast", Qt::white, Qt::black, Qt::yellow, Qt::black},
    {"low-contrast theme",
     QColor(120, 120, 120),
     QColor(60, 60, 60),
     QColor(90, 90, 160),
     Qt::white},
};

QPalette paletteOf(const Scheme &scheme)
{
    QPalette palette = QApplication::palette();
    palette.setColor(QPalette::WindowText, scheme.text);
    palette.setColor(QPalette::Text, scheme.text);
    palette.setColor(QPalette::ButtonText, scheme.text);
    palette.setColor(QPalette::Window, scheme.window);
    palette.setColor(QPalette::Base, scheme.window);
    palette.setColor(QPalette::Button, scheme.window);
    palette.setColor(QPalette::Highlight, scheme.highlight);
    palette.setColor(QPalette::HighlightedText, scheme.highlightedText);
    // What a scheme without a placeholder colour leaves: the dark default of Qt.
    palette.setColor(QPalette::PlaceholderText, QColor(22, 24, 26));
    return palette;
}

QColor averageColour(const QImage &image, const QRect &area)
{
    double red = 0, green = 0, blue = 0;
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            red += pixel.redF();
            green += pixel.greenF();
            blue += pixel.blueF();
            ++count;
        }
    }
    return QColor::fromRgbF(float(red / count), float(green / count), float(blue / count));
}

} // namespace

TEST(TextContrast, RatioFollowsTheWcagDefinition)
{
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
    EXPECT_NEAR(contrastRatio(QColor(118, 118, 118), Qt::white), 4.54, 0.01);
    EXPECT_NEAR(contrastRatio(QColor(22, 24, 26), QColor(42, 46, 50)), 1.3, 0.05);
}

// Secondary and tertiary text stay readable (4.5:1) and muted where the scheme allows it.
TEST(TextContrast, MutedTonesAreReadableInEveryScheme)
{
    for (const Scheme &scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        QWidget widget;
        widget.setPalette(paletteOf(scheme));
        const double textContrast = contrastRatio(scheme.text, scheme.window);
        for (const TextTone tone : {TextTone::secondary, TextTone::tertiary}) {
            const QColor colour = toneColor(tone, &widget);
            EXPECT_EQ(colour.alpha(), 255);
            if (textContrast > minimumTextContrast) {
                EXPECT_GE(contrastRatio(colour, scheme.window), minimumTextContrast - 0.01);
                // Muted: less contrast than the primary text.
                EXPECT_LT(contrastRatio(colour, scheme.window), textContrast);
            } else {
                // A scheme whose own text is faint gets its text, never anything fainter.
                EXPECT_EQ(colour, scheme.text);
            }
        }
        EXPECT_GE(contrastRatio(toneColor(TextTone::secondary, &widget), scheme.window),
                  contrastRatio(toneColor(TextTone::tertiary, &widget), scheme.window));
        // A link is the highlight made readable: unchanged where it already is.
        const QColor link = toneColor(TextTone::link, &widget);
        if (contrastRatio(scheme.highlight, scheme.window) >= minimumTextContrast)
            EXPECT_EQ(link, scheme.highlight);
        else if (textContrast > minimumTextContrast)
            EXPECT_GE(contrastRatio(link, scheme.window), minimumTextContrast - 0.01);
        else
            EXPECT_EQ(link, scheme.text);
    }
}

// The chosen segment stands out from the others in every scheme.
TEST(TextContrast, TheChosenSegmentIsDistinct)
{
    for (const Scheme &scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        SegmentedPicker picker({{QStringLiteral("Growth"), 0, QStringLiteral("growth")},
                                {QStringLiteral("Cleanup"), 1, QStringLiteral("cleanup")}},
                               QStringLiteral("View"));
        picker.setPalette(paletteOf(scheme));
        picker.setValue(1);
        picker.resize(300, 30);
        const QImage image = picker.grab().toImage();
        const QColor unchosen
            = averageColour(image, picker.button(0)->geometry().adjusted(4, 4, -4, -4));
        const QColor chosen
            = averageColour(image, picker.button(1)->geometry().adjusted(4, 4, -4, -4));
        EXPECT_GT(contrastRatio(chosen, unchosen), 1.5)
            << chosen.name().toStdString() << " against " << unchosen.name().toStdString();
    }
}
