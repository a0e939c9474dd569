#include "ui/tray/MenuBarImage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>

#include <gtest/gtest.h>

using namespace qm;

namespace {

constexpr qint64 GB = 1'000'000'000;
constexpr qint64 TB = 1'000'000'000'000;

struct ValueCase
{
    const char *name; // also the pictures' file names
    MenuBarStyle style;
    std::optional<DiskSpace> space;
    qint64 decimalDigits;
    QString text; // what a reader must see
    bool showGauge = true;
};

const ValueCase valueCases[] = {
    {"0gb", MenuBarStyle::freeGB, DiskSpace{0, 500 * GB, 0}, 0, QStringLiteral("0")},
    {"7gb", MenuBarStyle::freeGB, DiskSpace{7 * GB, 500 * GB, 0}, 0, QStringLiteral("7")},
    {"7.3gb",
     MenuBarStyle::freeGB,
     DiskSpace{7'300 * GB / 1000, 500 * GB, 0},
     1,
     QStringLiteral("7.3")},
    {"83gb", MenuBarStyle::freeGB, DiskSpace{83 * GB, 500 * GB, 0}, 1, QStringLiteral("83")},
    {"245gb", MenuBarStyle::freeGB, DiskSpace{245 * GB, 1 * TB, 0}, 0, QStringLiteral("245")},
    // The widest value at 16 pixels: each digit 4 by 8 pixels.
    {"999gb", MenuBarStyle::freeGB, DiskSpace{999 * GB, 2 * TB, 0}, 0, QStringLiteral("999")},
    {"1.2tb", MenuBarStyle::freeGB, DiskSpace{1'250 * GB, 4 * TB, 0}, 1, QStringLiteral("1.2T")},
    {"24pc", MenuBarStyle::freePercent, DiskSpace{240 * GB, 1 * TB, 0}, 0, QStringLiteral("24%")},
    {"noreading", MenuBarStyle::freeGB, std::nullopt, 0, QStringLiteral("\u2014")},
    // With the gauge off the text takes the whole plate.
    {"245gb-nogauge",
     MenuBarStyle::freeGB,
     DiskSpace{245 * GB, 1 * TB, 0},
     0,
     QStringLiteral("245"),
     false},
    {"1.2tb-nogauge",
     MenuBarStyle::usedGB,
     DiskSpace{750 * GB, 2 * TB, 0},
     1,
     QStringLiteral("1.2T"),
     false},
};

// Lines that put any reading at the level: none crossed, the warning line above everything, or
// both lines above everything.
struct LevelCase
{
    const char *name;
    qint64 thresholdGB;
    qint64 criticalGB;
};

const LevelCase levelCases[] = {
    {"normal", 0, 0},
    {"warning", 1'000'000, 0},
    {"critical", 1'000'000, 1'000'000},
};

struct SizeCase
{
    int size;
    qreal ratio;
};

const SizeCase sizeCases[] = {{16, 1}, {22, 1}, {24, 1}, {16, 2}, {22, 2}, {24, 2}};

// Panels the icon may sit on: a light one and a dark one.
struct PanelCase
{
    const char *name;
    QColor color;
};

const PanelCase panelCases[] = {
    {"light", QColor(0xf0, 0xf0, 0xf0)},
    {"dark", QColor(0x2b, 0x2b, 0x2e)},
};

// The enlargements the reader is given: the icon's side becomes 80 or 96 pixels. Tesseract
// reads best at some sizes of a glyph and misreads a few others, differently at each; a value
// counts as read when one of the two gives it exactly.
const int readerSides[] = {80, 96};

// The icon's text box as the reader is given it: enlarged smoothly so that the icon's side is
// `readerSide` pixels, grey, inverted into dark glyphs on a light plate and made black and white
// at half grey, with a margin. The gauge is no text (a bar under a line of digits makes the
// reader merge the two) and the panel shows only at the plate's corners; both stay outside the
// text box.
QImage forReader(const QImage &icon, const QColor &panel, bool showGauge, int readerSide)
{
    QImage pixels = icon;
    pixels.setDevicePixelRatio(1);
    QImage flat(pixels.size(), QImage::Format_RGB32);
    flat.fill(panel);
    QPainter(&flat).drawImage(0, 0, pixels);
    const TrayValueIconLayout layout = trayValueIconLayout(pixels.width(), showGauge);
    const qreal factor = qreal(readerSide) / layout.side;
    QImage grey = flat.copy(layout.textBox)
                      .scaled(qRound(layout.textBox.width() * factor),
                              qRound(layout.textBox.height() * factor),
                              Qt::IgnoreAspectRatio,
                              Qt::SmoothTransformation)
                      .convertToFormat(QImage::Format_Grayscale8);
    grey.invertPixels();
    for (int y = 0; y < grey.height(); ++y) {
        uchar *line = grey.scanLine(y);
        for (int x = 0; x < grey.width(); ++x)
            line[x] = line[x] < 128 ? 0 : 255;
    }
    QImage framed(grey.size() + QSize(32, 32), QImage::Format_Grayscale8);
    framed.fill(Qt::white);
    QPainter(&framed).drawImage(16, 16, grey);
    return framed;
}

// The icon on the panel as a person sees it, enlarged eight times without smoothing.
QImage enlarged(const QImage &icon, const QColor &panel)
{
    QImage pixels = icon;
    pixels.setDevicePixelRatio(1);
    QImage flat(pixels.size() + QSize(4, 4), QImage::Format_RGB32);
    flat.fill(panel);
    QPainter(&flat).drawImage(2, 2, pixels);
    return flat.scaled(flat.size() * 8);
}

QString pictureFolder()
{
    const QString chosen = qEnvironmentVariable("QUILLMERE_SCREENSHOT_DIR");
    return QDir(chosen.isEmpty() ? QCoreApplication::applicationDirPath() : chosen)
        .filePath(QStringLiteral("tray-legibility"));
}

// What tesseract reads in each picture, one line of text each, in order; empty on failure.
QStringList readBack(const QStringList &pictures, const QString &workFolder, QString *problem)
{
    const QString list = QDir(workFolder).filePath(QStringLiteral("pictures.txt"));
    QFile listFile(list);
    if (!listFile.open(QIODevice::WriteOnly)
        || listFile.write(pictures.join(QLatin1Char('\n')).toUtf8() + '\n') < 0) {
        *problem = QStringLiteral("cannot write ") + list;
        return {};
    }
    listFile.close();
    QProcess tesseract;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    tesseract.setProcessEnvironment(environment);
    tesseract.start(QStandardPaths::findExecutable(QStringLiteral("tesseract")),
                    {list,
                     QStringLiteral("stdout"),
                     QStringLiteral("--psm"),
                     QStringLiteral("7"),
                     QStringLiteral("-c"),
                     QStringLiteral("tessedit_char_whitelist=0123456789.%T\u2014")});
    if (!tesseract.waitForFinished(180'000)) {
        tesseract.kill();
        tesseract.waitForFinished(5000);
        *problem = QStringLiteral("tesseract did not finish: ") + tesseract.errorString();
        return {};
    }
    if (tesseract.exitStatus() != QProcess::NormalExit || tesseract.exitCode() != 0) {
        *problem = QStringLiteral("tesseract failed: ")
                   + QString::fromUtf8(tesseract.readAllStandardError());
        return {};
    }
    // One page per picture, each ended by a form feed.
    QStringList pages
        = QString::fromUtf8(tesseract.readAllStandardOutput()).split(QLatin1Char('\f'));
    if (pages.size() == pictures.size() + 1 && pages.last().trimmed().isEmpty())
        pages.removeLast();
    for (QString &page : pages)
        page = page.trimmed();
    return pages;
}

// Renders the value icon for every value, level, size and panel, saves the pictures, and reads
// every one back with OCR: the characters must come back exactly ("—" before the first reading).
TEST(TrayIconLegibilityTest, OcrReadsTheValueBackAtEverySizeLevelAndPanel)
{
    if (QStandardPaths::findExecutable(QStringLiteral("tesseract")).isEmpty())
        GTEST_SKIP() << "tesseract is not installed";
    const QString folder = pictureFolder();
    ASSERT_TRUE(QDir(folder).removeRecursively() || !QDir(folder).exists());
    ASSERT_TRUE(QDir().mkpath(folder));

    struct Picture
    {
        QString name;
        QString text;
    };
    QList<Picture> shots;
    QList<QStringList> files(std::size(readerSides));
    for (const PanelCase &panel : panelCases) {
        // One sheet per panel for a look by eye: a row per value, the sizes and levels across.
        const int cell = 64;
        QImage sheet(int(std::size(sizeCases) * std::size(levelCases)) * cell,
                     int(std::size(valueCases)) * cell,
                     QImage::Format_RGB32);
        sheet.fill(panel.color);
        QPainter sheetPainter(&sheet);
        for (qsizetype v = 0; v < qsizetype(std::size(valueCases)); ++v) {
            const ValueCase &value = valueCases[v];
            int column = 0;
            for (const SizeCase &size : sizeCases) {
                for (const LevelCase &level : levelCases) {
                    Settings settings;
                    settings.menuBarStyle = value.style;
                    settings.decimalDigits = value.decimalDigits;
                    settings.showGauge = value.showGauge;
                    settings.thresholdGB = level.thresholdGB;
                    settings.criticalGB = level.criticalGB;
                    const QImage icon
                        = trayValueIconImage(value.space, settings, size.size, size.ratio);
                    ASSERT_EQ(icon.width(), qRound(size.size * size.ratio));
                    const QString name
                        = QStringLiteral("%1-%2@%3x-%4-%5")
                              .arg(QLatin1String(value.name))
                              .arg(size.size)
                              .arg(size.ratio)
                              .arg(QLatin1String(level.name), QLatin1String(panel.name));
                    for (qsizetype r = 0; r < qsizetype(std::size(readerSides)); ++r) {
                        const QString path = QDir(folder).filePath(
                            QStringLiteral("%1-ocr%2.png").arg(name).arg(readerSides[r]));
                        ASSERT_TRUE(forReader(icon, panel.color, settings.showGauge, readerSides[r])
                                        .save(path))
                            << path.toStdString();
                        files[r].append(path);
                    }
                    ASSERT_TRUE(enlarged(icon, panel.color)
                                    .save(QDir(folder).filePath(name + QStringLiteral(".png"))));
                    shots.append({name, value.text});
                    QImage shown = icon;
                    shown.setDevicePixelRatio(1);
                    sheetPainter.drawImage(column * cell + 8, int(v) * cell + 8, shown);
                    ++column;
                }
            }
        }
        sheetPainter.end();
        ASSERT_TRUE(sheet.scaled(sheet.size() * 2)
                        .save(QDir(folder).filePath(
                            QStringLiteral("sheet-%1.png").arg(QLatin1String(panel.name)))));
    }

    QList<QStringList> readings;
    for (qsizetype r = 0; r < qsizetype(std::size(readerSides)); ++r) {
        QString problem;
        readings.append(readBack(files.at(r), folder, &problem));
        ASSERT_EQ(readings.last().size(), shots.size()) << problem.toStdString();
    }
    int misread = 0;
    for (qsizetype i = 0; i < shots.size(); ++i) {
        const Picture &shot = shots.at(i);
        QStringList seen;
        for (const QStringList &reading : std::as_const(readings))
            seen.append(QLatin1Char('"') + reading.at(i) + QLatin1Char('"'));
        const bool read
            = std::any_of(readings.cbegin(), readings.cend(), [&](const QStringList &reading) {
                  return reading.at(i) == shot.text;
              });
        EXPECT_TRUE(read) << shot.name.toStdString() << ": " << shot.text.toStdString()
                          << " read as " << seen.join(u", ").toStdString();
        misread += read ? 0 : 1;
    }
    EXPECT_EQ(misread, 0) << "of " << shots.size() << " pictures in " << folder.toStdString();
}

} // namespace
